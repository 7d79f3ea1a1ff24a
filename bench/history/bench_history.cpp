// The history charts run on the GUI thread and read the database while they
// do: a day load and repaint of the dose-rate chart, the region page's minute
// reload of every day curve, each step of a touch gesture (including the
// 2-second reloads when the view crosses an hour) and the month walk of the
// staff chart. A file database with the program's schema and indexes, 20
// regions with a week of minute rows and the 2-second rows of one day.
// Run with QT_QPA_PLATFORM=offscreen.

#include "StorageFixture.h"
#include "database/PHistoryDoseStore.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "history/PDoseCurveView.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RStaffDoseDiagram.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kRegions = 20;
constexpr int kFirstId = 100;
constexpr int kDays = 7;
const QDate kDay(2026, 3, 7);

QString ValueList(int nCount, int nSeed)
{
    QStringList values;
    for (int i = 0; i < nCount; ++i)
        values << PSqlExec::Number(0.12 + 0.05 * std::sin((i + nSeed) / 13.0));
    return values.join(',');
}

QString ColumnList(int nCount)
{
    QStringList columns;
    for (int i = 0; i < nCount; ++i)
        columns << QStringLiteral("\"%1\"").arg(i);
    return columns.join(',');
}

void Fill()
{
    QSqlDatabase::database().transaction();
    const QString strMinutes = ColumnList(1440);
    const QString strSlots = ColumnList(1800);
    for (int r = 0; r < kRegions; ++r) {
        const int nId = kFirstId + r;
        PSqlExec::Exec(QStringLiteral("insert into RegionInfo (Sub, Id, Num) values (%1, %2, %3)")
                           .arg(r + 1)
                           .arg(nId)
                           .arg(kRegions));
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo (Id) values (%1)").arg(nId));
        for (int d = 0; d < kDays; ++d) {
            const QString strDay = kDay.addDays(-d).toString(QStringLiteral("yyyy-MM-dd"));
            PSqlExec::Exec(QStringLiteral("insert into MonthMinuteDose (Id, Month, Sum, %1) "
                                          "values (%2, '%3', 200, %4)")
                               .arg(strMinutes)
                               .arg(nId)
                               .arg(strDay, ValueList(1440, r + d)));
        }
        for (int h = 0; h < 24; ++h) {
            PSqlExec::Exec(QStringLiteral("insert into MonthData (Id, Month, Hour, %1) values "
                                          "(%2, '%3', %4, %5)")
                               .arg(strSlots)
                               .arg(nId)
                               .arg(kDay.toString(QStringLiteral("yyyy-MM-dd")))
                               .arg(h)
                               .arg(ValueList(1800, h)));
        }
    }
    QSqlDatabase::database().commit();
}

double Ms(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void Paint(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    widget.render(&painter);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    RConnectDatabase database(&StorageFixture::Writer());
    database.OpenDatabase();
    QElapsedTimer timer;
    timer.start();
    Fill();
    StorageFixture::Catalogue().Reload();
    std::printf("fill: %d regions, %d days of minutes, one day of 2-second rows: %.0f ms\n",
        kRegions, kDays, Ms(timer));

    RDoseRatioDiagram diagram;
    diagram.SetBaseTime(2026, 3, 7, 0, 0);
    const int nRounds = 50;
    timer.restart();
    for (int i = 0; i < nRounds; ++i)
        diagram.LoadDay(kFirstId + i % kRegions, false, 1440, kDay.addDays(-(i % kDays)));
    std::printf("dose-rate chart, load a day: %.2f ms\n", Ms(timer) / nRounds);
    timer.restart();
    for (int i = 0; i < nRounds; ++i)
        Paint(diagram);
    std::printf("dose-rate chart, repaint a whole day: %.2f ms\n", Ms(timer) / nRounds);

    // A pinch from the whole day down to the narrowest view, then a pan over
    // the day: the longest steps are those that read two hours of 2-second rows.
    PDoseCurveView view(1440);
    view.SetPlotWidth(940);
    int nReloads = 0;
    view.SetFineLoader([&nReloads](int nFirstHour, QVector<float>& fine) {
        ++nReloads;
        return PHistoryDoseStore::LoadRegionFine(kFirstId, kDay, nFirstHour, fine);
    });
    double dLongest = 0.0;
    double dTotal = 0.0;
    int nSteps = 0;
    const auto step = [&](float a0, float b0, float a1, float b1) {
        QElapsedTimer one;
        one.start();
        view.Pinch(a0, b0, a1, b1);
        dLongest = std::max(dLongest, Ms(one));
        dTotal += Ms(one);
        ++nSteps;
    };
    for (int g = 0; g < 40; ++g) {
        for (int i = 1; i <= 10; ++i)
            step(400, 540, 400 - 37 * i, 540 + 37 * i);
        view.Reset();
    }
    for (int i = 0; i < 3000 && view.ViewEnd() < 1440; ++i)
        step(900, 950, 100, 150);
    std::printf("touch gesture: %d steps, %d 2-second reloads, mean %.3f ms, longest %.2f ms\n",
        nSteps, nReloads, dTotal / nSteps, dLongest);

    // The region page reloads every day curve once a minute, then repaints.
    RDoseRatioDiagram curves;
    curves.LoadDay(kFirstId, false, 1440, kDay);
    curves.LoadCurveEnabled(StorageFixture::Catalogue());
    curves.LoadCurveColours(StorageFixture::Catalogue());
    for (int r = 0; r < kRegions; ++r)
        curves.AddCurve(kFirstId + r, 1440);
    timer.restart();
    for (int r = 0; r < kRegions; ++r)
        curves.LoadCurve(kFirstId + r, false, 1440);
    const double dLoad = Ms(timer);
    timer.restart();
    Paint(curves);
    std::printf("%d day curves: reload %.1f ms, repaint %.1f ms\n", kRegions, dLoad, Ms(timer));

    RStaffDoseDiagram month;
    month.SetPersonal(false);
    month.SetMode(RStaffDoseDiagram::MonthHistogram);
    timer.restart();
    for (int i = 0; i < nRounds; ++i)
        month.LoadDoses(kFirstId + i % kRegions, kDay.daysInMonth(), kDay);
    std::printf("month chart, walk of %d days: %.2f ms\n", kDay.daysInMonth(), Ms(timer) / nRounds);
    return 0;
}
