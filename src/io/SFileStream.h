#pragma once

#include "io/SIOStream.h"

#include <QByteArray>
#include <QFile>

// SIOStream on a QFile, either read-only or write-only (truncating) for its
// whole life.
class SFileStream final : public SIOStream
{
public:
    enum Mode { ModeWrite = 0, ModeRead = 1 };
    enum Error { ErrorNone = 0, ErrorOpen = 3, ErrorWrite = 4 };

    explicit SFileStream(int nMode);
    ~SFileStream() override;

    bool Open() override;
    bool IsOpen() const override;
    void Close() override;
    void SetFileName(const char* pName) override;
    qint64 Remaining() const override;
    qint64 Pos() const override;
    bool SeekBegin() override;
    bool Seek(qint64 nOffset, int nOrigin, bool bCurr) override;
    bool SeekEnd() override;
    bool AtEnd() const override;
    qint64 Read(char* pData, qint64 nLength) override;
    qint64 Write(const char* pData, qint64 nLength) override;

    int ErrorCode() const { return m_nError; }
    qint64 Size() const { return m_nSize; }

private:
    const int m_nMode;
    qint64 m_nSize = 0;
    int m_nError = ErrorNone;
    QFile m_file;
    QByteArray m_strFileName;
};
