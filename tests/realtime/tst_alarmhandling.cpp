#include "TestDb.h"

#include "database/RAlarmJournal.h"
#include "message/SClock.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionDoseModel.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// The journal's events and the latch, driven through the region model as the
// program wires them.
class TestAlarmHandling : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    RAlarmJournal* m_pJournal = nullptr;
    RAlarmState* m_pState = nullptr;
    RRegionDoseModel* m_pModel = nullptr;
    PAlarmCue* m_pCue = nullptr;
    int m_nPlays = 0;

    // "event id" of the journal, oldest first.
    QStringList events() const
    {
        QStringList lines;
        const QVector<RAlarmEvent> all
            = RAlarmJournal::Read(QDate(2026, 12, 1), QDate(2026, 12, 31));
        for (auto it = all.crbegin(); it != all.crend(); ++it)
            lines << QStringLiteral("%1 %2").arg(it->strEvent).arg(it->nId);
        return lines;
    }
    void reading(int nId, float fDose, qint64 nAfterMs = 2000)
    {
        m_clock.Advance(nAfterMs);
        m_pModel->UpdateDose(nId, fDose);
    }

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({3, 7});
        PSqlExec::Exec(QStringLiteral("update RegionCurveColorInfo set Alarmvalue = 1000"));
        RRegionCatalogue::Shared().Reload();
        m_clock.Set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
        m_pJournal = new RAlarmJournal(&m_clock);
        m_pState = new RAlarmState(m_pJournal);
        m_pState->SetOperator(QStringLiteral("operator1"));
        m_pModel = new RRegionDoseModel(0, nullptr, &m_clock);
        m_pModel->Reload();
        m_pModel->SetAlarmState(m_pState);
        m_pCue = new PAlarmCue;
        m_nPlays = 0;
        m_pCue->SetPlayer([this]() { ++m_nPlays; });
        connect(m_pModel, &RRegionDoseModel::AlarmChanged, m_pState, &RAlarmState::OnAlarmChanged);
        connect(
            m_pModel, &RRegionDoseModel::OnlineChanged, m_pState, &RAlarmState::OnOnlineChanged);
        connect(m_pState, &RAlarmState::UnacknowledgedChanged, m_pCue, &PAlarmCue::SetPending);
        connect(m_pState, &RAlarmState::NewAlarm, m_pCue, &PAlarmCue::OnNewAlarm);
    }

    void cleanup()
    {
        delete m_pCue;
        delete m_pModel;
        delete m_pState;
        delete m_pJournal;
    }

    // An alarm is written once, its clearing once; it stays latched until
    // acknowledged, which writes who did it and silences the cue.
    void alarmLatchesUntilAcknowledged()
    {
        reading(3, 500);
        reading(3, 1000);
        reading(3, 1500);
        QCOMPARE(events(), QStringList {"alarm 3"});
        QCOMPARE(m_nPlays, 1);
        reading(3, 400);
        QCOMPARE(events(), (QStringList {"alarm 3", "clear 3"}));
        QVERIFY(m_pState->IsUnacknowledged(3));
        QCOMPARE(m_pModel->data(m_pModel->index(0, 1), RRegionDoseModel::AlarmLookRole).toInt(),
            int(RAlarmState::ClearedUnacknowledged));
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 2);

        m_pState->Acknowledge(3);
        const QVector<RAlarmEvent> all
            = RAlarmJournal::Read(QDate(2026, 12, 7), QDate(2026, 12, 7));
        QCOMPARE(all.first().strEvent, QStringLiteral("ack"));
        QCOMPARE(all.first().strOperator, QStringLiteral("operator1"));
        QVERIFY(!m_pState->AnyUnacknowledged());
        QCOMPARE(m_pModel->data(m_pModel->index(0, 1), RRegionDoseModel::AlarmLookRole).toInt(),
            int(RAlarmState::NoAlarm));
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 2);
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
        const auto fill = [this]() {
            return m_pModel->data(m_pModel->index(0, 1), Qt::BackgroundRole).value<QColor>();
        };
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
            QCOMPARE(m_pModel->data(m_pModel->index(0, 0), RRegionDoseModel::AlarmLookRole).toInt(),
                nLook);
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

    // A region that went silent in alarm and reads normal again has its
    // alarm cleared in the journal, and no longer shows it as active.
    void silentAlarmClearsOnItsNextNormalReading()
    {
        reading(3, 1500);
        m_clock.Advance(RRealDoseModel::kSilenceMs + 1);
        m_pModel->OnTimeOut();
        QCOMPARE(m_pState->LookOf(3), RAlarmState::ActiveUnacknowledged);
        reading(3, 400);
        QCOMPARE(events(), (QStringList {"alarm 3", "offline 3", "online 3", "clear 3"}));
        QCOMPARE(m_pState->LookOf(3), RAlarmState::ClearedUnacknowledged);
    }

    // Muting silences the repeats; a new alarm ends the mute and sounds.
    void newAlarmEndsMute()
    {
        QSignalSpy muted(m_pCue, &PAlarmCue::MutedChanged);
        reading(3, 1200);
        m_pCue->SetMuted(true);
        m_pCue->Tick();
        QCOMPARE(m_nPlays, 1);
        reading(7, 1200);
        QVERIFY(!m_pCue->IsMuted());
        QCOMPARE(m_nPlays, 2);
        QCOMPARE(muted.count(), 2);
        m_pState->AcknowledgeAll();
        QCOMPARE(events().mid(2), (QStringList {"ack 3", "ack 7"}));
    }

    // Silence past the rule takes a region off line once, without a clear;
    // its next reading brings it back, and an alarm from it is a new one.
    void offlineAndBack()
    {
        reading(3, 1200);
        reading(3, 1200, RRealDoseModel::kSilenceMs + 1000);
        m_pModel->OnTimeOut();
        QCOMPARE(events(), QStringList {"alarm 3"});
        m_clock.Advance(RRealDoseModel::kSilenceMs + 1);
        m_pModel->OnTimeOut();
        m_clock.Advance(RRealDoseModel::kSupervisionMs);
        m_pModel->OnTimeOut();
        QCOMPARE(events(), (QStringList {"alarm 3", "offline 3"}));
        QVERIFY(m_pModel->IsStale(0));
        reading(3, 1200);
        QCOMPARE(events(), (QStringList {"alarm 3", "offline 3", "online 3", "alarm 3"}));
    }

    // Every connection made is written; a drop only of a connection that was
    // made; the values go stale while it is down and say when they were read.
    void linkEventsAndStaleValues()
    {
        reading(3, 500);
        m_pState->OnLinkChanged(false);
        m_pState->OnLinkChanged(true);
        m_pState->OnLinkChanged(false);
        m_pState->OnLinkChanged(false);
        QCOMPARE(events(), (QStringList {"link-up 0", "link-down 0"}));
        m_pModel->SetLinkUp(false);
        QVERIFY(m_pModel->IsStale(0));
        QCOMPARE(
            m_pModel->data(m_pModel->index(0, 2)).toString(), QStringLiteral("500.00 (10:00:02)"));
        QCOMPARE(m_pModel->data(m_pModel->index(0, 2), Qt::ForegroundRole).value<QColor>(),
            QColor(140, 140, 140));
        m_pModel->SetLinkUp(true);
        QVERIFY(!m_pModel->IsStale(0));
    }

    // A written event is in the file at once, for another connection to see,
    // long before the next five-minute commit.
    void eventReachesTheFile()
    {
        QTemporaryDir dir;
        const QString strFile = dir.filePath(QStringLiteral("DataBase.sqlite"));
        {
            QSqlDatabase db = QSqlDatabase::database();
            db.close();
            db.setDatabaseName(strFile);
            QVERIFY(db.open());
        }
        PSqlExec::Exec(RAlarmJournal::TableStatement());
        QSqlDatabase::database().transaction();
        m_pJournal->SetCommitter([]() {
            QSqlDatabase::database().commit();
            QSqlDatabase::database().transaction();
        });
        QVERIFY(m_pJournal->Write(QStringLiteral("alarm"), 3, 1200, 1000));
        {
            QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "reader");
            reader.setDatabaseName(strFile);
            QVERIFY(reader.open());
            QSqlQuery query(reader);
            QVERIFY(query.exec(QStringLiteral("select Event, Dose from AlarmJournal")));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("alarm"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
        QSqlDatabase::database().rollback();
    }

    // The journal reads newest first, by region and day range.
    void readFilters()
    {
        m_pJournal->Write(QStringLiteral("alarm"), 3);
        m_clock.Advance(24 * 3600 * 1000LL);
        m_clock.Set(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        m_pJournal->Write(QStringLiteral("alarm"), 7);
        m_pJournal->Write(QStringLiteral("clear"), 3);
        QCOMPARE(RAlarmJournal::Read(QDate(2026, 12, 8), QDate(2026, 12, 8)).size(), 2);
        const QVector<RAlarmEvent> region3
            = RAlarmJournal::Read(QDate(2026, 12, 7), QDate(2026, 12, 8), 3);
        QCOMPARE(region3.size(), 2);
        QCOMPARE(region3.first().strEvent, QStringLiteral("clear"));
        QCOMPARE(region3.last().time, QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    }
};

QTEST_MAIN(TestAlarmHandling)
#include "tst_alarmhandling.moc"
