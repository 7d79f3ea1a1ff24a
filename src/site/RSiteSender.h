#pragma once

#include "site/RSiteConfig.h"
#include "site/RSiteReport.h"

#include <QAtomicInt>
#include <QObject>
#include <QSet>
#include <QString>

class QSqlDatabase;
class QTimer;
class RSiteBatch;

// Sends the outbox of a station file to the site database. Lives on a worker
// thread with its own two connections: the file read-only (it sees only
// what the writer committed) and PostgreSQL. Each batch and the new mark
// (the last outbox sequence sent) commit in one PostgreSQL transaction, and
// the mark is read back at every connect, so a crash of either side sends
// nothing twice and skips nothing. The writer trims the outbox behind the
// mark; nothing here writes to the file.
//
// The step functions are synchronous (the loop and tests call them); the
// connections belong to the thread that first calls Connect().
class RSiteSender final : public QObject
{
    Q_OBJECT

public:
    // Outbox rows read per batch: a minute of 255 regions is one batch, an
    // hour's backlog a dozen.
    static constexpr int BatchRows = 5000;
    static constexpr int ConnectTimeoutS = 5;
    // How often a connect in progress looks at the stop request.
    static constexpr int ProbeStepMs = 50;
    static constexpr int PollMs = 1000;
    static constexpr int FirstRetryMs = 1000;
    static constexpr int MaxRetryMs = 30000;

    // Test seams: a batch's statements ran, then the connection was lost
    // before its commit, or after the commit but before the answer came.
    enum class Fault { None, LostBeforeCommit, LostAfterCommit };

    RSiteSender(const RSiteConfig& config, const QString& strFile, QObject* pParent = nullptr);
    ~RSiteSender() override;

    bool Connect();
    void Disconnect();
    bool IsConnected() const { return m_nSourceId > 0; }
    // Rows of the outbox sent (0: nothing waiting), -1 when it failed (the
    // connection is dropped).
    int SendBatch();
    // One day of the file's history; 0 when all of it is in, -1 failed.
    int UploadHistoryDay();
    // The operator's answer to the offer: upload (resumed after restarts
    // until done) or never ask again for this file.
    bool SetHistoryAnswer(bool bUpload);

    void SetFault(Fault eFault) { m_eFault = eFault; }
    void SetRetry(int nFirstMs, int nMaxMs);
    qint64 Mark() const { return m_report.nMark; }
    // From any thread: nothing more is sent once the step running is done.
    void RequestStop() { m_nStop.storeRelease(1); }
    const RSiteReport& Report() const { return m_report; }

public slots:
    // The loop on the worker's thread: connect, send, back off when the
    // server is away.
    void Start();
    void Stop();
    void AnswerHistory(bool bUpload);

signals:
    void Reported(const RSiteReport& report);

private:
    Q_DISABLE_COPY(RSiteSender)

    // Whether a server answers at the address, asked in steps that each
    // look at the stop request: the database driver's own connect cannot
    // be cut short, so it runs only once the server has answered.
    bool Probe(QString* pError);
    void Tick();
    void Schedule(int nMs);
    bool OpenFile(QString* pError);
    bool ReadRows(QSqlDatabase& file, const QString& strKind, qint64 nRef, RSiteBatch* pBatch);
    bool ReadDay(QSqlDatabase& file, const QString& strDay, RSiteBatch* pBatch);
    // Commits pBatch with the mark and history position given.
    bool Commit(
        const RSiteBatch& batch, qint64 nMark, int nHistoryState, const QString& strHistoryDay);
    void Lost(RSiteReport::State eState, const QString& strError);
    void Emit();

    QAtomicInt m_nStop;
    RSiteConfig m_config;
    QString m_strFile;
    QString m_strPgName;
    QString m_strFileName;
    int m_nSiteId = 0;
    int m_nSourceId = 0;
    int m_nHistoryState = 0;
    QString m_strHistoryDay;
    QSet<QString> m_knownMonths;
    // The region list goes whole with the first batch of each connection.
    bool m_bRegionsDue = false;
    RSiteReport m_report;
    Fault m_eFault = Fault::None;
    int m_nFirstRetryMs = FirstRetryMs;
    int m_nMaxRetryMs = MaxRetryMs;
    int m_nRetryMs = FirstRetryMs;
    QTimer* m_pTimer = nullptr;
};
