#include "database/RStorageWriter.h"

#include "database/RConnectDatabase.h"
#include "database/RStorageState.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlResult>
#include <QThread>
#include <QTimer>

#include <climits>
#include <limits>

#include <sqlite3.h>

namespace {

constexpr int SlotsPerHour = 1800;
constexpr int SlotsPerDay = 24 * SlotsPerHour;
// Statements other than readings kept while the file refuses writes (alarm
// events, episode counts): far more than a chattering hour makes.
constexpr qint64 MaxStatements = 200000;
// Kept writes replayed per turn of the event loop. Late in the hour a slot
// write rewrites a 15 KB row (a few hundred µs): the slice ends early when it
// has taken this long.
constexpr int ReplaySliceOps = 1000;
constexpr qint64 ReplaySliceNs = 20 * 1000 * 1000;
constexpr int PreparedCapacity = 32;
// A few entries cover the current slot, the one before it (duplicates) and
// the change of slot; each costs a few hundred KB inside SQLite.
constexpr int SlotStatementCapacity = 4;
constexpr int WrongId = INT_MIN;
// A kept reading that a replay slice has written and committed.
constexpr int DoneId = INT_MIN + 1;
// Kept readings coalesced into one write per hour row at a time: an hour of
// 255 regions is a few runs, each row written once per run, not once per
// reading (a reading's write rewrites the whole 15 KB row).
constexpr int RunSlots = 100000;
// Readings of one row in one update: their sum is a chain of additions, and
// SQLite refuses an expression deeper than 1000.
constexpr size_t RowDoses = 900;

// The driver's statement behind a prepared query; Qt keeps owning it and
// finalises it when the connection closes (then this is null).
sqlite3_stmt* statementOf(const QSqlQuery& query)
{
    const QSqlResult* pResult = query.result();
    const QVariant handle = pResult ? pResult->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return nullptr;
    return *static_cast<sqlite3_stmt* const*>(handle.constData());
}

void bindAll(QSqlQuery& query, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
}

} // namespace

RStorageWriter::RStorageWriter(QObject* pParent)
    : QObject(pParent)
    , m_pState(new RStorageState(this))
    , m_pRetryTimer(new QTimer(this))
    , m_slotStatements(SlotStatementCapacity)
{
    m_pRetryTimer->setSingleShot(true);
    m_pRetryTimer->setInterval(RetryIntervalMs);
    connect(m_pRetryTimer, &QTimer::timeout, this, &RStorageWriter::Retry);
}

RStorageWriter::~RStorageWriter()
{
    // Before the connection goes: finalised later, their results leak.
    ReleaseStatements();
}

void RStorageWriter::Reset()
{
    m_pRetryTimer->stop();
    m_slotStatements.Clear();
    m_nSlotDay = -1;
    m_prepared.clear();
    m_slots.clear();
    m_statements.clear();
    m_nSlotPos = m_nStatementPos = 0;
    m_run.clear();
    m_nRunRow = 0;
    m_nDoneSlots = 0;
    m_nDroppedInTransaction = 0;
    m_nLostTotal = 0;
    m_nLostAtClose = 0;
    m_strReason.clear();
    m_eMode = Mode::Healthy;
    m_bClosed = false;
}

void RStorageWriter::Begin()
{
    if (m_bClosed || m_eMode != Mode::Healthy || !m_pState->IsUsable()
        || RConnectDatabase::InTransaction())
        return;
    QSqlQuery query(QSqlDatabase::database());
    if (!query.exec(QStringLiteral("begin")))
        Log(LogLevel::Debug, "begin failed: %s\n", query.lastError().text().toUtf8().constData());
}

QSqlQuery* RStorageWriter::Prepared(const QString& strSql)
{
    auto it = m_prepared.find(strSql);
    if (it != m_prepared.end())
        return &it.value();
    if (m_prepared.size() >= PreparedCapacity)
        m_prepared.clear();
    QSqlQuery query(QSqlDatabase::database());
    query.setForwardOnly(true);
    if (!query.prepare(strSql))
        return nullptr;
    return &m_prepared.insert(strSql, query).value();
}

RStorageWriter::Outcome RStorageWriter::Failure(const QSqlQuery& query)
{
    QString strReason;
    const Outcome eOutcome = Classify(query, &strReason);
    m_strReason = strReason;
    return eOutcome;
}

RStorageWriter::Outcome RStorageWriter::PrepareFailure()
{
    // Preparing needs the schema, which a locked or failing file may not
    // give: ask the file through a plain statement whether it is the file.
    QSqlQuery probe(QSqlDatabase::database());
    if (!probe.exec(QStringLiteral("select 1 from sqlite_master limit 0"))
        && Failure(probe) == Outcome::Refused)
        return Outcome::Refused;
    return Outcome::Wrong;
}

RStorageWriter::Outcome RStorageWriter::Classify(const QSqlQuery& query, QString* pReason) const
{
    const QSqlError error = query.lastError();
    *pReason = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return Classify(error.nativeErrorCode().toInt());
}

RStorageWriter::Outcome RStorageWriter::Classify(int nCode)
{
    switch (nCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
        return Outcome::Refused;
    default:
        return Outcome::Wrong;
    }
}

RStorageWriter::Outcome RStorageWriter::RunSlot(const Slot& slot)
{
    const qint64 nDay = slot.nSlot / SlotsPerDay;
    const int nHour = static_cast<int>(slot.nSlot % SlotsPerDay) / SlotsPerHour;
    const int nColumn = static_cast<int>(slot.nSlot % SlotsPerHour);
    QSqlQuery* pUpdate = m_slotStatements.Get(nColumn, [](int nKey) {
        return QStringLiteral("update MonthData set \"%1\" = ?, Sum = Sum + ? where Id = ? and "
                              "Month = ? and Hour = ?")
            .arg(nKey);
    });
    sqlite3_stmt* pStatement = pUpdate ? statementOf(*pUpdate) : nullptr;
    if (!pStatement)
        return PrepareFailure();
    if (nDay != m_nSlotDay) {
        m_nSlotDay = nDay;
        m_slotDayText = SClock::DayText(QDate::fromJulianDay(nDay)).toUtf8();
    }
    // The most frequent statement of all, bound and run on SQLite itself:
    // through the driver's values it costs a tenth more than the update.
    sqlite3_bind_double(pStatement, 1, slot.dDose);
    sqlite3_bind_double(pStatement, 2, slot.dDose);
    sqlite3_bind_int(pStatement, 3, slot.nId);
    sqlite3_bind_text(
        pStatement, 4, m_slotDayText.constData(), m_slotDayText.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(pStatement, 5, nHour);
    int nCode = sqlite3_step(pStatement);
    const int nChanged = sqlite3_changes(sqlite3_db_handle(pStatement));
    sqlite3_reset(pStatement);
    if (nCode == SQLITE_DONE && nChanged > 0)
        return Outcome::Done;
    if (nCode != SQLITE_DONE)
        return RawFailure(pStatement, nCode);
    // No row for this hour yet: the clock jumped, the day was deleted, or
    // the reading came before the row made ahead. The reading makes it.
    QSqlQuery* pInsert
        = Prepared(QStringLiteral("insert into MonthData(Id, Month, Hour) values(?, ?, ?)"));
    if (!pInsert)
        return PrepareFailure();
    bindAll(*pInsert, {slot.nId, QString::fromUtf8(m_slotDayText), nHour});
    if (!pInsert->exec())
        return Failure(*pInsert);
    nCode = sqlite3_step(pStatement);
    sqlite3_reset(pStatement);
    return nCode == SQLITE_DONE ? Outcome::Done : RawFailure(pStatement, nCode);
}

RStorageWriter::Outcome RStorageWriter::RawFailure(sqlite3_stmt* pStatement, int nCode)
{
    m_strReason = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(pStatement)));
    return Classify(nCode);
}

RStorageWriter::Outcome RStorageWriter::RunStatement(const Statement& statement)
{
    QSqlQuery* pQuery = Prepared(statement.strSql);
    if (!pQuery) {
        Log(LogLevel::Debug, "sql failed: %s\n", statement.strSql.toUtf8().constData());
        return PrepareFailure();
    }
    bindAll(*pQuery, statement.values);
    bool bOk = pQuery->exec();
    if (bOk && !statement.strMissing.isEmpty() && pQuery->numRowsAffected() == 0) {
        QSqlQuery* pMissing = Prepared(statement.strMissing);
        // The cache may have been cleared to make room: find the first again.
        pQuery = pMissing ? Prepared(statement.strSql) : nullptr;
        if (!pMissing || !pQuery)
            return PrepareFailure();
        bindAll(*pMissing, statement.missingValues);
        if (!pMissing->exec())
            return Failure(*pMissing);
        bindAll(*pQuery, statement.values);
        bOk = pQuery->exec();
    }
    if (bOk)
        return Outcome::Done;
    const Outcome eOutcome = Failure(*pQuery);
    if (eOutcome == Outcome::Wrong)
        Log(LogLevel::Debug, "sql failed: %s; %s\n", statement.strSql.toUtf8().constData(),
            m_strReason.toUtf8().constData());
    return eOutcome;
}

void RStorageWriter::StoreSlot(int nId, const QDate& date, int nHour, int nColumn, double dDose)
{
    RStorageState& state = *m_pState;
    if (!state.IsUsable())
        return;
    const Slot slot {
        ++m_nSeq, date.toJulianDay() * SlotsPerDay + nHour * SlotsPerHour + nColumn, dDose, nId};
    m_slots.push_back(slot);
    DropOldest();
    if (m_eMode != Mode::Healthy)
        return;
    switch (RunSlot(slot)) {
    case Outcome::Done:
        return;
    case Outcome::Refused:
        Hold(m_strReason);
        return;
    case Outcome::Wrong:
        // The file takes writes but not this one: retrying cannot help.
        m_slots.pop_back();
        if (!state.IsFailing())
            Log(LogLevel::Alert, "reading not stored: %s\n", m_strReason.toUtf8().constData());
        ++m_nLostTotal;
        state.CommitFailed(m_strReason);
        state.ReadingsLost(1);
        return;
    }
}

bool RStorageWriter::Write(const QString& strSql, const QVariantList& values,
    const QString& strMissing, const QVariantList& missingValues)
{
    if (!m_pState->IsUsable())
        return false;
    m_statements.push_back({++m_nSeq, strSql, values, strMissing, missingValues});
    DropOldest();
    if (m_eMode != Mode::Healthy)
        return true;
    switch (RunStatement(m_statements.back())) {
    case Outcome::Done:
        return true;
    case Outcome::Refused:
        Hold(m_strReason);
        return true;
    case Outcome::Wrong:
        break;
    }
    m_statements.pop_back();
    return false;
}

void RStorageWriter::DropOldest()
{
    qint64 nDropped = 0;
    // Between replay slices nothing of the lists is in an open transaction.
    // A run in progress holds positions in the list: it is grouped again
    // from what is left (its rows already written are marked done).
    if (static_cast<qint64>(m_slots.size()) - m_nDoneSlots > m_nMaxReadings) {
        m_run.clear();
        m_nRunRow = 0;
    }
    while (static_cast<qint64>(m_slots.size()) - m_nDoneSlots > m_nMaxReadings) {
        if (m_slots.front().nId == DoneId)
            --m_nDoneSlots;
        else
            ++nDropped;
        m_slots.pop_front();
    }
    while (static_cast<qint64>(m_statements.size()) > MaxStatements)
        m_statements.pop_front();
    if (nDropped == 0)
        return;
    // While healthy the dropped readings are still in the open transaction;
    // they are lost only if it does not reach the file.
    if (m_eMode == Mode::Healthy) {
        m_nDroppedInTransaction += nDropped;
        return;
    }
    if (m_nDroppedInTransaction == 0 && m_nLostTotal == 0)
        Log(LogLevel::Alert,
            "storage: more than %lld readings waiting for the file; the oldest are lost\n",
            static_cast<long long>(m_nMaxReadings));
    m_nLostTotal += nDropped;
    m_pState->ReadingsLost(nDropped);
}

void RStorageWriter::Hold(const QString& strReason)
{
    const bool bWasHealthy = m_eMode == Mode::Healthy;
    if (RConnectDatabase::InTransaction()) {
        QSqlQuery query(QSqlDatabase::database());
        query.exec(QStringLiteral("rollback"));
    }
    m_eMode = Mode::Holding;
    m_nSlotPos = m_nStatementPos = 0;
    m_run.clear();
    m_nRunRow = 0;
    if (m_nDroppedInTransaction > 0) {
        // Dropped for the bound while their transaction was open: that
        // transaction is gone now.
        m_nLostTotal += m_nDroppedInTransaction;
        m_pState->ReadingsLost(m_nDroppedInTransaction);
        m_nDroppedInTransaction = 0;
    }
    if (bWasHealthy) {
        Log(LogLevel::Alert,
            "storage refused a write (%s): %lld readings and %lld other writes since the last "
            "commit are kept and will be written again\n",
            strReason.toUtf8().constData(), static_cast<long long>(m_slots.size()),
            static_cast<long long>(m_statements.size()));
    }
    m_strReason = strReason;
    m_pState->CommitFailed(strReason);
    m_pRetryTimer->start();
}

bool RStorageWriter::CommitOpen(QString* pReason)
{
    // Finished statements hold no lock, but SQLite refuses to commit while
    // one of them is still stepping.
    if (m_beforeCommit)
        m_beforeCommit();
    for (auto it = m_prepared.begin(); it != m_prepared.end(); ++it)
        it.value().finish();
    QSqlQuery query(QSqlDatabase::database());
    if (query.exec(QStringLiteral("commit")))
        return true;
    Classify(query, pReason);
    return false;
}

void RStorageWriter::Forget()
{
    m_slots.clear();
    m_statements.clear();
    m_nSlotPos = m_nStatementPos = 0;
    m_run.clear();
    m_nRunRow = 0;
    m_nDoneSlots = 0;
    m_nDroppedInTransaction = 0;
}

bool RStorageWriter::Commit()
{
    RStorageState& state = *m_pState;
    if (!state.IsUsable())
        return false;
    if (m_eMode != Mode::Healthy) {
        // The retry timer is on it; a commit asked for meanwhile waits.
        return false;
    }
    QString strReason;
    if (RConnectDatabase::InTransaction() && !CommitOpen(&strReason)) {
        Log(LogLevel::Alert, "commit failed: %s\n", strReason.toUtf8().constData());
        if (RConnectDatabase::InTransaction()) {
            // Still open (another connection holds the file): the same
            // commit is tried again later, nothing is lost meanwhile.
            state.CommitFailed(strReason);
            m_pRetryTimer->start();
        } else {
            Hold(strReason);
        }
        return false;
    }
    Forget();
    m_pRetryTimer->stop();
    state.CommitSucceeded();
    Begin();
    return true;
}

void RStorageWriter::Retry()
{
    switch (m_eMode) {
    case Mode::Healthy:
        Commit();
        return;
    case Mode::Holding:
        StartReplay();
        return;
    case Mode::Replaying:
        return;
    }
}

void RStorageWriter::StartReplay()
{
    if (RConnectDatabase::InTransaction()) {
        QSqlQuery query(QSqlDatabase::database());
        query.exec(QStringLiteral("rollback"));
    }
    m_eMode = Mode::Replaying;
    m_nSlotPos = m_nStatementPos = 0;
    m_run.clear();
    m_nRunRow = 0;
    m_nReplayedSlots = m_nReplayedStatements = 0;
    ReplaySlice();
}

void RStorageWriter::GroupRun()
{
    // Up to the next other write: the readings between two statements
    // commute, except two of one slot, where the later one wins.
    const qint64 nLimit = m_nStatementPos < m_statements.size()
        ? m_statements[m_nStatementPos].nSeq
        : std::numeric_limits<qint64>::max();
    QHash<qint64, int> rows; // (Id, hour row) -> index in m_run
    size_t nPos = m_nSlotPos;
    for (int nTaken = 0; nPos < m_slots.size() && m_slots[nPos].nSeq < nLimit && nTaken < RunSlots;
         ++nPos) {
        const Slot& slot = m_slots[nPos];
        if (slot.nId < 0)
            continue;
        ++nTaken;
        const qint64 nRow = slot.nSlot / SlotsPerHour;
        const qint64 nKey = nRow * 1024 + slot.nId;
        auto it = rows.find(nKey);
        if (it == rows.end()) {
            it = rows.insert(nKey, static_cast<int>(m_run.size()));
            RowWrite row;
            row.nId = slot.nId;
            row.nRow = nRow;
            m_run.push_back(std::move(row));
        }
        RowWrite& row = m_run[static_cast<size_t>(it.value())];
        // Bound to what one statement may bind.
        if (row.doses.size() >= RowDoses)
            break;
        const int nColumn = static_cast<int>(slot.nSlot % SlotsPerHour);
        const auto cell = row.columns.find(nColumn);
        if (cell == row.columns.end())
            row.columns.insert(nColumn, slot.dDose);
        else
            cell.value() = slot.dDose;
        row.doses.push_back(slot.dDose);
        row.places.push_back(nPos);
    }
    m_nRunEnd = nPos;
    m_nRunRow = 0;
}

RStorageWriter::Outcome RStorageWriter::RunRow(const RowWrite& row)
{
    QString strSql = QStringLiteral("update MonthData set ");
    QVariantList values;
    values.reserve(row.columns.size() + static_cast<int>(row.doses.size()) + 3);
    for (auto it = row.columns.cbegin(); it != row.columns.cend(); ++it) {
        strSql += QStringLiteral("\"%1\" = ?, ").arg(it.key());
        values << it.value();
    }
    // Added one by one, left to right, as the readings came: the sum is the
    // same to the last bit as if each had been written alone.
    strSql += QStringLiteral("Sum = Sum");
    for (double dDose : row.doses) {
        strSql += QStringLiteral(" + ?");
        values << dDose;
    }
    strSql += QStringLiteral(" where Id = ? and Month = ? and Hour = ?");
    const QString strDay = SClock::DayText(QDate::fromJulianDay(row.nRow / 24));
    const int nHour = static_cast<int>(row.nRow % 24);
    values << row.nId << strDay << nHour;
    QSqlQuery update(QSqlDatabase::database());
    if (!update.prepare(strSql))
        return Failure(update);
    bindAll(update, values);
    if (update.exec() && update.numRowsAffected() > 0)
        return Outcome::Done;
    if (update.lastError().isValid())
        return Failure(update);
    // No row for this hour: as a single reading, the readings make it.
    QSqlQuery* pInsert
        = Prepared(QStringLiteral("insert into MonthData(Id, Month, Hour) values(?, ?, ?)"));
    if (!pInsert)
        return PrepareFailure();
    bindAll(*pInsert, {row.nId, strDay, nHour});
    if (!pInsert->exec())
        return Failure(*pInsert);
    bindAll(update, values);
    return update.exec() ? Outcome::Done : Failure(update);
}

void RStorageWriter::ReplaySlice()
{
    if (m_eMode != Mode::Replaying)
        return;
    // Each slice is a transaction of its own, committed before the next:
    // an hour replayed in one would outgrow SQLite's cache many times over
    // and rewrite the same pages again and again.
    QSqlQuery begin(QSqlDatabase::database());
    if (!begin.exec(QStringLiteral("begin"))) {
        QString strReason;
        Classify(begin, &strReason);
        Hold(strReason);
        return;
    }
    QElapsedTimer slice;
    slice.start();
    // Rows of the run written in this slice: marked done once committed.
    std::vector<size_t> written;
    for (int nDone = 0; nDone < ReplaySliceOps && slice.nsecsElapsed() < ReplaySliceNs; ++nDone) {
        if (m_nRunRow < m_run.size()) {
            RowWrite& row = m_run[m_nRunRow];
            const Outcome eOutcome = RunRow(row);
            if (eOutcome == Outcome::Refused) {
                Hold(m_strReason);
                return;
            }
            if (eOutcome == Outcome::Wrong) {
                for (size_t nPos : row.places)
                    m_slots[nPos].nId = WrongId;
                m_nLostTotal += static_cast<qint64>(row.places.size());
                m_pState->ReadingsLost(static_cast<qint64>(row.places.size()));
            } else {
                written.push_back(m_nRunRow);
            }
            ++m_nRunRow;
            // The end of a run ends the slice: its readings leave the list.
            if (m_nRunRow == m_run.size())
                break;
            continue;
        }
        const bool bSlotsLeft = m_nSlotPos < m_slots.size();
        const bool bStatementsLeft = m_nStatementPos < m_statements.size();
        if (!bSlotsLeft && !bStatementsLeft)
            break;
        // The two lists merge by the order the writes were made in.
        const bool bSlotNext = bSlotsLeft
            && (!bStatementsLeft || m_slots[m_nSlotPos].nSeq < m_statements[m_nStatementPos].nSeq);
        if (bSlotNext) {
            // A run starts at the head of the list, so that its positions
            // hold until it is done.
            if (m_nSlotPos > 0 || m_nStatementPos > 0)
                break;
            GroupRun();
            if (m_run.empty())
                m_nSlotPos = m_nRunEnd;
            continue;
        }
        Statement& statement = m_statements[m_nStatementPos];
        Outcome eOutcome = Outcome::Done;
        if (!statement.strSql.isEmpty())
            eOutcome = RunStatement(statement);
        if (eOutcome == Outcome::Wrong)
            statement.strSql.clear();
        if (eOutcome == Outcome::Refused) {
            Hold(m_strReason);
            return;
        }
        ++m_nStatementPos;
    }
    QString strReason;
    if (!CommitOpen(&strReason)) {
        Hold(strReason);
        return;
    }
    // That much is in the file now.
    for (size_t nRow : written) {
        for (size_t nPos : m_run[nRow].places)
            m_slots[nPos].nId = DoneId;
        m_nDoneSlots += static_cast<qint64>(m_run[nRow].places.size());
        m_nReplayedSlots += static_cast<qint64>(m_run[nRow].places.size());
    }
    if (!m_run.empty() && m_nRunRow == m_run.size()) {
        m_nSlotPos = m_nRunEnd;
        m_run.clear();
        m_nRunRow = 0;
    }
    if (m_run.empty()) {
        for (size_t nPos = 0; nPos < m_nSlotPos; ++nPos) {
            if (m_slots[nPos].nId == DoneId)
                --m_nDoneSlots;
        }
        m_slots.erase(m_slots.begin(), m_slots.begin() + static_cast<std::ptrdiff_t>(m_nSlotPos));
        m_nSlotPos = 0;
    }
    m_nReplayedStatements += static_cast<qint64>(m_nStatementPos);
    m_statements.erase(
        m_statements.begin(), m_statements.begin() + static_cast<std::ptrdiff_t>(m_nStatementPos));
    m_nStatementPos = 0;
    if (m_slots.empty() && m_statements.empty()) {
        FinishReplay();
        return;
    }
    QTimer::singleShot(0, this, &RStorageWriter::ReplaySlice);
}

void RStorageWriter::FinishReplay()
{
    Log(LogLevel::Notice,
        "storage works again: %lld kept readings and %lld other writes are in the file\n",
        static_cast<long long>(m_nReplayedSlots), static_cast<long long>(m_nReplayedStatements));
    Forget();
    m_eMode = Mode::Healthy;
    m_pRetryTimer->stop();
    m_pState->CommitSucceeded();
    Begin();
    emit Recovered();
}

void RStorageWriter::ReleaseStatements()
{
    m_slotStatements.Clear();
    m_prepared.clear();
}

bool RStorageWriter::Flush(int nWaitMs)
{
    if (!m_pState->IsUsable())
        return true;
    m_pRetryTimer->stop();
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (m_eMode == Mode::Healthy) {
            QString strReason;
            if (!RConnectDatabase::InTransaction() || CommitOpen(&strReason)) {
                Forget();
                m_pState->CommitSucceeded();
                Begin();
                return true;
            }
            if (!RConnectDatabase::InTransaction())
                Hold(strReason);
        }
        if (m_eMode != Mode::Healthy) {
            StartReplay();
            while (m_eMode == Mode::Replaying)
                ReplaySlice();
            m_pRetryTimer->stop();
            if (m_eMode == Mode::Healthy)
                continue;
        }
        if (elapsed.elapsed() >= nWaitMs)
            return false;
        QThread::msleep(100);
    }
}

qint64 RStorageWriter::Close(int nWaitMs)
{
    m_nLostAtClose = 0;
    if (!m_pState->IsUsable())
        return 0;
    m_bClosed = true;
    if (Flush(nWaitMs)) {
        // The transaction Flush began is empty: nothing of it is lost.
        if (RConnectDatabase::InTransaction()) {
            QSqlQuery query(QSqlDatabase::database());
            query.exec(QStringLiteral("commit"));
        }
        ReleaseStatements();
        return 0;
    }
    if (RConnectDatabase::InTransaction()) {
        QSqlQuery query(QSqlDatabase::database());
        query.exec(QStringLiteral("rollback"));
    }
    m_nLostAtClose = KeptReadings() + m_nDroppedInTransaction;
    Log(LogLevel::Alert,
        "stopped with the file refusing writes (%s): %lld readings and %lld other writes are "
        "lost\n",
        m_strReason.toUtf8().constData(), static_cast<long long>(m_nLostAtClose),
        static_cast<long long>(m_statements.size()));
    m_nLostTotal += m_nLostAtClose;
    Forget();
    ReleaseStatements();
    m_eMode = Mode::Healthy;
    m_pRetryTimer->stop();
    return m_nLostAtClose;
}
