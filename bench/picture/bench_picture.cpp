// The site picture under the live reading rate: a 2000 x 1500 plan of 255
// rooms, one reading per room every 2 s, spread over the period. Reports the
// share of the GUI thread the picture takes (recolouring and painting) and the
// time of one recolour, for the rooms found once per load and, for
// comparison, for a fill of the room on every reading with a work array of
// the whole plan and a repaint of the whole picture.
//
//   bench_picture [seconds per run, default 10]

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "realtime/RRegionPic.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

const int kW = 2000;
const int kH = 1500;
const int kColumns = 17;
const int kRows = 15; // 255 rooms
const int kRooms = kColumns * kRows;
const int kPeriodMs = 2000;

qint64 threadCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QPoint seedOf(int nRoom)
{
    return QPoint((nRoom % kColumns) * kW / kColumns + 20, (nRoom / kColumns) * kH / kRows + 20);
}

// A grid of rooms with 4-pixel walls; each room has a notch so that it is
// not a plain rectangle.
void writeSite()
{
    QImage mask(kW, kH, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int c = 0; c <= kColumns; ++c)
        painter.drawRect(c * kW / kColumns - 2, 0, 4, kH);
    for (int r = 0; r <= kRows; ++r)
        painter.drawRect(0, r * kH / kRows - 2, kW, 4);
    for (int n = 0; n < kRooms; ++n)
        painter.drawRect(QRect(seedOf(n) + QPoint(40, 30), QSize(30, 30)));
    painter.end();
    mask.save("mask0.png");
    QImage src = mask;
    src.save("src0.png");
    QFile position("position.txt");
    position.open(QIODevice::WriteOnly);
    for (int n = 0; n < kRooms; ++n)
        position.write(QStringLiteral("%1,%2\n").arg(seedOf(n).x()).arg(seedOf(n).y()).toLatin1());
}

void seedDatabase()
{
    PSqlExec::Exec(QStringLiteral("insert into SystemInfo(Unit_P, Thre_A, Thre_B, Thre_C) "
                                  "values(0, 100, 200, 400)"));
    for (int i = 0; i < kRooms; ++i) {
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(?, ?, ?, ?)"),
            {i + 1, 100 + i, QStringLiteral("Room %1").arg(i), kRooms});
        PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id) values(?)"), {100 + i});
    }
}

// The picture as first designed: every reading fills its room from the seed
// with a work array of the whole plan, writes every marked pixel and repaints
// the whole picture.
class FillEveryReading final : public QWidget
{
public:
    FillEveryReading()
    {
        QImage mask(QStringLiteral("mask0.png"));
        mask = mask.convertToFormat(QImage::Format_ARGB32);
        m_labels.resize(kW * kH);
        for (int i = 0; i < kW * kH; ++i)
            m_labels[i] = char(qAlpha(reinterpret_cast<const QRgb*>(mask.constBits())[i]));
        m_mask = QImage(kW, kH, QImage::Format_ARGB32);
        m_mask.fill(Qt::transparent);
        m_src = QImage(QStringLiteral("src0.png")).convertToFormat(QImage::Format_ARGB32);
    }
    void ShowRegion(int nRoom, float dose)
    {
        const QColor colour = RSitePlan::BandColour(dose, 100, 200, 400);
        std::vector<uchar> work(size_t(kW) * kH, 0);
        std::vector<int> stack {seedOf(nRoom).y() * kW + seedOf(nRoom).x()};
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            if (m_labels.at(i) != char(0) || work[i])
                continue;
            work[i] = 255;
            const int x = i % kW;
            if (x > 0)
                stack.push_back(i - 1);
            if (x < kW - 1)
                stack.push_back(i + 1);
            if (i >= kW)
                stack.push_back(i - kW);
            if (i < kW * (kH - 1))
                stack.push_back(i + kW);
        }
        QRgb* pBits = reinterpret_cast<QRgb*>(m_mask.bits());
        const QRgb rgb = colour.rgb();
        for (int i = 0; i < kW * kH; ++i) {
            if (work[i])
                pBits[i] = rgb;
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(rect(), m_mask);
        painter.drawImage(rect(), m_src);
    }

private:
    QByteArray m_labels;
    QImage m_mask;
    QImage m_src;
};

// Feeds nSeconds of readings spread over each 2-second period; returns the
// GUI thread's busy share and, through pRecolourUs, the mean time of one call
// of show (without the paints it causes).
double feed(const std::function<void(int, float)>& show, int nSeconds, double* pRecolourUs)
{
    int nNext = 0;
    qint64 nShowNs = 0;
    qint64 nCalls = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kPeriodMs / kRooms);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 nStart = threadCpuNs();
        show(nNext, float((nNext * 37 + nCalls) % 500));
        nShowNs += threadCpuNs() - nStart;
        ++nCalls;
        nNext = (nNext + 1) % kRooms;
    });
    QEventLoop loop;
    QTimer::singleShot(nSeconds * 1000, &loop, &QEventLoop::quit);
    timer.start();
    QElapsedTimer wall;
    wall.start();
    const qint64 nCpuStart = threadCpuNs();
    loop.exec();
    const double dBusy = double(threadCpuNs() - nCpuStart) / double(wall.nsecsElapsed());
    *pRecolourUs = nCalls ? double(nShowNs) / nCalls / 1000 : 0;
    return dBusy;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int nSeconds = argc > 1 ? qMax(1, atoi(argv[1])) : 10;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    RConnectDatabase database(&StorageFixture::Writer());
    database.OpenDatabase();
    QSqlDatabase::database().transaction();
    seedDatabase();
    StorageFixture::Catalogue().Reload();
    writeSite();

    QElapsedTimer clock;
    clock.start();
    RRegionPic picture(&StorageFixture::Catalogue());
    std::printf("plan %dx%d, %d rooms: load with the rooms found %.1f ms\n", kW, kH, kRooms,
        clock.nsecsElapsed() / 1e6);
    clock.restart();
    picture.LoadRegions();
    std::printf(
        "  rooms found again after a region list change: %.1f ms\n", clock.nsecsElapsed() / 1e6);
    picture.resize(900, 675);
    picture.show();
    app.processEvents();

    double dRecolourUs = 0;
    const double dBusy = feed([&](int nRoom, float dose) { picture.ShowRegion(100 + nRoom, dose); },
        nSeconds, &dRecolourUs);
    std::printf("rooms found once:   GUI thread busy %5.2f%%, one recolour %7.1f us\n", 100 * dBusy,
        dRecolourUs);

    picture.hide();
    FillEveryReading before;
    before.resize(900, 675);
    before.show();
    app.processEvents();
    const double dBusyBefore = feed(
        [&](int nRoom, float dose) { before.ShowRegion(nRoom, dose); }, nSeconds, &dRecolourUs);
    std::printf("fill every reading: GUI thread busy %5.2f%%, one recolour %7.1f us\n",
        100 * dBusyBefore, dRecolourUs);
    return 0;
}
