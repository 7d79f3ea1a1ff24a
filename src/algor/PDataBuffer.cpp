#include "algor/PDataBuffer.h"

#include "message/PAssert.h"
#include "message/PLogRecord.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstring>

PDataBuffer::PDataBuffer()
    : m_nTotalPackageNum(0)
    , m_nPackageNum(0)
    , m_nWriteIndex(0)
    , m_nReadIndex(0)
    , m_nPackageSize(0)
    , m_nGeneration(0)
{
}

void PDataBuffer::Init(unsigned nPackageSize, unsigned nPackageNum)
{
    // Checked in 64 bits: the 32-bit product may wrap below the limit.
    const quint64 nBytes = quint64(nPackageNum) * nPackageSize;
    P_ASSERT(nBytes <= MAX_BUFFER_SIZE, "storage over the limit");

    QMutexLocker locker(&m_mutex);
    m_nPackageNum = 0;
    m_nWriteIndex = 0;
    m_nReadIndex = 0;
    ++m_nGeneration;
    if (nBytes != quint64(m_nTotalPackageNum) * m_nPackageSize) {
        m_pData.reset(nBytes > 0 ? new unsigned char[nBytes] : nullptr);
    }
    m_nPackageSize = nPackageSize;
    // A ring without storage holds nothing, whatever count it was given.
    m_nTotalPackageNum = nBytes > 0 ? nPackageNum : 0;
}

bool PDataBuffer::Write(const unsigned char* pData, unsigned nNum)
{
    P_ASSERT(pData, "no source");
    if (nNum == 0)
        return true;

    quint32 nStart = 0;
    quint32 nGeneration = 0;
    {
        QMutexLocker locker(&m_mutex);
        const quint64 nWanted = quint64(m_nPackageNum) + nNum;
        if (nWanted > m_nTotalPackageNum) {
            Log(LogLevel::Debug, "m_nPackageNum = %d, m_nTotalPackageNum = %d\n", int(nWanted),
                int(m_nTotalPackageNum));
            return false;
        }
        nStart = m_nWriteIndex;
        nGeneration = m_nGeneration;
    }

    CopyIn(nStart, pData, nNum);

    QMutexLocker locker(&m_mutex);
    if (nGeneration != m_nGeneration)
        return false;
    m_nWriteIndex = quint32((quint64(nStart) + nNum) % m_nTotalPackageNum);
    m_nPackageNum += nNum;
    return true;
}

bool PDataBuffer::Read(unsigned char* pData, unsigned nNum)
{
    if (nNum == 0)
        return true;
    if (pData == nullptr)
        return false;

    quint32 nStart = 0;
    quint32 nGeneration = 0;
    {
        QMutexLocker locker(&m_mutex);
        if (m_nPackageNum < nNum)
            return false;
        nStart = m_nReadIndex;
        nGeneration = m_nGeneration;
    }

    CopyOut(nStart, pData, nNum);

    QMutexLocker locker(&m_mutex);
    if (nGeneration != m_nGeneration)
        return false;
    m_nReadIndex = quint32((quint64(nStart) + nNum) % m_nTotalPackageNum);
    m_nPackageNum -= nNum;
    return true;
}

void PDataBuffer::Reset()
{
    QMutexLocker locker(&m_mutex);
    m_nPackageNum = 0;
    m_nWriteIndex = 0;
    m_nReadIndex = 0;
    ++m_nGeneration;
}

unsigned PDataBuffer::PackageNum() const
{
    QMutexLocker locker(&m_mutex);
    return m_nPackageNum;
}

void PDataBuffer::CheckPage(qint64 nPage) const
{
    P_ASSERT(nPage >= 0 && nPage < m_nTotalPackageNum, "package outside the ring");
}

// nNum never exceeds the capacity here, so at most two block copies.
void PDataBuffer::CopyIn(quint32 nStart, const unsigned char* pData, quint32 nNum)
{
    CheckPage(nStart);
    const quint32 nFirst = qMin(nNum, m_nTotalPackageNum - nStart);
    memcpy(m_pData.get() + size_t(nStart) * m_nPackageSize, pData, size_t(nFirst) * m_nPackageSize);
    if (nFirst < nNum) {
        memcpy(m_pData.get(), pData + size_t(nFirst) * m_nPackageSize,
            size_t(nNum - nFirst) * m_nPackageSize);
    }
}

void PDataBuffer::CopyOut(quint32 nStart, unsigned char* pData, quint32 nNum) const
{
    CheckPage(nStart);
    const quint32 nFirst = qMin(nNum, m_nTotalPackageNum - nStart);
    memcpy(pData, m_pData.get() + size_t(nStart) * m_nPackageSize, size_t(nFirst) * m_nPackageSize);
    if (nFirst < nNum) {
        memcpy(pData + size_t(nFirst) * m_nPackageSize, m_pData.get(),
            size_t(nNum - nFirst) * m_nPackageSize);
    }
}
