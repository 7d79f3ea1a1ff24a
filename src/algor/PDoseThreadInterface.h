#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <memory>

class PDataBuffer;
class PDosePackProc;
class PDoseProcThread;

// The link's base: owns the packet buffer, the decoder and the worker that
// moves received bytes into the buffer. The link object lives on the main
// thread; only run() executes on the worker.
class PDoseThreadInterface : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY(PDoseThreadInterface)
public:
    // Bytes the worker moves into the buffer per round.
    static constexpr int ROUND_SIZE = 2280;
    // Received bytes waiting for the worker beyond this are dropped (and
    // logged); the packet buffer holds no more than this either.
    static constexpr qint64 MAX_PENDING = 0x500000;

    explicit PDoseThreadInterface(QObject* pParent);
    ~PDoseThreadInterface() override;

    // Starts the worker at low priority unless it runs already.
    void StartThread();
    virtual void StopThread();
    virtual void SetThreshold(int nId, int nThreshold) = 0;
    virtual void SetUnit(int nIndex) = 0;

    // Bytes received and not yet stored in the buffer.
    qint64 PendingBytes() const;
    // Owned; for settings that may change while it runs (its post limit).
    PDoseProcThread* ProcThread() const { return m_pProcThread.get(); }

signals:
    void RoutDataUpdate();

public slots:
    virtual void DisConnect() = 0;
    virtual void RequestConnect() = 0;
    virtual void Start() = 0;
    virtual void ReadData() = 0;

protected:
    void run() override;

    // Main thread: hands received bytes to the worker. Never blocks on it.
    void Enqueue(const QByteArray& bytes);
    // Stops the worker, then the decoder; both stay stopped.
    void StopWorkers();

    // Destroyed in reverse order: the decoder and the writer before the
    // buffer they use.
    std::unique_ptr<PDataBuffer> m_pDataBuffer;
    std::unique_ptr<PDosePackProc> m_pPackProc;
    std::unique_ptr<PDoseProcThread> m_pProcThread;
    bool m_bReconnect = true;
    mutable QMutex m_mutex;
    QWaitCondition m_condition;
    bool m_bStopped = true; // guarded by m_mutex

private:
    // Copies up to nMax pending bytes into pRound; called under m_mutex.
    int TakePending(unsigned char* pRound, int nMax);

    QList<QByteArray> m_pending; // guarded by m_mutex
    int m_nPendingOffset = 0; // bytes of m_pending.first() already taken
    qint64 m_nPendingBytes = 0;
};
