#include "realtime/RAlarmState.h"

#include "database/RAlarmJournal.h"
#include "database/RAlarmStateStore.h"
#include "database/RRegionDataStore.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"
#include "realtime/RRealDoseModel.h"

#include <QDir>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>

RAlarmState::RAlarmState(RAlarmJournal* pJournal, QObject* pParent, SClock* pClock)
    : QObject(pParent)
    , m_pJournal(pJournal)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_strOperator(DesktopUser())
    , m_pFlashTimer(new QTimer(this))
    , m_pPollTimer(new QTimer(this))
{
    m_pFlashTimer->setInterval(kFlashMs);
    connect(m_pFlashTimer, &QTimer::timeout, this, &RAlarmState::FlashStep);
    m_pPollTimer->setInterval(kPollMs);
    connect(m_pPollTimer, &QTimer::timeout, this, &RAlarmState::Poll);
    m_pPollTimer->start();
    LoadShelves();
}

RAlarmState::~RAlarmState()
{
    if (m_pJournal && !m_bStopped)
        m_pJournal->Writer().SetBeforeCommit(nullptr);
}

QColor RAlarmState::AlarmColour(bool bBright)
{
    return bBright ? QColor(220, 0, 0) : QColor(96, 0, 0);
}

QColor RAlarmState::ShelvedColour()
{
    return QColor(150, 150, 150);
}

QColor RAlarmState::OutOfServiceColour()
{
    return QColor(70, 110, 170);
}

QString RAlarmState::DesktopUser()
{
    const QString strUser = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    if (!strUser.isEmpty())
        return strUser;
    // Started without a login's environment (a service, a script).
    const passwd* pEntry = getpwuid(getuid());
    return pEntry ? QString::fromLocal8Bit(pEntry->pw_name) : QDir::home().dirName();
}

RAlarmState::Look RAlarmState::LookOf(int nId) const
{
    if (m_outages.contains(nId))
        return OutOfService;
    if (m_shelves.contains(nId))
        return Shelved;
    const bool bActive = m_active.contains(nId);
    if (m_unacknowledged.contains(nId))
        return bActive ? ActiveUnacknowledged : ClearedUnacknowledged;
    return bActive ? ActiveAcknowledged : NoAlarm;
}

void RAlarmState::Write(const QString& strEvent, int nId, double dDose, int nThreshold,
    const QString& strOperator, const QString& strDetail)
{
    if (!m_pJournal || m_bStopped)
        return;
    // Every row of a shelved region says so, whatever wrote it.
    QString strMarked = strDetail;
    if (nId != kLinkId && m_shelves.contains(nId) && strEvent != QLatin1String("shelve")
        && !strDetail.split(QLatin1Char(';')).contains(QLatin1String("shelved=1")))
        strMarked = strDetail.isEmpty() ? QStringLiteral("shelved=1")
                                        : strDetail + QStringLiteral(";shelved=1");
    m_pJournal->Write(strEvent, nId, dDose, nThreshold, strOperator, strMarked);
}

bool RAlarmState::InEpisode(int nId) const
{
    if (m_active.contains(nId))
        return true;
    const QDateTime last = m_lastAlarm.value(nId);
    return last.isValid() && last.msecsTo(m_pClock->Now()) < kEpisodeMs;
}

void RAlarmState::Save(int nId)
{
    if (!m_pJournal || m_bStopped)
        return;
    RAlarmRecord record;
    record.bUnacknowledged = m_unacknowledged.contains(nId);
    if (nId != kLinkId) {
        record.bActive = m_active.contains(nId);
        record.bRaised = m_raised.contains(nId);
        record.bChattering = m_chatter.IsChattering(nId);
        if (record.bChattering)
            record.chatterStart
                = m_pClock->Now().addMSecs(-(m_pClock->ElapsedMs() - m_chatter.StartOf(nId)));
        record.episodeStart = m_episodeStart.value(nId);
        record.lastAlarm = m_lastAlarm.value(nId);
        const Reading reading = m_readings.value(nId);
        record.dDose = reading.dDose;
        record.nThreshold = reading.nThreshold;
    }
    RAlarmStateStore::Store(m_pJournal->Writer(), nId, record);
    m_lastAlarmSavedMs.insert(nId, m_pClock->ElapsedMs());
}

void RAlarmState::SaveFlood()
{
    if (!m_pJournal || m_bStopped)
        return;
    RAlarmStateStore::StoreFlood(m_pJournal->Writer(), {m_bFlood, m_floodStart, m_nFloodAlarms});
}

void RAlarmState::Start()
{
    if (!m_pJournal)
        return;
    m_bStopped = false;
    Restore();
    const QDateTime now = m_pClock->Now();
    QString strDetail;
    if (RAlarmStateStore::WasRunning()) {
        // Nothing after the last commit reached the file: that is when the
        // record stops.
        const QDateTime last = RAlarmStateStore::LastCommit();
        strDetail = QStringLiteral("crash=1");
        if (last.isValid())
            strDetail += QStringLiteral(";since=") + RAlarmJournal::TimeText(last)
                + QStringLiteral(";seconds=%1").arg(last.secsTo(now));
    } else {
        const QDateTime stopped = RAlarmStateStore::StoppedAt();
        if (stopped.isValid())
            strDetail = QStringLiteral("since=") + RAlarmJournal::TimeText(stopped)
                + QStringLiteral(";seconds=%1").arg(stopped.secsTo(now));
    }
    RAlarmStateStore::StoreRunning(m_pJournal->Writer(), true, now);
    Write(QStringLiteral("started"), kLinkId, 0.0, 0, QString(), strDetail);
    SClock* pClock = m_pClock;
    m_pJournal->Writer().SetBeforeCommit(
        [pClock]() { RAlarmStateStore::StampCommit(pClock->Now()); });
    Poll();
}

void RAlarmState::Restore()
{
    const QDateTime now = m_pClock->Now();
    const qint64 nNowMs = m_pClock->ElapsedMs();
    const QHash<int, RAlarmRecord> records = RAlarmStateStore::Load();
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const int nId = it.key();
        const RAlarmRecord& record = it.value();
        if (record.bUnacknowledged)
            m_unacknowledged.insert(nId);
        if (nId == kLinkId)
            continue;
        if (record.bActive)
            m_active.insert(nId);
        if (record.bRaised)
            m_raised.insert(nId);
        if (record.episodeStart.isValid())
            m_episodeStart.insert(nId, record.episodeStart);
        if (record.lastAlarm.isValid())
            m_lastAlarm.insert(nId, record.lastAlarm);
        m_readings.insert(nId, {record.dDose, record.nThreshold});
        // Its raises since are not known: the spell runs on for a minute
        // from now unless more come.
        if (record.bChattering) {
            const QDateTime start = record.chatterStart.isValid() ? record.chatterStart : now;
            m_chatter.Resume(nId, nNowMs - start.msecsTo(now), nNowMs);
        }
    }
    const RFloodRecord flood = RAlarmStateStore::LoadFlood();
    if (flood.bFlood) {
        m_bFlood = true;
        m_floodStart = flood.start;
        m_nFloodStartMs = nNowMs - flood.start.msecsTo(now);
        m_nFloodAlarms = flood.nAlarms;
    }
    // The flood window goes on from the episodes the journal has begun in it.
    const QDateTime windowStart = now.addMSecs(-kFloodWindowMs);
    QVector<qint64> raises;
    for (const RAlarmEvent& event : RAlarmJournal::Read(windowStart.date(), now.date())) {
        if (event.nId != kLinkId && event.strEvent == QLatin1String("alarm")
            && event.time > windowStart && event.time <= now && !RAlarmJournal::IsContinued(event))
            raises.append(nNowMs - event.time.msecsTo(now));
    }
    std::sort(raises.begin(), raises.end());
    m_recentRaises = raises;
    UpdateFlashing();
    emit LookChanged(0);
    if (!m_unacknowledged.isEmpty())
        emit UnacknowledgedChanged(true);
    if (m_bFlood) {
        m_nFloodShown = m_recentRaises.size();
        emit FloodChanged(true, m_nFloodShown);
    }
}

void RAlarmState::Stop(const QString& strWho, const QString& strHow)
{
    if (!m_pJournal || m_bStopped)
        return;
    const QDateTime now = m_pClock->Now();
    CloseLink(QStringLiteral("stop"));
    // The last raised readings exactly, not as of the last periodic write.
    QSet<int> ids = m_active + m_raised + m_unacknowledged;
    for (auto it = m_lastAlarm.cbegin(); it != m_lastAlarm.cend(); ++it)
        ids.insert(it.key());
    QList<int> sorted = ids.values();
    std::sort(sorted.begin(), sorted.end());
    for (int nId : qAsConst(sorted))
        Save(nId);
    SaveFlood();
    RAlarmStateStore::StoreRunning(m_pJournal->Writer(), false, now);
    Write(QStringLiteral("stopped"), kLinkId, 0.0, 0, strWho, strHow);
    m_pJournal->Writer().SetBeforeCommit(nullptr);
    m_bStopped = true;
}

void RAlarmState::OnAlarmReading(int nId, float fDose)
{
    // A shelved region's alarm is out of service: no episode runs.
    if (IsSilenced(nId) || !m_active.contains(nId))
        return;
    Q_UNUSED(fDose);
    m_lastAlarm.insert(nId, m_pClock->Now());
    const qint64 nNow = m_pClock->ElapsedMs();
    const auto saved = m_lastAlarmSavedMs.constFind(nId);
    if (saved == m_lastAlarmSavedMs.cend() || nNow - saved.value() >= kLastAlarmSaveMs)
        Save(nId);
}

void RAlarmState::OnAlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold)
{
    Q_UNUSED(nFrom);
    m_readings.insert(nId, {static_cast<double>(fDose), nThreshold});
    // The state is written before any row it causes: a commit the row asks
    // for then holds both.
    if (nTo == RRealDoseModel::Warning) {
        if (!m_raised.contains(nId)) {
            m_raised.insert(nId);
            Save(nId);
        }
        if (!IsSilenced(nId))
            RaiseRegion(nId);
    } else if (nTo == RRealDoseModel::Normal) {
        if (m_raised.remove(nId))
            Save(nId);
        // The alarm stays latched until acknowledged. A region that went
        // silent in alarm clears here too, on its first reading below the
        // threshold, so no view shows an alarm the journal has cleared.
        if (!IsSilenced(nId) && !m_chatter.IsChattering(nId))
            ClearRegion(nId);
    }
    Poll();
}

void RAlarmState::RaiseRegion(int nId, const QString& strDetail)
{
    const qint64 nNow = m_pClock->ElapsedMs();
    const QDateTime now = m_pClock->Now();
    if (m_chatter.IsChattering(nId)) {
        // Counted into the episode; already shown, written and sounded.
        m_chatter.Raise(nId, nNow);
        m_lastAlarm.insert(nId, now);
        return;
    }
    if (m_active.contains(nId)) {
        // Raised again with no clear between: back on line, over a new
        // connection or after a restart. Its alarm and episode go on, with
        // nothing new to write, count or sound.
        m_lastAlarm.insert(nId, now);
        return;
    }
    const bool bContinues = InEpisode(nId);
    QString strRow = strDetail;
    if (bContinues)
        strRow += QLatin1String(strRow.isEmpty() ? "continued=1" : ";continued=1");
    const Reading reading = m_readings.value(nId);
    m_active.insert(nId);
    const bool bFirst = MarkUnacknowledged(nId);
    m_lastAlarm.insert(nId, now);
    if (!bContinues) {
        // The day's count is the day's episodes, in the commit of the row
        // that begins one.
        m_episodeStart.insert(nId, now);
        if (m_pJournal && !m_bStopped)
            RRegionDataStore::CountAlarm(m_pJournal->Writer(), nId, now.date());
    }
    Save(nId);
    Write(QStringLiteral("alarm"), nId, reading.dDose, reading.nThreshold, QString(), strRow);
    if (!bContinues)
        CountFloodAlarm();
    Announce(nId, bFirst);
    const int nRaises = m_chatter.Raise(nId, nNow);
    if (nRaises > 0) {
        Save(nId);
        Write(QStringLiteral("chattering"), nId, reading.dDose, reading.nThreshold, QString(),
            QStringLiteral("alarms=%1").arg(nRaises));
        emit LookChanged(nId);
    }
}

void RAlarmState::ClearRegion(int nId, const QString& strDetail)
{
    if (!m_active.remove(nId))
        return;
    const Reading reading = m_readings.value(nId);
    Save(nId);
    Write(QStringLiteral("clear"), nId, reading.dDose, reading.nThreshold, QString(), strDetail);
    UpdateFlashing();
    emit LookChanged(nId);
}

void RAlarmState::EndChatter(const RAlarmChatter::Episode& episode)
{
    const Reading reading = m_readings.value(episode.nId);
    Save(episode.nId);
    Write(QStringLiteral("chatter-end"), episode.nId, reading.dDose, reading.nThreshold, QString(),
        QStringLiteral("alarms=%1;seconds=%2").arg(episode.nUnwritten).arg(episode.nMs / 1000));
    // Back to the ordinary rule: an alarm still raised stays open, one that
    // went down meanwhile is cleared now.
    if (!m_raised.contains(episode.nId) || IsSilenced(episode.nId))
        ClearRegion(episode.nId);
    emit LookChanged(episode.nId);
}

void RAlarmState::OnOnlineChanged(int nId, bool bOnline)
{
    // A monitor taken out for service is expected to go silent.
    if (m_outages.contains(nId))
        return;
    Write(bOnline ? QStringLiteral("online") : QStringLiteral("offline"), nId);
}

void RAlarmState::OnLinkChanged(bool bUp)
{
    // Every connection made is news; a drop only of one that was made.
    if (!bUp && !m_bLinkUp)
        return;
    bool bFirst = false;
    if (!bUp) {
        bFirst = MarkUnacknowledged(kLinkId);
        Save(kLinkId);
    }
    Write(bUp ? QStringLiteral("link-up") : QStringLiteral("link-down"), kLinkId);
    const bool bChanged = bUp != m_bLinkUp;
    m_bLinkUp = bUp;
    if (bChanged)
        emit LinkChanged(bUp);
    // Latched like a region's alarm: a link back before anyone looked must
    // still be seen.
    if (!bUp)
        Announce(kLinkId, bFirst);
}

void RAlarmState::CloseLink(const QString& strReason)
{
    if (!m_bLinkUp)
        return;
    Write(QStringLiteral("link-down"), kLinkId, 0.0, 0, QString(),
        QStringLiteral("reason=") + strReason);
    m_bLinkUp = false;
    emit LinkChanged(false);
}

bool RAlarmState::MarkUnacknowledged(int nId)
{
    const bool bFirst = m_unacknowledged.isEmpty();
    m_unacknowledged.insert(nId);
    return bFirst;
}

void RAlarmState::Announce(int nId, bool bFirst)
{
    UpdateFlashing();
    emit AcknowledgementChanged(nId);
    emit LookChanged(nId);
    if (bFirst)
        emit UnacknowledgedChanged(true);
    emit NewAlarm(nId);
}

void RAlarmState::Acknowledge(int nId)
{
    if (!m_unacknowledged.remove(nId))
        return;
    Save(nId);
    Write(QStringLiteral("ack"), nId, 0.0, 0, m_strOperator);
    UpdateFlashing();
    emit AcknowledgementChanged(nId);
    emit LookChanged(nId);
    if (m_unacknowledged.isEmpty())
        emit UnacknowledgedChanged(false);
}

void RAlarmState::AcknowledgeAll()
{
    QList<int> ids = m_unacknowledged.values();
    std::sort(ids.begin(), ids.end());
    for (int nId : ids)
        Acknowledge(nId);
}

bool RAlarmState::Shelve(int nId, const QDateTime& until, const QString& strReason)
{
    const QDateTime now = m_pClock->Now();
    if (nId == kLinkId || IsSilenced(nId) || !until.isValid() || until <= now)
        return false;
    QDateTime end = qMin(until, now.addSecs(kMaxShelfSecs));
    // Whole seconds, as the journal and the file write it.
    end.setTime(QTime(end.time().hour(), end.time().minute(), end.time().second()));
    // Taken out of service by an officer who has seen it: acknowledged, and
    // the open alarm closed, so that the shelved hours count apart from the
    // time in alarm.
    // The shelf comes first, so every row below says the region is shelved.
    const RAlarmShelf shelf {end, strReason, m_strOperator};
    m_shelves.insert(nId, shelf);
    if (m_pJournal)
        RAlarmShelfStore::Store(m_pJournal->Writer(), nId, shelf);
    Acknowledge(nId);
    if (m_chatter.IsChattering(nId))
        EndChatter(m_chatter.Stop(nId, m_pClock->ElapsedMs()));
    ClearRegion(nId);
    const QString strDetail
        = QStringLiteral("until=%1;reason=%2").arg(RAlarmJournal::TimeText(end), strReason);
    Write(QStringLiteral("shelve"), nId, 0.0, 0, m_strOperator, strDetail);
    emit LookChanged(nId);
    emit ShelfChanged(nId, true, m_strOperator, strDetail);
    return true;
}

bool RAlarmState::Unshelve(int nId, const QString& strReason)
{
    if (!m_shelves.contains(nId))
        return false;
    EndShelf(nId, m_strOperator, QStringLiteral("reason=") + strReason);
    return true;
}

void RAlarmState::EndShelf(int nId, const QString& strAccount, const QString& strDetail)
{
    m_shelves.remove(nId);
    if (m_pJournal)
        RAlarmShelfStore::Remove(m_pJournal->Writer(), nId);
    Write(QStringLiteral("unshelve"), nId, 0.0, 0, strAccount, strDetail);
    emit LookChanged(nId);
    emit ShelfChanged(nId, false, strAccount, strDetail);
    // Back in service while raised: an alarm of its own, at once.
    if (m_raised.contains(nId) && !m_outages.contains(nId))
        RaiseRegion(nId, QStringLiteral("unshelved=1"));
}

void RAlarmState::LoadShelves()
{
    m_shelves = RAlarmShelfStore::Load();
    if (m_pJournal)
        m_outages = RInstrumentStore::OpenOutages();
    emit LookChanged(0);
}

bool RAlarmState::TakeOutOfService(int nId, const QString& strReason)
{
    if (nId == kLinkId || m_outages.contains(nId) || strReason.trimmed().isEmpty())
        return false;
    const QString strDetail = QStringLiteral("reason=") + strReason.trimmed();
    // A shelving ends here, without its return's alarm: the monitor is out.
    RInstrumentOutage outage;
    outage.nId = nId;
    outage.since = m_pClock->Now();
    outage.strReason = strReason.trimmed();
    outage.strAccount = m_strOperator;
    m_outages.insert(nId, outage);
    if (m_shelves.contains(nId))
        EndShelf(nId, m_strOperator, QStringLiteral("reason=out of service"));
    if (m_pJournal && !m_bStopped)
        RInstrumentStore::BeginOutage(m_pJournal->Writer(), outage);
    // Whoever takes it out has seen its alarm: acknowledged and closed, so
    // that the time out of service counts apart from the time in alarm.
    Acknowledge(nId);
    if (m_chatter.IsChattering(nId))
        EndChatter(m_chatter.Stop(nId, m_pClock->ElapsedMs()));
    ClearRegion(nId);
    Write(QStringLiteral("out-of-service"), nId, 0.0, 0, m_strOperator, strDetail);
    emit LookChanged(nId);
    emit ServiceChanged(nId, true, outage.strReason);
    return true;
}

bool RAlarmState::ReturnToService(int nId, const QString& strReason)
{
    if (!m_outages.remove(nId))
        return false;
    if (m_pJournal && !m_bStopped)
        RInstrumentStore::EndOutage(
            m_pJournal->Writer(), nId, m_pClock->Now(), strReason.trimmed(), m_strOperator);
    Write(QStringLiteral("in-service"), nId, 0.0, 0, m_strOperator,
        QStringLiteral("reason=") + strReason.trimmed());
    emit LookChanged(nId);
    emit ServiceChanged(nId, false, strReason.trimmed());
    // Raised as it comes back: an alarm of its own, at once.
    if (m_raised.contains(nId))
        RaiseRegion(nId, QStringLiteral("in-service=1"));
    return true;
}

void RAlarmState::Poll()
{
    const qint64 nNow = m_pClock->ElapsedMs();
    QVector<RAlarmChatter::Episode> ended = m_chatter.Expire(nNow);
    std::sort(ended.begin(), ended.end(),
        [](const RAlarmChatter::Episode& a, const RAlarmChatter::Episode& b) {
            return a.nId < b.nId;
        });
    for (const RAlarmChatter::Episode& episode : qAsConst(ended))
        EndChatter(episode);

    if (!m_shelves.isEmpty()) {
        const QDateTime now = m_pClock->Now();
        QList<int> expired;
        for (auto it = m_shelves.cbegin(); it != m_shelves.cend(); ++it) {
            if (it->until <= now)
                expired.append(it.key());
        }
        std::sort(expired.begin(), expired.end());
        for (int nId : qAsConst(expired))
            EndShelf(nId, QString(), QStringLiteral("expired"));
    }
    UpdateFlood();
}

void RAlarmState::CountFloodAlarm()
{
    m_recentRaises.append(m_pClock->ElapsedMs());
    if (m_bFlood) {
        ++m_nFloodAlarms;
        SaveFlood();
    }
    UpdateFlood();
}

void RAlarmState::UpdateFlood()
{
    const qint64 nNow = m_pClock->ElapsedMs();
    const auto first = std::find_if(m_recentRaises.begin(), m_recentRaises.end(),
        [nNow](qint64 nMs) { return nMs > nNow - kFloodWindowMs; });
    m_recentRaises.erase(m_recentRaises.begin(), first);
    const int nRecent = m_recentRaises.size();
    if (!m_bFlood && nRecent > kFloodLimit) {
        m_bFlood = true;
        m_nFloodStartMs = nNow;
        m_floodStart = m_pClock->Now();
        m_nFloodAlarms = nRecent;
        SaveFlood();
        Write(QStringLiteral("flood"), kLinkId, 0.0, 0, QString(),
            QStringLiteral("alarms=%1").arg(nRecent));
    } else if (m_bFlood && nRecent <= kFloodEndAt) {
        // Half the limit, so that a steady trickle at the limit does not
        // begin and end a flood at every alarm.
        m_bFlood = false;
        SaveFlood();
        Write(QStringLiteral("flood-end"), kLinkId, 0.0, 0, QString(),
            QStringLiteral("alarms=%1;seconds=%2")
                .arg(m_nFloodAlarms)
                .arg((nNow - m_nFloodStartMs) / 1000));
        m_nFloodShown = 0;
        emit FloodChanged(false, nRecent);
        return;
    }
    if (m_bFlood && nRecent != m_nFloodShown) {
        m_nFloodShown = nRecent;
        emit FloodChanged(true, nRecent);
    }
}

int RAlarmState::Priority(const RAlarmEvent& event)
{
    if (event.strEvent == QLatin1String("link-down"))
        return 0;
    if (event.strEvent == QLatin1String("alarm")) {
        const double dRatio = event.nThreshold > 0 ? event.dDose / event.nThreshold : 1.0;
        return dRatio >= 10.0 ? 1 : dRatio >= 2.0 ? 2 : 3;
    }
    if (event.strEvent == QLatin1String("chattering") || event.strEvent == QLatin1String("flood"))
        return 4;
    return 5;
}

void RAlarmState::SortByPriority(QVector<RAlarmEvent>* pEvents)
{
    std::stable_sort(
        pEvents->begin(), pEvents->end(), [](const RAlarmEvent& a, const RAlarmEvent& b) {
            const int nA = Priority(a);
            const int nB = Priority(b);
            return nA != nB ? nA < nB : a.time < b.time;
        });
}

void RAlarmState::FlashStep()
{
    m_bFlashOn = !m_bFlashOn;
    emit FlashChanged(m_bFlashOn);
}

bool RAlarmState::IsFlashing() const
{
    return m_pFlashTimer->isActive();
}

void RAlarmState::UpdateFlashing()
{
    bool bFlashing = false;
    for (int nId : qAsConst(m_unacknowledged))
        bFlashing = bFlashing || m_active.contains(nId);
    if (bFlashing) {
        if (!m_pFlashTimer->isActive())
            m_pFlashTimer->start();
        return;
    }
    m_pFlashTimer->stop();
    if (!m_bFlashOn) {
        m_bFlashOn = true;
        emit FlashChanged(true);
    }
}
