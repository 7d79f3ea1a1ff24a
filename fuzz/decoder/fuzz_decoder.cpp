// libFuzzer target: arbitrary bytes through the frame decoder, once in one
// piece and once cut into pieces chosen by the input. Every output must be
// explained by the input: a short reading or notice by 7 consecutive bytes
// with that type byte whose bytes 1..6 XOR to 0, any other output by a whole
// valid frame. Both runs must deliver the same outputs, unless a short-frame
// search ran dry at a cut; nothing may crash or hang.
//   fuzz_decoder [corpus dir] -max_total_time=N
#include "algor/PFrameDecoder.h"
#include "message/SBus.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Receiver, message type and the two words of the bus message each output
// becomes; 1 for a target dose {x, y, z}, 2 for a routing reading.
using Record = std::array<qint64, 4>;

class Recorder final : public PFrameDecoder::Sink
{
public:
    std::vector<Record> records;

    void Reading(quint32 nId, quint32 nValue) override
    {
        records.push_back({SBus::MainWindow, SBus::RawReading, nId, nValue});
    }
    void ThresholdNotice(quint32 nId) override
    {
        records.push_back({SBus::ThresholdPage, SBus::ThresholdNotice, nId, 0});
    }
    void TargetDose(int nX, int nY, int nZ) override { records.push_back({1, nX, nY, nZ}); }
    void Routing(int nRout, int nRoom, const QDate& date, const QTime& time, int nDose) override
    {
        records.push_back({2, nRout * 256 + nRoom,
            date.toJulianDay() * 1440 + time.msecsSinceStartOfDay() / 60000, nDose});
    }
    void BlockValue(quint32 nId, quint32 nWord) override
    {
        records.push_back({SBus::DecoderUnrouted, SBus::BlockValue, nId, nWord});
    }
    void TargetValue(quint32 nY, quint32 nWord) override
    {
        records.push_back({SBus::DecoderUnrouted, SBus::TargetValue, nY, nWord});
    }
    void PairDone() override { }
};

quint32 be(const uint8_t* p, int nBytes)
{
    quint32 n = 0;
    for (int i = 0; i < nBytes; ++i)
        n = (n << 8) | p[i];
    return n;
}

bool xorZero(const uint8_t* p, size_t nFirst, size_t nLast)
{
    uint8_t n = 0;
    for (size_t i = nFirst; i <= nLast; ++i)
        n ^= p[i];
    return n == 0;
}

int bcd(uint8_t n)
{
    return (n >> 4) > 9 || (n & 0x0F) > 9 ? -1 : (n >> 4) * 10 + (n & 0x0F);
}

// Every output that the bytes could explain, found by a scan independent of
// the decoder's own search.
std::set<Record> explainable(const uint8_t* p, size_t nSize)
{
    std::set<Record> outputs;
    for (size_t i = 0; i < nSize; ++i) {
        const size_t nLeft = nSize - i;
        if (nLeft >= 7 && xorZero(p, i + 1, i + 6)) {
            if (p[i + 1] == 0x04)
                outputs.insert({SBus::MainWindow, SBus::RawReading, p[i + 2], be(p + i + 3, 3)});
            else if (p[i + 1] == 0x01)
                outputs.insert({SBus::ThresholdPage, SBus::ThresholdNotice, p[i + 2], 0});
        }
        if (p[i] != 0xFF || nLeft < 2)
            continue;
        const uint8_t* f = p + i;
        switch (f[1]) {
        case 0x02:
            if (nLeft >= 9 && xorZero(f, 1, 8))
                outputs.insert({SBus::MainWindow, SBus::RawReading, be(f + 3, 2), be(f + 5, 3)});
            break;
        case 0x03:
            if (nLeft >= 18 && xorZero(f, 1, 17)) {
                for (int k = 1; k <= 4; ++k)
                    outputs.insert({SBus::MainWindow, SBus::RawReading, be(f + 3, 2) + 1000 * k,
                        be(f + 2 + 3 * k, 3)});
            }
            break;
        case 0x0A:
            if (nLeft >= 13 && xorZero(f, 2, 12)) {
                const QDate date(2000 + bcd(f[4]), bcd(f[5]), bcd(f[6]));
                outputs.insert({2, f[2] * 256 + f[3],
                    date.toJulianDay() * 1440 + bcd(f[7]) * 60 + bcd(f[8]), be(f + 9, 3)});
            }
            break;
        case 0x1D:
            if (nLeft >= 32) {
                uint8_t b[32];
                memcpy(b, f, 32);
                for (size_t j = 2; j <= 29;)
                    j = b[j] == 0xEE && b[j + 1] == 0xEE && b[j + 2] == 0xEE
                        ? (b[j] = b[j + 1] = b[j + 2] = 0, j + 3)
                        : j + 1;
                if (xorZero(b, 2, 31)) {
                    for (quint32 k = 0; k < 8; ++k)
                        outputs.insert({SBus::DecoderUnrouted, SBus::BlockValue, be(b + 2, 4),
                            (((10 * k + b[6]) & 0xFF) << 24) | be(b + 7 + 3 * k, 3)});
                }
            }
            break;
        case 0x21:
            if (nLeft >= 36 && xorZero(f, 2, 35)) {
                uint8_t b[36];
                memcpy(b, f, 36);
                if (b[10] == 0xEE)
                    b[10] = 0;
                for (size_t j = 11; j <= 33;)
                    j = b[j] == 0xEE && b[j + 1] == 0xEE && b[j + 2] == 0xEE
                        ? (b[j] = b[j + 1] = b[j + 2] = 0, j + 3)
                        : j + 1;
                const qint64 nY = qint32(be(b + 2, 4));
                outputs.insert({1, b[6], nY, b[10]});
                for (int k = 0; k < 8; ++k)
                    outputs.insert({SBus::DecoderUnrouted, SBus::TargetValue, be(b + 2, 4),
                        ((quint32(1 + k % 2)) << 24) | be(b + 11 + 3 * k, 3)});
            }
            break;
        default:
            break;
        }
    }
    return outputs;
}

// Feeds the pieces in order, all at one moment: no body wait expires.
// bDryAtCut tells whether a short-frame search ran dry before the last piece.
std::vector<Record> run(
    const uint8_t* pData, size_t nSize, const std::vector<size_t>& cuts, bool* pDryAtCut)
{
    Recorder recorder;
    PFrameDecoder decoder(&recorder);
    decoder.SetExtendedProtocol(true);
    *pDryAtCut = false;
    size_t nStart = 0;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        const size_t nEnd = i < cuts.size() ? cuts[i] : nSize;
        const quint64 nDropped = decoder.DroppedSearches();
        decoder.Feed(pData + nStart, nEnd - nStart, 0);
        if (nEnd < nSize && decoder.DroppedSearches() != nDropped)
            *pDryAtCut = true;
        nStart = nEnd;
    }
    return recorder.records;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Dump lines and log lines of bad frames would flood the terminal.
    const int fd = open("/dev/null", O_WRONLY);
    dup2(fd, STDOUT_FILENO);
    close(fd);
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

    const std::set<Record> possible = explainable(pData, nSize);
    bool bUnused = false;
    bool bDryAtCut = false;
    const std::vector<Record> whole = run(pData, nSize, {}, &bUnused);
    const std::vector<Record> pieces = run(pData, nSize, cuts, &bDryAtCut);
    for (const std::vector<Record>* pOutputs : {&whole, &pieces}) {
        for (const Record& record : *pOutputs) {
            if (!possible.count(record)) {
                fprintf(stderr, "output %lld %lld %lld %lld not explained by the input\n",
                    record[0], record[1], record[2], record[3]);
                abort();
            }
        }
    }
    if (whole != pieces && !bDryAtCut) {
        fprintf(stderr, "split stream decoded differently: %zu vs %zu outputs\n", whole.size(),
            pieces.size());
        abort();
    }
    return 0;
}
