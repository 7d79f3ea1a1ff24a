#include "BusRecorder.h"
#include "FakePrompt.h"
#include "SqlRows.h"
#include "TestDb.h"
#include "TestFiles.h"

#include "database/RAlarmJournal.h"
#include "database/RRegionCatalogue.h"
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
#include "realtime/RRegionPic.h"
#include "realtime/RRegionWatch.h"
#include "realtime/RSiteRooms.h"
#include "realtime/RWidget.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <algorithm>

namespace {

// The station's rule, when a test wires one: it decides, the page shows.
QPointer<RRegionWatch> s_pWatch;

void reading(int id, float dose)
{
    if (s_pWatch)
        s_pWatch->Feed(id, dose);
    SendSMessage(SBus::RegionPage, SBus::RegionReading, id, reinterpret_cast<qintptr>(&dose));
}

// A plan drawn in text: '#' wall (opaque), '.' open (transparent).
QImage maskFromArt(const QStringList& rows)
{
    QImage mask(rows.first().size(), rows.size(), QImage::Format_ARGB32);
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows.at(y).size(); ++x)
            mask.setPixel(x, y, rows.at(y).at(x) == '#' ? qRgba(0, 0, 0, 255) : qRgba(0, 0, 0, 0));
    }
    return mask;
}

// Rooms: A (x 1-7), B (x 9-13 over rows 1-3 and x 9-18 on row 4, an L),
// C (x 15-18, rows 1-2).
const QStringList kArt = {
    "####################",
    "#.......#.....#....#",
    "#.......#.....#....#",
    "#.......#.....######",
    "#.......#..........#",
    "####################",
};

// The drawing over the rooms is all ground.
void writePlan(int nLayer, const QColor& ground = Qt::transparent)
{
    maskFromArt(kArt).save(QStringLiteral("mask%1.png").arg(nLayer));
    QImage src(kArt.first().size(), kArt.size(), QImage::Format_ARGB32);
    src.fill(ground);
    src.save(QStringLiteral("src%1.png").arg(nLayer));
    // Regions 1, 2, 3 in rooms A, B, C; storey 1 holds 1 and 2, storey 2 holds 3.
    QVERIFY(TestFiles::Put("position.txt", "0\n3,2\n10,1\n16,1\n1\n3,2\n10,1\n2\n16,1\n"));
}

} // namespace

// The region page: table, gauge, curve, alarm controls and the site plan.
class TestRegionForm : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0))};
    RFormRegion* m_pForm = nullptr;
    RAlarmState* m_pState = nullptr;
    RRegionPic* m_pPic = nullptr;
    BusRecorder m_store {SBus::PresetStore};

    // Thresholds 10, 20, 40 µRad/h; pSql runs on the fresh tables.
    void open(const QList<int>& ids, const char* pSql = "select 1")
    {
        TestDb::Open();
        TestDb::AddRegions(ids);
        PSqlExec::Exec(
            "insert into SystemInfo(Unit_P, Thre_A, Thre_B, Thre_C) values(0, 10, 20, 40)");
        PSqlExec::Exec(pSql);
        TestDb::Catalogue().Reload();
    }
    // The page, wired as the program wires it, shown.
    void build(const QList<int>& ids, const char* pSql = "select 1")
    {
        open(ids, pSql);
        m_pForm = new RFormRegion(&TestDb::Catalogue(), nullptr, &m_clock);
        // The form's children for cleanup.
        m_pState = new RAlarmState(nullptr, m_pForm, &m_clock);
        s_pWatch = new RRegionWatch(&TestDb::Catalogue(), &m_clock, m_pForm);
        s_pWatch->Reload({});
        connect(s_pWatch, &RRegionWatch::AlarmChanged, m_pState, &RAlarmState::OnAlarmChanged);
        m_pForm->SetAlarmHandling(m_pState, new PAlarmCue(m_pForm));
        m_pState->OnLinkChanged(true); // connected, as the readings say
        m_pForm->resize(1200, 800);
        m_pForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pForm));
    }
    // The plan alone, on layers 0, 2 (when written) and nothing on 3.
    void buildPic(const QSize& size = QSize(20, 6))
    {
        open({1, 2, 3});
        writePlan(0);
        m_pPic = new RRegionPic(&TestDb::Catalogue(), nullptr, &m_clock);
        m_pPic->resize(size);
        m_pPic->SetClickable(true);
    }
    RWidget* cell(int row) const
    {
        QTreeView* pView = m_pForm->RegionView();
        return qobject_cast<RWidget*>(pView->indexWidget(m_pForm->Model()->index(row, 3)));
    }
    void clickColour(int row)
    {
        QTreeView* pView = m_pForm->RegionView();
        const QRect rect = pView->visualRect(m_pForm->Model()->index(row, 4));
        QTest::mousePress(pView->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseRelease(pView->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QRgb pixel(int x, int y) const { return m_pPic->MaskImage().pixel(x, y); }
    void mouse(QEvent::Type type, const QPoint& pos)
    {
        QMouseEvent event(type, pos, Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pPic, &event);
    }
    // Press at from, one move, nMs later release at to.
    void gesture(const QPoint& from, const QPoint& to, qint64 nMs)
    {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, (from + to) / 2);
        m_clock.Advance(nMs);
        mouse(QEvent::MouseButtonRelease, to);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        // The page's remembered toggle goes to a scratch settings file.
        QStandardPaths::setTestModeEnabled(true);
    }
    void cleanup()
    {
        delete m_pForm;
        m_pForm = nullptr;
        delete m_pPic;
        m_pPic = nullptr;
        m_store.Clear();
        QSettings(QStringLiteral("Kestal"), QStringLiteral("Kestal")).clear();
        for (const QString& strName : QDir().entryList(QDir::Files))
            QFile::remove(strName);
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
        const QList<float> zero {0, 0, 0};
        QTest::newRow("no thresholds, zero") << zero << 0.0f << 0.0f << QColor(Qt::darkGreen);
        QTest::newRow("no thresholds, dose") << zero << 3.0f << 3.0f << QColor(Qt::red);
        QTest::newRow("zero threA only")
            << QList<float> {0, 10, 200} << 5.0f << 1.5f << QColor(Qt::yellow);
        QTest::newRow("thresholds close together")
            << QList<float> {1000, 2000, 4000} << 1500.0f << 1.5f << QColor(Qt::yellow);
    }
    // A region's marker stands in its band; with thresholds set, every label
    // stands where a marker of the dose it names would, with the unit.
    void gaugeLevel()
    {
        QFETCH(QList<float>, thresholds);
        QFETCH(float, dose);
        QFETCH(float, segments);
        QFETCH(QColor, band);
        open({4, 5}, "delete from SystemInfo");
        PSqlExec::Exec(
            QStringLiteral("insert into SystemInfo(Thre_A, Thre_B, Thre_C) values(?, ?, ?)"),
            {thresholds.at(0), thresholds.at(1), thresholds.at(2)});
        RGroupBox gauge(&TestDb::Catalogue());
        gauge.resize(120, 360);
        gauge.LoadRegions();
        gauge.LoadThresholds();
        gauge.SetLevel(4, dose);
        QCOMPARE(gauge.Level(4), segments * gauge.Segment());
        QCOMPARE(gauge.BandColour(), band);
        QCOMPARE(gauge.Level(5), 0.0f);
        gauge.SetLevel(77, 1e6f); // unknown: no marker moves
        QCOMPARE(gauge.Level(4), segments * gauge.Segment());
        QCOMPARE(gauge.Level(77), -1.0f);
        const QString strUnit = QString::fromUtf8(" \xce\xbcRad/h");
        for (const auto& label :
            thresholds.at(0) > 0 ? gauge.Labels() : decltype(gauge.Labels()) {}) {
            QVERIFY2(label.second.endsWith(strUnit), qPrintable(label.second));
            gauge.SetLevel(5, label.second.chopped(strUnit.size()).toFloat());
            QVERIFY2(qAbs(gauge.Level(5) - label.first) < 0.01, qPrintable(label.second));
        }
    }

    // Green below threshold A, yellow from it, red from B on; red when no
    // threshold is set.
    void bandColour()
    {
        QList<int> hues;
        for (float dose : {0.0f, 9.99f, 10.0f, 20.0f, 400.0f})
            hues << RSitePlan::BandColour(dose, 10, 20, 40).hsvHue();
        hues << RSitePlan::BandColour(5, 0, 0, 0).hsvHue();
        QCOMPARE(hues, (QList<int> {120, 120, 60, 0, 0, 0}));
    }

    // The first build shows exactly the checked regions; one toggle then
    // rewrites ButtonCheck of every row from the cells, and the curves follow.
    void checkBoxesFollowDatabase()
    {
        build({4, 5, 6}, "update RegionCurveColorInfo set ButtonCheck = 0 where Id = 5");
        QCOMPARE(cell(0)->CheckState(), Qt::Checked);
        QCOMPARE(cell(1)->CheckState(), Qt::Unchecked);
        RDoseRatioDiagram* pDiagram = m_pForm->Curve()->Diagram();
        QVERIFY(pDiagram->IsCurveEnabled(4) && !pDiagram->IsCurveEnabled(5));
        PSqlExec::Exec("update RegionCurveColorInfo set ButtonCheck = 0 where Id = 6");
        cell(0)->CheckBox()->setCheckState(Qt::Unchecked);
        QCOMPARE(
            SqlRows("select ButtonCheck from RegionCurveColorInfo"), QStringLiteral("0; 0; 2"));
        QVERIFY(!pDiagram->IsCurveEnabled(4) && pDiagram->IsCurveEnabled(6));
    }

    // A click elsewhere in the row or a cancelled dialog writes nothing; a
    // chosen colour reaches the table, the store, the model and the curve.
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
        QTreeView* pView = m_pForm->RegionView();
        const QRect rect = pView->visualRect(m_pForm->Model()->index(1, 1));
        QTest::mouseClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, rect.center());
        clickColour(1);
        QCOMPARE(nAsked, 1);
        QVERIFY(m_store.Log().isEmpty());
        QCOMPARE(SqlRows("select R_Color from RegionCurveColorInfo"), QStringLiteral("38; 38"));
        chosen = QColor(10, 20, 30);
        clickColour(1);
        QCOMPARE(SqlRows("select R_Color from RegionCurveColorInfo"), QStringLiteral("38; 10"));
        QCOMPARE(m_store.Firsts(SBus::RegionList), QList<qintptr> {0});
        const QVariant value = m_pForm->Model()->data(m_pForm->Model()->index(1, 4));
        QCOMPARE(value.value<PColorLine>().Color(), chosen);
        QCOMPARE(m_pForm->Curve()->Diagram()->CurveColourOf(5), chosen);
    }

    // Within a day a tick reads the latest minutes of every curve at once, as
    // the minute's mean (stored / 30); a page hidden meanwhile reads the
    // minutes it missed when shown. A new day reloads every curve in full, in
    // slices, and a second tick meanwhile leaves none behind.
    void minuteTickRefreshesAndReloadsOnANewDay()
    {
        const QList<int> ids = TestDb::Ids(10, 12 + RFormRegion::kCurvesPerSlice * 2);
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
        m_pForm->hide();
        PSqlExec::Exec("update MonthMinuteDose set '601' = 16800");
        m_clock.Advance(120000);
        m_pForm->show();
        QCOMPARE(sample(ids.first(), 601), 560.0f);

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

    // A reading reaches the model and the gauge, one of an unknown region
    // or without its value breaks nothing; a new region list brings its
    // rows, curves and markers; a page gone hears nothing.
    void readingsAndNewRegionList()
    {
        build({4, 5});
        reading(5, 1500);
        QCOMPARE(m_pForm->Gauge()->Level(5), 3.0f * m_pForm->Gauge()->Segment());
        QCOMPARE(m_pForm->Model()->OnlineAt(1), 1);
        reading(99, 1500);
        SendSMessage(SBus::RegionPage, SBus::RegionReading, 5, 0);
        QCOMPARE(m_pForm->Model()->DoseAt(1), 1500.0f);

        PSqlExec::Exec("insert into RegionInfo(Sub, Id, Name) values(3, 8, 'Hall')");
        PSqlExec::Exec("insert into RegionCurveColorInfo(Id) values(8)");
        PSqlExec::Exec("update RegionInfo set Num = 3");
        TestDb::Catalogue().Reload();
        m_pForm->InitRegions();
        QCOMPARE(m_pForm->Model()->rowCount(), 3);
        QVERIFY(cell(2));
        QCOMPARE(m_pForm->CurveIds(), (QList<int> {4, 5, 8}));
        QCOMPARE(m_pForm->Curve()->AddedIds(), (QList<int> {4, 5, 8}));
        reading(8, 20);
        QVERIFY(m_pForm->Gauge()->Level(8) > 0);
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
        connect(s_pWatch, &RRegionWatch::AlarmChanged, pState, &RAlarmState::OnAlarmChanged);
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

    // Acknowledging with no region selected, or one without an alarm, says
    // so and acknowledges nothing; the selected alarm is acknowledged.
    void acknowledgeTheSelectedRegion()
    {
        build({3, 4}, "update RegionCurveColorInfo set Alarmvalue = 1000");
        FakePrompt prompt;
        m_pForm->SetPrompt(&prompt);
        auto* pAck = m_pForm->findChild<QPushButton*>("m_pButtonAck");
        reading(3, 1500);
        QTest::mouseClick(pAck, Qt::LeftButton);
        m_pForm->RegionView()->setCurrentIndex(m_pForm->Model()->index(1, 0));
        QTest::mouseClick(pAck, Qt::LeftButton);
        QCOMPARE(prompt.told.size(), 2);
        QVERIFY(prompt.told.last().contains(QStringLiteral("Room 4")));
        QVERIFY(m_pState->IsUnacknowledged(3));
        m_pForm->RegionView()->setCurrentIndex(m_pForm->Model()->index(0, 0));
        QTest::mouseClick(pAck, Qt::LeftButton);
        QCOMPARE(prompt.told.size(), 2);
        QVERIFY(!m_pState->IsUnacknowledged(3));
    }

    // Shelving from the page takes the officer's gate and a reason; the
    // shelved region shows shelved in the table and the gauge, its readings
    // still shown and no alarm raised; the same button puts it back.
    void shelvingFromThePage()
    {
        build({3, 4}, "update RegionCurveColorInfo set Alarmvalue = 1000");
        FakePrompt prompt;
        m_pForm->SetPrompt(&prompt);
        bool bOfficer = false;
        m_pForm->SetShelveGate([&bOfficer](const QString&) { return bOfficer; });
        auto* pShelve = m_pForm->findChild<QPushButton*>("m_pButtonShelve");
        m_pForm->RegionView()->setCurrentIndex(m_pForm->Model()->index(0, 0));
        prompt.shelvings << qMakePair(QStringLiteral("detector swap"), 90);
        QTest::mouseClick(pShelve, Qt::LeftButton);
        QVERIFY(prompt.shelveAsked.isEmpty());
        QVERIFY(!m_pState->IsShelved(3));
        bOfficer = true;
        QTest::mouseClick(pShelve, Qt::LeftButton);
        QVERIFY(m_pState->IsShelved(3));
        QCOMPARE(m_pState->ShelfOf(3).until, m_clock.Now().addSecs(90 * 60));

        reading(3, 1500);
        RRegionDoseModel* pModel = m_pForm->Model();
        QCOMPARE(pModel->DoseAt(0), 1500.0f);
        QVERIFY(!m_pState->IsActive(3));
        QCOMPARE(pModel->data(pModel->index(0, 1), Qt::BackgroundRole).value<QColor>(),
            RAlarmState::ShelvedColour());
        QVERIFY(pModel->data(pModel->index(0, 4), Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("detector swap")));
        RGroupBox* pGauge = m_pForm->Gauge();
        const QImage gauge = pGauge->grab().toImage();
        const int nY = qRound(pGauge->height() + 10 - 30 - pGauge->Level(3));
        QCOMPARE(gauge.pixelColor(10 + pGauge->width() - 41, nY - 6), RAlarmState::ShelvedColour());

        prompt.reasons << QStringLiteral("swapped");
        QTest::mouseClick(pShelve, Qt::LeftButton);
        QVERIFY(!m_pState->IsShelved(3));
        // Still over its threshold: an alarm at once.
        QVERIFY(m_pState->IsActive(3));
    }

    // More than ten new alarms within ten minutes put the flood banner, with
    // the count, over the table.
    void floodBanner()
    {
        build(TestDb::Ids(1, 11), "update RegionCurveColorInfo set Alarmvalue = 1000");
        for (int nId = 1; nId <= 10; ++nId)
            reading(nId, 1500);
        QVERIFY(!m_pForm->FloodBanner()->isVisible());
        reading(11, 1500);
        QVERIFY(m_pForm->FloodBanner()->isVisible());
        QVERIFY(m_pForm->FloodBanner()->text().contains(QStringLiteral("11")));
    }

    // The journal opens from the page, filtered by range and region;
    // following the journal, a new event of the shown range appears at once.
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
        QAbstractItemModelTester tester(
            pView->Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        pView->SetRange(QDate(2014, 5, 3), QDate(2014, 5, 5), 3);
        QCOMPARE(pView->Model()->rowCount(), 2);
        QCOMPARE(pView->Model()->item(1, 2)->text(), QStringLiteral("Room 3"));
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
        RAlarmJournal journal(&TestDb::Writer(), &m_clock);
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

    // Storey blocks of positions; a bad line is skipped, a seventh region has
    // no point, and past the last block a region is on no storey.
    void positionFileAndStoreys()
    {
        QVERIFY(TestFiles::Put("p.txt",
            "1,1\n2,2\n3,3\n4,4\n5,5\n6,6\nnot a line\n7,x\n8,8,8\n\n1\n10,10\n11,11\n"
            "2\n20,20\n21,21\n22,22\n"));
        const QMap<int, QList<QPoint>> blocks = RSitePlan::ParsePositions("p.txt");
        QCOMPARE(blocks.value(0).size(), 6);
        QCOMPARE(blocks.value(1), (QList<QPoint> {{10, 10}, {11, 11}}));
        QCOMPARE(blocks.value(2).size(), 3);
        const QMap<int, QMap<int, QPoint>> layers
            = RSitePlan::PlaceRegions(blocks, {11, 12, 13, 14, 15, 16, 17});
        QCOMPARE(layers.value(0).size(), 6);
        QCOMPARE(layers.value(1).keys(), (QList<int> {11, 12}));
        QCOMPARE(layers.value(2).keys(), (QList<int> {13, 14, 15}));
        QCOMPARE(layers.value(2).value(15), QPoint(22, 22));
        for (int nLayer = 1; nLayer <= 4; ++nLayer)
            QVERIFY(!layers.value(nLayer).contains(16));
    }

    // A layer without pictures, or with one over the pixel limit (refused
    // from its header alone), keeps the layer shown.
    void layerFilesAndFailedLoads()
    {
        buildPic();
        QImage big = maskFromArt(kArt).scaled(40, 12);
        big.save("mask2.png");
        big.save("src2.png");
        QList<QAction*> actions = m_pPic->LayerMenu()->actions();
        QSignalSpy changed(m_pPic, &RRegionPic::ImageChanged);
        m_pPic->OnTriggered(actions.at(2));
        QCOMPARE(m_pPic->Layer(), 2);
        QCOMPARE(m_pPic->ImageSize(), QSize(40, 12));
        QCOMPARE(changed.count(), 1);
        const QString strTitle = m_pPic->LayerMenu()->title();
        m_pPic->OnTriggered(actions.at(3));
        QCOMPARE(m_pPic->Layer(), 2);
        QCOMPARE(m_pPic->LayerMenu()->title(), strTitle);

        // A BMP of 10000 x 10000 with no pixel data.
        QByteArray header(54, '\0');
        QDataStream stream(&header, QIODevice::WriteOnly);
        stream.setByteOrder(QDataStream::LittleEndian);
        stream << quint16(0x4D42) << quint32(54) << quint32(0) << quint32(54) << quint32(40)
               << qint32(10000) << qint32(10000) << quint16(1) << quint16(24);
        QVERIFY(TestFiles::Put("mask2.bmp", header));
        big.save("src2.bmp");
        QVERIFY(!m_pPic->Load("mask.bmp", "src.bmp", QString(), "position.txt"));
        QCOMPARE(m_pPic->ImageSize(), QSize(40, 12));
        QCOMPARE(changed.count(), 1);
    }

    // A room is what a fill from its seed reaches over 4-connected open
    // pixels, around corners and back up, never through a diagonal gap; a
    // seed on a wall (a letter) is that pixel alone, one outside the picture
    // has no room; a click in a room two seeds share names the first listed.
    void roomsAreWhatTheFillReaches_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QStringList>("clicks"); // the region a click finds, '-' none
        QTest::newRow("around a corner and back up") << QStringList {"#1.#..", "#..#..", "#.....",
            "######"} << QStringList {"-11-11", "-11-11", "-11111", "------"};
        QTest::newRow("no way through a diagonal")
            << QStringList {"1#", "#."} << QStringList {"1-", "--"};
        QTest::newRow("a seed on a wall")
            << QStringList {".a.", "###"} << QStringList {"-1-", "---"};
        QTest::newRow("two seeds in one room")
            << QStringList {"2..1", "...."} << QStringList {"1111", "1111"};
    }
    void roomsAreWhatTheFillReaches()
    {
        QFETCH(QStringList, plan);
        QFETCH(QStringList, clicks);
        QByteArray labels;
        QVector<QPair<int, QPoint>> seeds;
        for (int y = 0; y < plan.size(); ++y) {
            for (int x = 0; x < plan.at(y).size(); ++x) {
                const QChar c = plan.at(y).at(x);
                labels += c == '#' || c.isLower() ? char(255) : char(0);
                if (c.isDigit() || c.isLower())
                    seeds.append({c.isDigit() ? c.digitValue() : c.toLatin1() - 'a' + 1, {x, y}});
            }
        }
        std::sort(seeds.begin(), seeds.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
        seeds.append({9, QPoint(-1, 0)});
        RSiteRooms rooms;
        rooms.Build(labels, QSize(plan.first().size(), plan.size()), seeds);
        QVERIFY(!rooms.Runs(9));
        QStringList found;
        for (int y = 0; y < plan.size(); ++y) {
            found << QString();
            for (int x = 0; x < plan.at(y).size(); ++x) {
                int nId = 0;
                found.last() += rooms.RegionAt({x, y}, &nId) ? QChar('0' + nId) : QChar('-');
            }
        }
        QCOMPARE(found, clicks);
        // A reading colours exactly the pixels a click finds its room in.
        for (const auto& seed : seeds.mid(0, seeds.size() - 1)) {
            const QChar room = clicks.at(seed.second.y()).at(seed.second.x());
            int nPixels = 0;
            for (const RSiteRooms::Run& run : *rooms.Runs(seed.first)) {
                for (int x = run.nX0; x <= run.nX1; ++x, ++nPixels)
                    QCOMPARE(clicks.at(run.nY).at(x), room);
            }
            QCOMPARE(nPixels, clicks.join(QString()).count(room));
        }
    }

    void readingsColourTheirRoom()
    {
        buildPic();
        m_pPic->ShowRegion(2, 15); // yellow
        const QColor yellow = RSitePlan::BandColour(15, 10, 20, 40);
        QCOMPARE(pixel(10, 1), yellow.rgb());
        QCOMPARE(pixel(18, 4), yellow.rgb()); // the far end of the L
        QCOMPARE(qAlpha(pixel(16, 1)), 0); // room C untouched
        QCOMPARE(qAlpha(pixel(8, 2)), 0); // the wall between
        m_pPic->ShowRegion(99, 15); // no seed: nothing happens
        m_pPic->ShowRegion(2, 0);
        QCOMPARE(pixel(12, 3), RSitePlan::BandColour(0, 10, 20, 40).rgb());

        // Painted stretched, the room's colour showing through the drawing.
        m_pPic->resize(200, 60);
        QCOMPARE(QColor(m_pPic->grab().toImage().pixel(175, 45)).hsvHue(), 120);

        // Storey 2 holds only region 3: region 2 is gone, 3 keeps its dose.
        m_pPic->ShowRegion(3, 30);
        writePlan(2);
        m_pPic->OnTriggered(m_pPic->LayerMenu()->actions().at(2));
        QCOMPARE(qAlpha(pixel(10, 1)), 0);
        QCOMPARE(pixel(16, 1), RSitePlan::BandColour(30, 10, 20, 40).rgb());
    }

    // A click names its room at any size; a fast, long drag is no click;
    // a plan not clickable ignores clicks.
    void clicksAndDrags()
    {
        buildPic();
        QSignalSpy clicked(m_pPic, &RRegionPic::RegionClicked);
        const QPoint inB(18, 4);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, inB);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, QPoint(8, 2)); // wall
        // At twice the size a point that would be room B unscaled is room A's.
        m_pPic->resize(40, 12);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, inB * 2);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, QPoint(10, 2));
        QCOMPARE(clicked.count(), 3);
        QCOMPARE((QList<int> {clicked.at(0).at(0).toInt(), clicked.at(1).at(0).toInt(),
                     clicked.at(2).at(0).toInt()}),
            (QList<int> {2, 2, 1}));
        clicked.clear();

        // 30 px apart within 2 s of a move: a drag. Slower, or closer: clicks.
        gesture(QPoint(4, 4), QPoint(34, 4), 1500);
        QCOMPARE(clicked.count(), 0);
        m_clock.Advance(5000);
        gesture(QPoint(4, 4), QPoint(34, 4), 2001);
        QCOMPARE(clicked.count(), 1);
        m_clock.Advance(5000);
        gesture(QPoint(14, 4), QPoint(34, 4), 100);
        QCOMPARE(clicked.count(), 2);
        m_pPic->SetClickable(false);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, inB * 2);
        QCOMPARE(clicked.count(), 2);
    }

    // One alarm state, painted alike in the table row, the plan room and the
    // gauge marker, selected or not: active fills (in the flash's phase),
    // cleared-unacknowledged outlines, normal shows no alarm colour; the
    // plan keeps its band colour under the alarm.
    void alarmLooksInEveryView_data()
    {
        QTest::addColumn<int>("look");
        QTest::addColumn<bool>("bright"); // the flash phase
        QTest::addColumn<bool>("selected");
        const struct
        {
            const char* pName;
            RAlarmState::Look look;
            bool bBright;
        } looks[] = {{"normal", RAlarmState::NoAlarm, true},
            {"active unacknowledged, bright", RAlarmState::ActiveUnacknowledged, true},
            {"active unacknowledged, dark", RAlarmState::ActiveUnacknowledged, false},
            {"active acknowledged", RAlarmState::ActiveAcknowledged, true},
            {"cleared unacknowledged", RAlarmState::ClearedUnacknowledged, true}};
        for (const auto& look : looks) {
            for (bool bSelected : {false, true}) {
                QTest::addRow("%s%s", look.pName, bSelected ? ", selected" : "")
                    << int(look.look) << look.bBright << bSelected;
            }
        }
    }
    void alarmLooksInEveryView()
    {
        QFETCH(int, look);
        QFETCH(bool, bright);
        QFETCH(bool, selected);
        writePlan(0);
        build({1, 2, 3});
        QTRY_VERIFY(m_pForm->Picture()->width() > 200);
        // Region 2 (room B, row 1; alarm threshold 10) reads in band B.
        reading(1, 5);
        reading(2, look == RAlarmState::NoAlarm ? 5 : 15);
        if (look == RAlarmState::ActiveAcknowledged)
            m_pState->Acknowledge(2);
        if (look == RAlarmState::ClearedUnacknowledged)
            reading(2, 5);
        QCOMPARE(int(m_pState->LookOf(2)), look);
        if (m_pState->FlashOn() != bright)
            m_pState->FlashStep();
        QTreeView* pView = m_pForm->RegionView();
        if (selected)
            pView->setCurrentIndex(m_pForm->Model()->index(1, 1));
        else
            pView->clearSelection();

        const QColor alarm = RAlarmState::AlarmColour(bright);
        const QColor steady = RAlarmState::AlarmColour();
        const bool bActive
            = look == RAlarmState::ActiveUnacknowledged || look == RAlarmState::ActiveAcknowledged;
        const bool bAny = look != RAlarmState::NoAlarm;
        const bool bCleared = look == RAlarmState::ClearedUnacknowledged;
        const auto isAlarm = [](const QColor& colour) {
            return colour == RAlarmState::AlarmColour(true)
                || colour == RAlarmState::AlarmColour(false);
        };

        // Table: the row's fill left of the right-aligned value, its outline
        // over the selection, the lamp filled or ringed; the other row plain.
        const QImage table = pView->viewport()->grab().toImage();
        const QRect cell = pView->visualRect(m_pForm->Model()->index(1, 2));
        const QColor inside = table.pixelColor(cell.left() + 4, cell.center().y());
        const QColor edge = table.pixelColor(cell.center().x(), cell.top() + 1);
        QVERIFY2(bActive ? inside == alarm : !isAlarm(inside), qPrintable(inside.name()));
        if (bCleared)
            QCOMPARE(edge, steady);
        else if (bActive && selected)
            QCOMPARE(edge, RRegionDoseModel::SelectionMark());
        else if (!bActive)
            QVERIFY2(!isAlarm(edge), qPrintable(edge.name()));
        const QRect lampCell = pView->visualRect(m_pForm->Model()->index(1, 4));
        const QPoint lamp(lampCell.x() + 38, lampCell.center().y());
        if (bActive)
            QCOMPARE(table.pixelColor(lamp), alarm);
        else if (bAny)
            QCOMPARE(table.pixelColor(lamp + QPoint(4, 0)), steady); // a ring
        else
            QCOMPARE(table.pixelColor(lamp), QColor(Qt::green));
        const QRect other = pView->visualRect(m_pForm->Model()->index(0, 2));
        QVERIFY(!isAlarm(table.pixelColor(other.right() - 4, other.center().y())));

        // Plan: room B (plan x 9 to 13, rows 1 to 3) outlined inside its
        // wall; stripes inside while active; its band colour kept; room A plain.
        RRegionPic* pPic = m_pForm->Picture();
        const QImage plan = pPic->grab().toImage();
        const double sx = pPic->width() / 20.0;
        const double sy = pPic->height() / 6.0;
        const QColor border = plan.pixelColor(int(9 * sx) + 1, int(2.5 * sy));
        const QColor band = RSitePlan::BandColour(bActive ? 15 : 5, 10, 20, 40);
        int nAlarmInside = 0;
        int nBandInside = 0;
        for (int y = int(1 * sy) + 5; y < int(4 * sy) - 5; ++y) {
            for (int x = int(9 * sx) + 5; x < int(14 * sx) - 5; ++x) {
                nAlarmInside += plan.pixelColor(x, y) == alarm ? 1 : 0;
                nBandInside += plan.pixel(x, y) == band.rgb() ? 1 : 0;
            }
        }
        QCOMPARE(isAlarm(border), bAny);
        if (bAny)
            QCOMPARE(border, bCleared ? steady : alarm);
        QCOMPARE(nAlarmInside > 0, bActive);
        QVERIFY(nBandInside > 0);
        QVERIFY(!isAlarm(plan.pixelColor(int(1 * sx) + 1, int(2.5 * sy))));

        // Gauge: a box around the marker, filled while active.
        RGroupBox* pGauge = m_pForm->Gauge();
        const QImage gauge = pGauge->grab().toImage();
        const int W = pGauge->width();
        const int nY = qRound(pGauge->height() + 10 - 30 - pGauge->Level(2));
        const QColor box = gauge.pixelColor(10 + W - 38, nY - 4);
        QVERIFY2(bActive ? box == alarm : !isAlarm(box), qPrintable(box.name()));
        QCOMPARE(isAlarm(gauge.pixelColor(10 + W - 41, nY - 6)), bAny);
    }

    // A site with a plan shows it, fitted to its frame, until the operator
    // hides it, which is remembered; a reading colours its room, applied
    // settings bring new bands, and a click in a room selects its row.
    void planOnThePage()
    {
        writePlan(0, QColor(30, 60, 90)); // on an opaque ground
        build({1, 2, 3});
        RRegionPic* pPic = m_pForm->Picture();
        QVERIFY(pPic->isVisible());
        QTRY_VERIFY(pPic->width() > 200);
        QCOMPARE(pPic->width() * 6 / 20, pPic->height());
        // The strips of the pane beside the plan continue its ground: no
        // blank band, no title bar.
        const QImage pane = pPic->parentWidget()->grab().toImage();
        int nOther = 0;
        for (int y = 0; y < pane.height(); y += 3) {
            for (int x = 0; x < pane.width(); x += 3) {
                if (!pPic->geometry().contains(x, y))
                    nOther += pane.pixelColor(x, y) != QColor(30, 60, 90) ? 1 : 0;
            }
        }
        QCOMPARE(nOther, 0);
        // Gauge and curve take their pane to within its one-pixel edge.
        QWidget* pGaugePane = m_pForm->Gauge()->parentWidget();
        const QRect used = m_pForm->Gauge()->geometry().united(
            pGaugePane->findChild<QWidget*>(QStringLiteral("m_pScrollArea"))->geometry());
        QVERIFY(used.adjusted(-1, -1, 1, 1).contains(pGaugePane->rect()));
        reading(3, 15);
        QCOMPARE(QColor(pPic->MaskImage().pixel(16, 1)).hsvHue(), 60);
        PSqlExec::Exec(QStringLiteral("update SystemInfo set Thre_A = 100, Thre_B = 200"));
        m_pForm->InitRegions();
        QCOMPARE(QColor(pPic->MaskImage().pixel(16, 1)).hsvHue(), 120);
        const QPoint inC(17.5 * pPic->width() / 20, 1.5 * pPic->height() / 6);
        QTest::mouseClick(pPic, Qt::LeftButton, {}, inC);
        QCOMPARE(m_pForm->RegionView()->currentIndex().row(), 2);

        m_pForm->PictureButton()->click();
        QVERIFY(!pPic->isVisible());
        // The table and the curve take the room the plan leaves.
        QTRY_VERIFY(m_pForm->RegionView()->width() > m_pForm->width() * 8 / 10);
        delete m_pForm;
        m_pForm = nullptr;
        RFormRegion second(&TestDb::Catalogue(), nullptr, &m_clock);
        second.show();
        QVERIFY(!second.PictureButton()->isChecked());
        QVERIFY(!second.Picture()->isVisible());
    }
};

QTEST_MAIN(TestRegionForm)
#include "tst_regionform.moc"
