#include "algor/PDoseThreadInterface.h"

#include "algor/PDataBuffer.h"
#include "algor/PDosePackProc.h"
#include "algor/PDoseProcThread.h"
#include "message/PLogRecord.h"

#include <QMutexLocker>

#include <cstring>

PDoseThreadInterface::PDoseThreadInterface(QObject* pParent)
    : QThread(pParent)
    , m_pDataBuffer(std::make_unique<PDataBuffer>())
{
    // One byte per package, 5 MiB of them.
    m_pDataBuffer->Init(1, 0x500000);
    m_pPackProc = std::make_unique<PDosePackProc>(m_pDataBuffer.get());
    m_pProcThread = std::make_unique<PDoseProcThread>(m_pDataBuffer.get(), nullptr);
    connect(m_pProcThread.get(), &PDoseProcThread::RoutDataUpdate, this,
        &PDoseThreadInterface::RoutDataUpdate);
}

PDoseThreadInterface::~PDoseThreadInterface()
{
    StopWorkers();
}

void PDoseThreadInterface::StartThread()
{
    QMutexLocker locker(&m_mutex);
    if (!m_bStopped)
        return;
    m_bStopped = false;
    start(QThread::LowPriority);
}

void PDoseThreadInterface::StopThread()
{
    {
        QMutexLocker locker(&m_mutex);
        if (m_bStopped)
            return;
        m_bStopped = true;
        m_condition.wakeOne();
    }
    quit();
    wait();
}

void PDoseThreadInterface::StopWorkers()
{
    StopThread();
    m_pProcThread->Stop();
}

qint64 PDoseThreadInterface::PendingBytes() const
{
    QMutexLocker locker(&m_mutex);
    return m_nPendingBytes;
}

void PDoseThreadInterface::Enqueue(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    QMutexLocker locker(&m_mutex);
    const qint64 nRoom = MAX_PENDING - m_nPendingBytes;
    if (nRoom <= 0) {
        // The decoder is that far behind: the packet buffer would refuse these too.
        Log(LogLevel::Debug, "link backlog full, %d received bytes dropped\n", bytes.size());
        return;
    }
    if (bytes.size() > nRoom) {
        Log(LogLevel::Debug, "link backlog full, %lld received bytes dropped\n",
            static_cast<long long>(bytes.size() - nRoom));
        m_pending.append(bytes.left(int(nRoom)));
        m_nPendingBytes = MAX_PENDING;
    } else {
        m_pending.append(bytes);
        m_nPendingBytes += bytes.size();
    }
    // Pending bytes are what the worker waits for, so a wake given while it
    // is busy is never lost: it finds them before it waits again.
    m_condition.wakeOne();
}

int PDoseThreadInterface::TakePending(unsigned char* pRound, int nMax)
{
    int nTaken = 0;
    while (nTaken < nMax && !m_pending.isEmpty()) {
        const QByteArray& front = m_pending.first();
        const int nCount = qMin(nMax - nTaken, front.size() - m_nPendingOffset);
        std::memcpy(pRound + nTaken, front.constData() + m_nPendingOffset, size_t(nCount));
        nTaken += nCount;
        m_nPendingOffset += nCount;
        if (m_nPendingOffset == front.size()) {
            m_pending.removeFirst();
            m_nPendingOffset = 0;
        }
    }
    m_nPendingBytes -= nTaken;
    return nTaken;
}

void PDoseThreadInterface::run()
{
    unsigned char round[ROUND_SIZE];
    for (;;) {
        int nCount = 0;
        {
            QMutexLocker locker(&m_mutex);
            while (!m_bStopped && m_nPendingBytes == 0)
                m_condition.wait(&m_mutex);
            if (m_bStopped)
                return;
            nCount = TakePending(round, ROUND_SIZE);
        }
        // Round after round until everything received is stored: the tail of
        // a burst never waits for a later packet.
        m_pPackProc->Write(round, unsigned(nCount));
        m_pProcThread->Wake();
    }
}
