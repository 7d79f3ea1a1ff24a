#include "PSimConsole.h"

#include "PSimDataServer.h"
#include "PSimIdServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& strText)
{
    std::printf("%s\n", strText.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

PSimConsole::PSimConsole(QObject* pParent)
    : QObject(pParent)
    , m_pData(new PSimDataServer(this))
    , m_pIds(new PSimIdServer(this))
{
    connect(m_pData, &PSimDataServer::ClientConnected, this, []() { say("client connected"); });
    connect(m_pData, &PSimDataServer::ClientDropped, this, []() { say("client gone"); });
}

QString PSimConsole::Help()
{
    return QStringLiteral(
        "Commands (typed on standard input or scheduled with --fault):\n"
        "  drop            close every client connection\n"
        "  stall / resume  stop / restart the periodic frames, connection kept open\n"
        "  refuse / accept stop listening (connections refused) / listen again\n"
        "  garbage [n]     send n random bytes without a start byte (default 64)\n"
        "  badsum          send a reading frame with a wrong checksum\n"
        "  late [ms]       send a routing frame whose body follows ms later (default 2000)\n"
        "  extras          send one four-value, short, routing, target-dose, block frame\n"
        "                  and alarm-threshold notice\n"
        "  burst [n]       send n reading frames in one write (default 5000)\n"
        "  quit            stop the simulator\n");
}

bool PSimConsole::Setup(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Data-server simulator for the Kestal client (127.0.0.1 only).\n") + Help());
    parser.addHelpOption();
    const QCommandLineOption port("port", "Data-server port (default 8888).", "port", "8888");
    const QCommandLineOption idPort(
        "id-port", "Id-list server port, 0 for none (default 13141).", "port", "13141");
    const QCommandLineOption regions("regions",
        "Comma-separated regions id[:profile[:raw]] with profile steady, noisy, ramp, "
        "burst, silent or alternate (default 1,2,3,4,5).",
        "list", "1,2,3,4,5");
    const QCommandLineOption interval("interval",
        "Period of the reading frames in ms (default "
        "2000).",
        "ms", "2000");
    const QCommandLineOption extras("extras",
        "Send the other frame kinds every n periods (0: "
        "never, default).",
        "n", "0");
    const QCommandLineOption patrol("patrol",
        "Patrol rounds STAFF/ROOMS, comma-separated ids (1 to 255), e.g. 1,2,3/21,22,23,24.",
        "rounds");
    const QCommandLineOption patrolEvery(
        "patrol-every", "Send a patrol step every n periods (default 3).", "n", "3");
    const QCommandLineOption ids(
        "ids", "Ids of the id-list reply (default: the region ids).", "list");
    const QCommandLineOption fault("fault",
        "Schedule commands as command@period, comma-separated "
        "(e.g. stall@10,resume@15,drop@20).",
        "list");
    const QCommandLineOption duration("duration",
        "Stop after this many seconds (0: run until "
        "quit, default).",
        "s", "0");
    parser.addOptions(
        {port, idPort, regions, interval, extras, patrol, patrolEvery, ids, fault, duration});
    if (!parser.parse(arguments)) {
        say(parser.errorText());
        return false;
    }
    if (parser.isSet("help")) {
        say(parser.helpText());
        return false;
    }

    QVector<PSimRegion> regionList;
    QVector<int> idList;
    for (const QString& strItem : parser.value(regions).split(',', Qt::SkipEmptyParts)) {
        PSimRegion region;
        if (!PSimRegion::Parse(strItem, &region)) {
            say(QStringLiteral("bad region: %1").arg(strItem));
            return false;
        }
        regionList.append(region);
        idList.append(region.nId);
    }
    if (parser.isSet(ids)) {
        idList.clear();
        for (const QString& strId : parser.value(ids).split(',', Qt::SkipEmptyParts))
            idList.append(strId.toInt());
    }
    for (const QString& strItem : parser.value(fault).split(',', Qt::SkipEmptyParts)) {
        const int nAt = strItem.lastIndexOf('@');
        bool bOk = false;
        const quint64 nTick = nAt > 0 ? strItem.mid(nAt + 1).toULongLong(&bOk) : 0;
        if (!bOk) {
            say(QStringLiteral("bad fault: %1").arg(strItem));
            return false;
        }
        m_schedule.insert(nTick, strItem.left(nAt));
    }

    const int nInterval = parser.value(interval).toInt();
    const int nPort = parser.value(port).toInt();
    int nIdPort = parser.value(idPort).toInt();
    if (nInterval <= 0 || nPort <= 0 || nPort > 0xFFFF || nIdPort < 0 || nIdPort > 0xFFFF) {
        say("bad --interval, --port or --id-port");
        return false;
    }
    m_pData->SetRegions(regionList);
    m_pData->SetInterval(nInterval);
    m_pData->SetExtrasEvery(parser.value(extras).toInt());
    if (parser.isSet(patrol)) {
        const QStringList parts = parser.value(patrol).split('/');
        QVector<int> lists[2];
        bool bOk = parts.size() == 2;
        for (int i = 0; bOk && i < 2; ++i) {
            for (const QString& strId : parts[i].split(',', Qt::SkipEmptyParts)) {
                const int nId = strId.toInt(&bOk);
                bOk = bOk && nId >= 1 && nId <= 255;
                if (!bOk)
                    break;
                lists[i].append(nId);
            }
            bOk = bOk && !lists[i].isEmpty();
        }
        const int nEvery = parser.value(patrolEvery).toInt();
        if (!bOk || nEvery <= 0) {
            say(QStringLiteral("bad --patrol or --patrol-every"));
            return false;
        }
        m_pData->SetPatrol(lists[0], lists[1], nEvery);
    }
    m_pIds->SetIds(idList);
    if (!m_pData->Listen(quint16(nPort))) {
        say(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(nPort));
        return false;
    }
    // The id list is a side service: without its port the data server still runs.
    if (nIdPort > 0 && !m_pIds->Listen(quint16(nIdPort))) {
        say(QStringLiteral("cannot listen on 127.0.0.1:%1, no id list").arg(nIdPort));
        nIdPort = 0;
    }
    say(QStringLiteral("data server on 127.0.0.1:%1, id list on %2, %3 regions every %4 ms")
            .arg(m_pData->Port())
            .arg(nIdPort > 0 ? QStringLiteral("127.0.0.1:%1").arg(m_pIds->Port())
                             : QStringLiteral("none"))
            .arg(regionList.size())
            .arg(nInterval));

    // Scheduled commands run just before the period's frames.
    auto* pTimer = new QTimer(this);
    pTimer->setInterval(nInterval);
    connect(pTimer, &QTimer::timeout, this, &PSimConsole::OnTick);
    pTimer->start();

    const int nDuration = parser.value(duration).toInt();
    if (nDuration > 0)
        QTimer::singleShot(nDuration * 1000, qApp, &QCoreApplication::quit);

    {
        m_pStdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_pStdin, &QSocketNotifier::activated, this, &PSimConsole::OnStdin);
    }
    return true;
}

void PSimConsole::OnTick()
{
    // Periods count on while stalled, so a scheduled "resume" comes due.
    const QStringList due = m_schedule.values(m_nPeriod++);
    // values() lists the latest insertion first; run them in the order given.
    for (auto it = due.crbegin(); it != due.crend(); ++it)
        Execute(*it);
    m_pData->Tick();
}

void PSimConsole::OnStdin()
{
    char line[256];
    const ssize_t nRead = ::read(STDIN_FILENO, line, sizeof(line) - 1);
    if (nRead <= 0) {
        // Standard input closed (a background run): keep serving without it.
        m_pStdin->setEnabled(false);
        return;
    }
    line[nRead] = '\0';
    for (const QString& strLine : QString::fromLocal8Bit(line).split('\n', Qt::SkipEmptyParts)) {
        if (!Execute(strLine))
            say(QStringLiteral("unknown command: %1\n%2").arg(strLine.trimmed(), Help()));
    }
}

bool PSimConsole::Execute(const QString& strLine)
{
    const QStringList words = strLine.simplified().split(' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString& strWord = words[0];
    const int nArg = words.size() > 1 ? words[1].toInt() : -1;
    if (strWord == "drop") {
        m_pData->DropClients();
    } else if (strWord == "stall") {
        m_pData->SetStalled(true);
    } else if (strWord == "resume") {
        m_pData->SetStalled(false);
    } else if (strWord == "refuse") {
        m_pData->DropClients();
        m_pData->Refuse(true);
    } else if (strWord == "accept") {
        if (!m_pData->Refuse(false))
            say("cannot listen again");
    } else if (strWord == "garbage") {
        m_pData->SendGarbage(nArg > 0 ? nArg : 64);
    } else if (strWord == "badsum") {
        m_pData->Send(PSimFrames::Corrupted(PSimFrames::Reading(0, 1, 1000)));
    } else if (strWord == "late") {
        m_pData->SendSplit(PSimFrames::Routing(1, 1, QDateTime::currentDateTime(), 250), 2,
            nArg >= 0 ? nArg : 2000);
    } else if (strWord == "extras") {
        m_pData->SendExtras();
    } else if (strWord == "burst") {
        QByteArray bytes;
        for (int i = 0; i < (nArg > 0 ? nArg : 5000); ++i)
            bytes += PSimFrames::Reading(quint8(i), 1, quint32(i) & 0xFFFFFF);
        m_pData->Send(bytes);
    } else if (strWord == "quit") {
        QCoreApplication::quit();
    } else {
        return false;
    }
    say(QStringLiteral("> %1").arg(strLine.simplified()));
    return true;
}
