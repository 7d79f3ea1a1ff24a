#pragma once

#include "notify/RNotifyConfig.h"

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <atomic>

// One mail to send: plain text, UTF-8.
struct RNotifyMail
{
    qint64 nSeq = 0; // its queue row; 0 for a mail kept in memory
    QStringList to;
    QString strSubject;
    QString strBody;
    QDateTime date;
};
Q_DECLARE_METATYPE(RNotifyMail)

// The mail server's answer to one mail.
struct RNotifySent
{
    qint64 nSeq = 0;
    bool bOk = false;
    bool bRefused = false; // the server will never take it (not a log-in problem)
    int nCode = 0; // the server's last reply code; 0 when none came
    QString strAnswer; // its last reply line, or why none came
};
Q_DECLARE_METATYPE(RNotifySent)

// Sends mails over SMTP with libcurl, one at a time, on the notifier's worker
// thread: a mail server that is slow or gone blocks no other part of the
// station. Each Send() answers with one Sent().
class RNotifyMailer final : public QObject
{
    Q_OBJECT
public:
    explicit RNotifyMailer(const RNotifyConfig& config);

    // On its thread.
    void Send(const RNotifyMail& mail);
    // Any thread: the mail being sent gives up at its next progress call.
    void RequestStop() { m_bStop = true; }

    // The message as it goes on the wire: headers, then the body in base64.
    static QByteArray Message(const QString& strFrom, const RNotifyMail& mail);

signals:
    void Sent(const RNotifySent& sent);

private:
    Q_DISABLE_COPY(RNotifyMailer)
    RNotifyConfig m_config;
    std::atomic_bool m_bStop {false};
};
