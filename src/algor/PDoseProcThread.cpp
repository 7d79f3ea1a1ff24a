#include "algor/PDoseProcThread.h"

#include "algor/PDataBuffer.h"
#include "database/PSqlExec.h"
#include "message/PLogRecord.h"
#include "message/SMessage.h"
#include "message/SQueueBound.h"

#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Frame types (byte 1 after the 0xFF start byte) and their lengths.
constexpr unsigned char START = 0xFF;
constexpr unsigned char TYPE_BLOCK = 0x1D;
constexpr unsigned char TYPE_TARGET = 0x21;
constexpr unsigned char TYPE_ROUTING = 0x0A;
constexpr unsigned char TYPE_READING = 0x02;
constexpr unsigned char TYPE_FOUR = 0x03;
constexpr unsigned char TYPE_SHORT = 0x04;
constexpr unsigned char TYPE_NOTICE = 0x01;
constexpr unsigned LEN_BLOCK = 32;
constexpr unsigned LEN_TARGET = 36;
constexpr unsigned LEN_ROUTING = 13;
constexpr unsigned LEN_READING = 9;
constexpr unsigned LEN_FOUR = 18;

// Bus addresses.
constexpr int ID_MAIN = 1000;
constexpr int ID_UNROUTED = 1006;
constexpr int ID_THRESHOLD_PAGE = 1008;
constexpr int MSG_READING = 1003;
constexpr int MSG_BLOCK_VALUE = 1004;
constexpr int MSG_TARGET_VALUE = 1005;
constexpr int MSG_THRESHOLD_NOTICE = 1034;

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

PDoseProcThread::PDoseProcThread(PDataBuffer* pBuffer, QObject* pParent)
    : QThread(pParent)
    , m_pBuffer(pBuffer)
    , m_pCondition(new QWaitCondition)
    , m_pMutex(new QMutex)
    , m_bStopped(true)
    , m_bStopping(false)
    , m_bExtended(false)
    , m_pAdditionalDose(nullptr)
    , m_bWakePending(false)
    , m_nBodyTries(7)
    , m_nBodyIntervalMs(500)
    , m_nPairPauseMs(90)
    , m_sleeper([](int nMs) { QThread::msleep(static_cast<unsigned long>(nMs)); })
    , m_pPostBound(std::make_shared<SQueueBound>(DEFAULT_POST_LIMIT))
    , m_nDroppedSearches(0)
    , m_window()
    , m_bWindowHeld(false)
    , m_frame()
    , m_stage()
    , m_nStagePos(0)
    , m_nStageEnd(0)
{
    // Emitted on the decoding thread; the slot runs on this object's thread.
    connect(this, &PDoseProcThread::RoutData, this, &PDoseProcThread::GetRoutData);
}

PDoseProcThread::~PDoseProcThread()
{
    Stop();
    delete m_pCondition;
    delete m_pMutex;
}

void PDoseProcThread::Start()
{
    if (!m_bStopped)
        return;
    m_bStopped = false;
    m_bStopping = false;
    m_pPostBound->Resume();
    {
        // Bytes stored before the start are decoded without waiting for a wake.
        QMutexLocker locker(m_pMutex);
        m_bWakePending = true;
    }
    start(QThread::LowPriority);
}

void PDoseProcThread::Stop()
{
    if (m_bStopped)
        return;
    {
        QMutexLocker locker(m_pMutex);
        m_bStopped = true;
        m_bStopping = true;
        m_pCondition->wakeOne();
    }
    // A decoder waiting for room in a queue that nobody drains any more
    // (the main window is the one stopping us) must not hold up the stop.
    m_pPostBound->Cancel();
    quit();
    wait();
    m_pBuffer->Reset();
    m_bWindowHeld = false;
    m_nStagePos = m_nStageEnd = 0;
}

void PDoseProcThread::Wake()
{
    QMutexLocker locker(m_pMutex);
    m_bWakePending = true;
    m_pCondition->wakeOne();
}

void PDoseProcThread::SetExtendedProtocol(bool bExtended)
{
    m_bExtended = bExtended;
}

bool PDoseProcThread::IsExtendedProtocol() const
{
    return m_bExtended;
}

void PDoseProcThread::SetAdditionalDose(RAdditionalDose* pAdditionalDose)
{
    m_pAdditionalDose = pAdditionalDose;
}

RAdditionalDose* PDoseProcThread::AdditionalDose() const
{
    return m_pAdditionalDose;
}

void PDoseProcThread::SetBodyWait(int nTries, int nIntervalMs)
{
    m_nBodyTries = qMax(0, nTries);
    m_nBodyIntervalMs = qMax(0, nIntervalMs);
}

void PDoseProcThread::SetPairPause(int nMs)
{
    m_nPairPauseMs = qMax(0, nMs);
}

void PDoseProcThread::SetSleeper(Sleeper sleeper)
{
    m_sleeper = std::move(sleeper);
}

void PDoseProcThread::SetPostLimit(int nLimit)
{
    m_pPostBound->SetLimit(nLimit);
}

int PDoseProcThread::PostsInFlight() const
{
    return m_pPostBound->InFlight();
}

void PDoseProcThread::Post(int nId, int nType, qintptr nFirst, qintptr nSecond)
{
    if (m_pPostBound->Acquire())
        PostSMessage(nId, new SMessage(nType, nFirst, nSecond, m_pPostBound));
}

void PDoseProcThread::run()
{
    for (;;) {
        {
            QMutexLocker locker(m_pMutex);
            // Re-checked under the wake mutex: a store and its wake that came
            // while the last round decoded are taken now, not lost.
            while (!m_bWakePending && !m_bStopped && !HasWork())
                m_pCondition->wait(m_pMutex);
            m_bWakePending = false;
        }
        DecodeAvailable();
        if (m_bStopped)
            break;
    }
}

bool PDoseProcThread::HasWork() const
{
    const unsigned nStored = Staged() + m_pBuffer->PackageNum();
    return m_bWindowHeld ? nStored > 0 : nStored >= unsigned(READ_CHAR_NUM);
}

// All or nothing, like the ring's own read.
bool PDoseProcThread::Fetch(unsigned char* pData, unsigned nNum)
{
    if (Staged() < nNum) {
        const unsigned nHave = Staged();
        memmove(m_stage, m_stage + m_nStagePos, nHave);
        m_nStagePos = 0;
        m_nStageEnd = nHave;
        const unsigned nTake
            = qMin<unsigned>(unsigned(sizeof(m_stage)) - nHave, m_pBuffer->PackageNum());
        if (nTake > 0 && m_pBuffer->Read(m_stage + nHave, nTake))
            m_nStageEnd += nTake;
        if (Staged() < nNum)
            return false;
    }
    memcpy(pData, m_stage + m_nStagePos, nNum);
    m_nStagePos += nNum;
    return true;
}

bool PDoseProcThread::Slide()
{
    unsigned char nNext = 0;
    if (!Fetch(&nNext, 1))
        return false;
    memmove(m_window, m_window + 1, READ_CHAR_NUM - 1);
    m_window[READ_CHAR_NUM - 1] = nNext;
    return true;
}

// The rest of a frame comes in one all-or-nothing read; while it has not
// arrived, sleep and retry. Stopping ends the wait early.
bool PDoseProcThread::ReadWait(unsigned char* pData, unsigned nNum)
{
    if (Fetch(pData, nNum))
        return true;
    for (int i = 0; i < m_nBodyTries && !m_bStopping; ++i) {
        m_sleeper(m_nBodyIntervalMs);
        if (Fetch(pData, nNum))
            return true;
    }
    return false;
}

void PDoseProcThread::Pause(int nMs)
{
    if (nMs > 0 && !m_bStopping)
        m_sleeper(nMs);
}

void PDoseProcThread::DecodeAvailable()
{
    for (;;) {
        if (!m_bWindowHeld) {
            if (!Fetch(m_window, READ_CHAR_NUM))
                return;
            m_bWindowHeld = true;
        }
        if (!m_bExtended && m_bStopping)
            return;
        // Synchronise on the start byte. When the buffer runs dry here the
        // window is kept: the frame may start in bytes still on their way.
        while (m_window[0] != START) {
            if (!Slide())
                return;
        }
        m_bWindowHeld = false;
        DecodeFrame();
    }
}

void PDoseProcThread::DecodeFrame()
{
    memcpy(m_frame, m_window, READ_CHAR_NUM);
    switch (m_window[1]) {
    case TYPE_BLOCK:
        DecodeBlock();
        return;
    case TYPE_TARGET:
        DecodeTargetDose();
        return;
    default:
        break;
    }
    if (!m_bExtended)
        return;
    switch (m_window[1]) {
    case TYPE_ROUTING:
        DecodeRouting();
        break;
    case TYPE_READING:
        DecodeReading();
        break;
    case TYPE_FOUR:
        DecodeFourValues();
        break;
    case TYPE_SHORT:
    case TYPE_NOTICE:
        DecodeShort();
        break;
    default:
        // No handler takes it: the window is dropped.
        break;
    }
}

void PDoseProcThread::DecodeBlock()
{
    if (!ReadWait(m_frame + READ_CHAR_NUM, LEN_BLOCK - READ_CHAR_NUM))
        return;
    // The sender sums EE EE EE runs as zeros, including one that covers the
    // checksum itself (runs start at 2..29).
    zeroTripleEE(m_frame, 2, 2 + READ_CHAR_SPECIAL_NUM - 2);
    if (xorOf(m_frame, 2, LEN_BLOCK - 1) != 0)
        return;
    const quint32 nId = be32(m_frame + 2);
    const unsigned nGroup = m_frame[6];
    // Nobody receives these values in this system; they go to 1006 unrouted.
    for (unsigned k = 0; k < 8; ++k) {
        const quint32 nChannel = (10 * k + nGroup) & 0xFF;
        const quint32 nValue = be24(m_frame + 7 + 3 * k);
        Post(ID_UNROUTED, MSG_BLOCK_VALUE, qintptr(nId), qintptr((nChannel << 24) | nValue));
        if (nGroup == 3 && k % 2 == 1)
            Pause(m_nPairPauseMs);
    }
}

void PDoseProcThread::DecodeTargetDose()
{
    if (!ReadWait(m_frame + READ_CHAR_NUM, LEN_TARGET - READ_CHAR_NUM))
        return;
    if (xorOf(m_frame, 2, LEN_TARGET - 1) != 0)
        return;
    if (m_frame[10] == 0xEE)
        m_frame[10] = 0;
    zeroTripleEE(m_frame, 11, 33);
    const int nY = int(be32(m_frame + 2));
    const int nX = m_frame[6];
    const int nZ = m_frame[10];
    emit StartEchoTargeDose(nX, nY, nZ);
    if (nZ != 3)
        return;
    for (unsigned nPair = 0; nPair < 4; ++nPair) {
        const unsigned nOffset = 11 + 6 * nPair;
        Post(ID_UNROUTED, MSG_TARGET_VALUE, qintptr(quint32(nY)),
            qintptr((quint32(1) << 24) | be24(m_frame + nOffset)));
        Post(ID_UNROUTED, MSG_TARGET_VALUE, qintptr(quint32(nY)),
            qintptr((quint32(2) << 24) | be24(m_frame + nOffset + 3)));
        Pause(m_nPairPauseMs);
    }
}

void PDoseProcThread::DecodeRouting()
{
    if (!ReadWait(m_frame + READ_CHAR_NUM, LEN_ROUTING - READ_CHAR_NUM))
        return;
    if (xorOf(m_frame, 2, LEN_ROUTING - 1) != 0)
        return;
    const int nYear = bcd(m_frame[4]);
    const int nMonth = bcd(m_frame[5]);
    const int nDay = bcd(m_frame[6]);
    const int nHour = bcd(m_frame[7]);
    const int nMinute = bcd(m_frame[8]);
    const QDate date
        = nYear < 0 || nMonth < 0 || nDay < 0 ? QDate() : QDate(2000 + nYear, nMonth, nDay);
    const QTime time = nHour < 0 || nMinute < 0 ? QTime() : QTime(nHour, nMinute, 0, 0);
    if (!date.isValid() || !time.isValid()) {
        // A stored invalid day would never be found or cleaned up again.
        LogDebug("routing frame dropped, bad date %02x %02x %02x or time %02x %02x\n", m_frame[4],
            m_frame[5], m_frame[6], m_frame[7], m_frame[8]);
        return;
    }
    emit RoutData(m_frame[2], m_frame[3], date, time, int(be24(m_frame + 9)));
}

void PDoseProcThread::DecodeReading()
{
    // Waits like the long frames: the stream arrives in arbitrary pieces.
    if (!ReadWait(m_frame + READ_CHAR_NUM, LEN_READING - READ_CHAR_NUM))
        return;
    if (xorOf(m_frame, 1, LEN_READING - 1) != 0) {
        printf("%s : ",
            QTime::currentTime().toString(QStringLiteral("hh:mm:ss")).toLatin1().constData());
        for (unsigned i = 0; i < LEN_READING; ++i)
            printf("%x ", m_frame[i]);
        printf(" * \n");
        return;
    }
    Post(ID_MAIN, MSG_READING, qintptr(be16(m_frame + 3)), qintptr(be24(m_frame + 5)));
}

void PDoseProcThread::DecodeFourValues()
{
    if (!ReadWait(m_frame + READ_CHAR_NUM, LEN_FOUR - READ_CHAR_NUM))
        return;
    if (xorOf(m_frame, 1, LEN_FOUR - 1) != 0)
        return;
    const quint32 nBase = be16(m_frame + 3);
    for (unsigned k = 1; k <= 4; ++k) {
        Post(ID_MAIN, MSG_READING, qintptr(nBase + 1000 * k),
            qintptr(be24(m_frame + 5 + 3 * (k - 1))));
    }
}

void PDoseProcThread::DecodeShort()
{
    // The search slides without looking at the start byte again. The window
    // that checks out decides the kind by its own type byte: the one that
    // opened the search may have been a corrupted frame.
    while (xorOf(m_window, 1, READ_CHAR_NUM - 1) != 0) {
        if (!Slide()) {
            printf("crc nCount\n");
            ++m_nDroppedSearches;
            return;
        }
    }
    switch (m_window[1]) {
    case TYPE_SHORT:
        Post(ID_MAIN, MSG_READING, qintptr(m_window[2]), qintptr(be24(m_window + 3)));
        break;
    case TYPE_NOTICE:
        Post(ID_THRESHOLD_PAGE, MSG_THRESHOLD_NOTICE, qintptr(m_window[2]), 0);
        break;
    default:
        // The search stopped on the head of another frame: synchronisation
        // takes it from here, so a valid frame after a corrupted short one
        // is still decoded.
        m_bWindowHeld = m_window[0] == START;
        break;
    }
}

void PDoseProcThread::GetRoutData(int routId, int roomId, QDate date, QTime time, int dose)
{
    const QString strDate = date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString strTime = time.toString(QStringLiteral("hh:mm"));
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Month, Time from RoutingMinuteDose where Month = '%1' and Time = "
                       "'%2' and Id = %3 and RoomId = %4")
            .arg(strDate, strTime)
            .arg(routId)
            .arg(roomId));
    if (query.next()) {
        query.finish();
        PSqlExec::Exec(QStringLiteral("update RoutingMinuteDose set Dose = %1 where RoomId = %2 "
                                      "and Month = '%3' and Time = '%4' and Id = %5")
                           .arg(dose)
                           .arg(roomId)
                           .arg(strDate, strTime)
                           .arg(routId));
    } else {
        query.finish();
        PSqlExec::Exec(QStringLiteral("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, "
                                      "Month) values(%1, %2, %3, '%4', '%5')")
                           .arg(routId)
                           .arg(roomId)
                           .arg(dose)
                           .arg(strTime, strDate));
    }
    emit RoutDataUpdate();
}
