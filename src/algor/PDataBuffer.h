#pragma once

#include <QMutex>
#include <QtGlobal>

#include <memory>

// Bounded FIFO of fixed-size packages between the link's worker thread
// (PDoseThreadInterface::run, the only writer; the socket itself reads on the
// main thread and hands the bytes over) and the decoder thread
// (PDoseProcThread, the only reader). The mutex guards the count and the
// indices; each side copies outside it, in the slots the count gives it, so
// a reader never sees packages that are still being copied.
class PDataBuffer final
{
public:
    // Largest storage a buffer may have, in bytes.
    static constexpr quint32 MAX_BUFFER_SIZE = 0xA00000;

    PDataBuffer();

    // Allocates once; a later Init with the same byte total keeps the storage.
    void Init(unsigned nPackageSize, unsigned nPackageNum);

    // Appends nNum packages. A write that does not fit is logged (Debug) and
    // dropped whole: stored packages are never overwritten. Returns whether
    // the packages were stored.
    bool Write(const unsigned char* pData, unsigned nNum);

    // Takes exactly nNum packages, or nothing.
    bool Read(unsigned char* pData, unsigned nNum);

    // Abandons the stored packages.
    void Reset();

    // Packages stored now; a snapshot, the writer may add more at any time.
    unsigned PackageNum() const;
    unsigned TotalPackageNum() const { return m_nTotalPackageNum; }

private:
    Q_DISABLE_COPY(PDataBuffer)

    void CheckPage(qint64 nPage) const;
    void CopyIn(quint32 nStart, const unsigned char* pData, quint32 nNum);
    void CopyOut(quint32 nStart, unsigned char* pData, quint32 nNum) const;

    mutable QMutex m_mutex;
    std::unique_ptr<unsigned char[]> m_pData;
    quint32 m_nTotalPackageNum;
    quint32 m_nPackageNum;
    quint32 m_nWriteIndex;
    quint32 m_nReadIndex;
    quint32 m_nPackageSize;
    // Bumped by Reset so that a copy in flight across a Reset is not published.
    quint32 m_nGeneration;
};
