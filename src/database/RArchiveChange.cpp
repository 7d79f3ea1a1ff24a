#include "database/RArchiveChange.h"

#include "database/PSqlExec.h"
#include "database/RSlotArchive.h"
#include "database/RSlotArchiveWorker.h"
#include "message/PLogRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>

namespace {

enum class MonthFile { NotArchived, Open, Missing };

QString connectionName(const QString& strMonth)
{
    return QStringLiteral("archive-") + strMonth;
}

// A problem with an archive file goes to the log once per file and run.
void logOnce(const QString& strProblem)
{
    static QSet<QString> logged;
    if (!logged.contains(strProblem)) {
        logged.insert(strProblem);
        Log(LogLevel::Alert, "%s\n", strProblem.toUtf8().constData());
    }
}

MonthFile openMonth(const QString& strMonth, QSqlDatabase* pDb, QString* pProblem)
{
    const QString strFile = RSlotArchive::FilePath(strMonth);
    if (!QFileInfo::exists(strFile)) {
        const bool bListed
            = PSqlExec::Scalar(
                  QStringLiteral("select count(*) from ArchivedMonth where Month = ?"), {strMonth})
                  .toInt()
            > 0;
        if (!bListed)
            return MonthFile::NotArchived;
        *pProblem = QObject::tr("The archive file %1 is missing: the 2-second readings of %2 "
                                "cannot be read.")
                        .arg(strFile, strMonth);
        return MonthFile::Missing;
    }
    const QString strName = connectionName(strMonth);
    QSqlDatabase db = QSqlDatabase::contains(strName)
        ? QSqlDatabase::database(strName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strName);
    if (!db.isOpen()) {
        db.setDatabaseName(strFile);
        // The archive step may be writing the month for a moment.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open() || !db.tables().contains(QStringLiteral("MonthData"))) {
            *pProblem = QObject::tr("The archive file %1 cannot be read: %2")
                            .arg(strFile, db.lastError().text());
            db.close();
            return MonthFile::Missing;
        }
    }
    *pDb = db;
    return MonthFile::Open;
}

} // namespace

RArchiveChange::RArchiveChange()
    : m_lock(&RSlotArchiveWorker::ChangeLock())
{
}

RArchiveChange::~RArchiveChange()
{
    for (const QString& strName : m_open)
        QSqlDatabase::database(strName, false).rollback();
}

bool RArchiveChange::Delete(const QString& strMonth, const QString& strSql,
    const QVariantList& values, bool bMissingFails, int* pRows, QString* pError)
{
    QSqlDatabase db;
    QString strProblem;
    switch (openMonth(strMonth, &db, &strProblem)) {
    case MonthFile::NotArchived:
        return true;
    case MonthFile::Missing:
        logOnce(strProblem);
        if (bMissingFails)
            *pError = strProblem;
        return !bMissingFails;
    case MonthFile::Open:
        break;
    }
    if (!m_open.contains(db.connectionName())) {
        if (!db.transaction()) {
            *pError = db.lastError().text();
            return false;
        }
        m_open << db.connectionName();
    }
    QSqlQuery query(db);
    query.prepare(strSql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *pError = query.lastError().text();
        return false;
    }
    if (pRows)
        *pRows += query.numRowsAffected();
    return true;
}

bool RArchiveChange::DeleteDay(int nId, const QString& strDay, int* pRows, QString* pError)
{
    return Delete(strDay.left(7),
        QStringLiteral("delete from MonthData where Id = ? and Month = ?"), {nId, strDay}, true,
        pRows, pError);
}

bool RArchiveChange::DeleteRegion(int nId, QString* pError)
{
    QStringList months;
    const QStringList files = QDir(RSlotArchive::Directory())
                                  .entryList({QStringLiteral("MonthData-*.sqlite")}, QDir::Files);
    for (const QString& strFile : files)
        months << strFile.mid(10, 7);
    QSqlQuery listed = PSqlExec::Select(QStringLiteral("select Month from ArchivedMonth"));
    while (listed.next()) {
        if (!months.contains(listed.value(0).toString()))
            months << listed.value(0).toString();
    }
    for (const QString& strMonth : months) {
        if (!Delete(strMonth, QStringLiteral("delete from MonthData where Id = ?"), {nId}, false,
                nullptr, pError))
            return false;
    }
    return true;
}

bool RArchiveChange::Commit(QString* pError)
{
    while (!m_open.isEmpty()) {
        QSqlDatabase db = QSqlDatabase::database(m_open.first(), false);
        if (!db.commit()) {
            *pError = db.lastError().text();
            return false;
        }
        m_open.removeFirst();
    }
    return true;
}

QSqlQuery RArchiveChange::SelectHour(int nId, const QString& strDay, int nHour, QString* pProblem)
{
    QSqlDatabase db;
    QString strProblem;
    switch (openMonth(strDay.left(7), &db, &strProblem)) {
    case MonthFile::NotArchived:
        return QSqlQuery();
    case MonthFile::Missing:
        logOnce(strProblem);
        if (pProblem)
            *pProblem = strProblem;
        return QSqlQuery();
    case MonthFile::Open:
        break;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("select * from MonthData where Id = ? and Month = ? and Hour = ?"));
    query.addBindValue(nId);
    query.addBindValue(strDay);
    query.addBindValue(nHour);
    query.exec();
    return query;
}
