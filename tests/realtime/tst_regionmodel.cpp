#include "TestDb.h"

#include "StdoutCapture.h"

#include "message/SClock.h"
#include "realtime/PColorLine.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RTimer.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

class TestRegionModel : public QObject
{
    Q_OBJECT

private:
    SManualClock* m_pClock = nullptr;
    RRegionDoseModel* m_pModel = nullptr;
    RAlarmState* m_pState = nullptr;

    // Alarmvalue per region in list order; a region left out keeps the default.
    void build(const QList<int>& ids, const QList<int>& alarmValues = {})
    {
        TestDb::Open();
        TestDb::AddRegions(ids);
        for (int i = 0; i < alarmValues.size(); ++i)
            PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = ? where Id = ?",
                {alarmValues.at(i), ids.at(i)});
        RRegionCatalogue::Shared().Reload();
        makeModel();
    }
    // The model over the tables as they are, wired to an alarm state as the
    // program wires it.
    void makeModel()
    {
        m_pModel = new RRegionDoseModel(0, this, m_pClock);
        new QAbstractItemModelTester(
            m_pModel, QAbstractItemModelTester::FailureReportingMode::QtTest, m_pModel);
        m_pModel->Reload();
        m_pState = new RAlarmState(nullptr, m_pModel);
        m_pModel->SetAlarmState(m_pState);
        connect(m_pModel, &RRegionDoseModel::AlarmChanged, m_pState, &RAlarmState::OnAlarmChanged);
    }
    QVariant cell(int row, int column, int role = Qt::DisplayRole) const
    {
        return m_pModel->data(m_pModel->index(row, column), role);
    }
    int count(int id, const QString& strDay) const
    {
        return PSqlExec::Scalar(QStringLiteral("select AlarmOverCount from RegionLinkDoseInfo "
                                               "where Id = ? and Month = ?"),
            {id, strDay})
            .toInt();
    }
    // nMs after 10:00 of the test day.
    void at(qint64 nMs) { m_pClock->Set(QDateTime(QDate(2026, 3, 7), QTime(10, 0)).addMSecs(nMs)); }
    void endEpisodeAt(int id, qint64 nMs)
    {
        at(nMs);
        m_pModel->EpisodeTimer(id)->OnTimeout();
    }

private slots:
    void init() { m_pClock = new SManualClock(QDateTime(QDate(2026, 3, 7), QTime(10, 0))); }
    void cleanup()
    {
        delete m_pModel;
        m_pModel = nullptr;
        delete m_pClock;
    }

    void doseText_data()
    {
        QTest::addColumn<float>("dose");
        QTest::addColumn<QString>("text");
        // One unit for the whole column: no switch to another unit at 1000.
        QTest::newRow("999") << 999.0f << QStringLiteral("999.00");
        QTest::newRow("999.5") << 999.5f << QStringLiteral("999.50");
        QTest::newRow("999500") << 999500.0f << QStringLiteral("999500.00");
        QTest::newRow("zero") << 0.0f << QStringLiteral("0.00");
    }
    void doseText()
    {
        QFETCH(float, dose);
        QFETCH(QString, text);
        QCOMPARE(RRegionDoseModel::DoseText(dose), text);
    }

    // Rows pair ids and names in list order; a region without readings shows
    // off-line; only a colour line is accepted, and only in the colour column.
    void layout()
    {
        build({7, 9});
        QCOMPARE(m_pModel->rowCount(), 2);
        QCOMPARE(cell(1, 0).toString(), QStringLiteral("9"));
        QCOMPARE(cell(1, 1).toString(), QStringLiteral("Room 9"));
        // A display row holding only its id shows the default curve colour.
        QCOMPARE(cell(0, 4).value<PColorLine>().Color(), QColor(38, 202, 87));
        QCOMPARE(cell(0, 3, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QVERIFY(!m_pModel->setData(m_pModel->index(0, 4), QStringLiteral("red")));
        QVERIFY(m_pModel->setData(
            m_pModel->index(0, 4), QVariant::fromValue(PColorLine(QColor(Qt::blue)))));
        QCOMPARE(cell(0, 4).value<PColorLine>().Color(), QColor(Qt::blue));
        QVERIFY(!m_pModel->setData(m_pModel->index(0, 2), QStringLiteral("1")));
    }

    // Each region once, in position order: rows neither blank nor doubled
    // when the stored list disagrees with itself, and a region's readings
    // reach its one row.
    void eachRegionOnce()
    {
        build({1, 2});
        PSqlExec::Exec(QStringLiteral("update RegionInfo set Num = 4"));
        RRegionCatalogue::Shared().Reload();
        m_pModel->Reload();
        QCOMPARE(m_pModel->rowCount(), 2);
        m_pClock->Advance(40000);
        m_pModel->OnTimeOut();

        // Region 5 registered at positions 1 and 3.
        PSqlExec::Exec(QStringLiteral("delete from RegionInfo"));
        PSqlExec::Exec(QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values "
                                      "(1, 5, 'Hall', 4), (2, 6, 'Lab', 4), (3, 5, 'Hall', 4), "
                                      "(4, 7, 'Store', 4)"));
        PSqlExec::Exec(QStringLiteral("delete from RegionCurveColorInfo"));
        PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id) values (5), (6), (7)"));
        RRegionCatalogue::Shared().Reload();
        m_pModel->Reload();
        QCOMPARE(m_pModel->rowCount(), 3);
        QStringList shown;
        for (int row = 0; row < 3; ++row)
            shown << cell(row, 0).toString() + QLatin1Char(' ') + cell(row, 1).toString();
        QCOMPARE(shown, (QStringList {"5 Hall", "6 Lab", "7 Store"}));
        m_pModel->UpdateDose(5, 3.5f);
        m_pModel->UpdateDose(7, 4.5f);
        QCOMPARE(m_pModel->DoseAt(0), 3.5f);
        QCOMPARE(m_pModel->DoseAt(2), 4.5f);
        // The doubled entry is marked on the row shown, nowhere else.
        QVERIFY(cell(0, 1, Qt::ToolTipRole).toString().contains(QStringLiteral("position 3")));
        QCOMPARE(cell(0, 0, Qt::ForegroundRole).value<QColor>(), RRegionDoseModel::ProblemColour());
        QVERIFY(!cell(1, 1, Qt::ToolTipRole).isValid());
        QCOMPARE(cell(1, 0, Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    }

    // Until its first reading a region has no value, which is not a value of
    // 0; a new region list starts without values again.
    void noDataUntilFirstReading()
    {
        build({3, 4});
        QCOMPARE(cell(0, 2).toString(), QString(QChar(0x2014)));
        QCOMPARE(cell(0, 2, Qt::ToolTipRole).toString(), QStringLiteral("no data"));
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 128));
        m_pModel->UpdateDose(3, 0.0f);
        QCOMPARE(cell(0, 2).toString(), QStringLiteral("0.00"));
        QVERIFY(!cell(0, 2, Qt::ToolTipRole).isValid());
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));
        QCOMPARE(cell(1, 2).toString(), QString(QChar(0x2014)));
        // Silent for long, the value stays: it was read.
        m_pClock->Advance(RRealDoseModel::kLongSilenceMs + 1000);
        m_pModel->OnTimeOut();
        QVERIFY(cell(0, 2).toString().startsWith(QStringLiteral("0.00")));
        m_pModel->Reload();
        QCOMPARE(cell(0, 2).toString(), QString(QChar(0x2014)));
    }

    // A stored threshold of 0 can never alarm: it shows no alarm, whatever
    // the dose, and says why in the tool tip; the log says it once however
    // often the list is read.
    void zeroThresholdShowsNoAlarm()
    {
        QByteArray log;
        log = StdoutCapture::Of([this] {
            build({3, 4}, {0, 10});
            RRegionCatalogue::Shared().Reload();
            RRegionCatalogue::Shared().Reload();
        });
        QCOMPARE(log.count("region 3 (Room 3) has alarm threshold 0"), 1);
        QVERIFY(!log.contains("region 4"));
        QSignalSpy alarms(m_pModel, &RRegionDoseModel::AlarmChanged);
        m_pModel->UpdateDose(3, 5e6f);
        QCOMPARE(alarms.count(), 0);
        QCOMPARE(m_pState->LookOf(3), RAlarmState::NoAlarm);
        QVERIFY(!cell(0, 1, Qt::BackgroundRole).isValid());
        QCOMPARE(cell(0, 4, Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 128));
        QVERIFY(cell(0, 0, Qt::ToolTipRole).toString().contains(QStringLiteral("never alarms")));
        QCOMPARE(cell(0, 1, Qt::ForegroundRole).value<QColor>(), RRegionDoseModel::ProblemColour());
        // The region beside it alarms and shows it.
        m_pModel->UpdateDose(4, 20);
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
        QTest::newRow("zero threshold never alarms")
            << 0 << QList<float> {5e6f} << 0 << false << int(RAlarmState::NoAlarm);
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
            m_pModel->UpdateDose(3, dose);
        QCOMPARE(m_pModel->AlarmAt(0), alarm);
        QCOMPARE(m_pModel->EpisodeTimer(3)->IsRunning(), episode);
        QTEST(cell(0, 4, RRegionDoseModel::AlarmLookRole).toInt(), "look");
        QCOMPARE(m_pModel->OnlineAt(0), 1);
        // A stored threshold applies to the next reading once the catalogue
        // has it (the window reloads it when thresholds change).
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 1");
        RRegionCatalogue::Shared().Reload();
        m_pModel->UpdateDose(3, doses.last());
        QCOMPARE(m_pModel->AlarmAt(0), 2);
    }

    // Readings at 0, 40 and 90 s make one episode that ends at 150 s.
    void episodeProlongedAndCountedOnce()
    {
        build({3}, {50});
        QSignalSpy ended(m_pModel->EpisodeTimer(3), &RTimer::TimeEnded);
        for (qint64 nMs : {0, 40000, 90000}) {
            at(nMs);
            m_pModel->UpdateDose(3, 75);
        }
        endEpisodeAt(3, 100000); // an early wake-up must not end it
        endEpisodeAt(3, 149999);
        QCOMPARE(ended.count(), 0);
        endEpisodeAt(3, 150000);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(1).toString(), QStringLiteral("2026.03.07T10:00:00"));
        QCOMPARE(ended.at(0).at(2).toString(), QStringLiteral("2026.03.07T10:02:30"));
        QCOMPARE(count(3, "2026-03-07"), 1);
        endEpisodeAt(3, 200000); // a stray wake-up of an idle timer counts nothing
        QCOMPARE(count(3, "2026-03-07"), 1);

        // Counted as it begins, so the count agrees with the journal at once.
        m_pModel->UpdateDose(3, 75);
        QCOMPARE(count(3, "2026-03-07"), 2);
        endEpisodeAt(3, 260000);
        QCOMPARE(count(3, "2026-03-07"), 2);
        QCOMPARE(PSqlExec::Scalar("select count(*) from RegionLinkDoseInfo").toInt(), 1);

        // The count belongs to the day the episode begins.
        at((13 * 3600 + 59 * 60 + 30) * 1000); // 23:59:30
        m_pModel->UpdateDose(3, 75);
        endEpisodeAt(3, (14 * 3600 + 30) * 1000);
        QCOMPARE(count(3, "2026-03-07"), 3);
        QCOMPARE(count(3, "2026-03-08"), 0);
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
        m_pModel->UpdateDose(99, 500);
        QCoreApplication::processEvents();
        QCOMPARE(achieved.count(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(m_pModel->DoseAt(0), 0.0f);
        for (int n = 0; n < 50; ++n) {
            m_pModel->UpdateDose(1, n);
            m_pModel->UpdateDose(3, n);
        }
        QCOMPARE(changed.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);
        QCOMPARE(changed.at(0).at(1).toModelIndex().row(), 2);
        QCOMPARE(m_pModel->DoseAt(2), 49.0f);
    }
};

QTEST_GUILESS_MAIN(TestRegionModel)
#include "tst_regionmodel.moc"
