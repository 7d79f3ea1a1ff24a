#include "notify/RNotifyPost.h"

#include <QThread>

RNotifyPost::RNotifyPost(QObject* pParent)
    : QObject(pParent)
{
    qRegisterMetaType<RNotifySent>();
}

RNotifyPost::~RNotifyPost()
{
    Stop();
}

void RNotifyPost::Start(const RNotifyConfig& config)
{
    Stop();
    m_pMailer = new RNotifyMailer(config);
    m_pThread = new QThread(this);
    m_pThread->setObjectName(QStringLiteral("mail"));
    m_pMailer->moveToThread(m_pThread);
    connect(m_pMailer, &RNotifyMailer::Sent, this, &RNotifyPost::Sent);
    m_pThread->start();
}

void RNotifyPost::Stop()
{
    if (!m_pThread)
        return;
    m_pMailer->RequestStop();
    m_pThread->quit();
    m_pThread->wait();
    delete m_pMailer;
    m_pMailer = nullptr;
    delete m_pThread;
    m_pThread = nullptr;
}

void RNotifyPost::Post(const RNotifyMail& mail)
{
    RNotifyMailer* pMailer = m_pMailer;
    if (pMailer)
        QMetaObject::invokeMethod(
            pMailer, [pMailer, mail] { pMailer->Send(mail); }, Qt::QueuedConnection);
}

RNotifyMail RNotifyPost::TestMail(const RNotifyConfig& config, const QDateTime& now)
{
    RNotifyMail mail;
    mail.to = config.lists[0].addresses;
    mail.date = now;
    mail.strSubject = tr("Test mail from the station");
    mail.strBody = tr("This is a test of the station's mail notifications, sent at %1.\n")
                       .arg(now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    return mail;
}
