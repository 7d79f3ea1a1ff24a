#pragma once

#include "algor/PFrameDecoder.h"

#include <QDate>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QTime>
#include <QWaitCondition>

#include <atomic>
#include <memory>
#include <vector>

class PDataBuffer;
class RAdditionalDose;
class RStorageWriter;
class SQueueBound;

// The decoding thread: the only reader of the packet buffer. The link stores
// bytes and calls Wake(); this thread takes them in blocks and hands them to
// the frame decoder, then hands its results on: raw readings on the bus to the
// main window, alarm-threshold notices to the threshold page,
// target-dose frames as StartEchoTargeDose and routing frames as RoutData,
// which GetRoutData stores on the thread that owns this object (the main
// thread).
//
// Bus messages cross to the main thread in batches, in stream order: each
// batch is one event to this object, which sends its messages there one by
// one. Batches in flight are bounded, so a flood waits in the ring and the
// link's backlog instead of the event queue.
class PDoseProcThread : public QThread, private PFrameDecoder::Sink
{
    Q_OBJECT

public:
    // Messages handed over and not yet delivered, at most. The main window
    // stores a reading in well under a millisecond, so a full queue is gone
    // within a fraction of a second and the window keeps painting.
    static constexpr int DEFAULT_POST_LIMIT = 512;
    // Messages per batch, at most (and never more than the limit).
    static constexpr int BATCH_SIZE = 64;
    // The pause the sender expects after each paced value pair.
    static constexpr int PAIR_PAUSE_MS = 90;

    PDoseProcThread(PDataBuffer* pBuffer, QObject* pParent = nullptr);
    ~PDoseProcThread() override;

    // Main thread. Start does nothing while running; Stop waits for the
    // thread, delivers the batches still queued and empties the buffer.
    void Start();
    void Stop();
    // Any thread; a wake given while the decoder works is not lost.
    void Wake();

    // The link turns the full frame set on right after construction.
    void SetExtendedProtocol(bool bExtended);
    bool IsExtendedProtocol() const;
    // Not owned; the link connects StartEchoTargeDose to it.
    void SetAdditionalDose(RAdditionalDose* pAdditionalDose);
    // Not owned; patrol readings are stored through it (without one they
    // are logged and dropped).
    void SetWriter(RStorageWriter* pWriter) { m_pWriter = pWriter; }
    RAdditionalDose* AdditionalDose() const;

    // Any thread.
    void SetPostLimit(int nLimit);
    // Messages handed over and not yet delivered or dropped; any thread.
    int PostsInFlight() const;

signals:
    void RoutData(int routId, int roomId, QDate date, QTime time, int dose);
    void RoutDataUpdate();
    void StartEchoTargeDose(int x, int y, int z);

public slots:
    // Main thread, default connection: one row per staff, room and minute.
    void GetRoutData(int routId, int roomId, QDate date, QTime time, int dose);

protected:
    void run() override;
    void customEvent(QEvent* pEvent) override;

private:
    Q_DISABLE_COPY(PDoseProcThread)
    RStorageWriter* m_pWriter = nullptr;

    // The decoder's results, on this thread.
    void Reading(quint32 nId, quint32 nValue) override;
    void ThresholdNotice(quint32 nId) override;
    void TargetDose(int nX, int nY, int nZ) override;
    void Routing(
        int nRoutId, int nRoomId, const QDate& date, const QTime& time, int nDose) override;
    void BlockValue(quint32 nId, quint32 nWord) override;
    void TargetValue(quint32 nY, quint32 nWord) override;
    void PairDone() override;

    struct Message
    {
        int nReceiver;
        int nType;
        qintptr nFirst;
        qintptr nSecond;
    };
    class Batch;

    void Post(int nId, int nType, qintptr nFirst, qintptr nSecond);
    // Hands the batch over, waiting for room; drops it when stopping.
    void Flush();
    void DecodeStored();

    PDataBuffer* m_pBuffer;
    PFrameDecoder m_decoder;
    QMutex m_mutex;
    QWaitCondition m_condition;
    std::atomic<bool> m_bStopped;
    // Guarded by m_mutex: set by Wake, cleared when the thread takes it.
    bool m_bWakePending;
    RAdditionalDose* m_pAdditionalDose;
    // Shared with the batches, which may outlive this object in the queue.
    std::shared_ptr<SQueueBound> m_pPostBound;
    std::atomic<int> m_nBatchSize;
    // Decoder thread only.
    std::vector<Message> m_batch;
    // Decoder thread only: the decoder's clock, and bytes taken from the
    // ring in blocks.
    QElapsedTimer m_clock;
    unsigned char m_stage[4096];
};
