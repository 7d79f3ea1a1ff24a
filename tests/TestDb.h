#pragma once

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"

#include <QCoreApplication>
#include <QList>
#include <QSqlDatabase>

// Databases for tests, built with the program's own create statements so that
// every default a reader relies on is the one a new site file has.
namespace TestDb {

using StorageFixture::Catalogue;
using StorageFixture::Writer;

// An empty in-memory database as the default connection; the previous one is
// dropped with its connection, so each call starts from nothing. With a file
// (a new one), another process can read what is committed.
inline void Open(const QString& strFile = QStringLiteral(":memory:"))
{
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
        ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    db.setDatabaseName(strFile);
    db.open();
    Writer().State().Reset();
    Writer().Reset();
    for (const QString& strStatement : RConnectDatabase::TableStatements())
        PSqlExec::Exec(strStatement);
    for (const QString& strStatement : RConnectDatabase::AddedTableStatements())
        PSqlExec::Exec(strStatement);
}

// The ids nFirst to nLast, as AddRegions takes them.
inline QList<int> Ids(int nFirst, int nLast)
{
    QList<int> ids;
    for (int nId = nFirst; nId <= nLast; ++nId)
        ids << nId;
    return ids;
}

// Registers regions at positions 1, 2, ... named "Room <id>"; their display
// rows hold only the id, as the device page leaves them. The catalogue the
// pages read is reloaded, as the main window does after a device update.
inline void AddRegions(const QList<int>& ids)
{
    for (int i = 0; i < ids.size(); ++i) {
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(?, ?, ?, ?)"),
            {i + 1, ids.at(i), QStringLiteral("Room %1").arg(ids.at(i)), ids.size()});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id) values(?)"), {ids.at(i)});
    }
    Catalogue().Reload();
}

// A new station file at strFile, left open as the default connection: its
// data server on 127.0.0.1 at nPort, regions 1 and 2 alarming from
// 100 µRad/h (a raw count of 20 is 1 µRad/h). Commit and close it before a
// station opens it.
inline bool MakeStationFile(const QString& strFile, int nPort)
{
    QSqlDatabase::database().close();
    RConnectDatabase connect(&Writer());
    connect.SetFileName(strFile);
    if (!connect.OpenDatabase())
        return false;
    PSqlExec::Exec("insert into SystemInfo(IP, Port, Unit_P, Ceff_R) values('127.0.0.1', ?, "
                   "0, 0.0005)",
        {nPort});
    AddRegions({1, 2});
    PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 100");
    return true;
}

} // namespace TestDb
