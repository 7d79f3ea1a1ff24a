#pragma once

#include "notify/RNotifyMailer.h"

#include <QObject>

class QThread;

// The mailer on a worker thread of its own, started with its settings and
// handed mails one at a time: a mail server that is slow or gone blocks no
// other part of the station. Each Post() answers with one Sent(). GUI
// thread.
class RNotifyPost final : public QObject
{
    Q_OBJECT
public:
    explicit RNotifyPost(QObject* pParent = nullptr);
    ~RNotifyPost() override;

    // A mail under way is given up.
    void Start(const RNotifyConfig& config);
    void Stop();
    bool IsRunning() const { return m_pMailer != nullptr; }
    void Post(const RNotifyMail& mail);

    // The settings page's test: to the on-call list, outside the queue.
    static RNotifyMail TestMail(const RNotifyConfig& config, const QDateTime& now);

signals:
    void Sent(const RNotifySent& sent);

private:
    Q_DISABLE_COPY(RNotifyPost)

    QThread* m_pThread = nullptr;
    RNotifyMailer* m_pMailer = nullptr;
};
