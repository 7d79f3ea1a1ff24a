#pragma once

#include <QtGlobal>

// Byte stream under the preset files. Positions and sizes are 64-bit; reads
// and writes return the number of bytes moved.
class SIOStream
{
public:
    SIOStream() = default;
    virtual ~SIOStream();

    virtual bool Open() = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    virtual void SetFileName(const char* pName) = 0;
    // Bytes between the position and the end; 0 at or beyond the end.
    virtual qint64 Remaining() const = 0;
    virtual qint64 Pos() const = 0;
    virtual bool SeekBegin() = 0;
    // Origin 0: to nOffset, or forward by nOffset when bCurr; origin 1 (bCurr
    // only): back by nOffset.
    virtual bool Seek(qint64 nOffset, int nOrigin, bool bCurr) = 0;
    virtual bool SeekEnd() = 0;
    virtual bool AtEnd() const = 0;
    virtual qint64 Read(char* pData, qint64 nLength) = 0;
    virtual qint64 Write(const char* pData, qint64 nLength) = 0;

private:
    Q_DISABLE_COPY(SIOStream)
};
