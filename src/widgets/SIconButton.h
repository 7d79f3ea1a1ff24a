#pragma once

#include <QAbstractButton>
#include <QPixmap>

class QPropertyAnimation;

// A flat button that only paints its pixmap, centred, with an opacity the
// owner can fade.
class SIconButton final : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(float iconOpacity READ iconOpacity WRITE setIconOpacity)
    Q_PROPERTY(bool autoHide READ hasAutoHide WRITE setAutoHide)
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap)
public:
    explicit SIconButton(QWidget* parent = nullptr);
    ~SIconButton() override;

    float iconOpacity() const { return m_fIconOpacity; }
    void setIconOpacity(float fValue);
    bool hasAutoHide() const { return m_bAutoHide; }
    void setAutoHide(bool bValue) { m_bAutoHide = bValue; }
    QPixmap pixmap() const { return m_pixmap; }
    void setPixmap(const QPixmap& pixmap);

    // Fades the icon in (bVisible) or out over 160 ms, from wherever it is.
    void animateShow(bool bVisible);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Q_DISABLE_COPY(SIconButton)

    float m_fIconOpacity = 1.0f;
    bool m_bAutoHide = false;
    QPixmap m_pixmap;
    QPropertyAnimation* m_pFade;
};
