// libFuzzer target: arbitrary bytes through the packet buffer and the frame
// decoder, once in one piece and once cut into pieces chosen by the input.
// Both runs must deliver the same outputs; nothing may crash or hang.
//   fuzz_decoder [corpus dir] -max_total_time=N
#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"
#include "message/SMessage.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Record = std::array<qint64, 4>;

std::vector<Record>* s_pRecords = nullptr;

class Counter final : public QObject
{
public:
    explicit Counter(int nId)
        : m_nId(nId)
    {
        RegisterReceiver(this, nId);
    }

    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() < QEvent::Type(1000))
            return QObject::event(pEvent);
        const auto* pMessage = static_cast<SMessage*>(pEvent);
        s_pRecords->push_back(
            {m_nId, pMessage->MessageType(), pMessage->First(), pMessage->Second()});
        return true;
    }

private:
    int m_nId;
};

struct Harness
{
    PDataBuffer buffer;
    PDoseProcThread* pDecoder = nullptr;
    const uint8_t* pPending = nullptr;
    size_t nPending = 0;
    int nRuns = 0;
};

Harness* s_pHarness = nullptr;

void feed(const uint8_t* pData, size_t nSize)
{
    // The ring holds the largest input accepted below, so no write is refused.
    s_pHarness->buffer.Write(pData, unsigned(nSize));
}

std::vector<Record> run(const uint8_t* pData, size_t nSize, const std::vector<size_t>& cuts)
{
    std::vector<Record> records;
    records.reserve(256);
    s_pRecords = &records;
    Harness& h = *s_pHarness;
    h.buffer.Reset();
    // A fresh decoder: no half window carried over from the last run.
    delete h.pDecoder;
    h.pDecoder = new PDoseProcThread(&h.buffer);
    h.pDecoder->SetExtendedProtocol(true);
    h.pDecoder->SetPairPause(0);
    h.pDecoder->SetBodyWait(7, 0);
    // A wait brings every byte still on its way, as a live stream would.
    h.pDecoder->SetSleeper([&h](int) {
        if (h.nPending > 0) {
            feed(h.pPending, h.nPending);
            h.nPending = 0;
        }
    });
    QObject::connect(h.pDecoder, &PDoseProcThread::StartEchoTargeDose, [](int x, int y, int z) {
        s_pRecords->push_back({1, x, y, z});
    });
    QObject::connect(h.pDecoder, &PDoseProcThread::RoutData,
        [](int nRout, int nRoom, QDate date, QTime time, int nDose) {
            s_pRecords->push_back({2, nRout * 256 + nRoom,
                date.toJulianDay() * 1440 + time.msecsSinceStartOfDay() / 60000, nDose});
        });

    size_t nStart = 0;
    for (size_t i = 0; i <= cuts.size() && nStart < nSize; ++i) {
        const size_t nEnd = i < cuts.size() ? cuts[i] : nSize;
        feed(pData + nStart, nEnd - nStart);
        h.pPending = pData + nEnd;
        h.nPending = nSize - nEnd;
        h.pDecoder->DecodeAvailable();
        nStart = h.nPending == 0 ? nSize : nEnd;
        h.nPending = 0;
    }
    QCoreApplication::sendPostedEvents();
    s_pRecords = nullptr;
    return records;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* pArgc, char*** pArgv)
{
    static QCoreApplication* s_pApp = new QCoreApplication(*pArgc, *pArgv);
    Q_UNUSED(s_pApp);
    // Dump lines and log lines of bad frames would flood the terminal.
    const int fd = open("/dev/null", O_WRONLY);
    dup2(fd, STDOUT_FILENO);
    close(fd);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    for (const QString& strSql : RConnectDatabase::TableStatements()) {
        if (strSql.contains(QLatin1String("RoutingMinuteDose")))
            QSqlQuery(strSql).exec();
    }
    // Held here, not only by the bus registry, which is gone at exit.
    static Counter* s_pCounters[] = {new Counter(1000), new Counter(1006), new Counter(1008)};
    Q_UNUSED(s_pCounters);
    s_pHarness = new Harness;
    s_pHarness->buffer.Init(1, 1 << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1 || nSize > (1 << 20))
        return 0;
    // The first byte seeds the cut positions; the rest is the stream.
    uint32_t nSeed = pData[0] * 2654435761u + 1;
    ++pData;
    --nSize;
    std::vector<size_t> cuts;
    for (size_t nPos = 0; nSize > 0;) {
        nSeed = nSeed * 1103515245u + 12345u;
        nPos += 1 + (nSeed >> 16) % 23;
        if (nPos >= nSize)
            break;
        cuts.push_back(nPos);
    }

    const std::vector<Record> whole = run(pData, nSize, {});
    const std::vector<Record> pieces = run(pData, nSize, cuts);
    if (whole != pieces) {
        fprintf(stderr, "split stream decoded differently: %zu vs %zu outputs\n", whole.size(),
            pieces.size());
        abort();
    }
    if (++s_pHarness->nRuns % 4096 == 0)
        QSqlQuery(QStringLiteral("delete from RoutingMinuteDose")).exec();
    return 0;
}
