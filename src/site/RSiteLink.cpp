#include "site/RSiteLink.h"

#include "database/RConnectDatabase.h"
#include "database/RSiteOutbox.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "site/RSiteSender.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

RSiteLink::RSiteLink(RStorageWriter* pWriter, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pTimer(new QTimer(this))
{
    qRegisterMetaType<RSiteReport>();
    m_pTimer->setInterval(RefreshMs);
    connect(m_pTimer, &QTimer::timeout, this, &RSiteLink::Refresh);
}

RSiteLink::~RSiteLink()
{
    Stop(true);
    for (const QPointer<QThread>& pThread : qAsConst(m_retired)) {
        if (pThread) {
            pThread->wait();
            delete pThread;
        }
    }
}

void RSiteLink::SetRetry(int nFirstMs, int nMaxMs)
{
    m_nFirstRetryMs = nFirstMs;
    m_nMaxRetryMs = nMaxMs;
}

void RSiteLink::Stop(bool bWait)
{
    m_pTimer->stop();
    if (!m_pThread)
        return;
    disconnect(m_pSender, nullptr, this, nullptr);
    m_pSender->RequestStop();
    QMetaObject::invokeMethod(m_pSender, &RSiteSender::Stop, Qt::QueuedConnection);
    m_pThread->quit();
    if (bWait || m_pThread->wait(StopWaitMs)) {
        m_pThread->wait();
        delete m_pThread;
    } else {
        connect(m_pThread, &QThread::finished, m_pThread, &QObject::deleteLater);
        m_retired << m_pThread;
    }
    m_pThread = nullptr;
    m_pSender = nullptr;
}

void RSiteLink::Apply(const RSiteConfig& given)
{
    Stop();
    m_report = RSiteReport();
    m_nTrimmed = 0;
    m_bOffered = false;
    if (!given.bEnabled || !m_pWriter->State().IsUsable()) {
        if (m_pWriter->State().IsUsable() && RSiteOutbox::IsEnabled()) {
            RSiteOutbox::Disable(*m_pWriter);
            m_pWriter->Commit();
        }
        Refresh();
        return;
    }
    // The sender reads the outbox only once it is committed.
    RSiteOutbox::Enable(*m_pWriter);
    m_pWriter->Commit();
    RSiteConfig config = given;
    config.strFileId = RSiteOutbox::FileId();
    const QString strFile = QFileInfo(QSqlDatabase::database().databaseName()).absoluteFilePath();
    m_pThread = new QThread;
    m_pSender = new RSiteSender(config, strFile);
    if (m_nFirstRetryMs > 0)
        m_pSender->SetRetry(m_nFirstRetryMs, m_nMaxRetryMs);
    m_pSender->moveToThread(m_pThread);
    connect(m_pThread, &QThread::finished, m_pSender, &QObject::deleteLater);
    connect(m_pSender, &RSiteSender::Reported, this, &RSiteLink::OnReported);
    // Connecting happens on the worker only: start-up never waits for a
    // server that does not answer.
    m_pThread->start(QThread::LowPriority);
    QMetaObject::invokeMethod(m_pSender, &RSiteSender::Start, Qt::QueuedConnection);
    m_pTimer->start();
    Refresh();
}

void RSiteLink::AnswerHistory(bool bUpload)
{
    if (m_pSender)
        QMetaObject::invokeMethod(
            m_pSender, [this, bUpload]() { m_pSender->AnswerHistory(bUpload); },
            Qt::QueuedConnection);
}

void RSiteLink::OnReported(const RSiteReport& report)
{
    m_report = report;
    if (report.nMark > m_nTrimmed) {
        RSiteOutbox::Trim(*m_pWriter, report.nMark);
        m_nTrimmed = report.nMark;
    }
    if (report.bHistoryOffer && !m_bOffered) {
        m_bOffered = true;
        emit HistoryOffered();
    }
    Refresh();
}

int RSiteLink::MinutesBehind() const
{
    if (!m_pThread)
        return 0;
    const QDateTime oldest = RSiteOutbox::OldestPendingMinute(qMax<qint64>(0, m_report.nMark));
    if (!oldest.isValid())
        return 0;
    return static_cast<int>(qMax<qint64>(0, oldest.secsTo(m_pClock->Now()) / 60));
}

void RSiteLink::Refresh()
{
    QString strText;
    const int nBehind = MinutesBehind();
    const QString strBehind = tr("site database: %n minutes behind", nullptr, nBehind);
    if (m_pThread) {
        switch (m_report.eState) {
        case RSiteReport::State::Connecting:
        case RSiteReport::State::Sending:
            if (nBehind >= QuietMinutes)
                strText = strBehind;
            break;
        case RSiteReport::State::TooNew:
            strText = tr("site database: nothing sent, %1").arg(m_report.strError);
            break;
        case RSiteReport::State::Unreachable:
        case RSiteReport::State::Failed:
            strText = nBehind >= QuietMinutes
                ? tr("site database: %n minutes behind, not reached (%1)", nullptr, nBehind)
                      .arg(m_report.strError)
                : tr("site database: not reached (%1)").arg(m_report.strError);
            break;
        }
    }
    if (nBehind >= AlertMinutes && !m_bAlerted) {
        m_bAlerted = true;
        Log(LogLevel::Alert, "site database: %d minutes behind (%s); the outbox keeps %lld rows\n",
            nBehind, m_report.strError.toUtf8().constData(),
            static_cast<long long>(RSiteOutbox::PendingRows(qMax<qint64>(0, m_report.nMark))));
    } else if (nBehind < QuietMinutes && m_bAlerted) {
        m_bAlerted = false;
        Log(LogLevel::Notice, "site database: caught up\n");
    }
    if (strText == m_strStatus)
        return;
    m_strStatus = strText;
    emit StatusChanged(strText);
}
