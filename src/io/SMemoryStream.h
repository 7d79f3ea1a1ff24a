#pragma once

#include "io/SIOStream.h"

#include <QByteArray>

// SIOStream over a byte array the caller owns: lets a holder parse a file
// body it has already read and checked, and serialise itself before writing.
class SMemoryStream final : public SIOStream
{
public:
    explicit SMemoryStream(QByteArray* pBuffer);

    bool Open() override;
    bool IsOpen() const override { return m_bOpen; }
    void Close() override { m_bOpen = false; }
    // Memory has no name to set.
    void SetFileName(const char*) override { }
    qint64 Remaining() const override;
    qint64 Pos() const override { return m_nPos; }
    bool SeekBegin() override;
    bool Seek(qint64 nOffset, int nOrigin, bool bCurr) override;
    bool SeekEnd() override;
    bool AtEnd() const override { return Remaining() == 0; }
    qint64 Read(char* pData, qint64 nLength) override;
    qint64 Write(const char* pData, qint64 nLength) override;

private:
    QByteArray* m_pBuffer;
    qint64 m_nPos = 0;
    bool m_bOpen = false;
};
