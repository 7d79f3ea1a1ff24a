#pragma once

#include <QDate>
#include <QHash>
#include <QMultiHash>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

#include <memory>
#include <unordered_map>

class RRegionCatalogue;
class RStorageWriter;

class QTimer;
class SClock;

// The aggregator: stores every region reading in its 2-second slot of the hour
// row, reduces each minute that ends into the day's minute row, keeps the
// day's maximum, creates rows ahead of the readings and commits the long
// transaction every minute. The storage writer keeps what the file refuses;
// a minute whose slots are not all in the file waits with its reduction
// until they are.
//
// Threads: everything runs on the thread that opened the default connection
// (the GUI thread). A Qt SQL connection may only be used by the thread that
// made it, and the readings of the current minute sit uncommitted inside the
// long transaction, so no other connection could even see them; SQLite also
// lets only that transaction's connection write. The reduction is therefore
// made cheap instead of being moved away: it reads only the 30 slot columns
// of the minute, reaches rows by rowid, prepares its statements once per
// minute for all regions, and runs in slices between other events.
class RRegularSave final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MinuteIntervalMs = 60000;
    static constexpr int SaveIntervalMs = 300000;
    // How long a stop waits for a file that refuses writes.
    static constexpr int CloseWaitMs = 5000;
    // A difference between the wall clock and the monotonic clock beyond this
    // is a jump of the wall clock (a correction, a manual change).
    static constexpr qint64 ClockJumpMs = 5000;

    // Needs the default connection open. pClock defaults to the system clock;
    // tests pass a manual clock and short intervals. Reduces the minutes of
    // today that have readings but no value (a crash, a power cut).
    explicit RRegularSave(RStorageWriter* pWriter, const RRegionCatalogue* pCatalogue,
        SClock* pClock = nullptr, int nMinuteIntervalMs = MinuteIntervalMs,
        int nSaveIntervalMs = SaveIntervalMs, QObject* pParent = nullptr);
    ~RRegularSave() override;

    // Re-reads the registered regions and the coefficient, then restarts the
    // minute clock and the transaction.
    void LoadRegionIds();
    // The link moved to another data server: a region's first reading from
    // it that falls in the slot of its last one is the same moment told
    // twice, and is dropped.
    void SourceSwitched();
    // The coefficients of the monitors whose calibration set their own.
    void LoadCoefficients();
    void StopTimers();

    // One raw reading. Sends a region reading to the region page with the
    // address of the dose rate (float, µRad/h). That float belongs to this
    // object, one per region, and is never freed while the aggregator lives:
    // a receiver that reads it later than during the send sees the region's
    // latest rate, never freed memory.
    void StoreRegionReading(int nId, int nCount);

    // The diagnostic line of a dropped reading.
    static QString UnknownReadingText(int nId, int nCount);

    int TickCount() const { return m_nTickCount; }
    int RegionCount() const { return m_hashLastSlot.size(); }
    float CeffR() const { return m_fCeffR; }
    // A minute's reduction still has regions to do (it runs in slices).
    bool IsReducing() const;
    bool IsMinuteTimerActive() const;
    bool IsSaveTimerActive() const;
    // Minutes waiting for their reduction until the kept readings are in the
    // file.
    int DeferredMinutes() const { return m_deferred.size(); }
    void SetCloseWaitMs(int nMs) { m_nCloseWaitMs = nMs; }

signals:
    // A region's reading (µRad/h) went into its slot, after the pages had it.
    void ReadingStored(int nId, float fDose);
    // Minute nMinute (0-1439) of date is reduced and committed: the values
    // (µRad/h) of the regions it reduced.
    void MinuteClosed(const QDate& date, int nMinute, const QHash<int, double>& values);

public slots:
    // Reduces minute m_nAverageMinute of day m_dateAverage for every region,
    // all at once.
    void CalcAverage();
    void MiniteTimeout();
    void OneMinuteTimeOut();
    void StartCalcMinite();
    void SaveFile();

private slots:
    void OnReductionSlice();
    void OnStorageRecovered();

private:
    void QueueSlice();
    RStorageWriter* m_pWriter;
    const RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RRegularSave)
    struct Reduction;

    void BeginReduction(const QDate& date, int nMinute, bool bSendTick);
    // Begins the first minute that waited for the file; false when none can.
    bool StartDeferred();
    // Reduces minute nMinute of date for the given regions, all at once.
    void ReduceNow(const QDate& date, int nMinute, const QList<int>& ids);
    void ReduceMissedMinutes();
    // Logs a jump of the wall clock and lets the minute it lands in begin.
    bool CheckClock(const QDateTime& now);
    void ReduceSlice(int nRegions);
    void FinishReduction();
    void ArmMinuteTimer();
    void EnsureHourRows(const QDate& date, int nHour);
    void EnsureDayRows(const QDate& date);
    void WriteSlot(int nId, qint64 nSlot, float fDose);
    void LogUnknown(int nId, int nCount);

    SClock* m_pClock;
    int m_nMinuteIntervalMs;
    int m_nSaveIntervalMs;
    int m_nCloseWaitMs = CloseWaitMs;

    int m_nCurMinute = 0;
    QDate m_dateCur;
    // The minute that has just ended, and its own day: the minute that ends
    // at midnight belongs to the old day.
    int m_nAverageMinute = 0;
    QDate m_dateAverage;
    int m_nTickCount = 0;
    float m_fCeffR = 0.0f;
    QHash<int, float> m_ownCeff;
    QSet<int> m_switched;
    QTimer* m_pMinuteTimer;
    QTimer* m_pSaveTimer;
    // Region id -> the receiver of its readings (the region page).
    QHash<int, int> m_hashType;
    // Region id -> the absolute 2-second slot of its latest stored reading
    // (day, hour and column in one number), -1 before the first.
    QHash<int, qint64> m_hashLastSlot;
    int m_nHour = 0;
    int m_nMinute = 0;

    // Node-based so the address handed out with a region reading stays put.
    std::unordered_map<int, float> m_mapDose;
    // Minutes (day, minute of the day) whose reduction waits for the file.
    QVector<QPair<QDate, int>> m_deferred;
    // The last look at the clocks, to tell a jump of the wall clock.
    QDateTime m_lastWall;
    qint64 m_nLastElapsedMs = 0;
    // Unregistered ids: the hour of the last line about each and the
    // readings dropped since.
    struct Unknown
    {
        qint64 nHour = -1;
        qint64 nDropped = 0;
    };
    QHash<int, Unknown> m_hashUnknown;
    // Days and hours whose rows were already made for the current regions.
    QSet<QString> m_setReadyRows;
    std::unique_ptr<Reduction> m_pReduction;
    bool m_bSliceQueued = false;
};
