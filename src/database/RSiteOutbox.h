#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class RStorageWriter;

// The outbox of the site database: triggers on the tables the site database
// mirrors queue each committed change in table Outbox, inside the writer's
// own transaction, so the sender (which reads only committed rows) sees a
// change exactly when the file has it. A row names what changed; the sender
// reads the current value when it sends. Seq never goes back
// (autoincrement), so the sender's mark in PostgreSQL stays valid after
// trims. Present only while the site database is enabled. Default
// connection, GUI thread.
class RSiteOutbox final
{
public:
    enum Kind {
        Minute = 1, // Id, Day, Minute (0-1439)
        DaySummary = 2, // Id, Day: maximum, its time, alarm count
        Alarm = 3, // Ref: AlarmJournal.Seq
        Patrol = 4, // Ref: RoutingMinuteDose rowid
        Session = 5, // Ref: UserLoginTimeInfo rowid
        Audit = 6, // Ref: AuditTrail.Seq
        Region = 7, // Id: RegionInfo
        DayGone = 8, // Id, Day: the day's minutes and summary deleted
        PatrolGone = 9, // Id (staff), Day, Ref (room): the day's records deleted
        RegionGone = 10, // Id: a RegionInfo row deleted (the list is rewritten whole)
    };

    static QString TableStatement();
    static QStringList TriggerStatements();
    static QStringList DropStatements();

    // Creates or drops the table's triggers through the writer (so a rolled
    // back transaction replays them); Disable also empties the outbox.
    static void Enable(RStorageWriter& writer);
    static void Disable(RStorageWriter& writer);
    static bool IsEnabled();

    // Rows up to nMark are in the site database: they go with the writer's
    // next commit.
    static void Trim(RStorageWriter& writer, qint64 nMark);

    // When the oldest minute not yet sent was measured; invalid when all
    // are sent.
    static QDateTime OldestPendingMinute(qint64 nMark);
    static qint64 PendingRows(qint64 nMark);

    // This file's identity in the site database, made once: a restored or
    // new file starts a sequence of its own.
    static QString FileId();

private:
    RSiteOutbox() = delete;
};
