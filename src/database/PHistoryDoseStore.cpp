#include "database/PHistoryDoseStore.h"

#include "database/PSqlExec.h"
#include "database/RArchiveChange.h"
#include "database/RRegionCatalogue.h"
#include "database/RSystemInfoStore.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

// Two-second slots of a minute, of an hour row and of the two hours of a
// fine buffer.
constexpr int kSlotsPerRow = 30;
constexpr int kSlotsPerHour = 1800;
constexpr int kFineSlots = 2 * kSlotsPerHour;

QString DayText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

float ToValue(const QVariant& value)
{
    bool bOk = false;
    const float fValue = value.toFloat(&bOk);
    return (bOk && std::isfinite(fValue)) ? fValue : 0.0f;
}

// The columns named 0, 1, ... follow the key columns; their position is taken
// from the result rather than assumed.
int FirstSlotColumn(const QSqlQuery& query)
{
    return query.record().indexOf(QStringLiteral("0"));
}

// "hh:mm" into minutes of the day; -1 when it is not a time of day.
int MinuteOfTime(const QString& strTime)
{
    const QStringList parts = strTime.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return -1;
    bool bHour = false;
    bool bMinute = false;
    const int nHour = parts[0].toInt(&bHour);
    const int nMinute = parts[1].toInt(&bMinute);
    if (!bHour || !bMinute || nHour < 0 || nHour > 23 || nMinute < 0 || nMinute > 59)
        return -1;
    return nHour * 60 + nMinute;
}

// Where minute nMinute starts in a fine buffer that starts at nFirstHour.
int FineIndex(int nMinute, int nFirstHour)
{
    return (nMinute / 60 - nFirstHour) * kSlotsPerHour + (nMinute % 60) * kSlotsPerRow;
}

int PersonalTimeIndex(int nId, const QDate& day)
{
    return PSqlExec::Scalar(
        QStringLiteral("select TimeIndex from PersonalMonthDose where Id = ? and Month = ?"),
        {nId, DayText(day)})
        .toInt();
}

} // namespace

float PHistoryDoseStore::MinuteRate(float fStored)
{
    return fStored / kSlotsPerRow;
}

void PHistoryDoseStore::LoadRegionDay(int nId, const QDate& day, QVector<float>& samples)
{
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select * from MonthMinuteDose where Month = ? and Id = ?"),
        {DayText(day), nId});
    if (!query.next())
        return;
    const int nFirst = FirstSlotColumn(query);
    if (nFirst < 0)
        return;
    const int nCount = std::min(samples.size(), query.record().count() - nFirst);
    for (int i = 0; i < nCount; ++i)
        samples[i] = MinuteRate(ToValue(query.value(nFirst + i)));
}

void PHistoryDoseStore::LoadRegionMinutes(
    const QDate& day, int nFirst, int nLast, QHash<int, QVector<float>>& curves)
{
    nFirst = std::max(0, nFirst);
    nLast = std::min(nLast, 1439);
    if (nFirst > nLast || curves.isEmpty())
        return;
    QString strColumns;
    for (int nMinute = nFirst; nMinute <= nLast; ++nMinute)
        strColumns += QStringLiteral(", \"%1\"").arg(nMinute);
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Id%1 from MonthMinuteDose where Month = ?").arg(strColumns),
        {DayText(day)});
    while (query.next()) {
        const auto it = curves.find(query.value(0).toInt());
        if (it == curves.end())
            continue;
        for (int nMinute = nFirst; nMinute <= nLast && nMinute < it->size(); ++nMinute)
            (*it)[nMinute] = MinuteRate(ToValue(query.value(1 + nMinute - nFirst)));
    }
}

float PHistoryDoseStore::PersonalBackground()
{
    return static_cast<float>(RSystemInfoStore::Values().dCeffP) * 245.0f;
}

void PHistoryDoseStore::LoadPersonalDay(int nId, const QDate& day, QVector<float>& samples)
{
    const int nHours = PersonalTimeIndex(nId, day);
    const float fBackground = PersonalBackground();
    const int nBefore = std::max(0, std::min<int>(samples.size(), 60 * std::min(nHours, 24)));
    std::fill(samples.begin(), samples.begin() + nBefore, fBackground);

    QSqlQuery query = PSqlExec::Select(
        QStringLiteral(
            "select Time, Sum, Count from PersonalRealTimeDose where Month = ? and Id = ?"),
        {DayText(day), nId});
    while (query.next()) {
        const int nIndex = MinuteOfTime(query.value(0).toString());
        const int nReadings = query.value(2).toInt();
        // A row without readings has no mean.
        if (nIndex < 0 || nIndex >= samples.size() || nReadings <= 0)
            continue;
        samples[nIndex] = ToValue(query.value(1)) / nReadings;
    }
}

float PHistoryDoseStore::LoadRegionFine(
    int nId, const QDate& day, int nFirstHour, QVector<float>& fine)
{
    if (fine.size() < kFineSlots)
        fine.resize(kFineSlots);
    float fMax = 0.0f;
    for (int nPart = 0; nPart < 2; ++nPart) {
        QSqlQuery query = PSqlExec::Select(
            QStringLiteral("select * from MonthData where Month = ? and Id = ? and Hour = ?"),
            {DayText(day), nId, nFirstHour + nPart});
        // A day of a month moved out of the main file reads from its
        // month's archive file.
        if (!query.next()) {
            query = RArchiveChange::SelectHour(nId, DayText(day), nFirstHour + nPart, nullptr);
            if (!query.isActive() || !query.next())
                continue;
        }
        const int nFirst = FirstSlotColumn(query);
        if (nFirst < 0)
            continue;
        const int nSlots = std::min(kSlotsPerHour, query.record().count() - nFirst);
        for (int i = 0; i < nSlots; ++i) {
            const float fValue = ToValue(query.value(nFirst + i));
            fine[nPart * kSlotsPerHour + i] = fValue;
            fMax = std::max(fMax, fValue);
        }
    }
    return fMax;
}

float PHistoryDoseStore::LoadPersonalFine(
    int nId, const QDate& day, int nFirstHour, QVector<float>& fine)
{
    if (fine.size() < kFineSlots)
        fine.resize(kFineSlots);
    // Hours before the latest hour written carry the background, as on the
    // minute curve.
    const float fBackground = PersonalBackground();
    const int nHours = PersonalTimeIndex(nId, day);
    const int nBefore
        = std::max(0, std::min(kFineSlots, (std::min(nHours, 24) - nFirstHour) * kSlotsPerHour));
    std::fill(fine.begin(), fine.begin() + nBefore, fBackground);

    // A minute row fills its 30 slots from its slot columns; a row that only
    // carries a sum spreads its mean over the minute, so no reading that the
    // minute curve shows is lost here.
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select * from PersonalRealTimeDose where Month = ? and Id = ?"),
        {DayText(day), nId});
    const QSqlRecord record = query.record();
    const int nTime = record.indexOf(QStringLiteral("Time"));
    const int nSum = record.indexOf(QStringLiteral("Sum"));
    const int nCount = record.indexOf(QStringLiteral("Count"));
    const int nFirst = record.indexOf(QStringLiteral("0"));
    while (nTime >= 0 && nFirst >= 0 && query.next()) {
        const int nMinute = MinuteOfTime(query.value(nTime).toString());
        const int nHour = nMinute / 60;
        if (nMinute < 0 || nHour < nFirstHour || nHour > nFirstHour + 1)
            continue;
        const int nBase = FineIndex(nMinute, nFirstHour);
        bool bAny = false;
        for (int k = 0; k < kSlotsPerRow; ++k) {
            fine[nBase + k] = ToValue(query.value(nFirst + k));
            bAny = bAny || fine[nBase + k] != 0.0f;
        }
        const int nReadings = nCount >= 0 ? query.value(nCount).toInt() : 0;
        if (!bAny && nReadings > 0 && nSum >= 0) {
            const float fMean = ToValue(query.value(nSum)) / nReadings;
            std::fill(fine.begin() + nBase, fine.begin() + nBase + kSlotsPerRow, fMean);
        }
    }
    return *std::max_element(fine.cbegin(), fine.cend());
}

QHash<int, bool> PHistoryDoseStore::LoadCurveEnabled(const RRegionCatalogue& catalogue)
{
    QHash<int, bool> enabled;
    for (const RRegion& region : catalogue.Regions())
        enabled.insert(region.nId, region.bCurveShown);
    return enabled;
}

QHash<int, QColor> PHistoryDoseStore::LoadCurveColours(const RRegionCatalogue& catalogue)
{
    QHash<int, QColor> colours;
    for (const RRegion& region : catalogue.Regions()) {
        if (region.colour.isValid())
            colours.insert(region.nId, region.colour);
    }
    return colours;
}

void PHistoryDoseStore::LoadMonthSums(
    const QString& strTable, int nId, const QDate& day, float fDivisor, QVector<float>& values)
{
    // The table name goes into the SQL text: only the two day-sum tables.
    const bool bKnownTable = strTable == QLatin1String("MonthMinuteDose")
        || strTable == QLatin1String("PersonalMonthDose");
    if (!bKnownTable || !day.isValid() || fDivisor == 0.0f)
        return;
    // The caller's length bounds the walk as much as the month does.
    const int nDays = std::min(day.daysInMonth(), values.size());
    const QDate first(day.year(), day.month(), 1);
    for (int d = 0; d < nDays; ++d) {
        const QVariant sum = PSqlExec::Scalar(
            QStringLiteral("select Sum from %1 where Month = ? and Id = ?").arg(strTable),
            {DayText(first.addDays(d)), nId});
        values[d] = ToValue(sum) / fDivisor;
    }
}

void PHistoryDoseStore::LoadPersonalHours(int nId, const QDate& day, QVector<float>& values)
{
    const int nHours = std::min(24, values.size());
    for (int h = 0; h < nHours; ++h) {
        const QVariant value = PSqlExec::Scalar(
            QStringLiteral("select \"%1\" from PersonalMonthDose where Id = ? and Month = ?")
                .arg(h),
            {nId, DayText(day)});
        values[h] = ToValue(value) / 60.0f;
    }
}
