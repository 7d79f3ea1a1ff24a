#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

class QSqlDatabase;

// The station file's side of the site database, every statement of it: the
// sender's reads on its own read-only connection (file), and the snapshot's
// rows written into a file of the station's schema on the default
// connection. Each read returns its query run, positioned before its first
// row; the caller reads the columns in the order the comment gives.
class RSiteFileStore final
{
public:
    // Columns in front of the 1440 minutes of a DayMinutes row.
    static constexpr int MinuteRowKeys = 3;

    // The outbox's last sequence ever issued, and the first still queued less one.
    static QSqlQuery OutboxIssued(QSqlDatabase& file);
    // Seq, Kind, Id, Day, Minute, Ref after nMark, oldest first.
    static QSqlQuery Outbox(QSqlDatabase& file, qint64 nMark, int nLimit);
    // Seq, Time, Id, Event, Dose, Threshold, Operator, Detail.
    static QSqlQuery Alarm(QSqlDatabase& file, qint64 nSeq);
    // Id, RoomId, Month, Time, Dose.
    static QSqlQuery Patrol(QSqlDatabase& file, qint64 nRowId);
    // Id, Logintime, Logouttime.
    static QSqlQuery Session(QSqlDatabase& file, qint64 nRowId);
    // Seq, Time, AccountId, AccountName, Action, Object, OldValue, NewValue, Reason, Mac.
    static QSqlQuery Audit(QSqlDatabase& file, qint64 nSeq);
    // Id, Name, Sub of the region's first entry.
    static QSqlQuery Region(QSqlDatabase& file, int nId);
    // The count of the region's entries.
    static QSqlQuery RegionEntries(QSqlDatabase& file, int nId);
    static QSqlQuery RegionIds(QSqlDatabase& file);
    static QSqlQuery SessionRowIds(QSqlDatabase& file);
    static QSqlQuery AuditSeqs(QSqlDatabase& file);
    // Prepares the read of the given minutes (0-1439) of one region's day:
    // bind Id, then Month; the values come in the order given.
    static bool PrepareMinutes(QSqlQuery* pQuery, const QList<int>& minutes);
    // MaxDose, TimeInfo, AlarmOverCount of the region's day.
    static QSqlQuery DaySummary(QSqlDatabase& file, int nId, const QString& strDay);
    // Whole minute rows of a day (MinuteRowKeys columns, then the minutes).
    static QSqlQuery DayMinutes(QSqlDatabase& file, const QString& strDay);
    // Id, MaxDose, TimeInfo, AlarmOverCount of a day, newest entries first.
    static QSqlQuery DaySummaries(QSqlDatabase& file, const QString& strDay);
    // Seq of the journal's rows of a day.
    static QSqlQuery DayAlarms(QSqlDatabase& file, const QString& strDay);
    // rowid of the patrol records of a day.
    static QSqlQuery DayPatrols(QSqlDatabase& file, const QString& strDay);
    // The first day with minute rows after strDay.
    static QSqlQuery NextDay(QSqlDatabase& file, const QString& strDay);

    // Into the default connection's file.
    static void AddRegion(int nPosition, int nId, const QString& strName);
    // Prepares the insert of a whole day: bind Id, Month, 1440 values, Sum.
    static bool PrepareDay(QSqlQuery* pQuery);
    static void AddDaySummary(int nId, const QString& strDay, const QVariant& max,
        const QVariant& time, const QVariant& alarms);
    // Time, Id, Event, Dose, Threshold, Operator, Detail.
    static void AddAlarm(const QVariantList& row);
    static void AddPatrol(
        int nStaff, int nRoom, const QString& strDay, const QVariant& time, const QVariant& dose);

private:
    RSiteFileStore() = delete;
};
