#include "AlarmRig.h"
#include "SqlRows.h"

#include "database/RAlarmFilterStore.h"
#include "database/RAlarmShelfStore.h"
#include "history/PAlarmFigures.h"

#include <QtTest>

// What the alarms mean to the operator, from readings to journal rows and
// sounds: the filter, chattering, shelving, the mute and floods, wired as
// the program wires them, on the manual clock.
class TestAlarmHandling : public AlarmRig
{
    Q_OBJECT

private:
    // Regions with a threshold of 100 µRad/h.
    void build(const QList<int>& ids, bool bStation = false)
    {
        openRegions(ids, 100);
        start(bStation);
    }
    static RAlarmEvent last(const QString& strEvent, int nId = 0)
    {
        for (const RAlarmEvent& event :
            RAlarmJournal::Read(QDate(2026, 1, 1), QDate(2026, 12, 31), nId)) {
            if (event.strEvent == strEvent)
                return event;
        }
        return RAlarmEvent();
    }
    // A number of the row's detail; -1 when it has none of that key.
    static int detail(const RAlarmEvent& event, const char* pKey)
    {
        const QString strValue = PAlarmFigures::DetailValue(event.strDetail, pKey);
        return strValue.isNull() ? -1 : strValue.toInt();
    }

private slots:
    void init()
    {
        m_clock.Set(Morning());
        m_nPlays = 0;
    }
    void cleanup() { stop(); }

    // When the alarm is raised and cleared for a region's settings, as they
    // are stored: what the views show after each reading ('A' in alarm),
    // the rows written and the sounds played.
    void filter_data()
    {
        QTest::addColumn<int>("onDelay");
        QTest::addColumn<double>("deadband");
        QTest::addColumn<int>("offDelay");
        QTest::addColumn<QList<float>>("doses"); // threshold 100
        QTest::addColumn<QString>("shown"); // after each reading: 'A' in alarm
        QTest::addColumn<QStringList>("journal");
        QTest::addColumn<int>("plays");
        const QStringList one {"alarm 3"};
        const QStringList cleared {"alarm 3", "clear 3"};
        QTest::newRow("defaults: the deadband holds the alarm")
            << 1 << 5.0 << 1 << QList<float> {100, 97, 95, 94.9f, 99, 100} << "AAA..A"
            << QStringList {"alarm 3", "clear 3", "alarm 3"} << 2;
        QTest::newRow("without a deadband every crossing counts")
            << 1 << 0.0 << 1 << QList<float> {100, 99.9f, 100} << "A.A"
            << QStringList {"alarm 3", "clear 3", "alarm 3"} << 2;
        QTest::newRow("on-delay: three in a row")
            << 3 << 5.0 << 1 << QList<float> {120, 120, 90, 120, 120, 120} << ".....A" << one << 1;
        QTest::newRow("on-delay never met")
            << 2 << 5.0 << 1 << QList<float> {120, 99, 120, 99} << "...." << QStringList {} << 0;
        QTest::newRow("off-delay: two in a row below the deadband")
            << 1 << 5.0 << 2 << QList<float> {120, 80, 96, 80, 80} << "AAAA." << cleared << 1;
        QTest::newRow("a reading in the deadband restarts the off-delay")
            << 1 << 10.0 << 2 << QList<float> {120, 80, 95, 80, 95} << "AAAAA" << one << 1;
    }
    void filter()
    {
        QFETCH(int, onDelay);
        QFETCH(double, deadband);
        QFETCH(int, offDelay);
        QFETCH(QList<float>, doses);
        QFETCH(QString, shown);
        build({3, 7});
        RAlarmFilterSettings settings;
        settings.nOnDelay = onDelay;
        settings.dDeadband = deadband;
        settings.nOffDelay = offDelay;
        QVERIFY(RAlarmFilterStore::Store(3, settings));
        m_pWatch->LoadFilters();
        QString strShown;
        for (float fDose : doses) {
            reading(3, fDose);
            // The readings themselves are shown as read.
            QCOMPARE(m_pModel->DoseAt(0), fDose);
            strShown += m_pState->IsActive(3) ? QLatin1Char('A') : QLatin1Char('.');
        }
        QCOMPARE(strShown, shown);
        QTEST(events(), "journal");
        QTEST(m_nPlays, "plays");
        // Region 7 keeps the defaults.
        QCOMPARE(m_pWatch->Filter().SettingsOf(7), RAlarmFilterSettings());
    }

    // 255 regions whose readings alternate across their thresholds every
    // 2 s (the flood that wrote 128 rows a second) write a few rows each:
    // four alarms in a minute make a region chatter, and then it writes
    // nothing until it has been quiet for a minute. Every raise is still
    // counted: as an alarm row or in its chatter-end.
    void chatteringBoundsTheJournal()
    {
        const QList<int> ids = TestDb::Ids(1, 255);
        build(ids);
        QHash<int, int> raises;
        int nPlays = 0;
        const int nRounds = 5 * 30; // five minutes
        for (int nRound = 0; nRound < nRounds; ++nRound) {
            if (nRound == 8)
                nPlays = m_nPlays;
            m_clock.Advance(2000);
            const bool bHigh = nRound % 2 == 0;
            for (int nId : qAsConst(ids)) {
                feed(nId, bHigh ? 110.0f : 80.0f);
                if (bHigh)
                    ++raises[nId];
            }
            m_pState->Poll();
        }
        const int nRows = events().size();
        QVERIFY2(nRows <= 255 * 8 + 2, qPrintable(QString::number(nRows)));
        QVERIFY(m_pState->IsChattering(1) && m_pState->IsChattering(255));
        // Sounded as its alarms came, never for a chattering region's raise.
        QCOMPARE(m_nPlays, nPlays);
        QCOMPARE(events(0).count(QStringLiteral("flood 0")), 1);

        // Quiet below the threshold for a minute: the episodes end, closed
        // by a clear, so alarm and clear rows pair up again.
        for (int n = 0; n < 31; ++n) {
            m_clock.Advance(2000);
            for (int nId : qAsConst(ids))
                feed(nId, 80.0f);
            m_pState->Poll();
        }
        const QStringList region = events(200);
        QCOMPARE(region,
            (QStringList {"alarm 200", "clear 200", "alarm 200", "clear 200", "alarm 200",
                "clear 200", "alarm 200", "chattering 200", "chatter-end 200", "clear 200"}));
        QCOMPARE(detail(last("chattering", 200), "alarms"), 4);
        const RAlarmEvent end = last("chatter-end", 200);
        QCOMPARE(4 + detail(end, "alarms"), raises.value(200));
        QVERIFY(detail(end, "seconds") >= 5 * 60 - 14);
        QVERIFY(!m_pState->IsActive(200));
    }

    // A shelved region is shown shelved, neither sounds nor writes alarm
    // rows while its readings are still shown; the shelving outlives a
    // restart and ends by itself on time, when a region still in alarm
    // alarms again at once.
    void shelving()
    {
        build({3, 7});
        reading(3, 150);
        QCOMPARE(m_nPlays, 1);
        QVERIFY(!m_pState->Shelve(3, m_clock.Now().addSecs(-1), "past"));
        QVERIFY(m_pState->Shelve(3, m_clock.Now().addSecs(10 * 3600), "detector swap; ok"));
        // Eight hours at most.
        QCOMPARE(m_pState->ShelfOf(3).until, m_clock.Now().addSecs(8 * 3600));
        QCOMPARE(m_pState->LookOf(3), RAlarmState::Shelved);
        QVERIFY(!m_pState->AnyUnacknowledged());
        const RAlarmEvent shelve = last("shelve", 3);
        QCOMPARE(shelve.strOperator, QStringLiteral("officer1"));
        QVERIFY(shelve.strDetail.endsWith(QStringLiteral(";reason=detector swap; ok")));
        for (float fDose : {50.0f, 500.0f, 40.0f, 600.0f})
            reading(3, fDose);
        QCOMPARE(m_pModel->DoseAt(0), 600.0f);
        QCOMPARE(m_nPlays, 1);
        QCOMPARE(events(3), (QStringList {"alarm 3", "ack 3", "clear 3", "shelve 3"}));

        // A restart reads the shelving back.
        start();
        QVERIFY(m_pState->IsShelved(3));
        reading(3, 700);
        QCOMPARE(m_nPlays, 1);
        m_clock.Advance(8 * 3600 * 1000);
        m_pState->Poll();
        QVERIFY(!m_pState->IsShelved(3));
        QCOMPARE(events(3).mid(4), (QStringList {"unshelve 3", "alarm 3"}));
        QCOMPARE(last("unshelve", 3).strDetail, QStringLiteral("expired"));
        QVERIFY(last("unshelve", 3).strOperator.isEmpty());
        QCOMPARE(m_nPlays, 2);
        QVERIFY(RAlarmShelfStore::Load().isEmpty());
    }

    // What the operator had not yet seen outlives a stop, clean or not:
    // after the restart the first reading goes on from the state of the stop,
    // writing, counting and sounding nothing twice.
    void restart_data()
    {
        QTest::addColumn<QString>("before"); // state of region 3 at the stop
        QTest::addColumn<bool>("clean"); // the stop's road, or a crash
        QTest::addColumn<double>("dose"); // first reading after the start
        QTest::addColumn<QStringList>("after"); // region 3's rows after the start
        QTest::addColumn<int>("look");
        const QStringList none;
        const QStringList clear {"clear 3"};
        for (bool bClean : {true, false}) {
            const char* pStop = bClean ? "stop" : "crash";
            const auto row = [pStop](const char* pState, const char* pDose) -> QTestData& {
                return QTest::addRow("%s, %s, %s", pState, pStop, pDose);
            };
            row("active unacked", "over")
                << "A" << bClean << 150.0 << none << int(RAlarmState::ActiveUnacknowledged);
            row("active unacked", "under")
                << "A" << bClean << 50.0 << clear << int(RAlarmState::ClearedUnacknowledged);
            row("cleared unacked", "over") << "AN" << bClean << 150.0 << QStringList {"alarm 3"}
                                           << int(RAlarmState::ActiveUnacknowledged);
            row("cleared unacked", "under")
                << "AN" << bClean << 50.0 << none << int(RAlarmState::ClearedUnacknowledged);
            row("acked active", "over")
                << "AK" << bClean << 150.0 << none << int(RAlarmState::ActiveAcknowledged);
            row("acked active", "under")
                << "AK" << bClean << 50.0 << clear << int(RAlarmState::NoAlarm);
            row("chattering", "over")
                << "ANANANA" << bClean << 150.0 << none << int(RAlarmState::ActiveUnacknowledged);
            row("chattering", "under")
                << "ANANANA" << bClean << 50.0 << none << int(RAlarmState::ActiveUnacknowledged);
            // Over only: a shelving lost at the restart raises an alarm.
            row("shelved", "over") << "AS" << bClean << 150.0 << none << int(RAlarmState::Shelved);
            row("in a flood", "over")
                << "F" << bClean << 150.0 << none << int(RAlarmState::ActiveUnacknowledged);
            row("in a flood", "under")
                << "F" << bClean << 50.0 << clear << int(RAlarmState::ClearedUnacknowledged);
        }
    }
    void restart()
    {
        QFETCH(QString, before);
        QFETCH(bool, clean);
        QFETCH(double, dose);
        const QList<int> ids = TestDb::Ids(3, 13);
        build(ids, true);
        m_pState->OnLinkChanged(true);
        for (const QChar step : before) {
            if (step == QLatin1Char('A'))
                reading(3, 150);
            else if (step == QLatin1Char('N'))
                reading(3, 50);
            else if (step == QLatin1Char('K'))
                m_pState->Acknowledge(3);
            else if (step == QLatin1Char('S'))
                QVERIFY(m_pState->Shelve(3, m_clock.Now().addSecs(3600), "swap"));
            else
                for (int nId : qAsConst(ids))
                    reading(nId, 150);
        }
        const bool bChattering = m_pState->IsChattering(3);
        QCOMPARE(bChattering, before.count(QLatin1Char('A')) > 3);
        QCOMPARE(m_pState->IsFlood(), before == QLatin1String("F"));
        const int nRows = events(3).size();
        const int nPlays = m_nPlays;
        if (clean)
            m_pState->Stop(QStringLiteral("officer1"), QStringLiteral("signal=SIGTERM"));
        m_clock.Advance(5000);
        start(true);
        const RAlarmEvent started = last("started");
        QCOMPARE(detail(started, "crash"), clean ? -1 : 1);
        QCOMPARE(last("stopped").strDetail, clean ? QStringLiteral("signal=SIGTERM") : QString());
        QCOMPARE(events(0).count("link-down 0"), clean ? 1 : 0);

        reading(3, float(dose));
        QTEST(QStringList(events(3).mid(nRows)), "after");
        QTEST(int(m_pState->LookOf(3)), "look");
        QCOMPARE(m_pState->IsChattering(3), bChattering);
        // Only an alarm raised again after its clear sounds anew.
        QCOMPARE(m_nPlays - nPlays, events(3).mid(nRows).count("alarm 3"));
        // One episode whatever happened: the day's count and the journal agree.
        QCOMPARE(count(3), 1);
        if (before == QLatin1String("F")) {
            QVERIFY(m_pState->IsFlood());
            m_clock.Advance(RAlarmState::kFloodWindowMs);
            m_pState->Poll();
            QCOMPARE(events(0).count("flood 0"), 1);
            QCOMPARE(events(0).count("flood-end 0"), 1);
            QCOMPARE(detail(last("flood-end"), "alarms"), 11);
        }
    }

    // What a crash leaves is the last commit: the journal rows commit at
    // once, and the alarm state and day count they go with are in the same
    // commit, after every step.
    void commitHoldsStateWithItsRows()
    {
        QTemporaryDir dir;
        const QString strFile = dir.filePath("DataBase.sqlite");
        openRegions({3}, 100, strFile);
        start(true);
        TestDb::Writer().Begin();
        m_pJournal->SetCommitter([]() { TestDb::Writer().Commit(); });
        const auto committed = [&strFile]() {
            return CommittedRows(strFile,
                "select (select group_concat(Event) from AlarmJournal where Id = 3), "
                "(select Active || Unacknowledged from AlarmState where Id = 3), "
                "(select sum(AlarmOverCount) from RegionLinkDoseInfo where Id = 3)");
        };
        reading(3, 150);
        QCOMPARE(committed(), QString("alarm 11 1"));
        reading(3, 50);
        QCOMPARE(committed(), QString("alarm,clear 01 1"));
        m_clock.Advance(2000);
        m_pState->Acknowledge(3);
        QCOMPARE(committed(), QString("alarm,clear,ack 00 1"));
        TestDb::Writer().Commit();
        QSqlDatabase::database().close();
        TestDb::Open();
    }

    // A new connection and a reloaded region list (a settings save) in the
    // middle of an episode, with an on-delay of three and an off-delay of
    // two: the readings go on from the raised alarm, no clear and no second
    // alarm, until the off-delay really clears it.
    void reconnectMidEpisode()
    {
        build({3});
        RAlarmFilterSettings settings;
        settings.nOnDelay = 3;
        settings.nOffDelay = 2;
        QVERIFY(RAlarmFilterStore::Store(3, settings));
        m_pWatch->LoadFilters();
        m_pState->OnLinkChanged(true);
        for (int n = 0; n < 3; ++n)
            reading(3, 150);
        QCOMPARE(events(3), QStringList {"alarm 3"});
        m_pState->OnLinkChanged(false);
        m_clock.Advance(RRealDoseModel::kSilenceMs + RRealDoseModel::kSupervisionMs);
        m_pWatch->Supervise();
        m_pModel->OnTimeOut();
        m_pWatch->Reload(m_pState->RaisedIds());
        m_pModel->Reload();
        m_pState->OnLinkChanged(true);
        reading(3, 150);
        reading(3, 50);
        reading(3, 150);
        QCOMPARE(events(3), QStringList {"alarm 3"});
        QCOMPARE(count(3), 1);
        reading(3, 50);
        reading(3, 50);
        QCOMPARE(events(3).last(), QStringLiteral("clear 3"));
    }

    // Shelving a chattering region ends its spell and closes its alarm with
    // rows that say it is shelved, as every row of a shelved region does.
    void shelvingChatteringRegionMarksItsRows()
    {
        build({3});
        for (float fDose : {150.0f, 50.0f, 150.0f, 50.0f, 150.0f, 50.0f, 150.0f})
            reading(3, fDose);
        QVERIFY(m_pState->IsChattering(3));
        const int nBefore = events(3).size();
        QVERIFY(m_pState->Shelve(3, m_clock.Now().addSecs(3600), "swap"));
        reading(3, 50);
        QStringList rows;
        const QVector<RAlarmEvent> all
            = RAlarmJournal::Read(QDate(2026, 1, 1), QDate(2026, 12, 31), 3);
        for (auto it = all.crbegin() + nBefore; it != all.crend(); ++it) {
            if (it->strEvent != QLatin1String("shelve"))
                rows << it->strEvent + QLatin1Char(' ')
                        + PAlarmFigures::DetailValue(it->strDetail, "shelved");
        }
        QCOMPARE(rows, (QStringList {"ack 1", "chatter-end 1", "clear 1"}));
    }

    // The mute silences the alarms there are; it holds while they clear and
    // raise again, ends with a new region's alarm, and resets once every
    // alarm is over.
    void mute_data()
    {
        QTest::addColumn<QString>("steps"); // A/N: region alarm/normal, K ack, M mute
        QTest::addColumn<bool>("muted");
        QTest::addColumn<int>("plays");
        QTest::newRow("holds through chatter") << "A3 M N3 A3 N3 A3" << true << 1;
        QTest::newRow("holds through an acknowledged region's chatter")
            << "A3 K3 A7 M N3 A3" << true << 2;
        QTest::newRow("a new region lifts it") << "A3 M N3 A7" << false << 2;
        QTest::newRow("so does a muted one quiet for a minute") << "A3 A7 M N3 W A3" << false << 3;
        QTest::newRow("not one quiet for less") << "A3 A7 M N3 A3" << true << 2;
        QTest::newRow("resets when every alarm is over") << "A3 M K3 N3" << false << 1;
        QTest::newRow("not while one is left") << "A3 A7 M K3 N3" << true << 2;
    }
    void mute()
    {
        QFETCH(QString, steps);
        build({3, 7});
        m_pState->SetChatterLimit(0);
        for (const QString& strStep : steps.split(QLatin1Char(' '))) {
            const int nId = strStep.mid(1).toInt();
            switch (strStep.at(0).toLatin1()) {
            case 'A':
                reading(nId, 150);
                break;
            case 'N':
                reading(nId, 50);
                break;
            case 'K':
                m_pState->Acknowledge(nId);
                break;
            case 'W':
                m_clock.Advance(PAlarmCue::kQuietMs);
                break;
            default:
                m_pCue->SetMuted(true);
            }
        }
        QTEST(m_pCue->IsMuted(), "muted");
        QTEST(m_nPlays, "plays");
    }

    // More than ten new alarms within ten minutes are a flood, told with
    // the count; it ends when the window holds five or fewer.
    void flood()
    {
        build(TestDb::Ids(1, 12));
        QSignalSpy told(m_pState, &RAlarmState::FloodChanged);
        for (int nId = 1; nId <= 10; ++nId)
            reading(nId, 150, 30000);
        QVERIFY(!m_pState->IsFlood());
        reading(11, 150, 30000);
        QVERIFY(m_pState->IsFlood());
        QCOMPARE(told.last().at(1).toInt(), 11);
        QCOMPARE(last("flood").strDetail, QStringLiteral("alarms=11"));
        reading(12, 150, 30000);
        QCOMPARE(told.last().at(1).toInt(), 12);
        // Six alarms left in the window until 10:13:30, when the seventh
        // (10:03:30) leaves it.
        m_clock.Set(QDateTime(QDate(2026, 3, 7), QTime(10, 13, 29)));
        m_pState->Poll();
        QVERIFY(m_pState->IsFlood());
        m_clock.Advance(1000);
        m_pState->Poll();
        QVERIFY(!m_pState->IsFlood());
        QCOMPARE(told.last().at(0).toBool(), false);
        QCOMPARE(last("flood-end").strDetail, QStringLiteral("alarms=12;seconds=480"));
    }

    // During a flood the lost link comes first, then alarms by how far over
    // their threshold, each group the earliest first.
    void priorityOrder()
    {
        const auto event = [](const char* pEvent, int nSecond, double dDose, int nThreshold) {
            RAlarmEvent one;
            one.strEvent = QLatin1String(pEvent);
            one.time = QDateTime(QDate(2026, 3, 7), QTime(10, 0, nSecond));
            one.dDose = dDose;
            one.nThreshold = nThreshold;
            one.nId = nSecond;
            return one;
        };
        QVector<RAlarmEvent> events {event("clear", 1, 5, 100), event("alarm", 2, 150, 100),
            event("alarm", 3, 5000, 100), event("link-down", 4, 0, 0), event("alarm", 5, 300, 100),
            event("alarm", 6, 1200, 100), event("chattering", 7, 150, 100)};
        RAlarmState::SortByPriority(&events);
        QList<int> order;
        for (const RAlarmEvent& one : events)
            order << one.nId;
        QCOMPARE(order, (QList<int> {4, 3, 6, 5, 2, 7, 1}));
    }
};

QTEST_MAIN(TestAlarmHandling)
#include "tst_alarmhandling.moc"
