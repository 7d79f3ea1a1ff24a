#pragma once

#include <QDate>
#include <QTime>

class RStorageWriter;

// Patrol readings in RoutingMinuteDose: at most one row per staff member,
// room and minute, on the default connection (the main thread's).
class RRoutingStore final
{
public:
    // A later reading of the same minute replaces the dose.
    static void Store(RStorageWriter& writer, int nRoutId, int nRoomId, const QDate& date,
        const QTime& time, int nDose);

private:
    RRoutingStore() = delete;
};
