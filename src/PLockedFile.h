#pragma once

#include <QFile>

// A file that carries an inter-process read/write lock: any number of readers
// or one writer across all processes of the machine. The lock lives on the
// open file description, so closing another descriptor of the same file in
// this process (a QFile opened elsewhere) never drops it, and a lock left by a
// crashed process vanishes with that process.
class PLockedFile : public QFile
{
    Q_OBJECT

public:
    enum LockMode { NoLock = 0, ReadLock = 1, WriteLock = 2 };

    PLockedFile() = default;
    explicit PLockedFile(const QString& strName);
    ~PLockedFile() override;

    bool Lock(LockMode mode, bool block = true);
    bool Unlock();
    bool IsLocked() const { return m_mode != NoLock; }
    LockMode Mode() const { return m_mode; }

private:
    Q_DISABLE_COPY(PLockedFile)

    LockMode m_mode = NoLock;
};
