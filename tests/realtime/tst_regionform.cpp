#include "BusRecorder.h"
#include "FakePrompt.h"
#include "TestDb.h"

#include "database/RAlarmJournal.h"
#include "history/RDoseRatioDiagram.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "realtime/PAlarmCue.h"
#include "realtime/PColorLine.h"
#include "realtime/PColorLineDelegate.h"
#include "realtime/RAlarmJournalView.h"
#include "realtime/RAlarmState.h"
#include "realtime/RCheckBox.h"
#include "realtime/RFormRegion.h"
#include "realtime/RGroupBox.h"
#include "realtime/RRealRateCurve.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RWidget.h"

#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <cmath>

namespace {

int column(const char* pName, int id)
{
    return PSqlExec::Scalar(
        QStringLiteral("select %1 from RegionCurveColorInfo where Id = ?").arg(pName), {id})
        .toInt();
}

} // namespace

class TestRegionForm : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0))};
    RFormRegion* m_pForm = nullptr;
    RAlarmState* m_pState = nullptr;
    BusRecorder m_store {SBus::PresetStore};

    // pSql runs on the fresh tables before the page reads them.
    void build(const QList<int>& ids, const char* pSql = "select 1")
    {
        TestDb::Open();
        TestDb::AddRegions(ids);
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(Unit_P) values(0)"));
        PSqlExec::Exec(pSql);
        RRegionCatalogue::Shared().Reload();
        m_pForm = new RFormRegion(nullptr, &m_clock);
        // Wired as the program wires them; the form's children for cleanup.
        m_pState = new RAlarmState(nullptr, m_pForm);
        connect(m_pForm->Model(), &RRegionDoseModel::AlarmChanged, m_pState,
            &RAlarmState::OnAlarmChanged);
        m_pForm->SetAlarmHandling(m_pState, new PAlarmCue(m_pForm));
        m_pState->OnLinkChanged(true); // connected, as the readings say
        m_pForm->resize(1200, 800);
        m_pForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pForm));
    }
    RWidget* cell(int row) const
    {
        QTreeView* pView = m_pForm->RegionView();
        return qobject_cast<RWidget*>(pView->indexWidget(m_pForm->Model()->index(row, 3)));
    }
    void reading(int id, float dose)
    {
        SendSMessage(SBus::RegionPage, SBus::RegionReading, id, reinterpret_cast<qintptr>(&dose));
    }
    void clickColour(int row)
    {
        QTreeView* pView = m_pForm->RegionView();
        const QRect rect = pView->visualRect(m_pForm->Model()->index(row, 4));
        QTest::mousePress(pView->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseRelease(pView->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void cleanup()
    {
        delete m_pForm;
        m_pForm = nullptr;
        m_store.Clear();
    }

    void gaugeLevel_data()
    {
        QTest::addColumn<QList<float>>("thresholds");
        QTest::addColumn<float>("dose");
        QTest::addColumn<float>("segments");
        QTest::addColumn<QColor>("band");
        const QList<float> normal {0.1f, 10, 200};
        QTest::newRow("at threA") << normal << 0.1f << 1.0f << QColor(Qt::darkGreen);
        QTest::newRow("middle of band B") << normal << 5.05f << 1.5f << QColor(Qt::yellow);
        QTest::newRow("middle of band C") << normal << 105.0f << 2.5f << QColor(Qt::red);
        QTest::newRow("above threC clamps") << normal << 5000.0f << 3.0f << QColor(Qt::red);
        QTest::newRow("negative dose stays at bottom")
            << normal << -3.0f << 0.0f << QColor(Qt::darkGreen);
        QTest::newRow("bands far apart, 1500")
            << QList<float> {1000, 2000, 4000} << 1500.0f << 1.5f << QColor(Qt::yellow);
        const QList<float> zero {0, 0, 0};
        QTest::newRow("no thresholds, zero") << zero << 0.0f << 0.0f << QColor(Qt::darkGreen);
        QTest::newRow("no thresholds, dose") << zero << 3.0f << 3.0f << QColor(Qt::red);
        QTest::newRow("zero threA only")
            << QList<float> {0, 10, 200} << 5.0f << 1.5f << QColor(Qt::yellow);
    }
    void gaugeLevel()
    {
        QFETCH(QList<float>, thresholds);
        QFETCH(float, dose);
        QFETCH(float, segments);
        QFETCH(QColor, band);
        TestDb::Open();
        TestDb::AddRegions({4, 5});
        PSqlExec::Exec(
            QStringLiteral("insert into SystemInfo(Thre_A, Thre_B, Thre_C) values(?, ?, ?)"),
            {thresholds.at(0), thresholds.at(1), thresholds.at(2)});
        RGroupBox gauge;
        gauge.resize(120, 360);
        gauge.LoadThresholds();
        gauge.SetLevel(4, dose);
        QCOMPARE(gauge.Level(4), segments * gauge.Segment());
        QCOMPARE(gauge.BandColour(), band);
        QCOMPARE(gauge.Level(5), 0.0f);
        gauge.SetLevel(77, 1e6f); // unknown: no marker moves
        QCOMPARE(gauge.Level(4), segments * gauge.Segment());
        QCOMPARE(gauge.Level(77), -1.0f);
    }

    // Every label sits where a marker of its dose sits, in one number format
    // with the unit; the middles of the bands are the doses halfway between
    // their thresholds.
    void gaugeLabels_data()
    {
        QTest::addColumn<QList<double>>("thresholds");
        QTest::addColumn<QStringList>("middles");
        QTest::newRow("thresholds far apart")
            << QList<double> {0.1, 10, 200} << QStringList {"0.05", "5.05", "105"};
        QTest::newRow("thresholds close together")
            << QList<double> {1000, 2000, 4000} << QStringList {"500", "1500", "3000"};
    }
    void gaugeLabels()
    {
        QFETCH(QList<double>, thresholds);
        TestDb::Open();
        TestDb::AddRegions({4});
        PSqlExec::Exec(
            QStringLiteral("insert into SystemInfo(Thre_A, Thre_B, Thre_C) values(?, ?, ?)"),
            {thresholds.at(0), thresholds.at(1), thresholds.at(2)});
        RGroupBox gauge;
        gauge.resize(120, 360);
        gauge.LoadRegions();
        gauge.LoadThresholds();
        const QString strUnit = QString::fromUtf8(" \xce\xbcRad/h");
        QStringList middles;
        double dBelow = -1;
        for (const auto& label : gauge.Labels()) {
            QVERIFY2(label.second.endsWith(strUnit), qPrintable(label.second));
            const QString strNumber = label.second.chopped(strUnit.size());
            bool bOk = false;
            const float dose = strNumber.toFloat(&bOk);
            QVERIFY2(bOk, qPrintable(label.second));
            QVERIFY(label.first > dBelow);
            dBelow = label.first;
            gauge.SetLevel(4, dose);
            QVERIFY2(qAbs(gauge.Level(4) - label.first) < 0.01, qPrintable(label.second));
            if (qAbs(std::fmod(label.first / gauge.Segment(), 1.0) - 0.5) < 1e-9)
                middles << strNumber;
        }
        QTEST(middles, "middles");
    }

    // The marker of a dose above threC is drawn at the top of band C; a
    // region not read yet has no marker at all, not one at 0.
    void gaugeMarkerPixel()
    {
        TestDb::Open();
        TestDb::AddRegions({4});
        PSqlExec::Exec("update RegionCurveColorInfo set R_Color = 0, G_Color = 0, B_Color = 255");
        RRegionCatalogue::Shared().Reload();
        PSqlExec::Exec("insert into SystemInfo(Unit_P) values(0)");
        RGroupBox gauge;
        gauge.resize(120, 360);
        gauge.LoadRegions();
        gauge.LoadThresholds();
        const QColor unread = gauge.grab().toImage().pixelColor(10 + 120 - 27, 360 + 10 - 30);
        QVERIFY2(unread.blue() <= unread.red() + 20, qPrintable(unread.name()));
        gauge.SetLevel(4, 1e6f);
        const QImage image = gauge.grab().toImage();
        const int nTop = 360 + 10 - 30 - 3 * gauge.Segment();
        const QColor atTop = image.pixelColor(10 + 120 - 27, nTop);
        const QColor atBottom = image.pixelColor(10 + 120 - 27, 360 + 10 - 30);
        QVERIFY2(atTop.blue() > atTop.red() + 60, qPrintable(atTop.name()));
        QVERIFY2(atBottom.blue() <= atBottom.red() + 20, qPrintable(atBottom.name()));
    }

    // A region reading reaches the model and the gauge; one of an unknown
    // region or without its value breaks nothing.
    void readingReachesModelAndGauge()
    {
        build({4, 5, 6});
        reading(5, 1500);
        QCOMPARE(m_pForm->Gauge()->Level(5), 3.0f * m_pForm->Gauge()->Segment());
        QCOMPARE(m_pForm->Model()->OnlineAt(1), 1);
        reading(99, 1500);
        SendSMessage(SBus::RegionPage, SBus::RegionReading, 5, 0);
        QCOMPARE(m_pForm->Model()->DoseAt(1), 1500.0f);
    }

    // The first build shows exactly the checked regions, a display row
    // holding only its id as checked and in the default colour; one toggle
    // then rewrites ButtonCheck of every row from the cells.
    void checkBoxesFollowDatabase()
    {
        build({4, 5, 6}, "update RegionCurveColorInfo set ButtonCheck = 0 where Id = 5");
        QCOMPARE(cell(0)->CheckState(), Qt::Checked);
        QCOMPARE(cell(1)->CheckState(), Qt::Unchecked);
        QCOMPARE(m_pForm->CurveIds(), (QList<int> {4, 5, 6}));
        RDoseRatioDiagram* pDiagram = m_pForm->Curve()->Diagram();
        QVERIFY(pDiagram->IsCurveEnabled(4));
        QCOMPARE(pDiagram->CurveColourOf(4), QColor(38, 202, 87));
        QVERIFY(!pDiagram->IsCurveEnabled(5));
        PSqlExec::Exec("update RegionCurveColorInfo set ButtonCheck = 0 where Id = 6");
        cell(0)->CheckBox()->setCheckState(Qt::Unchecked);
        QCOMPARE(column("ButtonCheck", 4), 0);
        QCOMPARE(column("ButtonCheck", 5), 0);
        QCOMPARE(column("ButtonCheck", 6), 2);
        QVERIFY(!pDiagram->IsCurveEnabled(4));
        QVERIFY(pDiagram->IsCurveEnabled(6));
    }

    // A cancelled dialog writes nothing; a chosen colour reaches the table,
    // the store, the model and the curve.
    void colourDialog()
    {
        build({4, 5});
        int nAsked = 0;
        QColor chosen;
        m_pForm->ColourDelegate()->SetColourChooser([&](const QColor& current) {
            ++nAsked;
            [&] { QCOMPARE(current, QColor(38, 202, 87)); }();
            return chosen;
        });
        clickColour(1);
        QCOMPARE(nAsked, 1);
        // A click elsewhere in the row opens nothing and changes nothing.
        QTreeView* pView = m_pForm->RegionView();
        const QRect rect = pView->visualRect(m_pForm->Model()->index(1, 1));
        QTest::mouseClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(nAsked, 1);
        QCOMPARE(column("R_Color", 5), 38);
        QVERIFY(m_store.Log().isEmpty());
        chosen = QColor(10, 20, 30);
        clickColour(1);
        QCOMPARE(column("R_Color", 5), 10);
        QCOMPARE(column("G_Color", 5), 20);
        QCOMPARE(column("B_Color", 5), 30);
        QCOMPARE(column("R_Color", 4), 38);
        QCOMPARE(m_store.Log().size(), 1);
        QCOMPARE(m_store.Firsts(SBus::RegionList), QList<qintptr> {0});
        const QVariant value = m_pForm->Model()->data(m_pForm->Model()->index(1, 4));
        QCOMPARE(value.value<PColorLine>().Color(), chosen);
        QCOMPARE(m_pForm->Curve()->Diagram()->CurveColourOf(5), chosen);
    }

    // The on-line and alarm states show as lamps under the check box and
    // beside the colour line: on-line red after more than 30 s of silence,
    // dose kept, alarm kept.
    // The line itself is painted in the region's colour and stops before the lamp.
    void silentMonitorShowsRedLamp()
    {
        build({4, 5});
        m_pForm->Model()->SetUpdateInterval(0);
        reading(4, 12.5f);
        reading(5, 2.5f);
        m_clock.Advance(30000);
        reading(5, 3.0f); // below its threshold of 10: normal
        m_pState->Acknowledge(4); // a steady alarm colour
        m_pForm->Model()->OnTimeOut();
        QCOMPARE(m_pForm->Model()->OnlineAt(0), 1);
        m_clock.Advance(1000);
        m_pForm->Model()->OnTimeOut();
        QCoreApplication::processEvents();
        QTreeView* pView = m_pForm->RegionView();
        const QImage image = pView->viewport()->grab().toImage();
        auto lamp = [&](int row, int column, int nX) {
            const QRect rect = pView->visualRect(m_pForm->Model()->index(row, column));
            return image.pixelColor(rect.x() + nX, rect.center().y());
        };
        QCOMPARE(lamp(0, 4, 15), QColor(38, 202, 87));
        QCOMPARE(lamp(0, 3, 10), QColor(Qt::red));
        QCOMPARE(lamp(1, 3, 10), QColor(Qt::green));
        QCOMPARE(lamp(0, 4, 38), RAlarmState::AlarmColour());
        QCOMPARE(lamp(1, 4, 38), QColor(Qt::green));
        // The silent region's last value says when it was read.
        QCOMPARE(m_pForm->Model()->data(m_pForm->Model()->index(0, 2)).toString(),
            QStringLiteral("12.50 (10:00:00)"));
    }

    // Within a day a tick reads the latest minutes of every curve at once; a
    // new day reloads every curve in full, in slices, and a second tick
    // meanwhile leaves none behind.
    void minuteTickRefreshesAndReloadsOnANewDay()
    {
        QList<int> ids;
        for (int i = 0; i < RFormRegion::kCurvesPerSlice * 2 + 3; ++i)
            ids.append(10 + i);
        build(ids);
        const int nLast = ids.last();
        const auto sample = [this](int nId, int nMinute) {
            return m_pForm->Curve()->Diagram()->CurveSamples(nId).value(nMinute);
        };
        for (int nId : {ids.first(), nLast})
            PSqlExec::Exec(
                "insert into MonthMinuteDose(Id, Month, '599') values(?, '2026-03-07', 75)", {nId});
        m_clock.Advance(60000);
        SendSMessage(SBus::RegionPage, SBus::MinuteTick, 0, 0);
        QCOMPARE(m_pForm->PendingCurves(), 0);
        QCOMPARE(sample(ids.first(), 599), 2.5f);
        QCOMPARE(sample(nLast, 599), 2.5f);

        m_clock.Set(QDateTime(QDate(2026, 3, 8), QTime(0, 0, 30)));
        for (int nId : {ids.first(), nLast})
            PSqlExec::Exec(
                "insert into MonthMinuteDose(Id, Month, '0') values(?, '2026-03-08', 45)", {nId});
        SendSMessage(SBus::RegionPage, SBus::MinuteTick, 0, 0);
        QVERIFY(m_pForm->PendingCurves() > 0);
        SendSMessage(SBus::RegionPage, SBus::MinuteTick, 0, 0);
        QTRY_COMPARE(m_pForm->PendingCurves(), 0);
        QCOMPARE(sample(ids.first(), 0), 1.5f);
        QCOMPARE(sample(nLast, 0), 1.5f);
        QCOMPARE(sample(nLast, 599), 0.0f);
        m_clock.Set(QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    }

    // Minutes stored as 16800 (the mean times 30 slots) are drawn on the row
    // the live curve's value axis gives 560 µRad/h, at build and after a tick.
    void liveCurveDrawsTheMinuteMean()
    {
        QStringList columns;
        QStringList values;
        for (int nMinute = 300; nMinute < 600; ++nMinute) {
            columns << QStringLiteral("'%1'").arg(nMinute);
            values << QStringLiteral("16800");
        }
        const QByteArray sql = QStringLiteral("insert into MonthMinuteDose(Id, Month, %1) "
                                              "values(4, '2026-03-07', %2)")
                                   .arg(columns.join(','), values.join(','))
                                   .toUtf8();
        build({4}, sql.constData());
        RDoseRatioDiagram* pDiagram = m_pForm->Curve()->Diagram();
        const auto curveRow = [pDiagram] {
            const QImage image = pDiagram->grab().toImage();
            int nBest = -1;
            int nMost = 0;
            for (int y = 0; y < image.height(); ++y) {
                int nCount = 0;
                for (int x = 0; x < image.width(); ++x)
                    nCount += image.pixelColor(x, y) == QColor(38, 202, 87) ? 1 : 0;
                if (nCount > nMost) {
                    nMost = nCount;
                    nBest = y;
                }
            }
            return nBest;
        };
        const auto valueAt = [pDiagram](int nRow) {
            return (pDiagram->Origin().y() - nRow) * pDiagram->ValueAxis().dTop
                / pDiagram->PlotHeight();
        };
        const double dPixel = pDiagram->ValueAxis().dTop / pDiagram->PlotHeight();
        const int nRow = curveRow();
        QVERIFY2(std::abs(valueAt(nRow) - 560.0) <= 1.5 * dPixel,
            qPrintable(QString::number(valueAt(nRow))));
        // A tick reads the latest minutes through the same conversion.
        PSqlExec::Exec("update MonthMinuteDose set '600' = 16800, '601' = 16800 where Id = 4");
        m_clock.Advance(120000);
        SendSMessage(SBus::RegionPage, SBus::MinuteTick, 0, 0);
        QCOMPARE(pDiagram->CurveSamples(4).value(601), 560.0f);
        QCOMPARE(curveRow(), nRow);
        // Hidden, the page misses ticks; shown again it reads the minutes since.
        m_pForm->hide();
        PSqlExec::Exec("update MonthMinuteDose set '605' = 16800 where Id = 4");
        m_clock.Advance(240000);
        m_pForm->show();
        QCOMPARE(pDiagram->CurveSamples(4).value(605), 560.0f);
        m_clock.Set(QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    }

    void reloadFollowsNewRegionList()
    {
        build({4, 5});
        PSqlExec::Exec("insert into RegionInfo(Sub, Id, Name) values(3, 8, 'Hall')");
        PSqlExec::Exec("insert into RegionCurveColorInfo(Id) values(8)");
        PSqlExec::Exec("update RegionInfo set Num = 3");
        RRegionCatalogue::Shared().Reload();
        m_pForm->InitRegions();
        QCOMPARE(m_pForm->Model()->rowCount(), 3);
        QVERIFY(cell(2));
        QCOMPARE(m_pForm->CurveIds(), (QList<int> {4, 5, 8}));
        QCOMPARE(m_pForm->Curve()->AddedIds(), (QList<int> {4, 5, 8}));
        reading(8, 20);
        QVERIFY(m_pForm->Gauge()->Level(8) > 0);
        // After the page is gone a reading must not reach it.
        delete m_pForm;
        m_pForm = nullptr;
        reading(8, 12);
    }

    // The main window's children go in stacking order, and showing the page
    // raises it: at shut-down the page may outlive the alarm state and cue.
    // A latched alarm then neither shows nor reaches freed memory, and the
    // alarm controls do nothing.
    void alarmHandlingGoneFirst()
    {
        build({3, 4});
        auto* pState = new RAlarmState(nullptr);
        auto* pCue = new PAlarmCue;
        connect(m_pForm->Model(), &RRegionDoseModel::AlarmChanged, pState,
            &RAlarmState::OnAlarmChanged);
        m_pForm->SetAlarmHandling(pState, pCue);
        reading(3, 50);
        RRegionDoseModel* pModel = m_pForm->Model();
        const QModelIndex lamp = pModel->index(0, 4);
        QVERIFY(pModel->data(lamp, Qt::BackgroundRole).isValid());
        m_pForm->RegionView()->setCurrentIndex(lamp);

        delete pState;
        delete pCue;
        QVERIFY(!pModel->data(lamp, Qt::BackgroundRole).isValid());
        QVERIFY(pModel->data(lamp, Qt::ForegroundRole).value<QColor>()
            != RAlarmState::AlarmColour(true));
        for (const char* pName : {"m_pButtonAck", "m_pButtonAckAll", "m_pButtonMute"})
            QTest::mouseClick(m_pForm->findChild<QPushButton*>(pName), Qt::LeftButton);
        m_pForm->ShowJournal();
    }

    // The alarm controls say what they do: a switch looks switched on, an
    // acknowledgement with no region selected, or of one without an alarm,
    // says so, and the two lamps of a row explain themselves.
    void alarmControlsExplainThemselves()
    {
        build({3, 4}, "update RegionCurveColorInfo set Alarmvalue = 1000");
        RAlarmState state(nullptr);
        PAlarmCue cue;
        FakePrompt prompt;
        m_pForm->SetPrompt(&prompt);
        m_pForm->SetAlarmHandling(&state, &cue);
        RRegionDoseModel* pModel = m_pForm->Model();
        connect(pModel, &RRegionDoseModel::AlarmChanged, &state, &RAlarmState::OnAlarmChanged);
        for (const char* pName : {"m_pButtonMute", "m_pButtonPicture"}) {
            auto* pButton = m_pForm->findChild<QPushButton*>(pName);
            pButton->setChecked(false);
            const QImage off = pButton->grab().toImage();
            pButton->setChecked(true);
            QVERIFY2(pButton->grab().toImage() != off, pName);
        }

        auto* pAck = m_pForm->findChild<QPushButton*>("m_pButtonAck");
        state.OnLinkChanged(true);
        reading(3, 1500);
        QVERIFY(state.IsUnacknowledged(3));
        QTest::mouseClick(pAck, Qt::LeftButton);
        QCOMPARE(prompt.told.size(), 1);
        QVERIFY(state.IsUnacknowledged(3));
        m_pForm->RegionView()->setCurrentIndex(pModel->index(1, 0));
        QTest::mouseClick(pAck, Qt::LeftButton);
        QCOMPARE(prompt.told.size(), 2);
        QVERIFY(prompt.told.last().contains(QStringLiteral("Room 4")));
        const auto tip = [pModel](int nRow, int nColumn) {
            return pModel->data(pModel->index(nRow, nColumn), Qt::ToolTipRole).toString();
        };
        QCOMPARE(tip(0, 4), QStringLiteral("Alarm, not acknowledged"));
        m_pForm->RegionView()->setCurrentIndex(pModel->index(0, 0));
        QTest::mouseClick(pAck, Qt::LeftButton);
        QCOMPARE(prompt.told.size(), 2);
        QVERIFY(!state.IsUnacknowledged(3));
        QCOMPARE(tip(0, 4), QStringLiteral("Alarm, acknowledged"));
        QCOMPARE(tip(1, 4), QStringLiteral("No reading yet"));
        QVERIFY(tip(0, 3).startsWith(QStringLiteral("On line")));
        QVERIFY(tip(1, 3).startsWith(QStringLiteral("Off line")));
        state.OnLinkChanged(false);
        QVERIFY(tip(0, 3).startsWith(QStringLiteral("No link")));
        // The page must not outlive the alarm handling it points to.
        delete m_pForm;
        m_pForm = nullptr;
    }

    // The journal opens from the page; its filter and its CSV give the lines
    // the command line gives for the same range and region.
    void journalViewFiltersAndExports()
    {
        build({3, 4},
            "insert into AlarmJournal(Time, Id, Event, Dose, Threshold, Operator) values"
            "('2014-05-03T08:00:00', 3, 'alarm', 7.5, 5, ''), "
            "('2014-05-03T08:05:00', 3, 'ack', 0, 0, 'M\xc3\xbcller, A.'), "
            "('2014-05-04T09:00:00', 0, 'link-down', 0, 0, ''), "
            "('2014-05-06T09:00:00', 3, 'clear', 1, 5, '')");
        QTest::mouseClick(m_pForm->findChild<QPushButton*>("m_pButtonJournal"), Qt::LeftButton);
        auto* pView = m_pForm->findChild<RAlarmJournalView*>();
        QVERIFY(pView);
        FakePrompt prompt;
        pView->SetPrompt(&prompt);
        pView->SetRange(QDate(2014, 5, 3), QDate(2014, 5, 5), 3);
        QCOMPARE(pView->Model()->rowCount(), 2);
        QCOMPARE(pView->Model()->item(1, 2)->text(), QStringLiteral("Room 3"));
        QTemporaryDir dir;
        prompt.strSaveName = dir.filePath(QStringLiteral("a"));
        pView->Export();
        QFile file(dir.filePath(QStringLiteral("a.csv")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()),
            QString::fromUtf8("time,id,event,dose_uRad_h,threshold_uRad_h,operator\r\n"
                              "2014-05-03T08:05:00,3,ack,0.00,0,\"M\xc3\xbcller, A.\"\r\n"
                              "2014-05-03T08:00:00,3,alarm,7.50,5,\r\n"));

        // The link's events have no region, dose or threshold; an acknowledgement
        // has no dose or threshold either.
        pView->SetRange(QDate(2014, 5, 3), QDate(2014, 5, 5), 0);
        QCOMPARE(pView->Model()->rowCount(), 3);
        const auto row = [pView](int nRow) {
            QStringList texts;
            for (int nColumn = 1; nColumn < 6; ++nColumn)
                texts << pView->Model()->item(nRow, nColumn)->text();
            return texts;
        };
        const QString strNone = QStringLiteral("\u2014");
        QCOMPARE(row(0), QStringList({strNone, "Data server", "link-down", strNone, strNone}));
        QCOMPARE(row(1), QStringList({"3", "Room 3", "ack", strNone, strNone}));
        QCOMPARE(row(2), QStringList({"3", "Room 3", "alarm", "7.50", "5"}));
        QCOMPARE(pView->Model()->item(2, 0)->text(), QStringLiteral("2014-05-03 08:00:00"));

        // Following the journal, a new event of the shown range appears at once.
        RAlarmJournal journal(&m_clock);
        pView->Follow(&journal);
        pView->SetRange(m_clock.Now().date(), m_clock.Now().date(), 0);
        QCOMPARE(pView->Model()->rowCount(), 0);
        journal.Write(QStringLiteral("alarm"), 4, 20, 10);
        QCOMPARE(pView->Model()->rowCount(), 1);

        // Opened, or asked for again, the window takes the keyboard; Escape
        // closes it wherever its focus is.
        m_pForm->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), m_pForm);
        m_pForm->ShowJournal();
        QTRY_COMPARE(QApplication::activeWindow(), pView);
        for (QWidget* pFocus : pView->findChildren<QWidget*>()) {
            if (pFocus->focusPolicy() == Qt::NoFocus || !pFocus->isVisible())
                continue;
            m_pForm->ShowJournal();
            QVERIFY(pView->isVisible());
            pFocus->setFocus();
            QTest::keyClick(pFocus, Qt::Key_Escape);
            QVERIFY2(!pView->isVisible(), qPrintable(pFocus->metaObject()->className()));
        }
    }

    void fitPicture_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("fitted");
        QTest::newRow("landscape centred vertically")
            << QSize(400, 400) << QSize(800, 400) << QRect(0, 100, 400, 200);
        QTest::newRow("portrait centred horizontally")
            << QSize(400, 400) << QSize(100, 200) << QRect(100, 0, 200, 400);
        QTest::newRow("no picture") << QSize(300, 200) << QSize() << QRect(150, 0, 0, 200);
    }
    void fitPicture()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, image);
        QFETCH(QRect, fitted);
        QCOMPARE(RFormRegion::FitPicture(frame, image), fitted);
    }
};

QTEST_MAIN(TestRegionForm)
#include "tst_regionform.moc"
