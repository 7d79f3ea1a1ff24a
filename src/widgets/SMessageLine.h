#pragma once

#include <QLabel>

class QTimer;

// A page's message line: one line, elided with the whole text in its tip, so
// that no text can widen the window. A message stays at least kMinMs, then
// until the user's next key or click in the window or the next message, so
// a refusal is never a flash. GUI thread.
class SMessageLine final : public QLabel
{
    Q_OBJECT
public:
    static constexpr int kMinMs = 8000;

    explicit SMessageLine(QWidget* pParent = nullptr);
    ~SMessageLine() override;

    void ShowMessage(const QString& strText);
    // Kept until it is replaced or cleared, whatever the user does.
    void ShowLasting(const QString& strText);
    void ClearMessage();
    QString Message() const { return m_strText; }
    // The shortest time has passed: the next key or click clears it (a
    // test's step, or the timer's).
    void Expire();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    Q_DISABLE_COPY(SMessageLine)

    void Elide();

    QString m_strText;
    QTimer* m_pTimer;
    bool m_bExpired = false;
    bool m_bWatching = false;
};
