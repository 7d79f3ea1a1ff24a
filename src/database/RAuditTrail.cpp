#include "database/RAuditTrail.h"

#include "database/PSqlExec.h"
#include "database/RAuditKey.h"
#include "database/RCommitPacer.h"
#include "database/RStorageWriter.h"
#include "io/SAtomicFile.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

namespace {

const char* const s_pTimeFormat = "yyyy-MM-ddThh:mm:ss";

// What SQLite gives back for a text: a field the MAC covers must read back
// exactly as it was signed. Never null, which would bind as NULL.
QString stored(const QString& strText)
{
    const QString strStored = QString::fromUtf8(strText.toUtf8());
    return strStored.isNull() ? QString(QLatin1String("")) : strStored;
}

// The fields in stored order, as text: sequence, time, account id, account
// name, action, object, old value, new value, reason.
QStringList fields(const RAuditEntry& entry)
{
    return {QString::number(entry.nSeq), entry.time.toString(QLatin1String(s_pTimeFormat)),
        QString::number(entry.actor.nId), entry.actor.strName, entry.strAction, entry.strObject,
        entry.strOld, entry.strNew, entry.strReason};
}

// Each field with its length before it, so that no two rows' fields run
// together into the same bytes; the previous MAC (hex) last.
QByteArray mac(const QByteArray& key, const QStringList& fieldTexts, const QByteArray& prevMac)
{
    QMessageAuthenticationCode code(QCryptographicHash::Sha256, key);
    const auto add = [&code](const QByteArray& bytes) {
        uchar length[4];
        qToBigEndian(static_cast<quint32>(bytes.size()), length);
        code.addData(reinterpret_cast<const char*>(length), sizeof length);
        code.addData(bytes);
    };
    for (const QString& strField : fieldTexts)
        add(strField.toUtf8());
    add(prevMac);
    return code.result().toHex();
}

const char* const s_pColumns
    = "Seq, Time, AccountId, AccountName, Action, Object, OldValue, NewValue, Reason";

// True when the table is there or the file cannot say.
bool hasTable()
{
    const QVariant tables = PSqlExec::Scalar(QStringLiteral(
        "select count(*) from sqlite_master where type = 'table' and name = 'AuditTrail'"));
    return !tables.isValid() || tables.toInt() > 0;
}

RAuditEntry entryOf(const QSqlQuery& query)
{
    RAuditEntry entry;
    entry.nSeq = query.value(0).toLongLong();
    entry.time = QDateTime::fromString(query.value(1).toString(), QLatin1String(s_pTimeFormat));
    entry.actor.nId = query.value(2).toInt();
    entry.actor.strName = query.value(3).toString();
    entry.strAction = query.value(4).toString();
    entry.strObject = query.value(5).toString();
    entry.strOld = query.value(6).toString();
    entry.strNew = query.value(7).toString();
    entry.strReason = query.value(8).toString();
    return entry;
}

} // namespace

RAuditTrail::RAuditTrail(
    RStorageWriter* pWriter, const QString& strKeyPath, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_strKeyPath(strKeyPath.isEmpty() ? RAuditKey::DefaultPath() : strKeyPath)
    , m_pClock(pClock ? pClock : SClock::System())
    // Audited actions come at a person's pace: each row is committed at
    // once, so that a crash right after the action still leaves it.
    , m_pPacer(new RCommitPacer(m_pClock, this, 0))
{
}

RAuditTrail::~RAuditTrail() = default;

QString RAuditTrail::TableStatement()
{
    return QStringLiteral(
        "create table if not exists AuditTrail(Seq integer primary key, Time varchar(20) not null, "
        "AccountId int not null default 0, AccountName varchar(64) not null default '', Action "
        "varchar(32) not null, Object text not null default '', OldValue text not null default "
        "'', NewValue text not null default '', Reason text not null default '', Mac varchar(64) "
        "not null)");
}

void RAuditTrail::SetCommitter(std::function<void()> commit)
{
    m_pPacer->SetCommitter(std::move(commit));
}

bool RAuditTrail::Open(QString* pError)
{
    m_key.clear();
    QSqlQuery count = PSqlExec::Select(QStringLiteral("select count(*) from AuditTrail"));
    if (!count.next()) {
        *pError = QStringLiteral("the database has no readable audit trail");
        return false;
    }
    const qint64 nRows = count.value(0).toLongLong();
    count.finish();
    QByteArray key;
    if (QFileInfo::exists(m_strKeyPath))
        key = RAuditKey::Read(m_strKeyPath, pError);
    else if (nRows == 0)
        key = RAuditKey::Create(m_strKeyPath, pError);
    else
        *pError = QStringLiteral("the audit key %1 is missing: the trail's %2 rows cannot be "
                                 "continued")
                      .arg(m_strKeyPath)
                      .arg(nRows);
    if (key.isEmpty() || !LoadTail()) {
        if (!key.isEmpty())
            *pError = QStringLiteral("cannot read the audit trail's last row");
        Log(LogLevel::Alert, "audit trail closed: %s\n", pError->toUtf8().constData());
        return false;
    }
    m_key = key;
    // A trail from before the head file starts one at its last row. One that
    // no longer ends where its head says has lost rows from its end: that is
    // put on record before anything else is appended, since the next row
    // moves the head.
    // An empty trail is a new one (a new file under an old key): it starts
    // its own head rather than report the old file's rows as missing.
    QFile head(HeadPath(m_strKeyPath));
    if (nRows == 0 || !head.open(QIODevice::ReadOnly)) {
        WriteHead();
        return true;
    }
    const QList<QByteArray> fields = head.readAll().trimmed().split(' ');
    const qint64 nHeadSeq = fields.value(0).toLongLong();
    if (nHeadSeq != m_nLastSeq || fields.value(1) != m_lastMac) {
        const QString strGap = nHeadSeq > m_nLastSeq + 1
            ? QStringLiteral("rows %1 to %2").arg(m_nLastSeq + 1).arg(nHeadSeq)
            : QStringLiteral("row %1").arg(nHeadSeq);
        Log(LogLevel::Alert, "audit trail: %s missing from its end\n", strGap.toUtf8().constData());
        Append({0, QStringLiteral("kestal")}, QLatin1String(RAuditAction::TrailGap), strGap,
            QString(), QString(), QStringLiteral("missing at start"));
    }
    return true;
}

QString RAuditTrail::HeadPath(const QString& strKeyPath, const QString& strDatabase)
{
    const QString strFile
        = strDatabase.isEmpty() ? QSqlDatabase::database().databaseName() : strDatabase;
    const QString strCanonical = QFileInfo(strFile).canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash(
        (strCanonical.isEmpty() ? strFile : strCanonical).toUtf8(), QCryptographicHash::Sha256);
    return QFileInfo(strKeyPath)
        .dir()
        .filePath(QStringLiteral("audit-%1.head").arg(QLatin1String(hash.toHex().left(16))));
}

bool RAuditTrail::WriteHead()
{
    SAtomicFile file(HeadPath(m_strKeyPath));
    QString strError;
    if (file.Open(&strError)) {
        file.File().write(QByteArray::number(m_nLastSeq) + ' ' + m_lastMac + '\n');
        if (file.Commit(&strError))
            return true;
    }
    Log(LogLevel::Alert, "audit head not written: %s\n", strError.toUtf8().constData());
    return false;
}

bool RAuditTrail::LoadTail()
{
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Seq, Mac from AuditTrail order by Seq desc limit 1"));
    if (!query.isActive())
        return false;
    if (query.next()) {
        m_nLastSeq = query.value(0).toLongLong();
        m_lastMac = query.value(1).toString().toLatin1();
    } else {
        m_nLastSeq = 0;
        m_lastMac.clear();
    }
    return true;
}

bool RAuditTrail::Append(const RAuditActor& actor, const QString& strAction,
    const QString& strObject, const QString& strOld, const QString& strNew,
    const QString& strReason)
{
    if (!IsOpen())
        return false;
    RStorageWriter& writer = *m_pWriter;
    // While the writer is healthy the file (with the open transaction) has
    // every row so far, another program's included; otherwise the rows it
    // holds are only known here.
    if (writer.IsHealthy())
        LoadTail();
    RAuditEntry entry;
    entry.nSeq = m_nLastSeq + 1;
    const QDateTime now = m_pClock->Now();
    entry.time = now.addMSecs(-now.time().msec());
    entry.actor = {actor.nId, stored(actor.strName)};
    entry.strAction = stored(strAction);
    entry.strObject = stored(strObject);
    entry.strOld = stored(strOld);
    entry.strNew = stored(strNew);
    entry.strReason = stored(strReason);
    const QStringList texts = fields(entry);
    const QByteArray rowMac = mac(m_key, texts, m_lastMac);
    QVariantList values;
    values << entry.nSeq << texts.at(1) << entry.actor.nId;
    for (int i = 3; i < texts.size(); ++i)
        values << texts.at(i);
    values << QString::fromLatin1(rowMac);
    if (!writer.Write(QStringLiteral("insert into AuditTrail(%1, Mac) values(?, ?, ?, ?, ?, ?, ?, "
                                     "?, ?, ?)")
                          .arg(QLatin1String(s_pColumns)),
            values)) {
        Log(LogLevel::Alert, "audit row %lld (%s) not stored\n", static_cast<long long>(entry.nSeq),
            strAction.toUtf8().constData());
        return false;
    }
    m_nLastSeq = entry.nSeq;
    m_lastMac = rowMac;
    WriteHead();
    emit Appended(entry);
    m_pPacer->Soon();
    return true;
}

namespace {

// Rows of the file the trail records as they are made: a trail with none of
// its own beside them has lost them.
qint64 accountsInFile()
{
    const QVariant count = PSqlExec::Scalar(QStringLiteral("select count(*) from UserAccount"));
    return count.isValid() ? count.toLongLong() : 0;
}

} // namespace

RAuditCheck RAuditTrail::Verify(const QByteArray& key, const QString& strHeadPath)
{
    RAuditCheck check;
    const auto broken = [&check](qint64 nSeq, const QString& strReason) {
        check.eStatus = RAuditCheck::Status::Broken;
        check.nBrokenSeq = nSeq;
        check.strReason = strReason;
        return check;
    };
    // The head: the last row written, which the trail must end with.
    qint64 nHeadSeq = -1;
    QByteArray headMac;
    QFile head(strHeadPath);
    if (!strHeadPath.isEmpty() && head.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = head.readAll().trimmed().split(' ');
        nHeadSeq = fields.value(0).toLongLong();
        headMac = fields.value(1);
    }
    QSqlQuery query(QSqlDatabase::database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select %1, Mac from AuditTrail order by Seq")
                        .arg(QLatin1String(s_pColumns)))) {
        // A file from before the trail has nothing to check, unless rows
        // were written to it or accounts made in it: then the table was
        // dropped.
        if (!hasTable()) {
            if (nHeadSeq > 0)
                return broken(1, tr("the trail's table is gone"));
            const qint64 nAccounts = accountsInFile();
            if (nAccounts > 0)
                return broken(1,
                    tr("the trail's table is gone, but the file holds accounts (%1)")
                        .arg(nAccounts));
            check.bEndConfirmed = nHeadSeq == 0;
            return check;
        }
        check.eStatus = RAuditCheck::Status::ReadFailed;
        check.strReason = query.lastError().text();
        return check;
    }
    QByteArray prevMac;
    qint64 nExpected = 1;
    while (query.next()) {
        const qint64 nSeq = query.value(0).toLongLong();
        if (key.isEmpty()) {
            check.eStatus = RAuditCheck::Status::NoKey;
            return check;
        }
        QStringList texts;
        for (int i = 0; i < 9; ++i)
            texts << query.value(i).toString();
        const QByteArray rowMac = query.value(9).toString().toLatin1();
        QString strReason;
        if (nSeq != nExpected) {
            if (nSeq == nExpected + 1)
                strReason = tr("row %1 before it is missing").arg(nExpected);
            else if (nSeq > nExpected)
                strReason = tr("rows %1 to %2 before it are missing").arg(nExpected).arg(nSeq - 1);
            else
                strReason = tr("the rows are out of order");
        } else if (mac(key, texts, prevMac) != rowMac) {
            strReason = tr("the row was changed or its MAC does not match");
        } else if (texts.at(4) == QLatin1String(RAuditAction::TrailGap)) {
            strReason = tr("the client found %1 missing").arg(texts.at(5));
        }
        if (!strReason.isEmpty())
            return broken(nSeq, strReason);
        prevMac = rowMac;
        ++nExpected;
        ++check.nRows;
    }
    if (query.lastError().type() != QSqlError::NoError) {
        check.eStatus = RAuditCheck::Status::ReadFailed;
        check.strReason = query.lastError().text();
        return check;
    }
    if (nHeadSeq > check.nRows) {
        return broken(check.nRows + 1,
            nHeadSeq > check.nRows + 1
                ? tr("rows %1 to %2 at the end are missing").arg(check.nRows + 1).arg(nHeadSeq)
                : tr("the last row is missing"));
    }
    if (nHeadSeq >= 0 && (nHeadSeq < check.nRows || prevMac != headMac))
        return broken(nHeadSeq + 1 > check.nRows ? check.nRows : nHeadSeq + 1,
            tr("the trail does not end at the row of its head file"));
    if (nHeadSeq < 0 && check.nRows == 0) {
        const qint64 nAccounts = accountsInFile();
        if (nAccounts > 0)
            return broken(
                1, tr("the trail is empty, but the file holds accounts (%1)").arg(nAccounts));
    }
    check.bEndConfirmed = nHeadSeq >= 0;
    return check;
}

bool RAuditTrail::TableExists()
{
    return hasTable();
}

QString RAuditTrail::CheckText(const RAuditCheck& check)
{
    switch (check.eStatus) {
    case RAuditCheck::Status::Intact:
        if (check.bEndConfirmed)
            return tr("Chain intact (%1 rows).").arg(check.nRows);
        return tr("Chain intact (%1 rows), but without the trail's head file its end cannot be "
                  "confirmed: rows cut from the end would not show.")
            .arg(check.nRows);
    case RAuditCheck::Status::Broken:
        return tr("Chain broken at row %1: %2.").arg(check.nBrokenSeq).arg(check.strReason);
    case RAuditCheck::Status::NoKey:
        return tr("The audit key is missing: the chain cannot be checked.");
    case RAuditCheck::Status::ReadFailed:
        break;
    }
    return tr("The audit trail cannot be read: %1").arg(check.strReason);
}

QVector<RAuditEntry> RAuditTrail::Read(const QDate& from, const QDate& to,
    const QString& strAccount, const QString& strAction, QSqlError* pError)
{
    QVector<RAuditEntry> entries;
    // Time texts sort in time order; the range ends before the day after "to".
    QString strSql = QStringLiteral("select %1 from AuditTrail where Time >= ? and Time < ?")
                         .arg(QLatin1String(s_pColumns));
    QVariantList values {from.toString(QStringLiteral("yyyy-MM-dd")),
        to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))};
    if (!strAccount.isEmpty()) {
        strSql += QStringLiteral(" and AccountName = ?");
        values << strAccount;
    }
    if (!strAction.isEmpty()) {
        strSql += QStringLiteral(" and Action = ?");
        values << strAction;
    }
    strSql += QStringLiteral(" order by Seq");
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query = PSqlExec::SelectOn(db, strSql, values);
    while (query.next())
        entries.append(entryOf(query));
    // A file from before the trail has no table, and so no rows.
    if (pError && query.lastError().type() != QSqlError::NoError && hasTable())
        *pError = query.lastError();
    return entries;
}

QStringList RAuditTrail::ActionNames()
{
    QStringList names;
    for (const char* pName : {RAuditAction::Login, RAuditAction::Logout, RAuditAction::LoginFailed,
             RAuditAction::Lockout, RAuditAction::Acknowledge, RAuditAction::Mute,
             RAuditAction::Threshold, RAuditAction::AlarmFilter, RAuditAction::Shelve,
             RAuditAction::Unshelve, RAuditAction::DeviceAdd, RAuditAction::DeviceRemove,
             RAuditAction::DeviceRename, RAuditAction::HistoryDelete, RAuditAction::Setting,
             RAuditAction::DayDelete, RAuditAction::AccountCreate, RAuditAction::AccountDisable,
             RAuditAction::AccountPassword, RAuditAction::AccountGrade, RAuditAction::AccountEnable,
             RAuditAction::TrailGap})
        names << QLatin1String(pName);
    return names;
}

QStringList RAuditTrail::AccountNames()
{
    QStringList names;
    QSqlQuery query
        = PSqlExec::Select(QStringLiteral("select distinct AccountName from AuditTrail where "
                                          "AccountName <> '' order by AccountName"));
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QStringList RAuditTrail::CsvHeader()
{
    return {QStringLiteral("sequence"), QStringLiteral("time"), QStringLiteral("account_id"),
        QStringLiteral("account"), QStringLiteral("action"), QStringLiteral("object"),
        QStringLiteral("old_value"), QStringLiteral("new_value"), QStringLiteral("reason")};
}

QStringList RAuditTrail::CsvFields(const RAuditEntry& entry)
{
    return fields(entry);
}
