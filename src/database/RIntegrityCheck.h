#pragma once

#include <QMutex>
#include <QObject>
#include <QString>

class QThread;
struct sqlite3;

// Checks every page of the database file after start. The check reads the
// whole file, minutes on a site of many gigabytes, so it runs on a thread of
// its own with its own read-only connection: the window, the live display and
// the writer never wait for it (readers do not block the write-ahead log).
class RIntegrityCheck final : public QObject
{
    Q_OBJECT

public:
    explicit RIntegrityCheck(QObject* pParent = nullptr);
    // Interrupts a check still running and waits for its thread.
    ~RIntegrityCheck() override;

    // Checks strFile after nDelayMs; one check per object.
    void Start(const QString& strFile, int nDelayMs = 0);
    bool IsRunning() const;

signals:
    // On the thread that owns this object. strDetail is SQLite's first
    // finding, or why the file could not be read.
    void Finished(bool bOk, const QString& strDetail);

private:
    Q_DISABLE_COPY(RIntegrityCheck)

    void Run(const QString& strFile, int nDelayMs);

    QThread* m_pThread = nullptr;
    QMutex m_mutex; // guards the two below
    sqlite3* m_pHandle = nullptr;
    bool m_bStopping = false;
};
