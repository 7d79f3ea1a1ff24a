#pragma once

#include <QColor>
#include <QDate>
#include <QHash>
#include <QString>
#include <QVector>

class RRegionCatalogue;

// Reads the stored doses the history charts show, from the default database
// connection. Nothing here writes; a missing row or a failed query leaves the
// affected values at 0. Region values are dose rates in µRad/h, staff values
// doses in µRad.
class PHistoryDoseStore final
{
public:
    // A region's minute column holds the minute's mean dose rate times the
    // minute's 30 two-second slots; every curve shows the mean in µRad/h.
    static float MinuteRate(float fStored);

    // One day of per-minute dose rates of a region from MonthMinuteDose.
    static void LoadRegionDay(int nId, const QDate& day, QVector<float>& samples);

    // Minutes nFirst..nLast of a day for every region that has a curve in
    // curves (id -> the day's 1440 dose rates), in one query.
    static void LoadRegionMinutes(
        const QDate& day, int nFirst, int nLast, QHash<int, QVector<float>>& curves);

    // One day of per-minute values of a staff member: the hours before the
    // latest hour written hold the coefficient's background, the minute rows
    // their mean.
    static void LoadPersonalDay(int nId, const QDate& day, QVector<float>& samples);

    // Two hours of 2-second values from nFirstHour into fine (zeroed, 3600
    // long, made so when shorter); returns the largest value.
    static float LoadRegionFine(int nId, const QDate& day, int nFirstHour, QVector<float>& fine);
    static float LoadPersonalFine(int nId, const QDate& day, int nFirstHour, QVector<float>& fine);

    // The curve selector state and the curve colour of every registered
    // region, walked in list order.
    static QHash<int, bool> LoadCurveEnabled(const RRegionCatalogue& catalogue);
    static QHash<int, QColor> LoadCurveColours(const RRegionCatalogue& catalogue);

    // The day sums of the month of day from strTable ("MonthMinuteDose" or
    // "PersonalMonthDose"), each divided by fDivisor, into values[day - 1].
    static void LoadMonthSums(
        const QString& strTable, int nId, const QDate& day, float fDivisor, QVector<float>& values);

    // The 24 hourly values of a staff member's day, each divided by 60.
    static void LoadPersonalHours(int nId, const QDate& day, QVector<float>& values);

    // The conversion coefficient of staff doses and the background it gives.
    static float PersonalBackground();

private:
    PHistoryDoseStore() = delete;
};
