#pragma once

#include <QDate>
#include <QThread>
#include <QTime>

#include <atomic>
#include <functional>
#include <memory>

class PDataBuffer;
class QMutex;
class QWaitCondition;
class RAdditionalDose;
class SQueueBound;

// The frame decoder: the only reader of the packet buffer. The link stores
// bytes and calls Wake(); this thread finds frames, checks their XOR sums and
// hands the results on: readings as bus messages 1003 to the main window,
// alarm-threshold notices as 1034 to the threshold page, target-dose frames
// as StartEchoTargeDose and routing frames as RoutData, which GetRoutData
// stores on the thread that owns this object (the main thread).
//
// The decoding itself is plain code over the buffer (DecodeAvailable); the
// thread only waits for wakes around it, so tests drive it synchronously.
class PDoseProcThread : public QThread
{
    Q_OBJECT

public:
    // Sleeps the decoding thread; replaced in tests so that waits cost nothing.
    using Sleeper = std::function<void(int nMs)>;

    static constexpr int READ_CHAR_NUM = 7;
    static constexpr int READ_CHAR_SPECIAL_NUM = 29;
    // Messages posted and not yet handled, at most. The main window stores a
    // reading in about 0.6 ms, so a full queue is gone in a third of a
    // second and the window keeps painting under a flood; meanwhile the
    // bytes wait in the ring and the link's bounded backlog.
    static constexpr int DEFAULT_POST_LIMIT = 512;

    PDoseProcThread(PDataBuffer* pBuffer, QObject* pParent = nullptr);
    ~PDoseProcThread() override;

    // Main thread. Start does nothing while running; Stop waits for the
    // thread and then empties the buffer.
    void Start();
    void Stop();
    // Any thread; a wake given while the decoder works is not lost.
    void Wake();

    // The link turns the full frame set on right after construction.
    void SetExtendedProtocol(bool bExtended);
    bool IsExtendedProtocol() const;
    // Not owned; the link connects StartEchoTargeDose to it.
    void SetAdditionalDose(RAdditionalDose* pAdditionalDose);
    RAdditionalDose* AdditionalDose() const;

    // Waiting for a frame body that has not arrived: nTries sleeps of
    // nIntervalMs (7 x 500 ms). The pause after each value pair: 90 ms.
    void SetBodyWait(int nTries, int nIntervalMs);
    void SetPairPause(int nMs);
    void SetSleeper(Sleeper sleeper);
    // Any thread. A decoder driven by DecodeAvailable on the receivers' own
    // thread needs room for all it posts between two event passes.
    void SetPostLimit(int nLimit);

    // Decodes on the calling thread until the buffer runs dry. A frame start
    // whose synchronisation ran out of bytes is kept for the next call.
    void DecodeAvailable();
    // Short-frame searches that ran out of bytes and dropped their window.
    // Any thread; a split stream may decode differently only after one.
    quint64 DroppedSearches() const { return m_nDroppedSearches; }
    // Messages posted and not yet handled or dropped; any thread.
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

private:
    Q_DISABLE_COPY(PDoseProcThread)

    bool Fetch(unsigned char* pData, unsigned nNum);
    unsigned Staged() const { return m_nStageEnd - m_nStagePos; }
    bool Slide();
    bool ReadWait(unsigned char* pData, unsigned nNum);
    void Pause(int nMs);
    bool HasWork() const;

    void DecodeFrame();
    void DecodeBlock();
    void DecodeTargetDose();
    void DecodeRouting();
    void DecodeReading();
    void DecodeFourValues();
    void DecodeShort();
    // Waits for room in the receiver's queue; drops the message when stopping.
    void Post(int nId, int nType, qintptr nFirst, qintptr nSecond);

    PDataBuffer* m_pBuffer;
    QWaitCondition* m_pCondition;
    QMutex* m_pMutex;
    std::atomic<bool> m_bStopped;
    // Set by Stop for the running thread: waits and pauses end early. Unlike
    // m_bStopped it stays clear when DecodeAvailable is called directly.
    std::atomic<bool> m_bStopping;
    bool m_bExtended;
    RAdditionalDose* m_pAdditionalDose;

    // Guarded by m_pMutex: set by Wake, cleared when the thread takes it.
    bool m_bWakePending;

    int m_nBodyTries;
    int m_nBodyIntervalMs;
    int m_nPairPauseMs;
    Sleeper m_sleeper;
    std::shared_ptr<SQueueBound> m_pPostBound;
    std::atomic<quint64> m_nDroppedSearches;

    // Decoder thread only. The head window, and whether it holds bytes that
    // are still to be synchronised (the buffer ran dry while sliding).
    unsigned char m_window[READ_CHAR_NUM];
    bool m_bWindowHeld;
    // Largest frame is 36 bytes.
    unsigned char m_frame[36];
    // Bytes taken from the ring in blocks, so that a frame costs a few
    // copies here instead of two locked reads of the ring (1-byte packages).
    unsigned char m_stage[4096];
    unsigned m_nStagePos;
    unsigned m_nStageEnd;
};
