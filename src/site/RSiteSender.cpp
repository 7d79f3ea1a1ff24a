#include "site/RSiteSender.h"

#include "database/PSqlExec.h"
#include "database/RSiteFileStore.h"
#include "database/RSiteOutbox.h"
#include "message/PLogRecord.h"
#include "site/RSiteBatch.h"
#include "site/RSiteSchema.h"

#include <QAtomicInt>
#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTimer>
#include <QVariant>

#include <tuple>

namespace {

constexpr int MinutesPerDay = 1440;

QAtomicInt s_nInstance;

// The server's own words, first line only: the strip has room for one.
QString reason(const QSqlError& error)
{
    const QString strText = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return strText.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

RSiteSender::RSiteSender(const RSiteConfig& config, const QString& strFile, QObject* pParent)
    : QObject(pParent)
    , m_config(config)
    , m_strFile(strFile)
{
    const int nInstance = s_nInstance.fetchAndAddRelaxed(1);
    m_strPgName = QStringLiteral("site-pg-%1").arg(nInstance);
    m_strFileName = QStringLiteral("site-file-%1").arg(nInstance);
}

RSiteSender::~RSiteSender()
{
    Disconnect();
    if (QSqlDatabase::contains(m_strPgName))
        QSqlDatabase::removeDatabase(m_strPgName);
    if (QSqlDatabase::contains(m_strFileName)) {
        QSqlDatabase::database(m_strFileName, false).close();
        QSqlDatabase::removeDatabase(m_strFileName);
    }
}

void RSiteSender::SetRetry(int nFirstMs, int nMaxMs)
{
    m_nFirstRetryMs = m_nRetryMs = nFirstMs;
    m_nMaxRetryMs = nMaxMs;
}

bool RSiteSender::OpenFile(QString* pError)
{
    QSqlDatabase file = QSqlDatabase::contains(m_strFileName)
        ? QSqlDatabase::database(m_strFileName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_strFileName);
    if (file.isOpen())
        return true;
    file.setDatabaseName(m_strFile);
    file.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
    if (file.open())
        return true;
    *pError = file.lastError().text();
    return false;
}

void RSiteSender::Lost(RSiteReport::State eState, const QString& strError)
{
    Disconnect();
    m_report.eState = eState;
    m_report.strError = strError;
    Emit();
}

void RSiteSender::Emit()
{
    m_report.bHistoryRunning = m_nHistoryState == 1;
    emit Reported(m_report);
}

bool RSiteSender::Probe(QString* pError)
{
    // A socket path is local: its server answers or refuses at once.
    if (m_config.strHost.startsWith(QLatin1Char('/')))
        return true;
    QTcpSocket socket;
    socket.connectToHost(m_config.strHost, static_cast<quint16>(m_config.nPort));
    // The request a client sends before its start-up packet when it asks
    // for TLS; any server answers it with one byte and waits for more.
    const char request[8] = {0, 0, 0, 8, 0x04, static_cast<char>(0xd2), 0x16, 0x2f};
    bool bSent = false;
    for (int nWaited = 0; nWaited < ConnectTimeoutS * 1000; nWaited += ProbeStepMs) {
        if (m_nStop.loadAcquire() != 0) {
            *pError = QStringLiteral("stopped");
            return false;
        }
        if (socket.state() == QAbstractSocket::UnconnectedState) {
            *pError = socket.errorString();
            return false;
        }
        if (socket.state() != QAbstractSocket::ConnectedState) {
            socket.waitForConnected(ProbeStepMs);
            continue;
        }
        if (!bSent) {
            socket.write(request, sizeof request);
            bSent = true;
        }
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(ProbeStepMs))
            return true;
    }
    *pError = QStringLiteral("no answer from %1:%2 in %3 s")
                  .arg(m_config.strHost)
                  .arg(m_config.nPort)
                  .arg(ConnectTimeoutS);
    return false;
}

bool RSiteSender::Connect()
{
    QString strError = m_config.Problem();
    if (!strError.isEmpty()) {
        Lost(RSiteReport::State::Failed, strError);
        return false;
    }
    if (!OpenFile(&strError)) {
        Lost(RSiteReport::State::Failed, QStringLiteral("station file: %1").arg(strError));
        return false;
    }
    if (!Probe(&strError)) {
        Lost(RSiteReport::State::Unreachable, strError);
        return false;
    }
    QSqlDatabase pg = QSqlDatabase::contains(m_strPgName)
        ? QSqlDatabase::database(m_strPgName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_strPgName);
    pg.setHostName(m_config.strHost);
    pg.setPort(m_config.nPort);
    pg.setDatabaseName(m_config.strDatabase);
    pg.setUserName(m_config.strUser);
    pg.setConnectOptions(m_config.ConnectOptions(ConnectTimeoutS));
    if (!pg.open()) {
        Lost(RSiteReport::State::Unreachable, reason(pg.lastError()));
        return false;
    }
    int nVersion = 0;
    switch (RSiteSchema::Migrate(pg, &nVersion, &strError)) {
    case RSiteSchema::Result::Ready:
        break;
    case RSiteSchema::Result::TooNew:
        Lost(RSiteReport::State::TooNew, strError);
        return false;
    case RSiteSchema::Result::Failed:
        Lost(RSiteReport::State::Failed, strError);
        return false;
    }
    QSqlQuery query(pg);
    query.prepare(
        QStringLiteral("insert into sites(name) values(?) on conflict (name) do nothing"));
    query.addBindValue(m_config.strSite);
    bool bOk = query.exec();
    query.prepare(QStringLiteral("select id from sites where name = ?"));
    query.addBindValue(m_config.strSite);
    bOk = bOk && query.exec() && query.next();
    const int nSiteId = bOk ? query.value(0).toInt() : 0;
    query.finish();
    if (bOk) {
        query.prepare(QStringLiteral("insert into sources(site_id, file_id) values(?, ?) on "
                                     "conflict (site_id, file_id) do nothing"));
        query.addBindValue(nSiteId);
        query.addBindValue(m_config.strFileId);
        bOk = query.exec();
        query.prepare(QStringLiteral("select id, last_seq, history_state, history_day from "
                                     "sources where site_id = ? and file_id = ?"));
        query.addBindValue(nSiteId);
        query.addBindValue(m_config.strFileId);
        bOk = bOk && query.exec() && query.next();
    }
    if (!bOk) {
        Lost(RSiteReport::State::Failed, reason(query.lastError()));
        return false;
    }
    m_nSiteId = nSiteId;
    m_nSourceId = query.value(0).toInt();
    m_report.nMark = query.value(1).toLongLong();
    m_nHistoryState = query.value(2).toInt();
    m_strHistoryDay = query.value(3).toDate().toString(Qt::ISODate);
    query.finish();
    // A file put back from a backup numbers its new rows again from below
    // the mark, which would pass them over: the mark goes back with the
    // file, and what lies between is sent again (upserts: nothing doubles).
    QSqlDatabase file = QSqlDatabase::database(m_strFileName, false);
    QSqlQuery issued = RSiteFileStore::OutboxIssued(file);
    const bool bRead = issued.next();
    const qint64 nIssued = bRead ? issued.value(0).toLongLong() : 0;
    if (bRead && nIssued < m_report.nMark) {
        Log(LogLevel::Warning,
            "site database: the station file is older than the rows sent from it (%lld < %lld); "
            "sending again from there\n",
            static_cast<long long>(nIssued), static_cast<long long>(m_report.nMark));
        query.prepare(QStringLiteral("update sources set last_seq = ? where id = ?"));
        // Every row still queued may be one the server has not seen.
        const qint64 nBack = issued.value(1).isNull() ? nIssued : issued.value(1).toLongLong();
        query.addBindValue(nBack);
        query.addBindValue(m_nSourceId);
        if (!query.exec()) {
            Lost(RSiteReport::State::Failed, reason(query.lastError()));
            return false;
        }
        m_report.nMark = nBack;
    }
    m_report.eState = RSiteReport::State::Sending;
    m_bRegionsDue = true;
    m_report.strError.clear();
    m_report.bHistoryOffer = m_nHistoryState == 0;
    Emit();
    return true;
}

void RSiteSender::Disconnect()
{
    m_nSourceId = 0;
    m_knownMonths.clear();
    // Closed, not removed: a caller up the stack may still hold the handle.
    if (QSqlDatabase::contains(m_strPgName))
        QSqlDatabase::database(m_strPgName, false).close();
}

bool RSiteSender::Commit(
    const RSiteBatch& batch, qint64 nMark, int nHistoryState, const QString& strHistoryDay)
{
    QSqlDatabase pg = QSqlDatabase::database(m_strPgName, false);
    QString strError;
    if (!pg.transaction()) {
        Lost(RSiteReport::State::Unreachable, reason(pg.lastError()));
        return false;
    }
    bool bOk = batch.Write(pg, m_nSiteId, m_nSourceId, &m_knownMonths, &strError);
    if (bOk) {
        // Gone before the connection may be closed below.
        QSqlQuery query(pg);
        query.prepare(QStringLiteral(
            "update sources set last_seq = greatest(last_seq, ?), history_state = ?, "
            "history_day = ?, updated = now() where id = ?"));
        query.addBindValue(nMark);
        query.addBindValue(nHistoryState);
        query.addBindValue(strHistoryDay.isEmpty()
                ? QVariant(QVariant::Date)
                : QVariant(QDate::fromString(strHistoryDay, Qt::ISODate)));
        query.addBindValue(m_nSourceId);
        bOk = query.exec();
        if (!bOk)
            strError = reason(query.lastError());
    }
    if (bOk && m_eFault == Fault::LostBeforeCommit) {
        // Gone before the commit: the server rolls the transaction back.
        m_eFault = Fault::None;
        Lost(RSiteReport::State::Unreachable, QStringLiteral("connection lost (test)"));
        return false;
    }
    if (!bOk || !pg.commit()) {
        if (strError.isEmpty())
            strError = reason(pg.lastError());
        pg.rollback();
        // A failed statement may be a lost server, or a row it refuses;
        // either way the whole batch is tried again on a new connection.
        Lost(pg.isOpen() ? RSiteReport::State::Failed : RSiteReport::State::Unreachable,
            strError.trimmed());
        return false;
    }
    if (m_eFault == Fault::LostAfterCommit) {
        // Committed, but the answer never came: the mark is known only to
        // the server until the next connect reads it.
        m_eFault = Fault::None;
        Lost(RSiteReport::State::Unreachable, QStringLiteral("connection lost (test)"));
        return false;
    }
    m_report.nMark = nMark;
    m_nHistoryState = nHistoryState;
    m_strHistoryDay = strHistoryDay;
    m_report.nRowsSent += batch.Rows();
    return true;
}

bool RSiteSender::ReadRows(
    QSqlDatabase& file, const QString& strKind, qint64 nRef, RSiteBatch* pBatch)
{
    if (strKind == QLatin1String("alarm")) {
        QSqlQuery query = RSiteFileStore::Alarm(file, nRef);
        if (query.next())
            pBatch->AddAlarm(query.value(0).toLongLong(), query.value(1).toString(),
                query.value(2).toInt(), query.value(3).toString(), query.value(4).toDouble(),
                query.value(5).toInt(), query.value(6).toString(), query.value(7).toString());
        return query.isActive();
    }
    if (strKind == QLatin1String("patrol")) {
        QSqlQuery query = RSiteFileStore::Patrol(file, nRef);
        if (query.next())
            pBatch->AddPatrol(query.value(0).toInt(), query.value(1).toInt(),
                query.value(2).toString(), query.value(3).toString(), query.value(4).toInt());
        return query.isActive();
    }
    if (strKind == QLatin1String("session")) {
        QSqlQuery query = RSiteFileStore::Session(file, nRef);
        if (query.next())
            pBatch->AddSession(
                query.value(0).toInt(), query.value(1).toString(), query.value(2).toString());
        return query.isActive();
    }
    if (strKind == QLatin1String("audit")) {
        QSqlQuery query = RSiteFileStore::Audit(file, nRef);
        if (query.next()) {
            QStringList fields;
            for (int i = 0; i < 10; ++i)
                fields << query.value(i).toString();
            pBatch->AddAudit(query.value(0).toLongLong(), fields);
        }
        return query.isActive();
    }
    QSqlQuery query = RSiteFileStore::Region(file, static_cast<int>(nRef));
    if (query.next())
        pBatch->AddRegion(
            query.value(0).toInt(), query.value(1).toString(), query.value(2).toInt());
    return query.isActive();
}

int RSiteSender::SendBatch()
{
    if (!IsConnected())
        return -1;
    QSqlDatabase file = QSqlDatabase::database(m_strFileName, false);
    // One read transaction: the outbox and the values it points to are the
    // same committed state.
    file.transaction();
    QSqlQuery outbox = RSiteFileStore::Outbox(file, m_report.nMark, BatchRows);
    if (!outbox.isActive()) {
        const QString strError = outbox.lastError().text();
        file.rollback();
        Lost(RSiteReport::State::Failed, QStringLiteral("station file: %1").arg(strError));
        return -1;
    }
    QMap<QPair<int, QString>, QList<int>> minutes;
    QSet<QPair<int, QString>> days;
    QList<QPair<QString, qint64>> others;
    QList<QPair<int, QString>> goneDays;
    QList<std::tuple<int, int, QString>> gonePatrols;
    QSet<int> goneRegions;
    qint64 nLast = m_report.nMark;
    int nRows = 0;
    while (outbox.next()) {
        ++nRows;
        nLast = outbox.value(0).toLongLong();
        const int nId = outbox.value(2).toInt();
        const QString strDay = outbox.value(3).toString();
        switch (outbox.value(1).toInt()) {
        case RSiteOutbox::Minute:
            minutes[qMakePair(nId, strDay)] << outbox.value(4).toInt();
            break;
        case RSiteOutbox::DaySummary:
            days.insert(qMakePair(nId, strDay));
            break;
        case RSiteOutbox::Alarm:
            others << qMakePair(QStringLiteral("alarm"), outbox.value(5).toLongLong());
            break;
        case RSiteOutbox::Patrol:
            others << qMakePair(QStringLiteral("patrol"), outbox.value(5).toLongLong());
            break;
        case RSiteOutbox::Session:
            others << qMakePair(QStringLiteral("session"), outbox.value(5).toLongLong());
            break;
        case RSiteOutbox::Audit:
            others << qMakePair(QStringLiteral("audit"), outbox.value(5).toLongLong());
            break;
        case RSiteOutbox::Region:
            others << qMakePair(QStringLiteral("region"), qint64(nId));
            break;
        case RSiteOutbox::DayGone:
            // What was queued for the day before is gone with it; what
            // comes after is the day written anew.
            minutes.remove(qMakePair(nId, strDay));
            days.remove(qMakePair(nId, strDay));
            goneDays << qMakePair(nId, strDay);
            break;
        case RSiteOutbox::PatrolGone:
            gonePatrols << std::make_tuple(nId, outbox.value(5).toInt(), strDay);
            break;
        case RSiteOutbox::RegionGone:
            goneRegions.insert(nId);
            break;
        default:
            break;
        }
    }
    outbox.finish();
    RSiteBatch batch;
    bool bOk = true;
    for (const auto& day : qAsConst(goneDays))
        batch.RemoveDay(day.first, day.second);
    for (const auto& patrol : qAsConst(gonePatrols))
        batch.RemovePatrolDay(std::get<0>(patrol), std::get<1>(patrol), std::get<2>(patrol));
    // The list of devices is rewritten whole: only a region no longer in
    // it has gone.
    for (int nId : qAsConst(goneRegions)) {
        QSqlQuery still = RSiteFileStore::RegionEntries(file, nId);
        bOk = bOk && still.next();
        if (bOk && still.value(0).toInt() == 0)
            batch.RemoveRegion(nId);
    }
    if (m_bRegionsDue) {
        QSqlQuery ids = RSiteFileStore::RegionIds(file);
        while (ids.next())
            others << qMakePair(QStringLiteral("region"), ids.value(0).toLongLong());
    }
    if (nRows == 0 && others.isEmpty()) {
        file.commit();
        return 0;
    }
    // Only the minutes queued are read, each set of them prepared once: a
    // batch's regions mostly share one (the same minutes of the day).
    QHash<QList<int>, QSqlQuery> reads;
    for (auto it = minutes.begin(); bOk && it != minutes.end(); ++it) {
        QList<int> wanted;
        for (int nMinute : it.value()) {
            if (nMinute >= 0 && nMinute < MinutesPerDay && !wanted.contains(nMinute))
                wanted << nMinute;
        }
        if (wanted.isEmpty())
            continue;
        auto found = reads.find(wanted);
        if (found == reads.end()) {
            QSqlQuery read(file);
            bOk = RSiteFileStore::PrepareMinutes(&read, wanted);
            found = reads.insert(wanted, read);
        }
        QSqlQuery& read = found.value();
        read.addBindValue(it.key().first);
        read.addBindValue(it.key().second);
        bOk = bOk && read.exec();
        if (bOk && read.next()) {
            for (int i = 0; i < wanted.size(); ++i)
                batch.AddMinute(
                    it.key().first, it.key().second, wanted.at(i), read.value(i).toDouble());
        }
        read.finish();
    }
    for (auto it = days.begin(); bOk && it != days.end(); ++it) {
        QSqlQuery row = RSiteFileStore::DaySummary(file, it->first, it->second);
        bOk = row.isActive();
        if (row.next())
            batch.AddDay(it->first, it->second, row.value(0).toDouble(), row.value(1).toString(),
                row.value(2).toInt());
    }
    for (int i = 0; bOk && i < others.size(); ++i)
        bOk = ReadRows(file, others.at(i).first, others.at(i).second, &batch);
    file.commit();
    if (!bOk) {
        Lost(RSiteReport::State::Failed, QStringLiteral("station file unreadable"));
        return -1;
    }
    if (!Commit(batch, nLast, m_nHistoryState, m_strHistoryDay))
        return -1;
    m_bRegionsDue = false;
    Emit();
    return nRows;
}

bool RSiteSender::ReadDay(QSqlDatabase& file, const QString& strDay, RSiteBatch* pBatch)
{
    QSqlQuery rows = RSiteFileStore::DayMinutes(file, strDay);
    QSet<int> seen;
    while (rows.next()) {
        const int nId = rows.value(0).toInt();
        if (seen.contains(nId))
            continue;
        seen.insert(nId);
        // 0 is a minute without readings.
        for (int m = 0; m < MinutesPerDay; ++m) {
            const double dValue = rows.value(RSiteFileStore::MinuteRowKeys + m).toDouble();
            if (dValue != 0.0)
                pBatch->AddMinute(nId, strDay, m, dValue);
        }
    }
    if (!rows.isActive())
        return false;
    QSqlQuery link = RSiteFileStore::DaySummaries(file, strDay);
    // Oldest last: the first row of a region is the one the program reads.
    while (link.next())
        pBatch->AddDay(link.value(0).toInt(), strDay, link.value(1).toDouble(),
            link.value(2).toString(), link.value(3).toInt());
    QSqlQuery alarms = RSiteFileStore::DayAlarms(file, strDay);
    QList<qint64> seqs;
    while (alarms.next())
        seqs << alarms.value(0).toLongLong();
    for (qint64 nSeq : qAsConst(seqs))
        ReadRows(file, QStringLiteral("alarm"), nSeq, pBatch);
    QSqlQuery patrols = RSiteFileStore::DayPatrols(file, strDay);
    QList<qint64> rowids;
    while (patrols.next())
        rowids << patrols.value(0).toLongLong();
    for (qint64 nRow : qAsConst(rowids))
        ReadRows(file, QStringLiteral("patrol"), nRow, pBatch);
    return link.isActive() && alarms.isActive() && patrols.isActive();
}

int RSiteSender::UploadHistoryDay()
{
    if (!IsConnected())
        return -1;
    if (m_nHistoryState != 1)
        return 0;
    QSqlDatabase file = QSqlDatabase::database(m_strFileName, false);
    file.transaction();
    RSiteBatch batch;
    bool bOk = true;
    if (m_strHistoryDay.isEmpty()) {
        // The small tables go whole with the first day.
        const QList<QPair<QString, QSqlQuery (*)(QSqlDatabase&)>> whole {
            {QStringLiteral("region"), &RSiteFileStore::RegionIds},
            {QStringLiteral("session"), &RSiteFileStore::SessionRowIds},
            {QStringLiteral("audit"), &RSiteFileStore::AuditSeqs}};
        for (const auto& table : whole) {
            QSqlQuery ids = table.second(file);
            QList<qint64> refs;
            while (ids.next())
                refs << ids.value(0).toLongLong();
            for (qint64 nRef : qAsConst(refs))
                ReadRows(file, table.first, nRef, &batch);
        }
    }
    QSqlQuery next = RSiteFileStore::NextDay(
        file, m_strHistoryDay.isEmpty() ? QStringLiteral("0") : m_strHistoryDay);
    const QString strDay = next.next() ? next.value(0).toString() : QString();
    next.finish();
    if (!strDay.isEmpty())
        bOk = ReadDay(file, strDay, &batch);
    file.commit();
    if (!bOk) {
        Lost(RSiteReport::State::Failed, QStringLiteral("station file unreadable"));
        return -1;
    }
    const bool bDone = strDay.isEmpty();
    if (!Commit(batch, m_report.nMark, bDone ? 2 : 1, bDone ? m_strHistoryDay : strDay))
        return -1;
    Emit();
    return bDone ? 0 : 1;
}

bool RSiteSender::SetHistoryAnswer(bool bUpload)
{
    if (!IsConnected())
        return false;
    m_report.bHistoryOffer = false;
    return Commit(RSiteBatch(), m_report.nMark, bUpload ? 1 : 3, QString());
}

void RSiteSender::Start()
{
    if (!m_pTimer) {
        m_pTimer = new QTimer(this);
        m_pTimer->setSingleShot(true);
        connect(m_pTimer, &QTimer::timeout, this, &RSiteSender::Tick);
    }
    Schedule(0);
}

void RSiteSender::Stop()
{
    if (m_pTimer)
        m_pTimer->stop();
    Disconnect();
}

void RSiteSender::AnswerHistory(bool bUpload)
{
    if (SetHistoryAnswer(bUpload))
        Emit();
}

void RSiteSender::Schedule(int nMs)
{
    if (m_pTimer)
        m_pTimer->start(nMs);
}

void RSiteSender::Tick()
{
    if (m_nStop.loadAcquire())
        return;
    if (!IsConnected()) {
        if (!Connect()) {
            Schedule(m_nRetryMs);
            m_nRetryMs = qMin(m_nRetryMs * 2, m_nMaxRetryMs);
            return;
        }
        m_nRetryMs = m_nFirstRetryMs;
    }
    // A connect may take its whole timeout: a stop asked meanwhile holds.
    if (m_nStop.loadAcquire())
        return;
    int nSent = SendBatch();
    if (nSent == 0 && m_nHistoryState == 1)
        nSent = UploadHistoryDay();
    if (nSent < 0) {
        Schedule(m_nRetryMs);
        m_nRetryMs = qMin(m_nRetryMs * 2, m_nMaxRetryMs);
        return;
    }
    Schedule(nSent >= BatchRows || m_nHistoryState == 1 ? 0 : PollMs);
}
