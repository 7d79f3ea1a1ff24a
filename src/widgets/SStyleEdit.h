#pragma once

#include <QLineEdit>
#include <memory>

class QMenu;
class SIconButton;
struct SStyleEditPrivate;

// A line edit with an optional icon button at each side (a clear button, a
// menu button). A side marked auto-hide fades its icon out while the field is
// empty.
class SStyleEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum Side { Left = 0, Right = 1 };
    Q_ENUM(Side)

    explicit SStyleEdit(QWidget* parent = nullptr);
    ~SStyleEdit() override;

    QPixmap buttonPixmap(Side side) const;
    void setButtonPixmap(Side side, const QPixmap& pixmap);
    // The edit does not own the menu; a side with a menu opens it instead of
    // emitting its click signals.
    QMenu* buttonMenu(Side side) const;
    void setButtonMenu(Side side, QMenu* pMenu);
    void setButtonToolTip(Side side, const QString& strTip);
    bool isButtonVisible(Side side) const;
    void setButtonVisible(Side side, bool bVisible);
    bool hasAutoHideButton(Side side) const;
    void setAutoHideButton(Side side, bool bAutoHide);
    SIconButton* button(Side side) const;

signals:
    void buttonClicked(SStyleEdit::Side side);
    void leftButtonClicked();
    void rightButtonClicked();

public slots:
    void checkButtons(const QString& strText);
    void iconClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Q_DISABLE_COPY(SStyleEdit)

    void UpdateMargins();
    void UpdateButtonPositions();

    std::unique_ptr<SStyleEditPrivate> m_pPrivate;
    QString m_strOldText;
};
