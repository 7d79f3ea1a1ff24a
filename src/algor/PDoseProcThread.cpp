#include "algor/PDoseProcThread.h"

#include "algor/PDataBuffer.h"
#include "database/RRoutingStore.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "message/SQueueBound.h"

#include <QCoreApplication>
#include <QMutexLocker>

namespace {

const QEvent::Type BatchEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

class PDoseProcThread::Batch final : public QEvent
{
public:
    Batch(std::vector<Message>&& messages, std::shared_ptr<SQueueBound> pBound)
        : QEvent(BatchEvent)
        , m_messages(std::move(messages))
        , m_pBound(std::move(pBound))
    {
    }
    // Delivered or dropped, the places go back.
    ~Batch() override { m_pBound->Release(int(m_messages.size())); }

    const std::vector<Message>& Messages() const { return m_messages; }

private:
    std::vector<Message> m_messages;
    std::shared_ptr<SQueueBound> m_pBound;
};

PDoseProcThread::PDoseProcThread(PDataBuffer* pBuffer, QObject* pParent)
    : QThread(pParent)
    , m_pBuffer(pBuffer)
    , m_decoder(this)
    , m_bStopped(true)
    , m_bWakePending(false)
    , m_pAdditionalDose(nullptr)
    , m_pPostBound(std::make_shared<SQueueBound>(DEFAULT_POST_LIMIT))
    , m_nBatchSize(BATCH_SIZE)
    , m_stage()
{
    // Emitted on the decoding thread; the slot runs on this object's thread.
    connect(this, &PDoseProcThread::RoutData, this, &PDoseProcThread::GetRoutData);
    m_clock.start();
}

PDoseProcThread::~PDoseProcThread()
{
    Stop();
}

void PDoseProcThread::Start()
{
    if (!m_bStopped)
        return;
    m_bStopped = false;
    m_pPostBound->Resume();
    {
        // Bytes stored before the start are decoded without waiting for a wake.
        QMutexLocker locker(&m_mutex);
        m_bWakePending = true;
    }
    start(QThread::LowPriority);
}

void PDoseProcThread::Stop()
{
    if (m_bStopped)
        return;
    {
        QMutexLocker locker(&m_mutex);
        m_bStopped = true;
        m_condition.wakeOne();
    }
    // A decoder waiting for room in a queue that nobody drains any more
    // (the main window is the one stopping us) must not hold up the stop.
    m_pPostBound->Cancel();
    quit();
    wait();
    // What was decoded before the stop still reaches its receivers, in
    // stream order: the batches queued, then the one the stop cut short.
    if (QThread::currentThread() == thread()) {
        QCoreApplication::sendPostedEvents(this, BatchEvent);
        for (const Message& message : m_batch)
            SendSMessage(message.nReceiver, message.nType, message.nFirst, message.nSecond);
    }
    m_batch.clear();
    m_pBuffer->Reset();
    m_decoder.Reset();
}

void PDoseProcThread::Wake()
{
    QMutexLocker locker(&m_mutex);
    m_bWakePending = true;
    m_condition.wakeOne();
}

void PDoseProcThread::SetExtendedProtocol(bool bExtended)
{
    m_decoder.SetExtendedProtocol(bExtended);
}

bool PDoseProcThread::IsExtendedProtocol() const
{
    return m_decoder.IsExtendedProtocol();
}

void PDoseProcThread::SetAdditionalDose(RAdditionalDose* pAdditionalDose)
{
    m_pAdditionalDose = pAdditionalDose;
}

RAdditionalDose* PDoseProcThread::AdditionalDose() const
{
    return m_pAdditionalDose;
}

void PDoseProcThread::SetPostLimit(int nLimit)
{
    m_pPostBound->SetLimit(nLimit);
    m_nBatchSize = qBound(1, nLimit, int(BATCH_SIZE));
}

int PDoseProcThread::PostsInFlight() const
{
    return m_pPostBound->InFlight();
}

void PDoseProcThread::run()
{
    while (!m_bStopped) {
        {
            QMutexLocker locker(&m_mutex);
            // Re-checked under the wake mutex: a store and its wake that came
            // while the last round decoded are taken now, not lost. A frame
            // waiting for its body wakes us when it is due to be given up.
            while (!m_bWakePending && !m_bStopped && m_pBuffer->PackageNum() == 0) {
                const qint64 nDeadline = m_decoder.Deadline();
                if (nDeadline < 0) {
                    m_condition.wait(&m_mutex);
                } else {
                    const qint64 nLeft = nDeadline - m_clock.elapsed() + 1;
                    if (nLeft <= 0)
                        break;
                    m_condition.wait(&m_mutex, static_cast<unsigned long>(nLeft));
                }
            }
            m_bWakePending = false;
        }
        DecodeStored();
    }
}

void PDoseProcThread::DecodeStored()
{
    for (;;) {
        const unsigned nTake = qMin<unsigned>(sizeof(m_stage), m_pBuffer->PackageNum());
        if (nTake == 0 || !m_pBuffer->Read(m_stage, nTake))
            break;
        m_decoder.Feed(m_stage, nTake, m_clock.elapsed());
        if (m_bStopped)
            return;
    }
    m_decoder.Advance(m_clock.elapsed());
    // The input ran dry: what was decoded goes now, not with the next bytes.
    Flush();
}

void PDoseProcThread::Post(int nId, int nType, qintptr nFirst, qintptr nSecond)
{
    m_batch.push_back({nId, nType, nFirst, nSecond});
    if (int(m_batch.size()) >= m_nBatchSize)
        Flush();
}

void PDoseProcThread::Flush()
{
    if (m_batch.empty())
        return;
    const int nCount = int(m_batch.size());
    // Refused only when stopping: the batch stays for Stop to deliver.
    if (!m_pPostBound->Acquire(nCount))
        return;
    QCoreApplication::postEvent(this, new Batch(std::move(m_batch), m_pPostBound));
    m_batch.clear();
    m_batch.reserve(BATCH_SIZE);
}

void PDoseProcThread::customEvent(QEvent* pEvent)
{
    if (pEvent->type() != BatchEvent)
        return;
    for (const Message& message : static_cast<Batch*>(pEvent)->Messages())
        SendSMessage(message.nReceiver, message.nType, message.nFirst, message.nSecond);
}

void PDoseProcThread::Reading(quint32 nId, quint32 nValue)
{
    Post(SBus::MainWindow, SBus::RawReading, qintptr(nId), qintptr(nValue));
}

void PDoseProcThread::ThresholdNotice(quint32 nId)
{
    Post(SBus::ThresholdPage, SBus::ThresholdNotice, qintptr(nId), 0);
}

// Signals travel apart from the batches: what came before them goes first.
void PDoseProcThread::TargetDose(int nX, int nY, int nZ)
{
    Flush();
    emit StartEchoTargeDose(nX, nY, nZ);
}

void PDoseProcThread::Routing(
    int nRoutId, int nRoomId, const QDate& date, const QTime& time, int nDose)
{
    Flush();
    emit RoutData(nRoutId, nRoomId, date, time, nDose);
}

// Nobody receives these values in this system; they go to an id nothing registers.
void PDoseProcThread::BlockValue(quint32 nId, quint32 nWord)
{
    Post(SBus::DecoderUnrouted, SBus::BlockValue, qintptr(nId), qintptr(nWord));
}

void PDoseProcThread::TargetValue(quint32 nY, quint32 nWord)
{
    Post(SBus::DecoderUnrouted, SBus::TargetValue, qintptr(nY), qintptr(nWord));
}

void PDoseProcThread::PairDone()
{
    Flush();
    // Stopping ends the pause early.
    QMutexLocker locker(&m_mutex);
    if (!m_bStopped)
        m_condition.wait(&m_mutex, PAIR_PAUSE_MS);
}

void PDoseProcThread::GetRoutData(int routId, int roomId, QDate date, QTime time, int dose)
{
    if (!m_pWriter) {
        Log(LogLevel::Warning, "patrol reading of %d not stored: no storage\n", routId);
        return;
    }
    RRoutingStore::Store(*m_pWriter, routId, roomId, date, time, dose);
    emit RoutDataUpdate();
}
