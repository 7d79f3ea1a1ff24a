#pragma once

#include <QString>
#include <QVariant>

// The settings of SystemInfo as the settings page edits them: the main data
// server with the band thresholds (µRad/h) and detector coefficients, and the
// second server's address line.
struct RSystemInfo
{
    bool bMainFound = false; // a Unit_P = 0 row was read
    QString strIp;
    int nPort = 0;
    double dThreA = 0.0;
    double dThreB = 0.0;
    double dThreC = 0.0;
    double dCeffP = 0.0;
    double dCeffR = 0.0;
    bool bSecondFound = false; // a Unit_P = 1 row was read
    QString strIp2;
    int nPort2 = 0;
};

// The values the gauge, the site plan, the aggregator and the history charts
// work with: those of the table's first row, whatever its unit.
struct RSystemValues
{
    bool bFound = false; // the table has a row
    // Band thresholds, µRad/h, in rising order whatever the file holds.
    double dThreA = 0.0;
    double dThreB = 0.0;
    double dThreC = 0.0;
    // The file's levels rise (0 < A < B < C); false: they were sorted to be
    // shown, and the operator should be told.
    bool bLevelsInOrder = true;
    // As stored, for the operator's warning.
    double dStoredA = 0.0;
    double dStoredB = 0.0;
    double dStoredC = 0.0;
    double dCeffP = 0.0;
    double dCeffR = 0.0;
};

// A data server's address as stored: the host untrimmed, the port as read
// (the link checks both).
struct RServerAddress
{
    bool bFound = false; // a row of that unit was read
    QString strHost;
    QVariant port;
};

// The one reader and writer of SystemInfo, on the default connection, inside
// the long transaction (nothing is committed here). Readers call it whenever
// they reload; nothing is cached.
class RSystemInfoStore final
{
public:
    static RSystemInfo Load();
    static RSystemValues Values();
    // The band levels a site may keep: 0 < A < B < C.
    static bool LevelsInOrder(double dA, double dB, double dC);
    // The address of data server nUnit (0: the main one, 1: the second).
    static RServerAddress ServerAddress(int nUnit);
    // The region coefficient as stored; false when there is no row.
    static bool StoredCeffR(double* pCeffR);
    // Replaces the table with the main row (Unit_P = 0, inserted first so
    // unconditioned readers get it) and the second-server row (Unit_P = 1).
    // All or nothing: on failure the old rows stay and pError says why.
    static bool Save(const RSystemInfo& info, QString* pError);

private:
    RSystemInfoStore() = delete;
};
