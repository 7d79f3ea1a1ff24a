#include "algor/RRegularSave.h"

#include "algor/RMinuteReduction.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageState.h"
#include "message/PAssert.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cstdio>

namespace {

constexpr int SlotsPerHour = 1800;
constexpr int SlotsPerDay = 24 * SlotsPerHour;
// A few entries cover the current slot, the one before it (duplicates) and
// the change of slot; each costs a few hundred KB inside SQLite.
constexpr int SlotStatementCapacity = 4;
// About 0.3-0.5 ms per region (most of it rewriting the 1445-column minute
// row): a slice keeps the GUI thread busy for about 15 ms at a time.
constexpr int RegionsPerSlice = 32;

QString dayText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// Six significant digits, the precision of every stored floating value.
double stored(double dValue)
{
    return PSqlExec::Number(dValue).toDouble();
}

// Day, hour and slot column of a moment as one number, so "the same slot" and
// "the slot before" also hold across minutes, hours and days.
qint64 slotNumber(const QDateTime& now)
{
    const QTime time = now.time();
    return now.date().toJulianDay() * SlotsPerDay + time.hour() * SlotsPerHour + time.minute() * 30
        + time.second() / 2;
}

bool prepare(QSqlQuery& query, const QString& strSql)
{
    query.setForwardOnly(true);
    if (query.prepare(strSql))
        return true;
    LogDebug("sql failed: %s; %s\n", strSql.toUtf8().constData(),
        query.lastError().text().toUtf8().constData());
    return false;
}

bool run(QSqlQuery& query)
{
    if (query.exec())
        return true;
    LogDebug("sql failed: %s; %s\n", query.lastQuery().toUtf8().constData(),
        query.lastError().text().toUtf8().constData());
    return false;
}

} // namespace

// One minute's reduction in progress: the statements are prepared once for
// all regions; the regions are worked through in slices.
struct RRegularSave::Reduction
{
    struct DayMax
    {
        qint64 nRowId = -1;
        float fMax = 0.0f;
    };

    int nMinuteOfDay = 0;
    QString strDay;
    bool bSendTick = false;
    QList<int> ids;
    int nNext = 0;
    QHash<int, DayMax> hashMax;
    QSqlQuery selectSlots;
    QSqlQuery updateMinute;
    QSqlQuery updateMax;
};

RRegularSave::RRegularSave(
    SClock* pClock, int nMinuteIntervalMs, int nSaveIntervalMs, QObject* pParent)
    : QObject(pParent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_nMinuteIntervalMs(nMinuteIntervalMs)
    , m_nSaveIntervalMs(nSaveIntervalMs)
    , m_pMinuteTimer(new QTimer(this))
    , m_pSaveTimer(new QTimer(this))
    , m_pRetryTimer(new QTimer(this))
    , m_slotStatements(SlotStatementCapacity)
{
    // Re-armed at every tick towards the next whole minute of the clock, so
    // ticks neither drift nor fire a little early as coarse timers may.
    m_pMinuteTimer->setSingleShot(true);
    m_pMinuteTimer->setTimerType(Qt::PreciseTimer);
    m_pSaveTimer->setInterval(m_nSaveIntervalMs);
    connect(m_pMinuteTimer, &QTimer::timeout, this, &RRegularSave::MiniteTimeout);
    connect(m_pSaveTimer, &QTimer::timeout, this, &RRegularSave::SaveFile);
    m_pRetryTimer->setSingleShot(true);
    m_pRetryTimer->setInterval(RetryIntervalMs);
    connect(m_pRetryTimer, &QTimer::timeout, this, &RRegularSave::SaveFile);
    LoadRegionIds();
}

RRegularSave::~RRegularSave()
{
    // The owner is going away: the minute still in progress is written, but
    // no tick goes to a window that may be half destroyed.
    if (m_pReduction)
        m_pReduction->bSendTick = false;
    StopTimers();
    // Statements are finalised before the commit; a stop never loses what
    // was stored since the last five-minute commit.
    m_slotStatements.Clear();
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (db.isOpen())
        RConnectDatabase::CommitTransaction();
}

QString RRegularSave::UnknownReadingText(int nId, int nCount)
{
    return QString::asprintf(
        "has no nId, nCount = %f, nId = %d\n", static_cast<double>(nCount), nId);
}

bool RRegularSave::IsMinuteTimerActive() const
{
    return m_pMinuteTimer->isActive();
}

bool RRegularSave::IsSaveTimerActive() const
{
    return m_pSaveTimer->isActive();
}

void RRegularSave::LoadRegionIds()
{
    FinishReduction();
    m_slotStatements.Clear();
    m_setReadyRows.clear();
    m_hashType.clear();
    m_hashLastSlot.clear();

    for (const RRegion& region : RRegionCatalogue::Shared().Regions()) {
        m_hashType.insert(SBus::RegionPage, region.nId);
        m_hashLastSlot.insert(region.nId, -1);
    }

    m_fCeffR = 0.0f;
    QSqlQuery query = PSqlExec::Select(QStringLiteral("select Ceff_P, Ceff_R from SystemInfo"));
    if (query.next())
        m_fCeffR = query.value(1).toFloat();
    query.finish();

    StartCalcMinite();
}

void RRegularSave::StopTimers()
{
    // A reload commits right after this: the minute being reduced goes with it.
    FinishReduction();
    m_pMinuteTimer->stop();
    m_pSaveTimer->stop();
    m_pRetryTimer->stop();
}

void RRegularSave::ArmMinuteTimer()
{
    const QTime time = m_pClock->Now().time();
    const int nToNextMinute = 60000 - (time.second() * 1000 + time.msec());
    m_pMinuteTimer->start(qMin(m_nMinuteIntervalMs, nToNextMinute));
}

void RRegularSave::BeginTransaction()
{
    // Fails harmlessly when one is open already; that one stays.
    if (RStorageState::Shared().IsUsable())
        QSqlDatabase::database().transaction();
}

void RRegularSave::Commit()
{
    RStorageState& state = RStorageState::Shared();
    if (!state.IsUsable())
        return;
    if (RConnectDatabase::CommitTransaction()) {
        m_nUncommitted = 0;
        m_pRetryTimer->stop();
        BeginTransaction();
        return;
    }
    // SQLite rolls some failed commits back (an I/O error or a full disk
    // while the journal is written): all the transaction held is gone, the
    // rows made ahead of the readings too, and a new one begins. Otherwise
    // the transaction stays open and the retry commits it whole.
    if (!RConnectDatabase::InTransaction()) {
        BeginTransaction();
        Log(1, "%lld readings since the last commit are lost\n",
            static_cast<long long>(m_nUncommitted));
        state.ReadingsLost(m_nUncommitted);
        m_nUncommitted = 0;
        m_setReadyRows.clear();
        const QDateTime now = m_pClock->Now();
        EnsureHourRows(now.date(), now.time().hour());
        EnsureDayRows(now.date());
    }
    m_pRetryTimer->start();
}

void RRegularSave::StartCalcMinite()
{
    const QDateTime now = m_pClock->Now();
    m_dateCur = now.date();
    m_nCurMinute = now.time().hour() * 60 + now.time().minute();
    ArmMinuteTimer();
    m_pSaveTimer->start(m_nSaveIntervalMs);

    m_nTickCount = 0;
    for (auto it = m_hashLastSlot.begin(); it != m_hashLastSlot.end(); ++it)
        it.value() = -1;

    // The rows are inserted inside the transaction: one commit for all of
    // them instead of one disk sync per row.
    BeginTransaction();
    m_nHour = now.time().hour();
    m_nMinute = now.time().minute();
    EnsureHourRows(m_dateCur, m_nHour);
    EnsureDayRows(m_dateCur);
    // A duplicate in the first slot of the hour goes into the hour before.
    if (m_nMinute == 0 && now.time().second() < 2) {
        const QDateTime before = now.addSecs(-2);
        EnsureHourRows(before.date(), before.time().hour());
    }
    // Started in the last minute of an hour: no tick would make the next
    // hour's rows in time.
    OneMinuteTimeOut();
}

void RRegularSave::MiniteTimeout()
{
    const QDateTime now = m_pClock->Now();
    const int nMinute = now.time().hour() * 60 + now.time().minute();
    if (now.date() == m_dateCur && nMinute == m_nCurMinute) {
        // Woken before the minute ended: nothing has ended yet.
        ArmMinuteTimer();
        return;
    }
    ++m_nTickCount;
    m_nAverageMinute = m_nCurMinute;
    m_dateAverage = m_dateCur;
    m_nCurMinute = nMinute;
    m_dateCur = now.date();
    ArmMinuteTimer();

    // The first slice now, the rest between the events that queue up
    // meanwhile (readings among them), so the GUI never stalls for the whole
    // minute's work; the tick goes out when the last slice is done.
    BeginReduction(true);
    OnReductionSlice();
    // Checked again every minute (a few ms): a day deleted from the history
    // page takes its rows along, and the readings need them back.
    m_setReadyRows.clear();
    OneMinuteTimeOut();
}

void RRegularSave::OneMinuteTimeOut()
{
    const QDateTime now = m_pClock->Now();
    const QDate today = now.date();
    m_nHour = now.time().hour();
    m_nMinute = now.time().minute();
    // Normally made an hour ahead; this catches a start or a missed tick in
    // the last minute of the hour (or of the day).
    EnsureHourRows(today, m_nHour);
    EnsureDayRows(today);
    if (m_nMinute >= 59) {
        if (m_nHour < 23) {
            EnsureHourRows(today, m_nHour + 1);
        } else {
            EnsureDayRows(today.addDays(1));
            EnsureHourRows(today.addDays(1), 0);
        }
    }
}

void RRegularSave::EnsureDayRows(const QDate& date)
{
    const QString strDay = dayText(date);
    if (m_hashLastSlot.isEmpty() || m_setReadyRows.contains(strDay)
        || !RStorageState::Shared().IsUsable())
        return;
    QSqlQuery select(QSqlDatabase::database());
    QSqlQuery insert(QSqlDatabase::database());
    if (!prepare(select,
            QStringLiteral("select Month from MonthMinuteDose where Month = ? "
                           "and Id = ?"))
        || !prepare(insert, QStringLiteral("insert into MonthMinuteDose(Id, Month) values(?, ?)")))
        return;
    for (auto it = m_hashLastSlot.cbegin(); it != m_hashLastSlot.cend(); ++it) {
        select.bindValue(0, strDay);
        select.bindValue(1, it.key());
        const bool bFound = run(select) && select.next();
        select.finish();
        if (!bFound) {
            insert.bindValue(0, it.key());
            insert.bindValue(1, strDay);
            run(insert);
        }
    }
    if (m_setReadyRows.size() > 64)
        m_setReadyRows.clear();
    m_setReadyRows.insert(strDay);
}

void RRegularSave::EnsureHourRows(const QDate& date, int nHour)
{
    const QString strDay = dayText(date);
    const QString strKey = strDay + QLatin1Char('/') + QString::number(nHour);
    if (m_hashLastSlot.isEmpty() || m_setReadyRows.contains(strKey)
        || !RStorageState::Shared().IsUsable())
        return;
    QSqlQuery select(QSqlDatabase::database());
    QSqlQuery insert(QSqlDatabase::database());
    if (!prepare(select,
            QStringLiteral("select Hour from MonthData where Month = ? and Hour = ? "
                           "and Id = ?"))
        || !prepare(
            insert, QStringLiteral("insert into MonthData(Id, Month, Hour) values(?, ?, ?)")))
        return;
    for (auto it = m_hashLastSlot.cbegin(); it != m_hashLastSlot.cend(); ++it) {
        select.bindValue(0, strDay);
        select.bindValue(1, nHour);
        select.bindValue(2, it.key());
        const bool bFound = run(select) && select.next();
        select.finish();
        if (!bFound) {
            insert.bindValue(0, it.key());
            insert.bindValue(1, strDay);
            insert.bindValue(2, nHour);
            run(insert);
        }
    }
    if (m_setReadyRows.size() > 64)
        m_setReadyRows.clear();
    m_setReadyRows.insert(strKey);
}

void RRegularSave::CalcAverage()
{
    BeginReduction(false);
    FinishReduction();
}

void RRegularSave::BeginReduction(bool bSendTick)
{
    FinishReduction();
    if (!m_dateAverage.isValid())
        return;
    if (!RStorageState::Shared().IsUsable()) {
        // Nothing was stored to reduce; the pages still take their tick.
        if (bSendTick)
            SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
        return;
    }
    auto pJob = std::make_unique<Reduction>();
    pJob->nMinuteOfDay = m_nAverageMinute;
    pJob->strDay = dayText(m_dateAverage);
    pJob->bSendTick = bSendTick;
    pJob->ids = m_hashLastSlot.keys();
    const QSqlDatabase db = QSqlDatabase::database();

    // The day's maxima of all regions in one pass (the table has no index),
    // and the missing rows made at once, before any slice: a row the region
    // model adds meanwhile then never doubles one of ours.
    {
        QSqlQuery query(db);
        if (prepare(query,
                QStringLiteral("select rowid, Id, MaxDose from RegionLinkDoseInfo "
                               "where Month = ?"))) {
            query.bindValue(0, pJob->strDay);
            if (run(query)) {
                while (query.next()) {
                    const int nId = query.value(1).toInt();
                    if (!pJob->hashMax.contains(nId))
                        pJob->hashMax.insert(
                            nId, {query.value(0).toLongLong(), query.value(2).toFloat()});
                }
            }
        }
    }
    QSqlQuery insertMax(db);
    if (prepare(
            insertMax, QStringLiteral("insert into RegionLinkDoseInfo(Id, Month) values(?, ?)"))) {
        for (int nId : qAsConst(pJob->ids)) {
            if (pJob->hashMax.contains(nId))
                continue;
            insertMax.bindValue(0, nId);
            insertMax.bindValue(1, pJob->strDay);
            Reduction::DayMax dayMax;
            if (run(insertMax))
                dayMax.nRowId = insertMax.lastInsertId().toLongLong();
            pJob->hashMax.insert(nId, dayMax);
        }
    }

    QStringList columns;
    const int nFirstSlot = pJob->nMinuteOfDay % 60 * RMinuteReduction::SlotCount;
    for (int i = 0; i < RMinuteReduction::SlotCount; ++i)
        columns << QStringLiteral("\"%1\"").arg(nFirstSlot + i);
    pJob->selectSlots = QSqlQuery(db);
    pJob->updateMinute = QSqlQuery(db);
    pJob->updateMax = QSqlQuery(db);
    if (!prepare(pJob->selectSlots,
            QStringLiteral("select rowid, %1 from MonthData where Id = ? and "
                           "Month = ? and Hour = ?")
                .arg(columns.join(QLatin1String(", "))))
        || !prepare(pJob->updateMinute,
            QStringLiteral("update MonthMinuteDose set \"%1\" = ?, Sum = Sum + ?, "
                           "Maxindex = ? where Id = ? and Month = ?")
                .arg(pJob->nMinuteOfDay))
        || !prepare(pJob->updateMax,
            QStringLiteral("update RegionLinkDoseInfo set MaxDose = ?, "
                           "TimeInfo = ? where rowid = ?")))
        pJob->ids.clear();
    m_pReduction = std::move(pJob);
}

void RRegularSave::ReduceSlice(int nRegions)
{
    Reduction* pJob = m_pReduction.get();
    if (!pJob)
        return;
    const int nHour = pJob->nMinuteOfDay / 60;
    const int nMinute = pJob->nMinuteOfDay % 60;
    const int nFirstSlot = nMinute * RMinuteReduction::SlotCount;
    const int nEnd = qMin(pJob->ids.size(), pJob->nNext + nRegions);
    for (; pJob->nNext < nEnd; ++pJob->nNext) {
        const int nId = pJob->ids.at(pJob->nNext);
        Reduction::DayMax& dayMax = pJob->hashMax[nId];

        float fSlots[RMinuteReduction::SlotCount] = {};
        qint64 nHourRow = -1;
        QSqlQuery& selectSlots = pJob->selectSlots;
        selectSlots.bindValue(0, nId);
        selectSlots.bindValue(1, pJob->strDay);
        selectSlots.bindValue(2, nHour);
        if (run(selectSlots) && selectSlots.next()) {
            nHourRow = selectSlots.value(0).toLongLong();
            for (int i = 0; i < RMinuteReduction::SlotCount; ++i)
                fSlots[i] = selectSlots.value(1 + i).toFloat();
        }
        selectSlots.finish();

        const RMinuteReduction::Result result = RMinuteReduction::Reduce(fSlots, dayMax.fMax);
        if (result.nSpikeSlot >= 0 && nHourRow >= 0) {
            QSqlQuery updateSpike(QSqlDatabase::database());
            if (prepare(updateSpike,
                    QStringLiteral("update MonthData set \"%1\" = ? where rowid = ?")
                        .arg(nFirstSlot + result.nSpikeSlot))) {
                updateSpike.bindValue(0, stored(result.fSpikeReplacement));
                updateSpike.bindValue(1, nHourRow);
                run(updateSpike);
            }
        }

        const double dMinuteValue = stored(result.dMinuteValue);
        QSqlQuery& updateMinute = pJob->updateMinute;
        updateMinute.bindValue(0, dMinuteValue);
        updateMinute.bindValue(1, dMinuteValue);
        updateMinute.bindValue(2, pJob->nMinuteOfDay);
        updateMinute.bindValue(3, nId);
        updateMinute.bindValue(4, pJob->strDay);
        run(updateMinute);

        if (result.bNewMax && dayMax.nRowId >= 0) {
            dayMax.fMax = result.fDayMax;
            const QTime time = QTime(nHour, nMinute).addSecs(result.nMaxOffset);
            QSqlQuery& updateMax = pJob->updateMax;
            updateMax.bindValue(0, stored(result.fDayMax));
            updateMax.bindValue(1, time.toString(QStringLiteral("hh:mm:ss")));
            updateMax.bindValue(2, dayMax.nRowId);
            run(updateMax);
        }
    }

    if (pJob->nNext < pJob->ids.size())
        return;
    const bool bSendTick = pJob->bSendTick;
    m_pReduction.reset();
    // Every minute is committed once reduced: a crash or a power cut loses
    // at most the readings since the last minute boundary.
    Commit();
    // After the reduction, so the page that reloads its curves on the tick
    // already finds the minute that ended.
    if (bSendTick)
        SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
}

void RRegularSave::FinishReduction()
{
    while (m_pReduction)
        ReduceSlice(m_pReduction->ids.size());
}

bool RRegularSave::IsReducing() const
{
    return m_pReduction != nullptr;
}

void RRegularSave::OnReductionSlice()
{
    ReduceSlice(RegionsPerSlice);
    if (m_pReduction)
        QTimer::singleShot(0, this, &RRegularSave::OnReductionSlice);
}

void RRegularSave::StoreRegionReading(int nId, int nCount)
{
    // The connection and the cached statements belong to this thread.
    P_ASSERT_AT(QThread::currentThread() == thread(), "reading stored off the database thread",
        __FILE__, __LINE__);
    const auto itSlot = m_hashLastSlot.find(nId);
    if (itSlot == m_hashLastSlot.end() || nCount < 0) {
        fputs(UnknownReadingText(nId, nCount).toUtf8().constData(), stdout);
        return;
    }
    const int nKind = m_hashType.key(nId, 0);
    float& fDose = m_mapDose[nId];
    fDose = 0.0f;
    if (nKind == SBus::RegionPage)
        fDose = static_cast<float>(nCount) * m_fCeffR * 100.0f;
    SendSMessage(nKind, SBus::RegionReading, nId, reinterpret_cast<qintptr>(&fDose));

    // A second reading of one slot goes into the slot before it, so both
    // survive; a third one overwrites the slot again. The slot before the
    // first of an hour is the last of the hour before (its row exists: it was
    // the current hour a moment ago).
    const qint64 nSlot = slotNumber(m_pClock->Now());
    const qint64 nTarget = itSlot.value() == nSlot ? nSlot - 1 : nSlot;
    itSlot.value() = nTarget;
    WriteSlot(nId, nTarget, fDose);
}

void RRegularSave::WriteSlot(int nId, qint64 nSlot, float fDose)
{
    RStorageState& state = RStorageState::Shared();
    if (!state.IsUsable())
        return;
    const QDate date = QDate::fromJulianDay(nSlot / SlotsPerDay);
    const int nHour = static_cast<int>(nSlot % SlotsPerDay) / SlotsPerHour;
    const int nColumn = static_cast<int>(nSlot % SlotsPerHour);
    QSqlQuery* pQuery = m_slotStatements.Get(nColumn, [](int nKey) {
        return QStringLiteral("update MonthData set \"%1\" = ?, Sum = Sum + ? where Id = ? and "
                              "Month = ? and Hour = ?")
            .arg(nKey);
    });
    if (!pQuery)
        return;
    const double dDose = stored(fDose);
    pQuery->bindValue(0, dDose);
    pQuery->bindValue(1, dDose);
    pQuery->bindValue(2, nId);
    pQuery->bindValue(3, dayText(date));
    pQuery->bindValue(4, nHour);
    if (run(*pQuery)) {
        ++m_nUncommitted;
        return;
    }
    const QString strReason = pQuery->lastError().databaseText();
    if (!state.IsFailing())
        Log(1, "reading not stored: %s\n", strReason.toUtf8().constData());
    state.CommitFailed(strReason);
    state.ReadingsLost(1);
}

void RRegularSave::SaveFile()
{
    // The commit needs no statement of the reduction running; its rows
    // belong in this commit anyway.
    FinishReduction();
    Commit();
}
