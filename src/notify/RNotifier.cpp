#include "notify/RNotifier.h"

#include "database/RAlarmStateStore.h"
#include "database/RInstrumentStore.h"
#include "database/RNotifyQueue.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QTimer>

#include <curl/curl.h>

namespace {

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// A journal row's detail "a=1;b=2" as its fields.
QHash<QString, QString> details(const QString& strDetail)
{
    QHash<QString, QString> fields;
    for (const QString& strPart : strDetail.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int n = strPart.indexOf(QLatin1Char('='));
        if (n > 0)
            fields.insert(strPart.left(n), strPart.mid(n + 1));
    }
    return fields;
}

} // namespace

RNotifier::RNotifier(
    RAlarmJournal* pJournal, RRegionCatalogue* pCatalogue, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pJournal(pJournal)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pTimer(new QTimer(this))
    , m_pPost(new RNotifyPost(this))
{
    // Once, on the GUI thread, before any worker uses the library.
    static const bool s_bCurl = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(s_bCurl);
    m_pTimer->setInterval(1000);
    connect(m_pPost, &RNotifyPost::Sent, this, &RNotifier::OnSent);
    connect(m_pTimer, &QTimer::timeout, this, &RNotifier::Tick);
    // Direct: the queue row goes into the transaction of the journal's row.
    connect(pJournal, &RAlarmJournal::Written, this, &RNotifier::OnJournal);
}

RNotifier::~RNotifier()
{
    Stop();
}

void RNotifier::Start(const RNotifyConfig& config)
{
    Stop();
    if (!config.bEnabled)
        return;
    m_config = config;
    m_pPost->Start(config);
    m_open.clear();
    for (const RNotifyRow& row : RNotifyQueue::OpenAlarms()) {
        QStringList told = row.strTo.split(QLatin1Char(','), Qt::SkipEmptyParts);
        told.removeDuplicates();
        m_open.insert(row.nId, {row.time, row.nLevel, told});
    }
    // A flood that began before goes on in its summaries.
    m_bFlood = RAlarmStateStore::LoadFlood().bFlood;
    if (!m_bLinkUp && !m_linkDown.isValid()) {
        m_linkDown = m_pClock->Now();
        m_bLinkMailed = false;
    }
    m_nRetryAtMs = 0;
    m_nRetryMs = FirstRetryMs;
    m_pTimer->start();
    Log(LogLevel::Notice, "notifications: mail through %s port %d\n",
        config.strHost.toUtf8().constData(), config.nPort);
    SendNext();
}

void RNotifier::Stop()
{
    m_pTimer->stop();
    m_pPost->Stop();
    m_bBusy = false;
    SetStatus(QString());
}

QStringList RNotifier::ListFor(int nLevel) const
{
    // The first list from nLevel on that covers this hour; the last list
    // that has anyone when none does.
    const int nHour = m_pClock->Now().time().hour();
    QStringList fallback;
    for (int i = qBound(0, nLevel, RNotifyConfig::Lists - 1); i < RNotifyConfig::Lists; ++i) {
        const RNotifyConfig::List& list = m_config.lists[i];
        if (list.addresses.isEmpty())
            continue;
        if (list.Covers(nHour))
            return list.addresses;
        fallback = list.addresses;
    }
    return fallback.isEmpty() ? m_config.lists[0].addresses : fallback;
}

QString RNotifier::RegionText(int nId) const
{
    const RRegion* pRegion = m_pCatalogue ? m_pCatalogue->Find(nId) : nullptr;
    return pRegion ? QStringLiteral("%1 (%2)").arg(pRegion->strName).arg(nId)
                   : QString::number(nId);
}

QStringList RNotifier::Queue(const QString& strKind, int nId, int nLevel, const QString& strSubject,
    const QString& strBody, int nState, const QStringList& to)
{
    RNotifyRow row;
    row.time = m_pClock->Now();
    row.strKind = strKind;
    row.nId = nId;
    row.nLevel = nLevel;
    const QStringList recipients = to.isEmpty() ? ListFor(nLevel) : to;
    row.strTo = recipients.join(QLatin1Char(','));
    row.strSubject = strSubject;
    row.strBody = strBody;
    row.nState = nState;
    RNotifyQueue::Add(m_pJournal->Writer(), row);
    m_pJournal->CommitSoon();
    return recipients;
}

void RNotifier::OnJournal(const RAlarmEvent& event)
{
    if (!IsRunning())
        return;
    const QDateTime now = m_pClock->Now();
    const QString strWhen = timeText(event.time);
    if (event.strEvent == QLatin1String("alarm")) {
        // A raise within the episode after an acknowledgement marks the
        // region unacknowledged again, so it is told and escalates anew; one
        // still open is already escalating.
        const bool bAgain = RAlarmJournal::IsContinued(event);
        if (bAgain && m_open.contains(event.nId))
            return;
        const QDateTime last = m_lastRegionMail.value(event.nId);
        const bool bHeld = m_bFlood
            || (last.isValid() && last.msecsTo(now) < qint64(m_config.nRegionMinutes) * 60000);
        const QString strRegion = RegionText(event.nId);
        const QStringList to = Queue(QStringLiteral("alarm"), event.nId, 0,
            tr("ALARM %1: %2 µRad/h").arg(strRegion).arg(event.dDose),
            tr("%1\n\nRegion: %2\nDose rate: %3 µRad/h\nThreshold: %4 µRad/h\nTime: "
               "%5\nState: in alarm, not acknowledged\n")
                .arg(bAgain ? tr("Alarm raised again after its acknowledgement.")
                            : tr("Alarm raised."))
                .arg(strRegion)
                .arg(event.dDose)
                .arg(event.nThreshold)
                .arg(strWhen),
            bHeld ? RNotifyRow::Held : RNotifyRow::Queued);
        auto it = m_open.find(event.nId);
        if (it == m_open.end())
            it = m_open.insert(event.nId, {event.time, 0, QStringList()});
        it->bSummarised = m_bFlood;
        if (!bHeld) {
            m_lastRegionMail.insert(event.nId, now);
            for (const QString& strTo : to) {
                if (!it->told.contains(strTo))
                    it->told << strTo;
            }
        }
    } else if (event.strEvent == QLatin1String("ack")
        || event.strEvent == QLatin1String("shelve")) {
        const bool bAck = event.strEvent == QLatin1String("ack");
        const QList<int> ids = event.nId == 0 ? m_open.keys() : QList<int> {event.nId};
        for (int nId : ids) {
            const Open open = m_open.take(nId);
            if (open.told.isEmpty())
                continue;
            const QString strRegion = RegionText(nId);
            Queue(QStringLiteral("ack"), nId, open.nLevel,
                (bAck ? tr("Acknowledged %1 by %2") : tr("Shelved %1 by %2"))
                    .arg(strRegion, event.strOperator),
                (bAck ? tr("The alarm of %1 raised at %2 was acknowledged by %3 at %4.\n")
                      : tr("The alarm of %1 raised at %2 was shelved by %3 at %4.\n"))
                    .arg(strRegion, timeText(open.raised), event.strOperator, strWhen),
                RNotifyRow::Queued, open.told);
        }
    } else if (event.strEvent == QLatin1String("link-down")) {
        m_linkDown = event.time;
        m_bLinkMailed = false;
    } else if (event.strEvent == QLatin1String("link-up")) {
        if (m_bLinkMailed)
            Queue(QStringLiteral("link-back"), 0, 0, tr("Data server link back"),
                tr("The link to the data server is back at %1 (lost at %2).\n")
                    .arg(strWhen, timeText(m_linkDown)));
        m_linkDown = QDateTime();
        m_bLinkMailed = false;
    } else if (event.strEvent == QLatin1String("flood")) {
        m_bFlood = true;
        // The alarms still waiting go into the summary, not a mail each.
        RNotifyQueue::HoldQueued(
            m_pJournal->Writer(), {QStringLiteral("alarm"), QStringLiteral("escalation")});
        for (Open& open : m_open)
            open.bSummarised = open.bSummarised || open.told.isEmpty();
        Queue(QStringLiteral("flood"), 0, 0, tr("ALARM FLOOD: %1 alarms").arg(m_open.size()),
            tr("An alarm flood began at %1: %2 new alarms within 10 minutes.\n\n%3")
                .arg(strWhen, details(event.strDetail).value(QStringLiteral("alarms")),
                    FloodSummary(m_nFloodSeq)));
        m_nFloodSeq = RNotifyQueue::LastSeq();
        m_lastFloodMail = now;
    } else if (event.strEvent == QLatin1String("flood-end")) {
        m_bFlood = false;
        Queue(QStringLiteral("flood"), 0, 0, tr("Alarm flood over"),
            tr("The alarm flood ended at %1.\n\n%2").arg(strWhen, FloodSummary(m_nFloodSeq)));
        m_nFloodSeq = RNotifyQueue::LastSeq();
    } else if (event.strEvent == QLatin1String("overdue")) {
        // A record is the officers' business, not the night shift's.
        const QHash<QString, QString> fields = details(event.strDetail);
        const QString strKind
            = RInstrumentStore::KindText(fields.value(QStringLiteral("kind")).toInt());
        const QString strRegion = RegionText(event.nId);
        Queue(QStringLiteral("overdue"), event.nId, 1, tr("OVERDUE %1: %2").arg(strRegion, strKind),
            fields.contains(QStringLiteral("failed"))
                ? tr("The %1 of %2 failed on %3: it is due again now.\n")
                      .arg(strKind, strRegion, fields.value(QStringLiteral("due")))
                : tr("The %1 of %2 is overdue: it was due on %3 (%4 day(s) overdue).\n")
                      .arg(strKind, strRegion, fields.value(QStringLiteral("due")),
                          fields.value(QStringLiteral("days"))));
    } else if (event.strEvent == QLatin1String("started")) {
        const QHash<QString, QString> fields = details(event.strDetail);
        if (fields.contains(QStringLiteral("seconds"))) {
            const bool bCrash = fields.contains(QStringLiteral("crash"));
            Queue(QStringLiteral("back"), 0, 0,
                bCrash ? tr("Station back after a crash") : tr("Station back after a stop"),
                tr("The station is running again since %1. It was down from %2, for %3 "
                   "minutes%4.\n")
                    .arg(strWhen,
                        QString(fields.value(QStringLiteral("since")))
                            .replace(QLatin1Char('T'), QLatin1Char(' ')))
                    .arg(fields.value(QStringLiteral("seconds")).toLongLong() / 60)
                    .arg(bCrash ? tr(" (it had crashed; readings of that time are lost)")
                                : QString()));
        }
    }
    SendNext();
}

QString RNotifier::FloodSummary(qint64 nAfterSeq) const
{
    QStringList lines;
    for (const RNotifyRow& row : RNotifyQueue::HeldAfter(nAfterSeq))
        lines << timeText(row.time) + QLatin1String("  ") + row.strSubject;
    if (lines.isEmpty())
        return QString();
    return tr("Not mailed one by one:\n") + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void RNotifier::SetLinkUp(bool bUp)
{
    m_bLinkUp = bUp;
}

void RNotifier::SetStorageProblem(const QString& strProblem)
{
    if (!IsRunning() || strProblem.isEmpty())
        return;
    RNotifyMail mail;
    mail.to = ListFor(0);
    mail.date = m_pClock->Now();
    mail.strSubject = tr("Storage fault");
    mail.strBody = tr("The station cannot store its readings since %1: %2\n")
                       .arg(timeText(mail.date), strProblem);
    m_memory.append(mail);
    SendNext();
}

void RNotifier::Tick()
{
    if (!IsRunning())
        return;
    const QDateTime now = m_pClock->Now();
    const qint64 nEscalateMs = qint64(m_config.nEscalateMinutes) * 60000;
    const qint64 nRegionMs = qint64(m_config.nRegionMinutes) * 60000;
    // An alarm the per-region limit held back is told once the limit lets
    // it, if nobody has acknowledged it meanwhile: delayed, never dropped.
    for (auto it = m_open.begin(); it != m_open.end() && !m_bFlood; ++it) {
        const QDateTime last = m_lastRegionMail.value(it.key());
        if (!it->told.isEmpty() || it->bSummarised
            || (last.isValid() && last.msecsTo(now) < nRegionMs))
            continue;
        m_lastRegionMail.insert(it.key(), now);
        const QString strRegion = RegionText(it.key());
        it->told
            = Queue(QStringLiteral("alarm"), it.key(), 0, tr("ALARM %1 (held back)").arg(strRegion),
                tr("The alarm of %1 raised at %2 is not acknowledged. Its mail was held back, as a "
                   "region is mailed at most every %3 minutes.\n")
                    .arg(strRegion, timeText(it->raised))
                    .arg(m_config.nRegionMinutes));
    }
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        if (it->nLevel >= RNotifyConfig::Lists - 1
            || it->raised.msecsTo(now) < (it->nLevel + 1) * nEscalateMs)
            continue;
        ++it->nLevel;
        const QString strRegion = RegionText(it.key());
        const QStringList to = Queue(QStringLiteral("escalation"), it.key(), it->nLevel,
            tr("NOT ACKNOWLEDGED %1").arg(strRegion),
            tr("The alarm of %1 raised at %2 has not been acknowledged for %3 minutes.\n")
                .arg(strRegion, timeText(it->raised))
                .arg(it->raised.secsTo(now) / 60),
            m_bFlood ? RNotifyRow::Held : RNotifyRow::Queued);
        for (const QString& strTo : to) {
            if (!it->told.contains(strTo))
                it->told << strTo;
        }
    }
    if (m_linkDown.isValid() && !m_bLinkMailed && m_linkDown.secsTo(now) >= m_config.nLinkSeconds) {
        m_bLinkMailed = true;
        Queue(QStringLiteral("link"), 0, 0, tr("Data server link lost"),
            tr("The link to the data server has been lost since %1: no reading reaches the "
               "station.\n")
                .arg(timeText(m_linkDown)));
    }
    if (m_bFlood && m_lastFloodMail.msecsTo(now) >= qint64(m_config.nFloodMinutes) * 60000) {
        m_lastFloodMail = now;
        Queue(QStringLiteral("flood"), 0, 0,
            tr("ALARM FLOOD goes on: %1 alarms").arg(m_open.size()),
            tr("The alarm flood goes on at %1.\n\n%2")
                .arg(timeText(now), FloodSummary(m_nFloodSeq)));
        m_nFloodSeq = RNotifyQueue::LastSeq();
    }
    SendNext();
}

void RNotifier::SendNext()
{
    const qint64 nNowMs = m_pClock->Now().toMSecsSinceEpoch();
    if (!IsRunning() || m_bBusy || nNowMs < m_nRetryAtMs)
        return;
    while (!m_sentMs.empty() && m_sentMs.front() <= nNowMs - 3600000)
        m_sentMs.pop_front();
    const bool bRoom = int(m_sentMs.size()) < m_config.nPerHour;
    RNotifyMail mail;
    if (!m_memory.isEmpty()) {
        mail = m_memory.first();
    } else {
        RNotifyRow row;
        while (RNotifyQueue::Next(&row)) {
            const bool bAlarm = row.strKind == QLatin1String("alarm")
                || row.strKind == QLatin1String("escalation");
            if (bAlarm && row.time.toMSecsSinceEpoch() > nNowMs - GatherMs)
                return;
            if (bRoom)
                break;
            m_hourHeld << timeText(row.time) + QLatin1String("  ") + row.strSubject;
            RNotifyQueue::Mark(m_pJournal->Writer(), row.nSeq, RNotifyRow::Held, m_pClock->Now(),
                QStringLiteral("over the hourly limit"));
            row = RNotifyRow();
        }
        if (row.nSeq == 0) {
            // Nothing waits: what the limit held back goes in one summary.
            if (m_hourHeld.isEmpty() || !bRoom)
                return;
            Queue(QStringLiteral("summary"), 0, 0,
                tr("%1 notifications held back").arg(m_hourHeld.size()),
                tr("More than %1 mails in an hour: these were not sent one by one.\n\n%2\n")
                    .arg(m_config.nPerHour)
                    .arg(m_hourHeld.join(QLatin1Char('\n'))));
            m_hourHeld.clear();
            if (!RNotifyQueue::Next(&row))
                return;
        }
        mail.nSeq = row.nSeq;
        mail.to = row.strTo.split(QLatin1Char(','), Qt::SkipEmptyParts);
        mail.strSubject = row.strSubject;
        mail.strBody = row.strBody;
        mail.date = row.time;
        if (row.time.msecsTo(m_pClock->Now()) > LateMs) {
            mail.strSubject = tr("[late] %1").arg(mail.strSubject);
            mail.strBody
                = tr("Sent late: this happened at %1.\n\n").arg(timeText(row.time)) + mail.strBody;
        }
    }
    if (mail.to.isEmpty()) {
        if (mail.nSeq)
            RNotifyQueue::Mark(m_pJournal->Writer(), mail.nSeq, RNotifyRow::Refused,
                m_pClock->Now(), QStringLiteral("nobody to tell"));
        else
            m_memory.removeFirst();
        return;
    }
    m_bBusy = true;
    m_pPost->Post(mail);
}

void RNotifier::OnSent(const RNotifySent& sent)
{
    m_bBusy = false;
    const QDateTime now = m_pClock->Now();
    if (sent.bOk || sent.bRefused) {
        // Committed soon: a crash before the mark would send it again.
        if (sent.nSeq) {
            RNotifyQueue::Mark(m_pJournal->Writer(), sent.nSeq,
                sent.bOk ? RNotifyRow::Sent : RNotifyRow::Refused, now, sent.strAnswer);
            m_pJournal->CommitSoon();
        } else if (!m_memory.isEmpty())
            m_memory.removeFirst();
        if (sent.bOk)
            m_sentMs.push_back(now.toMSecsSinceEpoch());
        else
            Log(LogLevel::Warning, "notifications: a mail refused for good: %s\n",
                sent.strAnswer.toUtf8().constData());
        m_nRetryMs = FirstRetryMs;
        m_nRetryAtMs = 0;
        SetStatus(QString());
        SendNext();
        return;
    }
    // Tried again later, never faster than the back-off: a wrong password
    // must not hammer the server.
    m_nRetryAtMs = now.toMSecsSinceEpoch() + m_nRetryMs;
    m_nRetryMs = qMin(m_nRetryMs * 2, MaxRetryMs);
    SetStatus(tr("mail cannot be sent: %1").arg(sent.strAnswer));
}

void RNotifier::SetStatus(const QString& strStatus)
{
    if (strStatus == m_strStatus)
        return;
    m_strStatus = strStatus;
    if (!strStatus.isEmpty())
        Log(LogLevel::Warning, "notifications: %s\n", strStatus.toUtf8().constData());
    emit StatusChanged(strStatus);
}
