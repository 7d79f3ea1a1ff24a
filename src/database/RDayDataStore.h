#pragma once

#include <QDate>
#include <QList>
#include <QString>

class RStorageWriter;

// One day of one item's stored history: which days of a month hold data, and
// deleting a day. Default connection, inside the long transaction.
class RDayDataStore final
{
public:
    enum Kind { Region, Staff };

    // Days of the month of nYear-nMonth that hold data for nId: for a region
    // a minute row with a non-zero sum (rows are made a day ahead, all zero),
    // for staff any day row. One query.
    static QList<QDate> DaysWithData(Kind kind, int nId, int nYear, int nMonth);

    // Deletes the item's rows of that day from every table that keeps it,
    // all or nothing, and logs each deletion. With bRecreate the empty rows
    // the aggregator writes into are made again at once, so that readings of
    // a day still being recorded are not lost. False with pError on failure.
    static bool DeleteDay(RStorageWriter& writer, Kind kind, int nId, const QDate& date,
        bool bRecreate, int* pRows, QString* pError);

private:
    RDayDataStore() = delete;
};
