#include "database/RSlotArchiveWorker.h"

#include "database/RConnectDatabase.h"
#include "database/RSlotArchive.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QUrl>

#include <climits>

#include <sqlite3.h>

namespace {

// A statement of the worker's connection, finalised when it goes.
class Statement final
{
public:
    Statement(sqlite3* pDb, const char* pSql)
    {
        if (sqlite3_prepare_v2(pDb, pSql, -1, &m_pStmt, nullptr) != SQLITE_OK)
            m_pStmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_pStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool IsValid() const { return m_pStmt != nullptr; }
    void Bind(int nIndex, int nValue) { sqlite3_bind_int(m_pStmt, nIndex, nValue); }
    void Bind(int nIndex, const QString& strValue)
    {
        const QByteArray text = strValue.toUtf8();
        sqlite3_bind_text(m_pStmt, nIndex, text.constData(), text.size(), SQLITE_TRANSIENT);
    }
    // SQLITE_ROW, SQLITE_DONE or the error. A statement that has given its
    // last row starts again at the next Step.
    int Step()
    {
        if (!m_pStmt)
            return SQLITE_ERROR;
        const int nResult = sqlite3_step(m_pStmt);
        if (nResult != SQLITE_ROW)
            sqlite3_reset(m_pStmt);
        return nResult;
    }
    // Done with the row read: the next Step runs the statement again.
    void Reset() { sqlite3_reset(m_pStmt); }
    bool IsNull(int nColumn) const { return sqlite3_column_type(m_pStmt, nColumn) == SQLITE_NULL; }
    int Int(int nColumn) const { return sqlite3_column_int(m_pStmt, nColumn); }
    QString Text(int nColumn) const
    {
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nColumn)));
    }

private:
    sqlite3_stmt* m_pStmt = nullptr;
};

// The next region above *pId that has slot rows ("select min(Id) from
// MonthData where Id > ?"): one index seek.
bool nextRegion(Statement& next, int* pId)
{
    next.Bind(1, *pId);
    const bool bFound = next.Step() == SQLITE_ROW && !next.IsNull(0);
    if (bFound)
        *pId = next.Int(0);
    next.Reset();
    return bFound;
}

bool exec(sqlite3* pDb, const QString& strSql)
{
    return sqlite3_exec(pDb, strSql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The first day of the month after the one strMonth ("yyyy-MM") names.
QString monthEnd(const QString& strMonth)
{
    const QDate first
        = QDate::fromString(strMonth + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    return first.addMonths(1).toString(QStringLiteral("yyyy-MM-dd"));
}

// Files are named by URI so each gets its own mode on the one connection.
QString uri(const QString& strFile, const char* pMode)
{
    return QStringLiteral("file:%1?mode=%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(strFile, "/")), QLatin1String(pMode));
}

QString fileName(const QString& strMonth)
{
    return QStringLiteral("MonthData-%1.sqlite").arg(strMonth);
}

} // namespace

RSlotArchiveWorker::RSlotArchiveWorker(const QString& strMainFile, const QString& strDirectory)
    : m_strMainFile(strMainFile)
    , m_strDirectory(strDirectory)
{
    qRegisterMetaType<RArchiveStep>();
}

RSlotArchiveWorker::~RSlotArchiveWorker()
{
    sqlite3_close(m_pDb);
}

QString RSlotArchiveWorker::TableStatement()
{
    return RConnectDatabase::TableStatements().first();
}

QMutex& RSlotArchiveWorker::ChangeLock()
{
    static QMutex lock;
    return lock;
}

QString RSlotArchiveWorker::Error() const
{
    return QString::fromUtf8(m_pDb ? sqlite3_errmsg(m_pDb) : "out of memory");
}

bool RSlotArchiveWorker::Open(QString* pError)
{
    if (m_pDb)
        return true;
    // Read-only on the main file; the archive files are attached writable.
    const int nFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
    if (sqlite3_open_v2(uri(m_strMainFile, "ro").toUtf8().constData(), &m_pDb, nFlags, nullptr)
        != SQLITE_OK) {
        *pError = Error();
        sqlite3_close(m_pDb);
        m_pDb = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_pDb, 1000);
    return true;
}

QString RSlotArchiveWorker::OldestMonth(const QString& strCutoffDay)
{
    // One index seek per region: its first stored day before the cut-off. A
    // scan of the table would read every slot of the year.
    Statement nextId(m_pDb, "select min(Id) from MonthData where Id > ?");
    Statement first(m_pDb, "select min(Month) from MonthData where Id = ? and Month < ?");
    QString strOldest;
    int nId = INT_MIN;
    for (;;) {
        if (!nextRegion(nextId, &nId))
            break;
        first.Bind(1, nId);
        first.Bind(2, strCutoffDay);
        if (first.Step() == SQLITE_ROW && !first.IsNull(0)) {
            const QString strDay = first.Text(0);
            if (strOldest.isEmpty() || strDay < strOldest)
                strOldest = strDay;
        }
        first.Reset();
    }
    return strOldest.left(7);
}

bool RSlotArchiveWorker::NextRegionDay(const QString& strMonthEnd, int* pId, QString* pDay)
{
    const QString strMonthStart = m_strMonth + QStringLiteral("-01");
    Statement nextDay(m_pDb,
        "select min(Month) from MonthData where Id = ? and Month > ? and Month >= ? and Month < ?");
    Statement nextId(m_pDb, "select min(Id) from MonthData where Id > ?");
    int nId = m_nId;
    QString strAfter = m_strDay;
    for (;;) {
        if (nId != INT_MIN) {
            nextDay.Bind(1, nId);
            nextDay.Bind(2, strAfter);
            nextDay.Bind(3, strMonthStart);
            nextDay.Bind(4, strMonthEnd);
            if (nextDay.Step() == SQLITE_ROW && !nextDay.IsNull(0)) {
                *pId = nId;
                *pDay = nextDay.Text(0);
                return true;
            }
            nextDay.Reset();
        }
        if (!nextRegion(nextId, &nId))
            return false;
        strAfter.clear();
    }
}

bool RSlotArchiveWorker::Attach(const QString& strMonth, QString* pError)
{
    const QString strFile = QDir(m_strDirectory).filePath(fileName(strMonth));
    // A month begun earlier whose file is gone is not started again in an
    // empty file: what was moved would look like days without readings.
    Statement begun(m_pDb, "select count(*) from ArchivedMonth where Month = ?");
    begun.Bind(1, strMonth);
    const bool bBegun = begun.Step() == SQLITE_ROW && begun.Int(0) > 0;
    begun.Reset();
    if (bBegun && !QFileInfo::exists(strFile)) {
        *pError = QStringLiteral("archive file %1 is missing").arg(strFile);
        return false;
    }
    if (!QDir().mkpath(m_strDirectory)) {
        *pError = QStringLiteral("cannot make the folder %1").arg(m_strDirectory);
        return false;
    }
    Statement attach(m_pDb, "attach database ? as archive");
    attach.Bind(1, uri(strFile, "rwc"));
    if (attach.Step() != SQLITE_DONE) {
        *pError = QStringLiteral("archive file %1: %2").arg(strFile, Error());
        return false;
    }
    const QString strTable = TableStatement().replace(QLatin1String("create table MonthData"),
        QLatin1String("create table if not exists archive.MonthData"));
    if (!exec(m_pDb, strTable)
        || !exec(m_pDb,
            QStringLiteral("create index if not exists archive.MonthDataIndex on "
                           "MonthData(Id,Month,Hour)"))) {
        *pError = QStringLiteral("archive file %1: %2").arg(strFile, Error());
        Detach();
        return false;
    }
    return true;
}

void RSlotArchiveWorker::Detach()
{
    exec(m_pDb, QStringLiteral("detach database archive"));
}

QString RSlotArchiveWorker::NewestDay()
{
    Statement nextId(m_pDb, "select min(Id) from MonthData where Id > ?");
    Statement last(m_pDb, "select max(Month) from MonthData where Id = ?");
    QString strNewest;
    int nId = INT_MIN;
    for (;;) {
        if (!nextRegion(nextId, &nId))
            break;
        last.Bind(1, nId);
        if (last.Step() == SQLITE_ROW && !last.IsNull(0) && last.Text(0) > strNewest)
            strNewest = last.Text(0);
        last.Reset();
    }
    return strNewest;
}

void RSlotArchiveWorker::Step(
    const QString& strClockCutoffDay, int nRetentionMonths, int nMaxRegionDays)
{
    RArchiveStep step;
    QMutexLocker lock(&ChangeLock());
    if (!Open(&step.strError)) {
        emit Stepped(step);
        return;
    }
    QString strCutoffDay = strClockCutoffDay;
    const QDate newest = QDate::fromString(NewestDay(), QStringLiteral("yyyy-MM-dd"));
    if (newest.isValid()) {
        const QString strNewestCutoff = RSlotArchive::FirstKeptDay(newest, nRetentionMonths)
                                            .toString(QStringLiteral("yyyy-MM-dd"));
        strCutoffDay = qMin(strCutoffDay, strNewestCutoff);
    }
    if (m_strMonth.isEmpty() || m_strMonth + QStringLiteral("-01") >= strCutoffDay) {
        m_strMonth = OldestMonth(strCutoffDay);
        m_nId = INT_MIN;
        m_strDay.clear();
        m_nSeenInPass = 0;
    }
    step.strMonth = m_strMonth;
    if (m_strMonth.isEmpty()) {
        emit Stepped(step);
        return;
    }
    if (!Attach(m_strMonth, &step.strError)) {
        m_strMonth.clear();
        emit Stepped(step);
        return;
    }
    const QString strEnd = monthEnd(m_strMonth);
    Statement copied(m_pDb, "select count(*) from archive.MonthData where Id = ? and Month = ?");
    Statement copy(m_pDb,
        "insert into archive.MonthData select * from main.MonthData where Id = ? and Month = ?");
    bool bOk = exec(m_pDb, QStringLiteral("begin"));
    QVector<QPair<int, QString>> moved;
    int nId = 0;
    QString strDay;
    while (bOk && moved.size() < nMaxRegionDays && NextRegionDay(strEnd, &nId, &strDay)) {
        copied.Bind(1, nId);
        copied.Bind(2, strDay);
        const bool bThere = copied.Step() == SQLITE_ROW && copied.Int(0) > 0;
        copied.Reset();
        if (!bThere) {
            copy.Bind(1, nId);
            copy.Bind(2, strDay);
            bOk = copy.Step() == SQLITE_DONE;
        }
        moved << qMakePair(nId, strDay);
        m_nId = nId;
        m_strDay = strDay;
    }
    const bool bPassOver = bOk && moved.size() < nMaxRegionDays;
    if (bOk)
        bOk = exec(m_pDb, QStringLiteral("commit"));
    if (!bOk) {
        step.strError = QStringLiteral("archive file for %1: %2").arg(m_strMonth, Error());
        exec(m_pDb, QStringLiteral("rollback"));
        // The pass starts again; nothing of this step counts as moved.
        m_nId = INT_MIN;
        m_strDay.clear();
        Detach();
        emit Stepped(step);
        return;
    }
    Detach();
    step.moved = moved;
    m_nSeenInPass += moved.size();
    step.bPassOver = bPassOver;
    if (bPassOver) {
        // A pass that met no region-day at all: the month is out of the main
        // file. Otherwise the next pass checks again, once the deletes of
        // this one are committed.
        step.bMonthDone = m_nSeenInPass == 0;
        if (step.bMonthDone)
            m_strMonth.clear();
        m_nId = INT_MIN;
        m_strDay.clear();
        m_nSeenInPass = 0;
    }
    emit Stepped(step);
}
