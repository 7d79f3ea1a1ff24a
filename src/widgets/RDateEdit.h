#pragma once

#include <QDateEdit>
#include <QRect>

class QLineEdit;
class RCalendarWidget;

// A date edit whose calendar pops up on every second press of its text field.
class RDateEdit final : public QDateEdit
{
    Q_OBJECT
public:
    explicit RDateEdit(QWidget* parent = nullptr);
    ~RDateEdit() override;

    RCalendarWidget* Calendar() const { return m_pCalendar; }

    // The area the pop-up must stay inside, in global coordinates. An empty
    // rectangle (the default) means the available geometry of the screen the
    // edit is on.
    void SetScreenArea(const QRect& area) { m_screenArea = area; }

    // Top-left corner of a pop-up of popupSize for an edit at editRect (both
    // global): below the edit, above it when there is no room below, moved
    // left when it would leave the screen at the right.
    static QPoint PopupPosition(const QRect& editRect, const QSize& popupSize, const QRect& screen);

public slots:
    void OnClicked(const QDate& date);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Q_DISABLE_COPY(RDateEdit)

    void ShowCalendar();

    RCalendarWidget* m_pCalendar;
    QLineEdit* m_pTextField;
    QRect m_screenArea;
    bool m_bTextPressed = false;
    bool m_bEditPressed = false;
};
