#include "TestDb.h"

#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RFormRegion.h"
#include "realtime/RGroupBox.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RRegionPic.h"
#include "realtime/RSiteRooms.h"

#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <set>
#include <vector>

namespace {

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
// Regions 1, 2, 3 in rooms A, B, C; storey 1 holds 1 and 2, storey 2 holds 3.
const char* const kPositions = "0\n3,2\n10,1\n16,1\n1\n3,2\n10,1\n2\n16,1\n";

void writePlan(int nLayer, const QStringList& art)
{
    maskFromArt(art).save(QStringLiteral("mask%1.png").arg(nLayer));
    QImage src(art.first().size(), art.size(), QImage::Format_ARGB32);
    src.fill(Qt::transparent);
    src.save(QStringLiteral("src%1.png").arg(nLayer));
}

void writeFile(const QString& strName, const QByteArray& content)
{
    QFile file(strName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// The fill of the room rule as first designed: from the start pixel over
// 4-connected open pixels, a start on a wall marking that pixel alone.
std::set<int> referenceFill(const QByteArray& labels, int W, int H, int nStart)
{
    std::vector<uchar> work(size_t(W) * H, 0);
    std::vector<int> stack {nStart};
    std::set<int> marked;
    work[nStart] = 255;
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        marked.insert(i);
        if (labels.at(i) != 0)
            continue;
        const int x = i % W;
        const int y = i / W;
        const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& n : next) {
            if (n[0] < 0 || n[1] < 0 || n[0] >= W || n[1] >= H)
                continue;
            const int j = n[1] * W + n[0];
            if (labels.at(j) == 0 && work[j] == 0) {
                work[j] = 255;
                stack.push_back(j);
            }
        }
    }
    return marked;
}

} // namespace

class TestRegionPic : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0))};
    RRegionPic* m_pPic = nullptr;

    // Thresholds 10, 20, 40 µRad/h; regions 1, 2, 3; the plan on layers 0
    // and 2, nothing on layer 3.
    void build(const QSize& size = QSize(20, 6))
    {
        TestDb::Open();
        TestDb::AddRegions({1, 2, 3});
        PSqlExec::Exec(QStringLiteral(
            "insert into SystemInfo(Unit_P, Thre_A, Thre_B, Thre_C) values(0, 10, 20, 40)"));
        writePlan(0, kArt);
        writeFile(QStringLiteral("position.txt"), kPositions);
        m_pPic = new RRegionPic(nullptr, &m_clock);
        m_pPic->resize(size);
        m_pPic->SetClickable(true);
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
        delete m_pPic;
        m_pPic = nullptr;
        QSettings(QStringLiteral("Kestal"), QStringLiteral("Kestal")).clear();
        for (const QString& strName : QDir().entryList(QDir::Files))
            QFile::remove(strName);
    }

    void bandColour_data()
    {
        QTest::addColumn<float>("dose");
        QTest::addColumn<QList<float>>("thresholds");
        QTest::addColumn<int>("hue");
        QTest::addColumn<int>("saturation");
        const QList<float> bands {10, 20, 40};
        QTest::newRow("zero is faint green") << 0.0f << bands << 120 << 55;
        QTest::newRow("just under A") << 9.99f << bands << 120 << 254;
        QTest::newRow("equal to A is yellow") << 10.0f << bands << 60 << 155;
        QTest::newRow("equal to B is red") << 20.0f << bands << 0 << 155;
        QTest::newRow("above C stays full red") << 400.0f << bands << 0 << 255;
        QTest::newRow("thresholds not set") << 5.0f << QList<float> {0, 0, 0} << 0 << 255;
    }
    void bandColour()
    {
        QFETCH(float, dose);
        QFETCH(QList<float>, thresholds);
        const QColor colour
            = RRegionPic::BandColour(dose, thresholds.at(0), thresholds.at(1), thresholds.at(2));
        QVERIFY(colour.isValid());
        QTEST(colour.hsvHue(), "hue");
        QTEST(colour.hsvSaturation(), "saturation");
    }

    void positionFileAndStoreys()
    {
        writeFile(QStringLiteral("p.txt"),
            "1,1\n2,2\n3,3\n4,4\n5,5\n6,6\nnot a line\n7,x\n8,8,8\n\n1\n10,10\n11,11\n"
            "2\n20,20\n21,21\n22,22\n");
        const QMap<int, QList<QPoint>> blocks = RRegionPic::ParsePositions("p.txt");
        QCOMPARE(blocks.value(0).size(), 6);
        QCOMPARE(blocks.value(1), (QList<QPoint> {{10, 10}, {11, 11}}));
        QCOMPARE(blocks.value(2).size(), 3);

        const QMap<int, QMap<int, QPoint>> layers
            = RRegionPic::PlaceRegions(blocks, {11, 12, 13, 14, 15, 16, 17});
        QCOMPARE(layers.value(0).size(), 6); // a seventh region has no point
        QCOMPARE(layers.value(1).keys(), (QList<int> {11, 12}));
        QCOMPARE(layers.value(2).keys(), (QList<int> {13, 14, 15}));
        QCOMPARE(layers.value(2).value(15), QPoint(22, 22));
        // Past the last storey block a region is on no storey.
        for (int nLayer = 1; nLayer <= 4; ++nLayer)
            QVERIFY(!layers.value(nLayer).contains(16));
    }

    void layerFilesAndFailedLoads()
    {
        build();
        QImage big = maskFromArt(kArt).scaled(40, 12);
        big.save("mask2.png");
        big.save("src2.png");
        QList<QAction*> actions = m_pPic->LayerMenu()->actions();
        QSignalSpy changed(m_pPic, &RRegionPic::ImageChanged);

        m_pPic->OnTriggered(actions.at(2));
        QCOMPARE(m_pPic->Layer(), 2);
        QCOMPARE(m_pPic->ImageSize(), QSize(40, 12));
        QCOMPARE(m_pPic->LayerMenu()->title(), QStringLiteral("The second  layer"));
        QCOMPARE(changed.count(), 1);

        // No pictures for layer 3: layer 2 stays, named and shown.
        m_pPic->OnTriggered(actions.at(3));
        QCOMPARE(m_pPic->Layer(), 2);
        QCOMPARE(m_pPic->ImageSize(), QSize(40, 12));
        QCOMPARE(m_pPic->LayerMenu()->title(), QStringLiteral("The second  layer"));

        // A picture over the pixel limit is refused from its header alone: a
        // BMP of 10000 x 10000 with no pixel data.
        QByteArray header(54, '\0');
        QDataStream stream(&header, QIODevice::WriteOnly);
        stream.setByteOrder(QDataStream::LittleEndian);
        stream << quint16(0x4D42) << quint32(54) << quint32(0) << quint32(54) << quint32(40)
               << qint32(10000) << qint32(10000) << quint16(1) << quint16(24);
        writeFile("mask2.bmp", header);
        big.save("src2.bmp");
        QVERIFY(!m_pPic->Load("mask.bmp", "src.bmp", QString(), "position.txt"));
        QCOMPARE(m_pPic->ImageSize(), QSize(40, 12));
        QCOMPARE(changed.count(), 1);
    }

    void roomsColourExactlyWhatTheFillReaches()
    {
        // Odd shapes: wall speckle, rectangle outlines and lines on open area.
        const int W = 300;
        const int H = 200;
        QRandomGenerator random(19);
        QByteArray labels(W * H, '\0');
        for (int i = 0; i < W * H; ++i)
            labels[i] = random.bounded(100) < 6 ? char(255) : char(0);
        for (int n = 0; n < 25; ++n) {
            const int x0 = random.bounded(W - 20);
            const int y0 = random.bounded(H - 20);
            const int x1 = x0 + 5 + random.bounded(W - x0 - 5);
            const int y1 = y0 + 5 + random.bounded(H - y0 - 5);
            for (int x = x0; x < x1; ++x)
                labels[y0 * W + x] = labels[(y1 - 1) * W + x] = char(1);
            for (int y = y0; y < y1; ++y)
                labels[y * W + x0] = labels[y * W + x1 - 1] = char(1);
        }
        QVector<QPair<int, QPoint>> seeds;
        for (int i = 0; i < 40; ++i)
            seeds.append({100 + i, QPoint(random.bounded(W), random.bounded(H))});
        seeds.append({200, QPoint(-1, 5)});
        seeds.append({201, QPoint(W, 10)});
        seeds.append({202, seeds.at(3).second}); // a second seed on one point

        RSiteRooms rooms;
        rooms.Build(labels, QSize(W, H), seeds);
        QVERIFY(!rooms.Runs(200) && !rooms.Runs(201));
        for (const auto& seed : seeds.mid(0, 40) + seeds.mid(42)) {
            const std::set<int> expected
                = referenceFill(labels, W, H, seed.second.y() * W + seed.second.x());
            std::set<int> coloured;
            for (const RSiteRooms::Run& run : *rooms.Runs(seed.first)) {
                for (int x = run.nX0; x <= run.nX1; ++x)
                    coloured.insert(run.nY * W + x);
            }
            QVERIFY2(coloured == expected, qPrintable(QString::number(seed.first)));
        }

        // A click yields the first listed seed its fill reaches, if any.
        for (int n = 0; n < 300; ++n) {
            const QPoint p(random.bounded(W), random.bounded(H));
            const std::set<int> reached = referenceFill(labels, W, H, p.y() * W + p.x());
            int nExpected = 0;
            for (const auto& seed : seeds) {
                const QPoint s = seed.second;
                if (s.x() >= 0 && s.x() < W && reached.count(s.y() * W + s.x())) {
                    nExpected = seed.first;
                    break;
                }
            }
            int nId = 0;
            const bool bFound = rooms.RegionAt(p, &nId);
            QCOMPARE(bFound, nExpected != 0);
            QCOMPARE(nId, nExpected);
        }
    }

    void readingsColourTheirRoom()
    {
        build();
        m_pPic->ShowRegion(2, 15); // yellow
        const QColor yellow = RRegionPic::BandColour(15, 10, 20, 40);
        QCOMPARE(pixel(10, 1), yellow.rgb());
        QCOMPARE(pixel(18, 4), yellow.rgb()); // the far end of the L
        QCOMPARE(qAlpha(pixel(16, 1)), 0); // room C untouched
        QCOMPARE(qAlpha(pixel(8, 2)), 0); // the wall between
        m_pPic->ShowRegion(99, 15); // no seed: nothing happens
        m_pPic->ShowRegion(2, 0);
        QCOMPARE(pixel(12, 3), RRegionPic::BandColour(0, 10, 20, 40).rgb());

        // Painted stretched, the room's colour showing through the drawing.
        m_pPic->resize(200, 60);
        const QImage shot = m_pPic->grab().toImage();
        QCOMPARE(QColor(shot.pixel(175, 45)).hsvHue(), 120);

        // Storey 2 holds only region 3: region 2 is gone, 3 keeps its dose.
        m_pPic->ShowRegion(3, 30);
        writePlan(2, kArt);
        m_pPic->OnTriggered(m_pPic->LayerMenu()->actions().at(2));
        QCOMPARE(qAlpha(pixel(10, 1)), 0);
        QCOMPARE(pixel(16, 1), RRegionPic::BandColour(30, 10, 20, 40).rgb());
    }

    void clicksAndDrags()
    {
        build(QSize(20, 6));
        QSignalSpy clicked(m_pPic, &RRegionPic::RegionClicked);
        const QPoint inB(18, 4);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, inB);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, QPoint(8, 2)); // wall
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.takeFirst().at(0).toInt(), 2);

        // At twice the size the same room lies under twice the coordinates,
        // and a point that would be room B unscaled is room A's.
        m_pPic->resize(40, 12);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, inB * 2);
        QTest::mouseClick(m_pPic, Qt::LeftButton, {}, QPoint(10, 2));
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(clicked.at(0).at(0).toInt(), 2);
        QCOMPARE(clicked.at(1).at(0).toInt(), 1);
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
        build();
        RFormRegion form(nullptr, &m_clock);
        RAlarmState state(nullptr);
        connect(
            form.Model(), &RRegionDoseModel::AlarmChanged, &state, &RAlarmState::OnAlarmChanged);
        state.OnLinkChanged(true);
        PAlarmCue cue;
        form.SetAlarmHandling(&state, &cue);
        form.resize(1200, 800);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.Picture()->width() > 200);

        // Region 2 (room B, row 1; alarm threshold 10) reads in band B.
        const auto read = [](int nId, float dose) {
            SendSMessage(
                SBus::RegionPage, SBus::RegionReading, nId, reinterpret_cast<qintptr>(&dose));
        };
        read(1, 5);
        read(2, look == RAlarmState::NoAlarm ? 5 : 15);
        if (look == RAlarmState::ActiveAcknowledged)
            state.Acknowledge(2);
        if (look == RAlarmState::ClearedUnacknowledged)
            read(2, 5);
        QCOMPARE(int(state.LookOf(2)), look);
        if (state.FlashOn() != bright)
            state.FlashStep();
        QTreeView* pView = form.RegionView();
        if (selected)
            pView->setCurrentIndex(form.Model()->index(1, 1));
        else
            pView->clearSelection();

        const QColor alarm = RAlarmState::AlarmColour(bright);
        const QColor steady = RAlarmState::AlarmColour();
        const bool bActive
            = look == RAlarmState::ActiveUnacknowledged || look == RAlarmState::ActiveAcknowledged;
        const bool bAny = look != RAlarmState::NoAlarm;
        const auto isAlarm = [](const QColor& colour) {
            return colour == RAlarmState::AlarmColour(true)
                || colour == RAlarmState::AlarmColour(false);
        };

        // Table: the row's fill and its outline, over the selection.
        const QImage table = pView->viewport()->grab().toImage();
        const QRect cell = pView->visualRect(form.Model()->index(1, 2));
        // Left of the value, which stands right-aligned.
        const QColor inside = table.pixelColor(cell.left() + 4, cell.center().y());
        const QColor edge = table.pixelColor(cell.center().x(), cell.top() + 1);
        if (bActive)
            QCOMPARE(inside, alarm);
        else
            QVERIFY2(!isAlarm(inside), qPrintable(inside.name()));
        if (look == RAlarmState::ClearedUnacknowledged)
            QCOMPARE(edge, steady);
        else if (bActive && selected)
            QCOMPARE(edge, RRegionDoseModel::SelectionMark());
        else if (!bActive)
            QVERIFY2(!isAlarm(edge), qPrintable(edge.name()));
        const QRect lampCell = pView->visualRect(form.Model()->index(1, 4));
        const QPoint lamp(lampCell.x() + 38, lampCell.center().y());
        const QColor lampCentre = table.pixelColor(lamp);
        if (bActive)
            QCOMPARE(lampCentre, alarm);
        else if (bAny)
            QCOMPARE(table.pixelColor(lamp + QPoint(4, 0)), steady); // a ring
        else
            QCOMPARE(lampCentre, QColor(Qt::green));
        // The other row shows no alarm.
        const QRect other = pView->visualRect(form.Model()->index(0, 2));
        QVERIFY(!isAlarm(table.pixelColor(other.right() - 4, other.center().y())));

        // Plan: room B (plan x 9 to 13, rows 1 to 3) outlined inside its
        // wall; stripes inside while active; its band colour kept.
        RRegionPic* pPic = form.Picture();
        const QImage plan = pPic->grab().toImage();
        const double sx = pPic->width() / 20.0;
        const double sy = pPic->height() / 6.0;
        const QColor border = plan.pixelColor(int(9 * sx) + 1, int(2.5 * sy));
        int nAlarmInside = 0;
        int nBandInside = 0;
        const QColor band = RRegionPic::BandColour(
            look == RAlarmState::NoAlarm || look == RAlarmState::ClearedUnacknowledged ? 5 : 15, 10,
            20, 40);
        for (int y = int(1 * sy) + 5; y < int(4 * sy) - 5; ++y) {
            for (int x = int(9 * sx) + 5; x < int(14 * sx) - 5; ++x) {
                const QColor colour = plan.pixelColor(x, y);
                nAlarmInside += colour == alarm ? 1 : 0;
                nBandInside += colour.rgb() == band.rgb() ? 1 : 0;
            }
        }
        QCOMPARE(isAlarm(border), bAny);
        if (bAny)
            QCOMPARE(border, look == RAlarmState::ClearedUnacknowledged ? steady : alarm);
        QCOMPARE(nAlarmInside > 0, bActive);
        QVERIFY(nBandInside > 0);
        // Room A, normal, has no alarm colour anywhere.
        QVERIFY(!isAlarm(plan.pixelColor(int(1 * sx) + 1, int(2.5 * sy))));

        // Gauge: a box around the marker, filled while active.
        RGroupBox* pGauge = form.Gauge();
        const QImage gauge = pGauge->grab().toImage();
        const int W = pGauge->width();
        const int nY = qRound(pGauge->height() + 10 - 30 - pGauge->Level(2));
        const QColor box = gauge.pixelColor(10 + W - 38, nY - 4);
        const QColor frame = gauge.pixelColor(10 + W - 41, nY - 6);
        if (bActive)
            QCOMPARE(box, alarm);
        else
            QVERIFY2(!isAlarm(box), qPrintable(box.name()));
        QCOMPARE(isAlarm(frame), bAny);
    }

    void regionPageHooks()
    {
        build();
        // A plan on an opaque ground.
        QImage src(20, 6, QImage::Format_ARGB32);
        src.fill(QColor(30, 60, 90));
        src.save(QStringLiteral("src0.png"));
        auto* pForm = new RFormRegion(nullptr, &m_clock);
        QScopedPointer<RFormRegion> form(pForm);
        pForm->resize(1200, 800);
        pForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(pForm));
        RRegionPic* pPic = pForm->Picture();
        // A site with a plan shows it, fitted to its frame, until the
        // operator hides it; that choice is remembered.
        QVERIFY(pPic->isVisible());
        QTRY_VERIFY(pPic->width() > 200);
        QCOMPARE(pPic->width() * 6 / 20, pPic->height());
        // The strips of the pane beside the plan continue its ground: no
        // blank band, no title bar.
        QWidget* pPane = pPic->parentWidget();
        const QImage pane = pPane->grab().toImage();
        int nOther = 0;
        for (int y = 0; y < pane.height(); y += 3) {
            for (int x = 0; x < pane.width(); x += 3) {
                if (!pPic->geometry().contains(x, y))
                    nOther += pane.pixelColor(x, y) != QColor(30, 60, 90) ? 1 : 0;
            }
        }
        QCOMPARE(nOther, 0);
        // Gauge and curve take their pane to within its one-pixel edge.
        QWidget* pGaugePane = pForm->Gauge()->parentWidget();
        const QRect used = pForm->Gauge()->geometry().united(
            pGaugePane->findChild<QWidget*>(QStringLiteral("m_pScrollArea"))->geometry());
        QVERIFY2(used.adjusted(-1, -1, 1, 1) == pGaugePane->rect(),
            qPrintable(QStringLiteral("%1,%2 %3x%4 of %5x%6")
                           .arg(used.x())
                           .arg(used.y())
                           .arg(used.width())
                           .arg(used.height())
                           .arg(pGaugePane->width())
                           .arg(pGaugePane->height())));

        // A reading colours its room; applied settings bring new bands.
        float dose = 15;
        SendSMessage(SBus::RegionPage, SBus::RegionReading, 3, reinterpret_cast<qintptr>(&dose));
        QCOMPARE(QColor(pPic->MaskImage().pixel(16, 1)).hsvHue(), 60);
        PSqlExec::Exec(QStringLiteral("update SystemInfo set Thre_A = 100, Thre_B = 200"));
        pForm->InitRegions();
        QCOMPARE(QColor(pPic->MaskImage().pixel(16, 1)).hsvHue(), 120);

        // A click in room C, at the plan's scale, selects region 3's row.
        const QPoint inC(17.5 * pPic->width() / 20, 1.5 * pPic->height() / 6);
        QTest::mouseClick(pPic, Qt::LeftButton, {}, inC);
        QCOMPARE(pForm->RegionView()->currentIndex().row(), 2);

        pForm->PictureButton()->click();
        QVERIFY(!pPic->isVisible());
        // The table and the curve take the room the plan leaves.
        QTRY_VERIFY(pForm->RegionView()->width() > pForm->width() * 8 / 10);
        form.reset();
        RFormRegion second(nullptr, &m_clock);
        second.show();
        QVERIFY(!second.PictureButton()->isChecked());
        QVERIFY(!second.Picture()->isVisible());
    }
};

QTEST_MAIN(TestRegionPic)
#include "tst_regionpic.moc"
