#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

class RStorageWriter;

// What the operator's side of one alarm was at the last commit, so that a
// stop or a crash does not forget it. Id 0 is the link's alarm.
struct RAlarmRecord
{
    bool bActive = false; // the latest alarm row has no clear yet
    bool bUnacknowledged = false;
    bool bRaised = false; // the alarm rule held the region raised
    bool bChattering = false;
    QDateTime chatterStart;
    QDateTime episodeStart; // invalid: no episode has begun yet
    // The last reading the alarm rule held raised: an episode ends one
    // episode length after it.
    QDateTime lastAlarm;
    double dDose = 0.0; // µRad/h of the last alarm change
    int nThreshold = 0; // µRad/h of the last alarm change
};

// The flood as it stood at the last commit.
struct RFloodRecord
{
    bool bFlood = false;
    QDateTime start;
    int nAlarms = 0;
};

// The alarm state table (AlarmState, one row per id) and the station's own
// facts (StationState: whether it runs, its last commit, the flood). Rows go
// through the storage writer, in the transaction of the journal rows that
// change them, so the two always agree in the file. Default connection, GUI
// thread.
class RAlarmStateStore final
{
public:
    static QStringList TableStatements();

    static QHash<int, RAlarmRecord> Load();
    static bool Store(RStorageWriter& writer, int nId, const RAlarmRecord& record);

    static RFloodRecord LoadFlood();
    static bool StoreFlood(RStorageWriter& writer, const RFloodRecord& flood);

    // Running is set at start and cleared by a clean stop: found set at
    // start, the last run crashed.
    static bool WasRunning();
    static bool StoreRunning(RStorageWriter& writer, bool bRunning, const QDateTime& time);
    // The time of the last clean stop (invalid when none is stored).
    static QDateTime StoppedAt();
    // The last commit that reached the file; invalid when none is stored.
    static QDateTime LastCommit();
    // Writes time as the last commit into the open transaction; the writer
    // calls it just before each commit.
    static void StampCommit(const QDateTime& time);

private:
    RAlarmStateStore() = delete;
    static QString Value(const QString& strName);
    static bool StoreValue(RStorageWriter& writer, const QString& strName, const QString& strValue);
};
