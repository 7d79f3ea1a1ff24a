#include "database/RAlarmFilterStore.h"

#include "database/PSavepoint.h"
#include "database/PSqlExec.h"
#include "database/RRegionCatalogue.h"

#include <QtGlobal>

bool RAlarmFilterSettings::operator==(const RAlarmFilterSettings& other) const
{
    return nOnDelay == other.nOnDelay && qFuzzyCompare(1.0 + dDeadband, 1.0 + other.dDeadband)
        && nOffDelay == other.nOffDelay;
}

QString RAlarmFilterSettings::Text() const
{
    return QStringLiteral("on %1, deadband %2 %, off %3")
        .arg(nOnDelay)
        .arg(dDeadband, 0, 'g', 4)
        .arg(nOffDelay);
}

RAlarmFilterSettings RAlarmFilterSettings::Bounded() const
{
    RAlarmFilterSettings bounded;
    bounded.nOnDelay = qBound(1, nOnDelay, kMaxDelay);
    bounded.dDeadband = qBound(0.0, dDeadband, kMaxDeadband);
    bounded.nOffDelay = qBound(1, nOffDelay, kMaxDelay);
    return bounded;
}

QString RAlarmFilterStore::TableStatement()
{
    return QStringLiteral("create table if not exists AlarmFilter(Id int primary key, OnDelay "
                          "int, Deadband float, OffDelay int)");
}

QHash<int, RAlarmFilterSettings> RAlarmFilterStore::Load()
{
    QHash<int, RAlarmFilterSettings> settings;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Id, OnDelay, Deadband, OffDelay from AlarmFilter"));
    while (query.next()) {
        RAlarmFilterSettings one;
        one.nOnDelay = query.value(1).toInt();
        one.dDeadband = query.value(2).toDouble();
        one.nOffDelay = query.value(3).toInt();
        // A hand-edited row cannot make a region alarm forever or never.
        settings.insert(query.value(0).toInt(), one.Bounded());
    }
    return settings;
}

RAlarmFilterSettings RAlarmFilterStore::Of(int nId)
{
    return Load().value(nId);
}

bool RAlarmFilterStore::Store(int nId, const RAlarmFilterSettings& settings)
{
    const RAlarmFilterSettings bounded = settings.Bounded();
    return PSqlExec::Exec(QStringLiteral("insert or replace into AlarmFilter(Id, OnDelay, "
                                         "Deadband, OffDelay) values(?, ?, ?, ?)"),
        {nId, bounded.nOnDelay, bounded.dDeadband, bounded.nOffDelay});
}

bool RAlarmFilterStore::StoreAll(
    const RRegionCatalogue& catalogue, const RAlarmFilterSettings& settings)
{
    PSavepoint savepoint(QStringLiteral("alarmfilter"));
    for (const RRegion& region : catalogue.Regions()) {
        if (!Store(region.nId, settings))
            return false;
    }
    return savepoint.Release();
}
