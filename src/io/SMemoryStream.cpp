#include "io/SMemoryStream.h"

#include "message/PAssert.h"

#include <cstring>

SMemoryStream::SMemoryStream(QByteArray* pBuffer)
    : m_pBuffer(pBuffer)
{
    P_ASSERT(pBuffer, "no buffer");
}

bool SMemoryStream::Open()
{
    m_nPos = 0;
    m_bOpen = true;
    return true;
}

qint64 SMemoryStream::Remaining() const
{
    const qint64 nSize = m_pBuffer->size();
    return m_nPos >= nSize ? 0 : nSize - m_nPos;
}

bool SMemoryStream::SeekBegin()
{
    m_nPos = 0;
    return true;
}

bool SMemoryStream::Seek(qint64 nOffset, int nOrigin, bool bCurr)
{
    qint64 nPos = 0;
    if (nOrigin == 0) {
        nPos = bCurr ? m_nPos + nOffset : nOffset;
    } else {
        P_ASSERT(nOrigin == 1, "unknown origin");
        P_ASSERT(bCurr, "origin 1 only moves back from the position");
        nPos = m_nPos - nOffset;
    }
    if (nPos < 0)
        return false;
    m_nPos = nPos;
    return true;
}

bool SMemoryStream::SeekEnd()
{
    m_nPos = m_pBuffer->size();
    return true;
}

qint64 SMemoryStream::Read(char* pData, qint64 nLength)
{
    P_ASSERT(pData, "no destination");
    const qint64 n = qMin(nLength, Remaining());
    if (!m_bOpen || n <= 0)
        return 0;
    std::memcpy(pData, m_pBuffer->constData() + m_nPos, static_cast<size_t>(n));
    m_nPos += n;
    return n;
}

qint64 SMemoryStream::Write(const char* pData, qint64 nLength)
{
    if (!m_bOpen || !pData || nLength <= 0)
        return 0;
    const qint64 nEnd = m_nPos + nLength;
    if (nEnd > m_pBuffer->size())
        m_pBuffer->resize(static_cast<int>(nEnd));
    std::memcpy(m_pBuffer->data() + m_nPos, pData, static_cast<size_t>(nLength));
    m_nPos = nEnd;
    return nLength;
}
