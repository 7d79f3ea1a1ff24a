#include "AlarmRig.h"

#include <QtTest>

// The region model, the alarm latch, the journal and the cue, wired as the
// program wires them.
class TestRegionModel : public AlarmRig
{
    Q_OBJECT

private:
    // Alarmvalue per region in list order; a region left out keeps the default.
    void build(const QList<int>& ids, const QList<int>& alarmValues = {})
    {
        TestDb::Open();
        TestDb::AddRegions(ids);
        for (int i = 0; i < alarmValues.size(); ++i)
            PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = ? where Id = ?",
                {alarmValues.at(i), ids.at(i)});
        TestDb::Catalogue().Reload();
        start();
        connect(m_pWatch, &RRegionWatch::OnlineChanged, m_pState, &RAlarmState::OnOnlineChanged);
    }
    // The silence supervision of both.
    void tick()
    {
        m_pWatch->Supervise();
        m_pModel->OnTimeOut();
    }
    // Regions 3 and 7 alarming from 1000 µRad/h.
    void buildAlarms() { build({3, 7}, {1000, 1000}); }
    QVariant cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return m_pModel->data(m_pModel->index(row, column), role);
    }
    // nMs after 10:00 of the test day.
    void at(qint64 nMs) { m_clock.Set(Morning().addMSecs(nMs)); }
    // "event id detail" of the journal's alarm rows, oldest first.
    QStringList alarmRows() const
    {
        QStringList lines;
        const QVector<RAlarmEvent> all
            = RAlarmJournal::Read(QDate(2026, 1, 1), QDate(2026, 12, 31));
        for (auto it = all.crbegin(); it != all.crend(); ++it) {
            if (it->strEvent == QLatin1String("alarm"))
                lines << QStringLiteral("%1 %2").arg(it->time.toString("hh:mm:ss"), it->strDetail);
        }
        return lines;
    }

private slots:
    void init()
    {
        m_clock.Set(Morning());
        m_nPlays = 0;
    }
    void cleanup() { stop(); }

    // Until its first reading a region has no value, which is not a value of
    // 0; silent for over 30 s it shows off line, its value kept; a new region
    // list starts without values again.
    void noDataUntilFirstReading()
    {
        build({3, 4});
        QCOMPARE(cell(0, 2).toString(), QString(QChar(0x2014)));
        QCOMPARE(cell(0, 2, Qt::ToolTipRole).toString(), QStringLiteral("no data"));
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 128));
        feed(3, 0.0f);
        QCOMPARE(cell(0, 2).toString(), QStringLiteral("0.00"));
        QVERIFY(!cell(0, 2, Qt::ToolTipRole).isValid());
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));
        QCOMPARE(cell(1, 2).toString(), QString(QChar(0x2014)));
        // Off line after more than 30 s of silence.
        m_clock.Advance(30000);
        tick();
        QCOMPARE(cell(0, 3, Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));
        m_clock.Advance(1000);
        tick();
        QCOMPARE(cell(0, 3, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        // Silent for long, the value stays: it was read.
        m_clock.Advance(RRealDoseModel::kLongSilenceMs + 1000);
        tick();
        QVERIFY(cell(0, 2).toString().startsWith(QStringLiteral("0.00")));
        m_pModel->Reload();
        QCOMPARE(cell(0, 2).toString(), QString(QChar(0x2014)));
    }

    // A stored threshold of 0 can never alarm: it shows no alarm, whatever
    // the dose, and says why; the region beside it alarms and shows it.
    void zeroThresholdShowsNoAlarm()
    {
        build({3, 4}, {0, 10});
        QSignalSpy alarms(m_pWatch, &RRegionWatch::AlarmChanged);
        feed(3, 5e6f);
        QCOMPARE(alarms.count(), 0);
        QCOMPARE(m_pState->LookOf(3), RAlarmState::NoAlarm);
        QVERIFY(!cell(0, 1, Qt::BackgroundRole).isValid());
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 128));
        QVERIFY(cell(0, 0, Qt::ToolTipRole).toString().contains(QStringLiteral("never alarms")));
        QCOMPARE(cell(0, 1, Qt::ForegroundRole).value<QColor>(), RRegionDoseModel::ProblemColour());
        feed(4, 20);
        QCOMPARE(cell(1, 4, Qt::ForegroundRole).value<QColor>(), RAlarmState::AlarmColour());
        QCOMPARE(cell(1, 1, Qt::BackgroundRole).value<QColor>(), RAlarmState::AlarmColour());
    }

    void alarmRule_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QList<float>>("doses");
        QTest::addColumn<int>("alarm");
        QTest::addColumn<bool>("episode");
        QTest::addColumn<int>("look");
        QTest::newRow("default threshold alarms at 10")
            << -1 << QList<float> {10.0f} << 2 << true << int(RAlarmState::ActiveUnacknowledged);
        QTest::newRow("equal alarms")
            << 50 << QList<float> {50.0f} << 2 << true << int(RAlarmState::ActiveUnacknowledged);
        QTest::newRow("below is normal")
            << 50 << QList<float> {49.9f} << 1 << false << int(RAlarmState::NoAlarm);
        QTest::newRow("back to normal, episode runs on")
            << 50 << QList<float> {80.0f, 10.0f} << 1 << true
            << int(RAlarmState::ClearedUnacknowledged);
    }
    void alarmRule()
    {
        QFETCH(int, threshold);
        QFETCH(QList<float>, doses);
        QFETCH(int, alarm);
        QFETCH(bool, episode);
        build({3}, threshold < 0 ? QList<int>() : QList<int> {threshold});
        for (float dose : doses)
            feed(3, dose);
        QCOMPARE(m_pWatch->Regions().at(0).nAlarm, alarm);
        QCOMPARE(m_pState->InEpisode(3), episode);
        QTEST(cell(0, 4, RRegionDoseModel::AlarmLookRole).toInt(), "look");
        QCOMPARE(m_pModel->OnlineAt(0), 1);
        // A stored threshold applies to the next reading once the catalogue
        // has it (the window reloads it when thresholds change).
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 1");
        TestDb::Catalogue().Reload();
        feed(3, doses.last());
        QCOMPARE(m_pWatch->Regions().at(0).nAlarm, 2);
    }

    // An episode takes in a raise that comes within 60 s of its last raised
    // reading: the row says so and the day counts one; a raise after that is
    // a new episode, counted on the day it begins.
    void episodesAgreeWithTheDayCount()
    {
        build({3}, {50});
        const auto readAt = [this](qint64 nMs, float fDose) {
            at(nMs);
            feed(3, fDose);
        };
        readAt(0, 75);
        readAt(2000, 10);
        QVERIFY(m_pState->InEpisode(3));
        readAt(50000, 75); // 50 s after the last raised reading
        readAt(52000, 75);
        readAt(54000, 10);
        QCOMPARE(count(3, "2026-03-07"), 1);
        readAt(111999, 75); // 59.999 s after the last raised one (52 s)
        readAt(116000, 10);
        QCOMPARE(count(3, "2026-03-07"), 1);
        readAt(173999, 10);
        QVERIFY(!m_pState->InEpisode(3));
        readAt(180000, 75);
        QCOMPARE(count(3, "2026-03-07"), 2);
        QCOMPARE(alarmRows(),
            (QStringList {
                "10:00:00 ", "10:00:50 continued=1", "10:01:51 continued=1", "10:03:00 "}));

        // The count belongs to the day the episode begins.
        readAt(182000, 10);
        readAt((13 * 3600 + 59 * 60 + 30) * 1000, 75); // 23:59:30
        readAt((14 * 3600 + 30) * 1000, 75);
        QCOMPARE(count(3, "2026-03-07"), 3);
        QCOMPARE(count(3, "2026-03-08"), 0);
        QCOMPARE(PSqlExec::Scalar("select count(*) from RegionLinkDoseInfo").toInt(), 1);
    }

    // A burst of readings reaches the view as one change notification; a
    // reading of an unknown id reaches it not at all. (An alarm's look is
    // told at once; these readings raise none.)
    void burstIsCoalesced()
    {
        build({1, 2, 3}, {1000, 1000, 1000});
        m_pModel->SetUpdateInterval(0);
        QSignalSpy achieved(m_pModel, &RRealDoseModel::ItemAchieveData);
        QSignalSpy changed(m_pModel, &QAbstractItemModel::dataChanged);
        feed(99, 500);
        QCoreApplication::processEvents();
        QCOMPARE(achieved.count(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(m_pModel->DoseAt(0), 0.0f);
        for (int n = 0; n < 50; ++n) {
            feed(1, n);
            feed(3, n);
        }
        QCOMPARE(changed.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);
        QCOMPARE(changed.at(0).at(1).toModelIndex().row(), 2);
        QCOMPARE(m_pModel->DoseAt(2), 49.0f);
    }

    // Repeated alarm readings write one alarm; the cue sounds for it and at
    // each repeat until muted or acknowledged; a new alarm ends the mute and
    // sounds; acknowledging writes who did it.
    void alarmLatchesUntilAcknowledged()
    {
        buildAlarms();
        QSignalSpy muted(m_pCue, &PAlarmCue::MutedChanged);
        reading(3, 1000);
        reading(3, 1500);
        reading(3, 400);
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 2);
        m_pCue->SetMuted(true);
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 2);
        reading(7, 1200);
        QVERIFY(!m_pCue->IsMuted());
        QCOMPARE(m_nPlays, 3);
        QCOMPARE(muted.count(), 2);
        m_pState->AcknowledgeAll();
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 3);
        QCOMPARE(events(), (QStringList {"alarm 3", "clear 3", "alarm 7", "ack 3", "ack 7"}));
        QCOMPARE(RAlarmJournal::Read(QDate(2026, 3, 7), QDate(2026, 3, 7)).first().strOperator,
            QStringLiteral("officer1"));
    }

    // The four looks of an alarm's life, in both orders of clearing and
    // acknowledging: what every view shows follows the journal, flashing
    // only while an alarm is active and unacknowledged.
    void looksFollowTheJournal_data()
    {
        QTest::addColumn<QString>("steps"); // A alarm reading, N normal, K acknowledge
        QTest::addColumn<QList<int>>("looks"); // after each step
        QTest::addColumn<QString>("flashing"); // after each step: + or -
        QTest::addColumn<QStringList>("journal");
        const int none = RAlarmState::NoAlarm;
        const int flashing = RAlarmState::ActiveUnacknowledged;
        const int steady = RAlarmState::ActiveAcknowledged;
        const int outline = RAlarmState::ClearedUnacknowledged;
        QTest::newRow("acknowledged, then cleared")
            << "AKN" << QList<int> {flashing, steady, none} << "+--"
            << QStringList {"alarm 3", "ack 3", "clear 3"};
        QTest::newRow("cleared, then acknowledged")
            << "ANK" << QList<int> {flashing, outline, none} << "+--"
            << QStringList {"alarm 3", "clear 3", "ack 3"};
        QTest::newRow("back in alarm before acknowledgement")
            << "ANA" << QList<int> {flashing, outline, flashing} << "+-+"
            << QStringList {"alarm 3", "clear 3", "alarm 3"};
        QTest::newRow("nothing to acknowledge")
            << "NK" << QList<int> {none, none} << "--" << QStringList {};
    }
    void looksFollowTheJournal()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, looks);
        QFETCH(QString, flashing);
        buildAlarms();
        const auto fill = [this]() { return cell(0, 1, Qt::BackgroundRole).value<QColor>(); };
        int nLastLook = RAlarmState::NoAlarm;
        for (int i = 0; i < steps.size(); ++i) {
            // A new look or phase reaches the table at once, in step with the
            // plan and the gauge, not with the readings' coalesced updates.
            QSignalSpy told(m_pModel, &QAbstractItemModel::dataChanged);
            const QChar step = steps.at(i);
            if (step == QLatin1Char('A'))
                reading(3, 1500);
            else if (step == QLatin1Char('N'))
                reading(3, 400);
            else
                m_pState->Acknowledge(3);
            const int nLook = looks.at(i);
            QCOMPARE(int(m_pState->LookOf(3)), nLook);
            QCOMPARE(told.isEmpty(), nLook == nLastLook);
            nLastLook = nLook;
            QCOMPARE(cell(0, 0, RRegionDoseModel::AlarmLookRole).toInt(), nLook);
            const bool bActive = nLook == RAlarmState::ActiveUnacknowledged
                || nLook == RAlarmState::ActiveAcknowledged;
            QCOMPARE(fill().isValid(), bActive);
            QCOMPARE(m_pState->IsFlashing(), flashing.at(i) == QLatin1Char('+'));
            if (m_pState->IsFlashing()) {
                // Both phases are the alarm colour, bright and dark.
                const QColor first = fill();
                told.clear();
                m_pState->FlashStep();
                QVERIFY(!told.isEmpty());
                QCOMPARE(fill(), RAlarmState::AlarmColour(m_pState->FlashOn()));
                QVERIFY(fill() != first);
                m_pState->FlashStep();
            } else {
                // Nothing stays in the dark phase once flashing stops.
                QVERIFY(m_pState->FlashOn());
                if (bActive)
                    QCOMPARE(fill(), RAlarmState::AlarmColour());
            }
        }
        QCOMPARE(m_pState->LookOf(7), RAlarmState::NoAlarm);
        QTEST(events(), "journal");
    }

    // Silence past the rule takes a region off line once, without a clear;
    // its next reading brings it back, its alarm going on where it was. A
    // region that went silent in alarm and reads normal again has its alarm
    // cleared, no longer shown as active.
    void offlineAndBack()
    {
        buildAlarms();
        reading(3, 1200);
        reading(3, 1200, RRealDoseModel::kSilenceMs + 1000);
        tick();
        QCOMPARE(events(), QStringList {"alarm 3"});
        m_clock.Advance(RRealDoseModel::kSilenceMs + 1);
        tick();
        m_clock.Advance(RRealDoseModel::kSupervisionMs);
        tick();
        QCOMPARE(events(), (QStringList {"alarm 3", "offline 3"}));
        QVERIFY(m_pModel->IsStale(0));
        QCOMPARE(m_pState->LookOf(3), RAlarmState::ActiveUnacknowledged);
        // Still in alarm: the same alarm and episode, nothing new to write.
        reading(3, 1200);
        QCOMPARE(events(), (QStringList {"alarm 3", "offline 3", "online 3"}));
        QCOMPARE(count(3, "2026-03-07"), 1);
        m_clock.Advance(RRealDoseModel::kSilenceMs + 1);
        tick();
        m_clock.Advance(RRealDoseModel::kSupervisionMs);
        tick();
        reading(3, 400);
        QCOMPARE(events().mid(3), (QStringList {"offline 3", "online 3", "clear 3"}));
        QCOMPARE(m_pState->LookOf(3), RAlarmState::ClearedUnacknowledged);
    }

    // Every connection made is written; a drop only of a connection that was
    // made; the values go stale while it is down and say when they were read.
    void linkEventsAndStaleValues()
    {
        buildAlarms();
        reading(3, 500);
        m_pState->OnLinkChanged(false);
        m_pState->OnLinkChanged(true);
        m_pState->OnLinkChanged(false);
        m_pState->OnLinkChanged(false);
        QCOMPARE(events(), (QStringList {"link-up 0", "link-down 0"}));
        m_pModel->SetLinkUp(false);
        QVERIFY(m_pModel->IsStale(0));
        QCOMPARE(cell(0, 2).toString(), QStringLiteral("500.00 (10:00:02)"));
        QCOMPARE(cell(0, 2, Qt::ForegroundRole).value<QColor>(), QColor(140, 140, 140));
        m_pModel->SetLinkUp(true);
        QVERIFY(!m_pModel->IsStale(0));
    }
};

QTEST_MAIN(TestRegionModel)
#include "tst_regionmodel.moc"
