// Prepares a demo site: a database with a handful of registered regions, the
// routing staff and inspection rooms of the simulator's patrol rounds, one
// logged-in account, the data-server address pointing at the simulator on the
// loopback address and the past days' history, and the site plan (mask and
// drawing of the whole site and of two storeys, and the region positions).
// Running it again on an existing site changes nothing but the address and
// the past days that have no rows yet.

#include "PDemoHistory.h"
#include "PDemoSite.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageWriter.h"
#include "database/RUserAccounts.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QSqlDatabase>
#include <QTextStream>

namespace {

struct DemoRegion
{
    int nId;
    const char* pName;
    int nAlarm;
};

const DemoRegion s_regions[] = {
    // Thresholds in µRad/h: above the simulator's steady readings and, for the
    // bunker, above its bursts (100 times the steady reading), so only the
    // ramping region goes into alarm.
    {1, "Reactor hall", 1000},
    {2, "Fuel store", 1000},
    {3, "Control room", 1000},
    {4, "Waste bunker", 60000},
    {5, "Hot laboratory", 1000},
};

void addRegions()
{
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from RegionInfo")).toInt() > 0)
        return;
    const int nCount = int(sizeof s_regions / sizeof s_regions[0]);
    for (int i = 0; i < nCount; ++i) {
        const DemoRegion& region = s_regions[i];
        PSqlExec::Exec(
            QStringLiteral(
                "insert into RegionInfo(Sub, Id, Name, Num, State) values(?, ?, ?, ?, 0)"),
            {i + 1, region.nId, QString::fromLatin1(region.pName), nCount});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id, R_Color, G_Color, B_Color, "
                           "ButtonCheck, Alarmvalue) values(?, ?, ?, ?, 2, ?)"),
            {region.nId, (60 * i) % 256, (202 + 40 * i) % 256, (87 + 70 * i) % 256, region.nAlarm});
    }
}

struct DemoItem
{
    int nId;
    const char* pName;
};

// The simulator's default patrol rounds (run-demo.sh): staff 1 to 3, rooms 21 to 24.
const DemoItem s_routingStaff[] = {{1, "PD-1001"}, {2, "PD-1002"}, {3, "PD-1003"}};
const DemoItem s_routingRooms[]
    = {{21, "Pump room"}, {22, "Lab 2, west"}, {23, "Cable tunnel"}, {24, "Filter hall"}};

template <int N> void addList(const char* pTable, const DemoItem (&items)[N])
{
    const QString strTable = QLatin1String(pTable);
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from %1").arg(strTable)).toInt() > 0)
        return;
    for (int i = 0; i < N; ++i) {
        PSqlExec::Exec(
            QStringLiteral("insert into %1(Sub, Id, Name, Num) values(?, ?, ?, ?)").arg(strTable),
            {i + 1, items[i].nId, QString::fromUtf8(items[i].pName), N});
    }
}

// The accounts belong to another program of the installation; the demo
// stands in for it with one account logged in since the site was made.
void addAccount()
{
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from UserPermission")).toInt() > 0)
        return;
    PSqlExec::Exec(QStringLiteral("insert into UserPermission(Id, Name, state) values(1, ?, 1)"),
        {QStringLiteral("operator")});
    PSqlExec::Exec(
        QStringLiteral("insert into UserLoginTimeInfo(Id, Logintime, Logouttime) values(1, ?, '')"),
        {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"))});
}

// One account per grade, for the demo only: README lists the passwords.
// Not in the audit trail: its key is made by the client's first start.
bool addDemoAccounts(RStorageWriter& writer, QTextStream& err)
{
    struct DemoAccount
    {
        const char* pName;
        int nGrade;
        const char* pPassword;
    };
    static const DemoAccount s_accounts[] = {
        {"admin", RUserRights::Administrator, "admin-demo"},
        {"officer", RUserRights::Officer, "officer-demo"},
        {"operator", RUserRights::Operator, "operator-demo"},
    };
    RUserAccounts accounts(&writer, nullptr);
    for (const DemoAccount& demo : s_accounts) {
        RUserAccount account;
        if (accounts.Find(QLatin1String(demo.pName), &account))
            continue;
        if (accounts.Create(
                {}, QLatin1String(demo.pName), demo.nGrade, QLatin1String(demo.pPassword))
            != RUserAccounts::Result::Ok) {
            err << "cannot create the demo account " << demo.pName << "\n";
            return false;
        }
    }
    return true;
}

// One area of a plan: a monitored room (nRegion > 0, its seed at the given
// point) or a plain area (corridor, stairs) that no monitor watches.
struct PlanArea
{
    int nRegion;
    QPolygon outline;
    QPoint seed;
    const char* pLabel;
};

struct Plan
{
    const char* pTitle;
    QVector<PlanArea> areas;
};

QPolygon box(int x0, int y0, int x1, int y1)
{
    return QPolygon(QRect(QPoint(x0, y0), QPoint(x1, y1)));
}

const QSize kPlanSize(1000, 640);

// Layer 0 holds all five rooms; the first storey regions 1 and 2, the second
// regions 3 to 5, so the position file has storey blocks of 2 and 3 points.
QVector<Plan> demoPlans()
{
    QPolygon bunker;
    bunker << QPoint(680, 250) << QPoint(960, 250) << QPoint(960, 600) << QPoint(820, 600)
           << QPoint(820, 420) << QPoint(680, 420);
    QPolygon lab;
    lab << QPoint(40, 420) << QPoint(420, 420) << QPoint(420, 520) << QPoint(300, 520)
        << QPoint(300, 600) << QPoint(40, 600);
    QPolygon office;
    office << QPoint(300, 520) << QPoint(420, 520) << QPoint(420, 600) << QPoint(300, 600);
    QPolygon deck;
    deck << QPoint(520, 80) << QPoint(940, 80) << QPoint(940, 580) << QPoint(700, 580)
         << QPoint(700, 330) << QPoint(520, 330);
    return {
        {"Site",
            {{1, box(40, 60, 420, 360), QPoint(230, 200), "Reactor hall"},
                {2, box(420, 60, 680, 360), QPoint(550, 200), "Fuel store"},
                {3, box(680, 60, 960, 250), QPoint(820, 150), "Control room"},
                {4, bunker, QPoint(860, 340), "Waste bunker"},
                {5, lab, QPoint(150, 500), "Hot laboratory"},
                {0, box(40, 360, 680, 420), QPoint(), "Corridor"},
                {0, box(420, 420, 820, 600), QPoint(), "Stairs"}, {0, office, QPoint(), ""}}},
        {"First storey",
            {{1, box(60, 80, 520, 580), QPoint(290, 330), "Reactor hall gallery"},
                {2, deck, QPoint(820, 330), "Fuel store crane deck"},
                {0, box(520, 330, 700, 580), QPoint(), "Stairs"}}},
        {"Second storey",
            {{3, box(60, 80, 480, 330), QPoint(270, 200), "Control room annex"},
                {4, box(480, 80, 940, 330), QPoint(710, 200), "Waste bunker hoist"},
                {5, box(60, 330, 700, 580), QPoint(380, 450), "Hot laboratory cells"},
                {0, box(700, 330, 940, 580), QPoint(), "Stairs"}}},
    };
}

// The mask: opaque outside and on the walls, transparent inside every area,
// so each room is closed by walls. No antialiasing: every edge pixel must be
// either wall or open.
QImage drawMask(const Plan& plan)
{
    QImage mask(kPlanSize, QImage::Format_ARGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::transparent);
    for (const PlanArea& area : plan.areas)
        painter.drawPolygon(area.outline);
    painter.setPen(QPen(Qt::black, 6));
    painter.setBrush(Qt::NoBrush);
    for (const PlanArea& area : plan.areas)
        painter.drawPolygon(area.outline);
    return mask;
}

// The drawing over the room colours: transparent in the monitored rooms,
// grey in plain areas, walls, room names and the monitors' places.
QImage drawSource(const Plan& plan)
{
    QImage src(kPlanSize, QImage::Format_ARGB32_Premultiplied);
    src.fill(QColor(40, 52, 70));
    QPainter painter(&src);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const PlanArea& area : plan.areas) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setBrush(area.nRegion > 0 ? QColor(Qt::transparent) : QColor(200, 200, 196));
        painter.drawPolygon(area.outline);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(QColor(30, 30, 30), 6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    for (const PlanArea& area : plan.areas)
        painter.drawPolygon(area.outline);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    for (const PlanArea& area : plan.areas) {
        const QRect bounds = area.outline.boundingRect();
        if (area.nRegion > 0) {
            painter.setPen(QPen(Qt::black, 2));
            painter.setBrush(Qt::white);
            painter.drawEllipse(area.seed, 7, 7);
            painter.setPen(Qt::black);
            painter.drawText(QRect(area.seed.x() - 150, area.seed.y() - 45, 300, 30),
                Qt::AlignCenter, QString::fromLatin1(area.pLabel));
        } else {
            painter.setPen(QColor(90, 90, 90));
            painter.drawText(bounds, Qt::AlignCenter, QString::fromLatin1(area.pLabel));
        }
    }
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::white);
    // Top right: the layer menu sits over the top left corner.
    painter.drawText(QRect(360, 14, 600, 36), Qt::AlignRight | Qt::AlignVCenter,
        QString::fromLatin1(plan.pTitle));
    return src;
}

// Seeds of layer 0 in block 0, then the storeys' blocks in region order.
QString positionText(const QVector<Plan>& plans)
{
    QString strText;
    for (int nLayer = 0; nLayer < plans.size(); ++nLayer) {
        strText += QStringLiteral("%1\n").arg(nLayer);
        for (int nRegion = 1; nRegion <= 5; ++nRegion) {
            for (const PlanArea& area : plans.at(nLayer).areas) {
                if (area.nRegion == nRegion)
                    strText += QStringLiteral("%1,%2\n").arg(area.seed.x()).arg(area.seed.y());
            }
        }
    }
    return strText;
}

bool writePlan(QTextStream& err)
{
    if (QFileInfo::exists(QStringLiteral("position.txt")))
        return true;
    const QVector<Plan> plans = demoPlans();
    for (int nLayer = 0; nLayer < plans.size(); ++nLayer) {
        const QString strMask = QStringLiteral("mask%1.png").arg(nLayer);
        const QString strSrc = QStringLiteral("src%1.png").arg(nLayer);
        if (!drawMask(plans.at(nLayer)).save(strMask)
            || !drawSource(plans.at(nLayer)).save(strSrc)) {
            err << "cannot write " << strMask << " and " << strSrc << "\n";
            return false;
        }
    }
    QFile position(QStringLiteral("position.txt"));
    if (!position.open(QIODevice::WriteOnly | QIODevice::Text)) {
        err << "cannot write position.txt\n";
        return false;
    }
    position.write(positionText(plans).toLatin1());
    return true;
}

void pointAtSimulator(int nPort)
{
    const QString strAddress = QStringLiteral("127.0.0.1");
    // Bands of the demo's readings (about 560 µRad/h, the ramp rising 56
    // every 2 s): green at first, yellow after ~16 s, red after ~50 s.
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from SystemInfo where Unit_P = 0")).toInt()
        == 0)
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P, Thre_A, Thre_B, "
                                      "Thre_C) values(?, ?, 0, 1000, 2000, 4000)"),
            {strAddress, nPort});
    else
        PSqlExec::Exec(QStringLiteral("update SystemInfo set IP = ?, Port = ? where Unit_P = 0"),
            {strAddress, nPort});
}

} // namespace

int main(int argc, char** argv)
{
    // Fonts for the plan's labels need a GUI application; nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        err << "usage: kestal-demosite <site>/DataBase.sqlite <simulator port> [history days, "
               "default 7]\n";
        return 2;
    }
    bool bOk = false;
    const int nPort = args.at(2).toInt(&bOk);
    if (!bOk || nPort <= 0 || nPort > 65535) {
        err << "bad port: " << args.at(2) << "\n";
        return 2;
    }
    const int nDays = args.size() == 4 ? args.at(3).toInt(&bOk) : PDemoHistory::DefaultDays;
    if (!bOk || nDays < 0 || nDays > 366) {
        err << "bad number of history days: " << args.at(3) << "\n";
        return 2;
    }
    RStorageWriter writer;
    if (const int nStatus = PDemoSite::Open(writer, args.at(1), err))
        return nStatus;
    addRegions();
    addList("RoutingInfo", s_routingStaff);
    addList("RoutingRoomInfo", s_routingRooms);
    addAccount();
    pointAtSimulator(nPort);
    if (!addDemoAccounts(writer, err) || !writePlan(err)
        || PDemoHistory::Write(QDate::currentDate(), nDays) < 0)
        return 1;
    writer.Commit();
    QSqlDatabase::database().close();
    return 0;
}
