#include "io/SFileStream.h"

#include "message/PAssert.h"
#include "message/PLogRecord.h"

SFileStream::SFileStream(int nMode)
    : m_nMode(nMode)
{
}

SFileStream::~SFileStream()
{
    Close();
}

bool SFileStream::Open()
{
    Close();
    m_file.setFileName(QFile::decodeName(m_strFileName));
    const QIODevice::OpenMode mode
        = m_nMode == ModeRead ? QIODevice::ReadOnly : (QIODevice::WriteOnly | QIODevice::Truncate);
    if (!m_file.open(mode)) {
        Log(LogLevel::Debug, "Open File %s Failure!\n", m_strFileName.constData());
        m_nError = ErrorOpen;
        return false;
    }
    m_nError = ErrorNone;
    m_nSize = m_file.size();
    return true;
}

bool SFileStream::IsOpen() const
{
    return m_file.isOpen();
}

void SFileStream::Close()
{
    if (!m_file.isOpen())
        return;
    if (m_nMode == ModeWrite && !m_file.flush())
        m_nError = ErrorWrite;
    m_file.close();
}

void SFileStream::SetFileName(const char* pName)
{
    m_strFileName = QByteArray(pName ? pName : "");
}

qint64 SFileStream::Remaining() const
{
    if (!m_file.isOpen())
        return 0;
    const qint64 nPos = m_file.pos();
    return nPos >= m_nSize ? 0 : m_nSize - nPos;
}

qint64 SFileStream::Pos() const
{
    return m_file.isOpen() ? m_file.pos() : 0;
}

bool SFileStream::SeekBegin()
{
    return m_file.isOpen() && m_file.seek(0);
}

bool SFileStream::Seek(qint64 nOffset, int nOrigin, bool bCurr)
{
    if (!m_file.isOpen())
        return false;
    if (nOrigin == 0)
        return m_file.seek(bCurr ? m_file.pos() + nOffset : nOffset);
    P_ASSERT(nOrigin == 1, "unknown origin");
    P_ASSERT(bCurr, "origin 1 only moves back from the position");
    const qint64 nPos = m_file.pos() - nOffset;
    return nPos >= 0 && m_file.seek(nPos);
}

bool SFileStream::SeekEnd()
{
    return m_file.isOpen() && m_file.seek(m_nSize);
}

bool SFileStream::AtEnd() const
{
    return Remaining() == 0;
}

qint64 SFileStream::Read(char* pData, qint64 nLength)
{
    P_ASSERT(pData, "no destination");
    if (!m_file.isOpen() || m_nMode != ModeRead || nLength <= 0)
        return 0;
    const qint64 n = m_file.read(pData, nLength);
    return n < 0 ? 0 : n;
}

qint64 SFileStream::Write(const char* pData, qint64 nLength)
{
    if (!pData || nLength <= 0)
        return 0;
    if (m_nMode != ModeWrite) {
        m_nError = ErrorOpen;
        return 0;
    }
    if (!m_file.isOpen())
        return 0;
    const qint64 n = m_file.write(pData, nLength);
    if (n != nLength) {
        m_nError = ErrorWrite;
        return n < 0 ? 0 : n;
    }
    if (m_file.pos() > m_nSize)
        m_nSize = m_file.pos();
    return n;
}
