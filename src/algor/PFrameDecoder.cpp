#include "algor/PFrameDecoder.h"

#include "message/PLogRecord.h"

#include <QDateTime>

#include <cstring>

namespace {

// Frame types (byte 1 after the 0xFF start byte).
constexpr unsigned char START = 0xFF;
constexpr unsigned char TYPE_BLOCK = 0x1D;
constexpr unsigned char TYPE_TARGET = 0x21;
constexpr unsigned char TYPE_ROUTING = 0x0A;
constexpr unsigned char TYPE_READING = 0x02;
constexpr unsigned char TYPE_FOUR = 0x03;
constexpr unsigned char TYPE_SHORT = 0x04;
constexpr unsigned char TYPE_NOTICE = 0x01;
constexpr size_t LEN_HEAD = PFrameDecoder::READ_CHAR_NUM;
constexpr size_t LEN_BLOCK = 32;
constexpr size_t LEN_TARGET = 36;
constexpr size_t LEN_ROUTING = 13;
constexpr size_t LEN_READING = 9;
constexpr size_t LEN_FOUR = 18;

// Whole length of a frame of the given type; 0 for a type nobody takes.
size_t frameLength(unsigned char nType, bool bExtended)
{
    switch (nType) {
    case TYPE_BLOCK:
        return LEN_BLOCK;
    case TYPE_TARGET:
        return LEN_TARGET;
    default:
        break;
    }
    if (!bExtended)
        return 0;
    switch (nType) {
    case TYPE_ROUTING:
        return LEN_ROUTING;
    case TYPE_READING:
        return LEN_READING;
    case TYPE_FOUR:
        return LEN_FOUR;
    case TYPE_SHORT:
    case TYPE_NOTICE:
        return LEN_HEAD;
    default:
        return 0;
    }
}

unsigned char xorOf(const unsigned char* p, unsigned nFirst, unsigned nLast)
{
    unsigned char nSum = 0;
    for (unsigned i = nFirst; i <= nLast; ++i)
        nSum ^= p[i];
    return nSum;
}

// Multi-byte fields are unsigned big-endian.
quint32 be16(const unsigned char* p)
{
    return (quint32(p[0]) << 8) | p[1];
}

quint32 be24(const unsigned char* p)
{
    return (quint32(p[0]) << 16) | (quint32(p[1]) << 8) | p[2];
}

quint32 be32(const unsigned char* p)
{
    return (quint32(p[0]) << 24) | be24(p + 1);
}

// Packed BCD, high nibble tens; -1 for a nibble above 9.
int bcd(unsigned char n)
{
    const int nHigh = n >> 4;
    const int nLow = n & 0x0F;
    return nHigh > 9 || nLow > 9 ? -1 : nHigh * 10 + nLow;
}

// Zeroes every run EE EE EE starting at nFirst..nLast, scanning upward and
// continuing behind a replaced run.
void zeroTripleEE(unsigned char* p, unsigned nFirst, unsigned nLast)
{
    unsigned i = nFirst;
    while (i <= nLast) {
        if (p[i] == 0xEE && p[i + 1] == 0xEE && p[i + 2] == 0xEE) {
            p[i] = p[i + 1] = p[i + 2] = 0;
            i += 3;
        } else {
            ++i;
        }
    }
}

} // namespace

PFrameDecoder::PFrameDecoder(Sink* pSink)
    : m_pSink(pSink)
{
}

void PFrameDecoder::Feed(const unsigned char* pData, size_t nSize, qint64 nNowMs)
{
    if (nSize == 0)
        return;
    if (Held() == 0) {
        // The usual case: decode straight from the caller's bytes and keep
        // only an unfinished tail.
        m_held.clear();
        m_nHeldPos = 0;
        const size_t nUsed = Decode(pData, nSize, nNowMs);
        m_held.assign(pData + nUsed, pData + nSize);
        return;
    }
    if (m_nHeldPos > 0) {
        m_held.erase(m_held.begin(), m_held.begin() + std::ptrdiff_t(m_nHeldPos));
        m_nHeldPos = 0;
    }
    m_held.insert(m_held.end(), pData, pData + nSize);
    DecodeHeld(nNowMs);
}

void PFrameDecoder::Advance(qint64 nNowMs)
{
    if (m_nWaitSince >= 0 && nNowMs - m_nWaitSince > BODY_WAIT_MS)
        DecodeHeld(nNowMs);
}

void PFrameDecoder::DecodeHeld(qint64 nNowMs)
{
    if (Held() == 0)
        return;
    m_nHeldPos += Decode(m_held.data() + m_nHeldPos, Held(), nNowMs);
}

qint64 PFrameDecoder::Deadline() const
{
    return m_nWaitSince < 0 ? -1 : m_nWaitSince + BODY_WAIT_MS;
}

void PFrameDecoder::Reset()
{
    m_held.clear();
    m_nHeldPos = 0;
    m_nWaitSince = -1;
}

size_t PFrameDecoder::Decode(const unsigned char* p, size_t nSize, qint64 nNowMs)
{
    size_t nPos = 0;
    for (;;) {
        // Synchronise on the start byte; a frame is looked at only once its
        // whole head has come.
        while (nPos < nSize && p[nPos] != START)
            ++nPos;
        if (nSize - nPos < LEN_HEAD)
            return nPos;
        const unsigned char nType = p[nPos + 1];
        const size_t nLength = frameLength(nType, m_bExtended);
        if (nLength == 0) {
            // No handler takes the head: it is dropped.
            nPos += LEN_HEAD;
            continue;
        }
        if (nType == TYPE_SHORT || nType == TYPE_NOTICE) {
            nPos = DecodeShort(p, nSize, nPos);
            continue;
        }
        if (nSize - nPos < nLength) {
            if (m_nWaitSince < 0)
                m_nWaitSince = nNowMs;
            if (nNowMs - m_nWaitSince <= BODY_WAIT_MS)
                return nPos;
            // Given up: the head is consumed, the body (when it comes) is
            // skipped by the synchronisation.
            m_nWaitSince = -1;
            nPos += LEN_HEAD;
            continue;
        }
        if (m_nWaitSince >= 0 && nNowMs - m_nWaitSince > BODY_WAIT_MS) {
            m_nWaitSince = -1;
            nPos += LEN_HEAD;
            continue;
        }
        m_nWaitSince = -1;
        const unsigned char* pFrame = p + nPos;
        nPos += nLength;
        switch (nType) {
        case TYPE_BLOCK:
            DecodeBlock(pFrame);
            break;
        case TYPE_TARGET:
            DecodeTargetDose(pFrame);
            break;
        case TYPE_ROUTING:
            DecodeRouting(pFrame);
            break;
        case TYPE_READING:
            DecodeReading(pFrame);
            break;
        default:
            DecodeFourValues(pFrame);
            break;
        }
    }
}

// The search slides without looking at the start byte again. The window that
// checks out decides the kind by its own type byte: the one that opened the
// search may have been a corrupted frame. Returns where decoding goes on.
size_t PFrameDecoder::DecodeShort(const unsigned char* p, size_t nSize, size_t nPos)
{
    while (xorOf(p + nPos, 1, LEN_HEAD - 1) != 0) {
        if (nPos + LEN_HEAD >= nSize) {
            // Ran dry: the window is dropped, with every byte it slid over.
            Log(LogLevel::Debug, "crc nCount\n");
            ++m_nDroppedSearches;
            return nSize;
        }
        ++nPos;
    }
    const unsigned char* pWindow = p + nPos;
    switch (pWindow[1]) {
    case TYPE_SHORT:
        m_pSink->Reading(pWindow[2], be24(pWindow + 3));
        return nPos + LEN_HEAD;
    case TYPE_NOTICE:
        m_pSink->ThresholdNotice(pWindow[2]);
        return nPos + LEN_HEAD;
    default:
        // The search stopped on the head of another frame: synchronisation
        // takes it from here, so a valid frame after a corrupted short one
        // is still decoded. Anything else is dropped.
        return pWindow[0] == START ? nPos : nPos + LEN_HEAD;
    }
}

void PFrameDecoder::DecodeBlock(const unsigned char* pFrame)
{
    unsigned char frame[LEN_BLOCK];
    memcpy(frame, pFrame, LEN_BLOCK);
    // The sender sums EE EE EE runs as zeros, including one that covers the
    // checksum itself (runs start at 2..29).
    zeroTripleEE(frame, 2, 2 + READ_CHAR_SPECIAL_NUM - 2);
    if (xorOf(frame, 2, LEN_BLOCK - 1) != 0)
        return;
    const quint32 nId = be32(frame + 2);
    const unsigned nGroup = frame[6];
    for (unsigned k = 0; k < 8; ++k) {
        const quint32 nChannel = (10 * k + nGroup) & 0xFF;
        m_pSink->BlockValue(nId, (nChannel << 24) | be24(frame + 7 + 3 * k));
        if (nGroup == 3 && k % 2 == 1)
            m_pSink->PairDone();
    }
}

void PFrameDecoder::DecodeTargetDose(const unsigned char* pFrame)
{
    if (xorOf(pFrame, 2, LEN_TARGET - 1) != 0)
        return;
    unsigned char frame[LEN_TARGET];
    memcpy(frame, pFrame, LEN_TARGET);
    if (frame[10] == 0xEE)
        frame[10] = 0;
    zeroTripleEE(frame, 11, 33);
    const int nY = int(be32(frame + 2));
    const int nZ = frame[10];
    m_pSink->TargetDose(frame[6], nY, nZ);
    if (nZ != 3)
        return;
    for (unsigned nPair = 0; nPair < 4; ++nPair) {
        const unsigned nOffset = 11 + 6 * nPair;
        m_pSink->TargetValue(quint32(nY), (quint32(1) << 24) | be24(frame + nOffset));
        m_pSink->TargetValue(quint32(nY), (quint32(2) << 24) | be24(frame + nOffset + 3));
        m_pSink->PairDone();
    }
}

void PFrameDecoder::DecodeRouting(const unsigned char* pFrame)
{
    if (xorOf(pFrame, 2, LEN_ROUTING - 1) != 0)
        return;
    const int nYear = bcd(pFrame[4]);
    const int nMonth = bcd(pFrame[5]);
    const int nDay = bcd(pFrame[6]);
    const int nHour = bcd(pFrame[7]);
    const int nMinute = bcd(pFrame[8]);
    const QDate date
        = nYear < 0 || nMonth < 0 || nDay < 0 ? QDate() : QDate(2000 + nYear, nMonth, nDay);
    const QTime time = nHour < 0 || nMinute < 0 ? QTime() : QTime(nHour, nMinute, 0, 0);
    if (!date.isValid() || !time.isValid()) {
        // A stored invalid day would never be found or cleaned up again.
        Log(LogLevel::Debug, "routing frame dropped, bad date %02x %02x %02x or time %02x %02x\n",
            pFrame[4], pFrame[5], pFrame[6], pFrame[7], pFrame[8]);
        return;
    }
    m_pSink->Routing(pFrame[2], pFrame[3], date, time, int(be24(pFrame + 9)));
}

void PFrameDecoder::DecodeReading(const unsigned char* pFrame)
{
    if (xorOf(pFrame, 1, LEN_READING - 1) != 0) {
        QByteArray bytes;
        for (unsigned i = 0; i < LEN_READING; ++i)
            bytes += QByteArray::number(pFrame[i], 16) + ' ';
        Log(LogLevel::Debug, "%s *\n", bytes.constData());
        return;
    }
    m_pSink->Reading(be16(pFrame + 3), be24(pFrame + 5));
}

void PFrameDecoder::DecodeFourValues(const unsigned char* pFrame)
{
    if (xorOf(pFrame, 1, LEN_FOUR - 1) != 0)
        return;
    const quint32 nBase = be16(pFrame + 3);
    for (unsigned k = 1; k <= 4; ++k)
        m_pSink->Reading(nBase + 1000 * k, be24(pFrame + 5 + 3 * (k - 1)));
}
