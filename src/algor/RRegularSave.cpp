#include "algor/RRegularSave.h"

#include "algor/RMinuteReduction.h"
#include "database/PSqlExec.h"
#include "database/RInstrumentStore.h"
#include "database/RRegionCatalogue.h"
#include "database/RRegionDataStore.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "database/RSystemInfoStore.h"
#include "message/PAssert.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QDateTime>
#include <QMap>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <QtGlobal>

namespace {

constexpr int SlotsPerHour = 1800;
constexpr int SlotsPerDay = 24 * SlotsPerHour;
static_assert(RRegionDataStore::SlotsPerMinute == RMinuteReduction::SlotCount,
    "a reduction reads the minute's slots");
// Unregistered ids remembered for their hourly line; garbage ids from a
// broken stream must not grow the table without end.
constexpr int MaxUnknownIds = 4096;
// About 0.3-0.5 ms per region (most of it rewriting the 1445-column minute
// row): a slice keeps the GUI thread busy for about 15 ms at a time.
constexpr int RegionsPerSlice = 32;

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

} // namespace

// One minute's reduction in progress: the statements are prepared once for
// all regions; the regions are worked through in slices.
struct RRegularSave::Reduction
{
    Reduction(
        RStorageWriter& writer, const QDate& dateMinute, int nMinute, QHash<int, float> maxima)
        : nMinuteOfDay(nMinute)
        , date(dateMinute)
        , hashMax(std::move(maxima))
        , store(writer, dateMinute, nMinute)
    {
    }

    int nMinuteOfDay;
    QDate date;
    bool bSendTick = false;
    QList<int> ids;
    int nNext = 0;
    // The day's maximum of each region (µRad/h).
    QHash<int, float> hashMax;
    // The minute value of each region done (µRad/h, as stored).
    QHash<int, double> values;
    RRegionDataStore store;
};

RRegularSave::RRegularSave(RStorageWriter* pWriter, const RRegionCatalogue* pCatalogue,
    SClock* pClock, int nMinuteIntervalMs, int nSaveIntervalMs, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_nMinuteIntervalMs(nMinuteIntervalMs)
    , m_nSaveIntervalMs(nSaveIntervalMs)
    , m_pMinuteTimer(new QTimer(this))
    , m_pSaveTimer(new QTimer(this))
{
    // Re-armed at every tick towards the next whole minute of the clock, so
    // ticks neither drift nor fire a little early as coarse timers may.
    m_pMinuteTimer->setSingleShot(true);
    m_pMinuteTimer->setTimerType(Qt::PreciseTimer);
    m_pSaveTimer->setInterval(m_nSaveIntervalMs);
    connect(m_pMinuteTimer, &QTimer::timeout, this, &RRegularSave::MiniteTimeout);
    connect(m_pSaveTimer, &QTimer::timeout, this, &RRegularSave::SaveFile);
    connect(m_pWriter, &RStorageWriter::Recovered, this, &RRegularSave::OnStorageRecovered);
    m_pWriter->Reopen();
    LoadRegionIds();
    ReduceMissedMinutes();
}

RRegularSave::~RRegularSave()
{
    // The owner is going away: the minute still in progress is written, but
    // no tick goes to a window that may be half destroyed.
    if (m_pReduction)
        m_pReduction->bSendTick = false;
    StopTimers();
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (!db.isOpen() || !m_pWriter->State().IsUsable())
        return;
    // A file that refuses writes gets a bounded wait; the minutes that
    // waited for it are reduced once it takes them.
    RStorageWriter& writer = *m_pWriter;
    if (!writer.IsHealthy() && writer.Flush(m_nCloseWaitMs))
        FinishReduction();
    // The minute in progress gets its value from the slots it has, so a
    // restart after it has ended finds it reduced.
    if (m_dateCur.isValid())
        ReduceNow(m_dateCur, m_nCurMinute, m_hashLastSlot.keys());
    // What the file still refuses now is logged as lost.
    writer.Close(0);
}

QString RRegularSave::UnknownReadingText(int nId, int nCount)
{
    return QStringLiteral("has no nId, nCount = %1, nId = %2\n")
        .arg(static_cast<double>(nCount), 0, 'f', 6)
        .arg(nId);
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
    m_setReadyRows.clear();
    m_hashType.clear();
    m_hashLastSlot.clear();

    for (const RRegion& region : m_pCatalogue->Regions()) {
        m_hashType.insert(region.nId, SBus::RegionPage);
        m_hashLastSlot.insert(region.nId, -1);
    }

    m_fCeffR = static_cast<float>(RSystemInfoStore::Values().dCeffR);
    LoadCoefficients();

    StartCalcMinite();
}

void RRegularSave::SourceSwitched()
{
    m_switched.clear();
    for (auto it = m_hashLastSlot.cbegin(); it != m_hashLastSlot.cend(); ++it)
        m_switched.insert(it.key());
}

void RRegularSave::LoadCoefficients()
{
    m_ownCeff.clear();
    const QHash<int, double> own = RInstrumentStore::Coefficients();
    for (auto it = own.cbegin(); it != own.cend(); ++it)
        m_ownCeff.insert(it.key(), static_cast<float>(it.value()));
}

void RRegularSave::StopTimers()
{
    // A reload commits right after this: the minute being reduced goes with it.
    FinishReduction();
    m_pMinuteTimer->stop();
    m_pSaveTimer->stop();
}

void RRegularSave::ArmMinuteTimer()
{
    const QTime time = m_pClock->Now().time();
    const int nToNextMinute = 60000 - (time.second() * 1000 + time.msec());
    m_pMinuteTimer->start(qMin(m_nMinuteIntervalMs, nToNextMinute));
}

void RRegularSave::StartCalcMinite()
{
    const QDateTime now = m_pClock->Now();
    m_dateCur = now.date();
    m_nCurMinute = now.time().hour() * 60 + now.time().minute();
    ArmMinuteTimer();
    m_pSaveTimer->start(m_nSaveIntervalMs);
    m_lastWall = now;
    m_nLastElapsedMs = m_pClock->ElapsedMs();

    m_nTickCount = 0;
    for (auto it = m_hashLastSlot.begin(); it != m_hashLastSlot.end(); ++it)
        it.value() = -1;

    // The rows are inserted inside the transaction: one commit for all of
    // them instead of one disk sync per row.
    m_pWriter->Begin();
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

bool RRegularSave::CheckClock(const QDateTime& now)
{
    const qint64 nElapsedMs = m_pClock->ElapsedMs();
    bool bJumped = false;
    if (m_lastWall.isValid()) {
        const qint64 nJumpMs = m_lastWall.msecsTo(now) - (nElapsedMs - m_nLastElapsedMs);
        if (qAbs(nJumpMs) > ClockJumpMs) {
            Log(LogLevel::Warning, "the clock jumped by %+lld s, from %s to %s\n",
                static_cast<long long>(nJumpMs / 1000),
                m_lastWall.addMSecs(nElapsedMs - m_nLastElapsedMs)
                    .toString(Qt::ISODate)
                    .toUtf8()
                    .constData(),
                now.toString(Qt::ISODate).toUtf8().constData());
            bJumped = true;
        }
    }
    m_lastWall = now;
    m_nLastElapsedMs = nElapsedMs;
    return bJumped;
}

void RRegularSave::MiniteTimeout()
{
    CheckClock(m_pClock->Now());
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
    BeginReduction(m_dateAverage, m_nAverageMinute, true);
    ReduceSlice(RegionsPerSlice);
    if (m_pReduction)
        QueueSlice();
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
    const QString strDay = SClock::DayText(date);
    if (m_hashLastSlot.isEmpty() || m_setReadyRows.contains(strDay)
        || !m_pWriter->State().IsUsable())
        return;
    // Made ahead only while the file takes writes: the readings make their
    // rows themselves when they find none.
    if (!m_pWriter->IsHealthy()
        || !RRegionDataStore::EnsureDayRows(*m_pWriter, m_hashLastSlot.keys(), date))
        return;
    if (m_setReadyRows.size() > 64)
        m_setReadyRows.clear();
    m_setReadyRows.insert(strDay);
}

void RRegularSave::EnsureHourRows(const QDate& date, int nHour)
{
    const QString strDay = SClock::DayText(date);
    const QString strKey = strDay + QLatin1Char('/') + QString::number(nHour);
    if (m_hashLastSlot.isEmpty() || m_setReadyRows.contains(strKey)
        || !m_pWriter->State().IsUsable())
        return;
    if (!m_pWriter->IsHealthy()
        || !RRegionDataStore::EnsureHourRows(*m_pWriter, m_hashLastSlot.keys(), date, nHour))
        return;
    if (m_setReadyRows.size() > 64)
        m_setReadyRows.clear();
    m_setReadyRows.insert(strKey);
}

void RRegularSave::CalcAverage()
{
    BeginReduction(m_dateAverage, m_nAverageMinute, false);
    FinishReduction();
}

void RRegularSave::BeginReduction(const QDate& date, int nMinute, bool bSendTick)
{
    FinishReduction();
    if (!date.isValid())
        return;
    if (!m_pWriter->State().IsUsable() || !m_pWriter->IsHealthy()) {
        // Nothing was stored to reduce, or the slots are not all in the file
        // yet: the minute waits for them. The pages still take their tick.
        if (m_pWriter->State().IsUsable())
            m_deferred.append(qMakePair(date, nMinute));
        if (bSendTick)
            SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
        return;
    }
    const QList<int> ids = m_hashLastSlot.keys();
    // The day's maxima and the missing link rows at once, before any slice:
    // a row the region model adds meanwhile then never doubles one of ours.
    auto pJob = std::make_unique<Reduction>(
        *m_pWriter, date, nMinute, RRegionDataStore::DayMaxima(*m_pWriter, ids, date));
    pJob->bSendTick = bSendTick;
    if (pJob->store.IsReady())
        pJob->ids = ids;
    m_pReduction = std::move(pJob);
}

void RRegularSave::ReduceSlice(int nRegions)
{
    Reduction* pJob = m_pReduction.get();
    if (!pJob)
        return;
    const int nHour = pJob->nMinuteOfDay / 60;
    const int nMinute = pJob->nMinuteOfDay % 60;
    RStorageWriter& writer = *m_pWriter;
    const int nEnd = qMin(pJob->ids.size(), pJob->nNext + nRegions);
    for (; pJob->nNext < nEnd; ++pJob->nNext) {
        if (!writer.IsHealthy()) {
            // The file refused a write between slices: what this job wrote is
            // kept and replayed, and the whole minute is reduced again after.
            m_deferred.append(qMakePair(pJob->date, pJob->nMinuteOfDay));
            const bool bSendTick = pJob->bSendTick;
            m_pReduction.reset();
            if (bSendTick)
                SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
            return;
        }
        const int nId = pJob->ids.at(pJob->nNext);
        float& fDayMax = pJob->hashMax[nId];

        float fSlots[RMinuteReduction::SlotCount] = {};
        qint64 nHourRow = -1;
        pJob->store.ReadSlots(nId, fSlots, &nHourRow);

        const RMinuteReduction::Result result = RMinuteReduction::Reduce(fSlots, fDayMax);
        if (result.nSpikeSlot >= 0 && nHourRow >= 0)
            pJob->store.WriteSlot(nHourRow, result.nSpikeSlot, stored(result.fSpikeReplacement));

        pJob->store.WriteMinute(nId, stored(result.dMinuteValue));
        pJob->values.insert(nId, stored(result.dMinuteValue));

        if (result.bNewMax) {
            fDayMax = result.fDayMax;
            const QTime time = QTime(nHour, nMinute).addSecs(result.nMaxOffset);
            pJob->store.WriteDayMax(
                nId, stored(result.fDayMax), time.toString(QStringLiteral("hh:mm:ss")));
        }
    }

    if (pJob->nNext < pJob->ids.size())
        return;
    const bool bSendTick = pJob->bSendTick;
    const QDate date = pJob->date;
    const int nMinuteOfDay = pJob->nMinuteOfDay;
    const QHash<int, double> values = std::move(pJob->values);
    m_pReduction.reset();
    // Every minute is committed once reduced: a crash or a power cut loses
    // at most the readings since the last minute boundary.
    writer.Commit();
    emit MinuteClosed(date, nMinuteOfDay, values);
    // After the reduction, so the page that reloads its curves on the tick
    // already finds the minute that ended.
    if (bSendTick)
        SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
    StartDeferred();
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

void RRegularSave::QueueSlice()
{
    // One chain of slices at a time: a minute that ends in a slice and starts
    // the next deferred one must not start a second chain beside it, or each
    // pass of the event loop would run one slice more than the last.
    if (m_bSliceQueued)
        return;
    m_bSliceQueued = true;
    QTimer::singleShot(0, this, &RRegularSave::OnReductionSlice);
}

void RRegularSave::OnReductionSlice()
{
    m_bSliceQueued = false;
    ReduceSlice(RegionsPerSlice);
    if (m_pReduction)
        QueueSlice();
}

void RRegularSave::StoreRegionReading(int nId, int nCount)
{
    // The connection and the cached statements belong to this thread.
    P_ASSERT(QThread::currentThread() == thread(), "reading stored off the database thread");
    // A jump of the wall clock ends the minute the clock left.
    const QDateTime now = m_pClock->Now();
    if (CheckClock(now))
        MiniteTimeout();
    const auto itSlot = m_hashLastSlot.find(nId);
    if (itSlot == m_hashLastSlot.end() || nCount < 0) {
        LogUnknown(nId, nCount);
        return;
    }
    const qint64 nSlot = slotNumber(now);
    if (m_switched.remove(nId) && itSlot.value() == nSlot) {
        Log(LogLevel::Notice, "reading of %d dropped: its slot has the other server's\n", nId);
        return;
    }
    const int nKind = m_hashType.value(nId, 0);
    float& fDose = m_mapDose[nId];
    fDose = 0.0f;
    if (nKind == SBus::RegionPage)
        fDose = static_cast<float>(nCount) * m_ownCeff.value(nId, m_fCeffR) * 100.0f;
    SendSMessage(nKind, SBus::RegionReading, nId, reinterpret_cast<qintptr>(&fDose));
    const float fStored = fDose;

    // A second reading of one slot goes into the slot before it, so both
    // survive; a third one overwrites the slot again. The slot before the
    // first of an hour is the last of the hour before (its row exists: it was
    // the current hour a moment ago).
    const qint64 nTarget = itSlot.value() == nSlot ? nSlot - 1 : nSlot;
    itSlot.value() = nTarget;
    WriteSlot(nId, nTarget, fStored);
    if (nKind == SBus::RegionPage)
        emit ReadingStored(nId, fStored);
}

void RRegularSave::WriteSlot(int nId, qint64 nSlot, float fDose)
{
    const QDate date = QDate::fromJulianDay(nSlot / SlotsPerDay);
    const int nHour = static_cast<int>(nSlot % SlotsPerDay) / SlotsPerHour;
    const int nColumn = static_cast<int>(nSlot % SlotsPerHour);
    m_pWriter->StoreSlot(nId, date, nHour, nColumn, stored(fDose));
}

void RRegularSave::LogUnknown(int nId, int nCount)
{
    // One line per id and hour: a device the site never registered reports
    // every two seconds, and the log must stay readable.
    const QDateTime now = m_pClock->Now();
    const qint64 nHour = now.date().toJulianDay() * 24 + now.time().hour();
    if (!m_hashUnknown.contains(nId) && m_hashUnknown.size() >= MaxUnknownIds)
        m_hashUnknown.clear();
    Unknown& unknown = m_hashUnknown[nId];
    ++unknown.nDropped;
    if (unknown.nHour == nHour)
        return;
    QString strLine = UnknownReadingText(nId, nCount);
    strLine.chop(1);
    if (unknown.nHour >= 0)
        strLine += QStringLiteral("; %1 reading(s) of this id dropped since the last line")
                       .arg(unknown.nDropped);
    Log(LogLevel::Warning, "%s; more this hour are counted, not logged\n",
        strLine.toUtf8().constData());
    unknown.nHour = nHour;
    unknown.nDropped = 0;
}

void RRegularSave::ReduceNow(const QDate& date, int nMinute, const QList<int>& ids)
{
    BeginReduction(date, nMinute, false);
    if (m_pReduction)
        m_pReduction->ids = ids;
    FinishReduction();
}

void RRegularSave::OnStorageRecovered()
{
    if (!m_pReduction)
        StartDeferred();
}

bool RRegularSave::StartDeferred()
{
    // In the order they ended, one after the other in slices like any
    // minute, so an hour of them does not stall the GUI; a minute that comes
    // twice is harmless.
    if (m_deferred.isEmpty() || !m_pWriter->IsHealthy())
        return false;
    const QPair<QDate, int> minute = m_deferred.takeFirst();
    BeginReduction(minute.first, minute.second, false);
    QueueSlice();
    return true;
}

void RRegularSave::ReduceMissedMinutes()
{
    // A minute of today before the current one that has readings in its
    // slots but no value: the program stopped (or crashed) before its tick.
    if (!m_pWriter->State().IsUsable() || !m_dateCur.isValid())
        return;
    const QMap<int, QList<int>> missed
        = RRegionDataStore::UnreducedMinutes(m_hashLastSlot.keys(), m_dateCur, m_nCurMinute);
    if (missed.isEmpty())
        return;
    Log(LogLevel::Notice, "reducing %d minute(s) of today that have readings but no value\n",
        missed.size());
    for (auto it = missed.cbegin(); it != missed.cend(); ++it)
        ReduceNow(m_dateCur, it.key(), it.value());
    m_pWriter->Commit();
}

void RRegularSave::SaveFile()
{
    // The commit needs no statement of the reduction running; its rows
    // belong in this commit anyway.
    FinishReduction();
    m_pWriter->Commit();
}
