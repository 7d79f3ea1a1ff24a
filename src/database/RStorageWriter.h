#pragma once

#include "database/RStatementCache.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <deque>
#include <functional>
#include <vector>

class QTimer;
class RStorageState;
struct sqlite3_stmt;

// The long transaction that the storage road writes in, and every write made
// in it since the last commit that went through. SQLite may roll the whole
// transaction back on its own (a full disk, an I/O error), and another
// process may hold the file; what the transaction held is then kept here and
// written again, in the same order, once statements succeed, so a fault
// loses nothing that fits the bound. While the file refuses writes nothing
// waits for it: writes are only kept, and a timer tries again.
//
// GUI thread only: the default connection belongs to it.
class RStorageWriter final : public QObject
{
    Q_OBJECT

public:
    // Readings kept while the file refuses them: a little over two hours at
    // 255 regions reading every 2 s, 32 bytes each.
    static constexpr qint64 DefaultMaxReadings = 1000000;
    static constexpr int RetryIntervalMs = 5000;
    // The longest a statement waits for another connection's lock. Anything
    // longer would stall the GUI; the retry timer does the waiting instead.
    static constexpr int LockWaitMs = 50;

    explicit RStorageWriter(QObject* pParent = nullptr);
    ~RStorageWriter() override;

    // Whether readings reach the file, as this writer and the opening found.
    RStorageState& State() const { return *m_pState; }

    // Back to a new start on a new connection: nothing kept, nothing lost.
    void Reset();
    void SetMaxReadings(qint64 nMax) { m_nMaxReadings = nMax; }
    // Storage starts again after Close (a new aggregator).
    void Reopen() { m_bClosed = false; }

    // Opens the transaction unless one is open or kept writes wait for the
    // file.
    void Begin();

    // One reading into its 2-second slot of the hour row (value and hour
    // sum); the row is made when it does not exist. dDose in µRad/h.
    void StoreSlot(int nId, const QDate& date, int nHour, int nColumn, double dDose);

    // Any other storing statement, values bound in order. strMissing, when
    // given, makes the row that strSql updates when it finds none (an
    // insert that does nothing when the row exists), then strSql runs again.
    // False when the statement itself is wrong (it is dropped); a statement
    // the file refuses for now is kept and counts as written.
    bool Write(const QString& strSql, const QVariantList& values = {},
        const QString& strMissing = QString(), const QVariantList& missingValues = {});

    // Commits everything kept; true when it is all in the file.
    bool Commit();

    // Tries for at most nWaitMs (blocking: for a stop) to get everything kept
    // into the file and committed; true when it is.
    bool Flush(int nWaitMs);
    // At shut-down: Flush, then no transaction is begun any more. Returns the
    // readings that are not in the file; they are logged as lost.
    qint64 Close(int nWaitMs);
    // Runs inside the transaction just before each commit (the station's
    // stamp of its last commit); empty: nothing.
    void SetBeforeCommit(std::function<void()> before) { m_beforeCommit = std::move(before); }
    // Finalises the prepared statements: before the connection goes away.
    void ReleaseStatements();

    // Everything written so far is in the file or in the open transaction.
    bool IsHealthy() const { return m_eMode == Mode::Healthy; }
    qint64 KeptReadings() const { return static_cast<qint64>(m_slots.size()) - m_nDoneSlots; }
    qint64 KeptStatements() const { return static_cast<qint64>(m_statements.size()); }
    // Readings dropped for the bound or refused as wrong, this run.
    qint64 LostReadings() const { return m_nLostTotal; }
    // Readings not in the file when the program stopped.
    qint64 LostAtClose() const { return m_nLostAtClose; }

public slots:
    // One more attempt at writing what is kept (the retry timer's slot).
    void Retry();

signals:
    // What was kept is in the file again; work put off meanwhile (minute
    // reductions that read the slots) can go on.
    void Recovered();

private:
    Q_DISABLE_COPY(RStorageWriter)

    enum class Mode {
        Healthy, // writes run at once in the open transaction
        Holding, // the file refused: writes are only kept, the timer retries
        Replaying, // the kept writes are being written again, a slice at a time
    };

    struct Slot
    {
        qint64 nSeq;
        qint64 nSlot; // Julian day, hour and column in one number
        double dDose;
        int nId;
    };
    struct Statement
    {
        qint64 nSeq;
        QString strSql;
        QVariantList values;
        QString strMissing;
        QVariantList missingValues;
    };
    // The kept readings of one hour row in a run, written as one update.
    struct RowWrite
    {
        int nId = 0;
        qint64 nRow = 0; // Julian day and hour in one number
        QMap<int, double> columns; // the last reading of each slot
        std::vector<double> doses; // every reading counts into the row's sum
        std::vector<size_t> places; // of its readings in m_slots
    };
    enum class Outcome { Done, Refused, Wrong };

    Outcome RunSlot(const Slot& slot);
    Outcome RunStatement(const Statement& statement);
    Outcome Classify(const QSqlQuery& query, QString* pReason) const;
    static Outcome Classify(int nCode);
    // A statement run on SQLite itself failed with nCode.
    Outcome RawFailure(sqlite3_stmt* pStatement, int nCode);
    // The outcome of a failed statement; its reason goes to m_strReason.
    Outcome Failure(const QSqlQuery& query);
    Outcome PrepareFailure();
    // The file refused a write: drop the transaction (everything is kept)
    // and wait for the timer.
    void Hold(const QString& strReason);
    void ReplaySlice();
    // Groups the readings from the head of the list, up to the next other
    // write, into m_run.
    void GroupRun();
    Outcome RunRow(const RowWrite& row);
    void FinishReplay();
    void DropOldest();
    void Forget();
    bool CommitOpen(QString* pReason);
    void StartReplay();
    // A statement prepared once and kept while it is in use.
    QSqlQuery* Prepared(const QString& strSql);

    Mode m_eMode = Mode::Healthy;
    // After Close no transaction is begun: what is written then commits at
    // once.
    bool m_bClosed = false;
    qint64 m_nSeq = 0;
    qint64 m_nMaxReadings = DefaultMaxReadings;
    std::deque<Slot> m_slots;
    std::deque<Statement> m_statements;
    // Replay position in the two lists, within the slice being written.
    size_t m_nSlotPos = 0;
    size_t m_nStatementPos = 0;
    // The run being replayed, its next row, and the place after it.
    std::vector<RowWrite> m_run;
    size_t m_nRunRow = 0;
    size_t m_nRunEnd = 0;
    // Readings still in m_slots that are in the file (DoneId).
    qint64 m_nDoneSlots = 0;
    qint64 m_nDroppedInTransaction = 0;
    qint64 m_nReplayedSlots = 0;
    qint64 m_nReplayedStatements = 0;
    qint64 m_nLostTotal = 0;
    qint64 m_nLostAtClose = 0;
    QString m_strReason;
    RStorageState* m_pState;
    QTimer* m_pRetryTimer;
    RStatementCache m_slotStatements;
    // The day text of the slots, made once a day.
    qint64 m_nSlotDay = -1;
    QByteArray m_slotDayText;
    QHash<QString, QSqlQuery> m_prepared;
    std::function<void()> m_beforeCommit;
};
