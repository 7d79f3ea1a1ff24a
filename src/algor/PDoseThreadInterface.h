#pragma once

#include <QByteArray>
#include <QList>
#include <QThread>

class PDataBuffer;
class PDosePackProc;
class PDoseProcThread;
class QMutex;
class QWaitCondition;

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
    virtual void SetThreshold(int nId, int nThreshold);
    // Reserved for other kinds of link; empty here.
    virtual void Command(int nArgument);
    virtual void Command(int nFirst, int nSecond);
    virtual void SetUnit(int nIndex);
    virtual void Refresh();

    // Bytes received and not yet stored in the buffer.
    qint64 PendingBytes() const;
    // Owned; for settings that may change while it runs (its post limit).
    PDoseProcThread* ProcThread() const { return m_pProcThread; }

signals:
    void RoutDataUpdate();

public slots:
    virtual void DisConnect();
    virtual void RequestConnect();
    virtual void ConnectToServer();
    virtual void Start();
    virtual void ReadData();

protected:
    void run() override;

    // Main thread: hands received bytes to the worker. Never blocks on it.
    void Enqueue(const QByteArray& bytes);
    // Stops the worker, then the decoder; both stay stopped.
    void StopWorkers();

    PDosePackProc* m_pPackProc;
    PDataBuffer* m_pDataBuffer;
    PDoseProcThread* m_pProcThread;
    bool m_bReconnect = true;
    QMutex* m_pMutex;
    QWaitCondition* m_pCondition;
    bool m_bStopped = true; // guarded by m_pMutex

private:
    // Copies up to nMax pending bytes into pRound; called under m_pMutex.
    int TakePending(unsigned char* pRound, int nMax);

    QList<QByteArray> m_pending; // guarded by m_pMutex
    int m_nPendingOffset = 0; // bytes of m_pending.first() already taken
    qint64 m_nPendingBytes = 0;
};
