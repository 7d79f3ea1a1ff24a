#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSqlQuery>
#include <QString>

class RStorageWriter;

// The aggregator's rows of each region and day: the hour rows of 2-second
// slots (MonthData, values in µRad/h), the day's minute row (MonthMinuteDose,
// each minute the sum of its 30 slots) and the day's link row
// (RegionLinkDoseInfo: alarms, maximum and its time). Reads run on the
// default connection; every write goes through the storage writer, so a file
// that refuses it keeps it for later. GUI thread only, like the writer.
//
// An instance holds the statements of one minute's reduction, prepared once
// for all regions.
class RRegionDataStore final
{
public:
    static constexpr int SlotsPerMinute = 30;

    // Makes the minute row of the day of every id that has none, in the
    // order given. False, with nothing written, when the check cannot run.
    static bool EnsureDayRows(RStorageWriter& writer, const QList<int>& ids, const QDate& date);
    // The same for the hour row nHour (0-23) of the day.
    static bool EnsureHourRows(
        RStorageWriter& writer, const QList<int>& ids, const QDate& date, int nHour);

    // Each region's stored maximum of the day (µRad/h), read in one pass (the
    // table has no index; a day's first row counts). Regions of ids without
    // a link row get one, written in the order given, and a maximum of 0.
    static QHash<int, float> DayMaxima(
        RStorageWriter& writer, const QList<int>& ids, const QDate& date);

    // Minutes of the day before nBeforeMinute that have readings in their
    // slots but no value in the minute row (the program stopped before their
    // tick), each with the ids it has to be reduced for. Hours without
    // readings are skipped by their sum.
    static QMap<int, QList<int>> UnreducedMinutes(
        const QList<int>& ids, const QDate& date, int nBeforeMinute);

    // One more alarm of a region on that day (its link row made if missing).
    static void CountAlarm(RStorageWriter& writer, int nId, const QDate& date);

    // Minute nMinuteOfDay (0-1439) of date.
    RRegionDataStore(RStorageWriter& writer, const QDate& date, int nMinuteOfDay);
    // False when the slots cannot be read: nothing of the minute can be done.
    bool IsReady() const { return m_bReady; }
    // The minute's 30 slots of a region (0 where there is no row) and the
    // rowid of its hour row, -1 without one.
    void ReadSlots(int nId, float* pSlots, qint64* pRow);
    // Overwrites slot nSlot (0-29) of the minute in the hour row nRow.
    void WriteSlot(qint64 nRow, int nSlot, double dValue);
    // The minute's value in the region's minute row; rewriting a minute
    // replaces its share of the day's sum. The row is made when missing.
    void WriteMinute(int nId, double dValue);
    // A new maximum of the day, with its time (hh:mm:ss).
    void WriteDayMax(int nId, double dMax, const QString& strTime);

private:
    RStorageWriter& m_writer;
    QString m_strDay;
    int m_nMinuteOfDay;
    QSqlQuery m_selectSlots;
    bool m_bReady = false;
    QString m_strUpdateMinute;
};
