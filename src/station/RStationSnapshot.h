#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVector>

// Values the station hands out: copies, safe to queue to another thread and
// to keep.

// One stored reading of a region.
struct RStationReading
{
    int nId = 0;
    float fDose = 0.0f; // µRad/h
    QDateTime time;
};

// What the station knows of one region now.
struct RStationRegion
{
    int nId = 0;
    QString strName;
    float fDose = 0.0f; // µRad/h, the latest reading
    QDateTime time; // of that reading; invalid before the first
    bool bOnline = false;
    int nThreshold = 0; // µRad/h; 0: none
    int nLook = 0; // an RAlarmState::Look
    bool bActive = false; // in alarm now
    bool bUnacknowledged = false;
    bool bShelved = false;
    bool bOutOfService = false; // taken out for service: no alarm, not off line
    bool bChattering = false;
};

// The whole live state at once, for a consumer that starts after the
// station: from here its signals tell each change.
struct RStationSnapshot
{
    QDateTime time;
    bool bLinkUp = false;
    QString strStorageProblem; // empty: storage is healthy
    bool bFlood = false;
    int nFloodAlarms = 0;
    QString strAccount; // empty: nobody logged in
    int nGrade = 0;
    QVector<RStationRegion> regions; // in position order
};

Q_DECLARE_METATYPE(RStationReading)
Q_DECLARE_METATYPE(RStationRegion)
Q_DECLARE_METATYPE(RStationSnapshot)
