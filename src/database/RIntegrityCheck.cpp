#include "database/RIntegrityCheck.h"

#include <QMutexLocker>
#include <QThread>

#include <sqlite3.h>

RIntegrityCheck::RIntegrityCheck(QObject* pParent)
    : QObject(pParent)
{
}

RIntegrityCheck::~RIntegrityCheck()
{
    if (!m_pThread)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_bStopping = true;
        if (m_pHandle)
            sqlite3_interrupt(m_pHandle);
    }
    m_pThread->wait();
    delete m_pThread;
}

void RIntegrityCheck::Start(const QString& strFile, int nDelayMs)
{
    if (m_pThread)
        return;
    m_pThread = QThread::create([this, strFile, nDelayMs]() { Run(strFile, nDelayMs); });
    m_pThread->start(QThread::LowPriority);
}

bool RIntegrityCheck::IsRunning() const
{
    return m_pThread && m_pThread->isRunning();
}

void RIntegrityCheck::Run(const QString& strFile, int nDelayMs)
{
    // The delay leaves the disk to the start-up's own reads.
    for (int nWaited = 0; nWaited < nDelayMs; nWaited += 50) {
        QThread::msleep(50);
        QMutexLocker lock(&m_mutex);
        if (m_bStopping)
            return;
    }
    sqlite3* pDb = nullptr;
    const QByteArray file = strFile.toUtf8();
    bool bOk = false;
    QString strDetail;
    if (sqlite3_open_v2(file.constData(), &pDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        strDetail = QString::fromUtf8(pDb ? sqlite3_errmsg(pDb) : "out of memory");
    } else {
        {
            QMutexLocker lock(&m_mutex);
            m_pHandle = m_bStopping ? nullptr : pDb;
        }
        sqlite3_stmt* pCheck = nullptr;
        int nResult = m_pHandle
            ? sqlite3_prepare_v2(pDb, "pragma quick_check(1)", -1, &pCheck, nullptr)
            : SQLITE_INTERRUPT;
        if (nResult == SQLITE_OK)
            nResult = sqlite3_step(pCheck);
        if (nResult == SQLITE_ROW) {
            strDetail
                = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pCheck, 0)));
            bOk = strDetail == QLatin1String("ok");
        } else {
            strDetail = QString::fromUtf8(sqlite3_errmsg(pDb));
        }
        sqlite3_finalize(pCheck);
        QMutexLocker lock(&m_mutex);
        m_pHandle = nullptr;
        // An interrupted check found nothing: no verdict to give.
        if (m_bStopping || nResult == SQLITE_INTERRUPT) {
            sqlite3_close(pDb);
            return;
        }
    }
    sqlite3_close(pDb);
    QMetaObject::invokeMethod(
        this, [this, bOk, strDetail]() { emit Finished(bOk, strDetail); }, Qt::QueuedConnection);
}
