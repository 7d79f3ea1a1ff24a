#pragma once

#include "database/RAlarmJournal.h"
#include "station/RStationSnapshot.h"

#include <QByteArray>

// The station's values as the JSON its outside consumers (the MQTT
// publisher, the web view) hand on, one compact object each: one spelling
// of every field for all of them.
namespace RStationJson {

// {"id","name","dose","unit","time","online","alarm","acknowledged",
//  "shelved","chattering","threshold","look"}; dose 0 before a reading.
QByteArray Region(const RStationRegion& region);
// {"seq","time","id","event","dose","unit","threshold","operator","detail"}
QByteArray Event(const RAlarmEvent& event);
// ISO 8601 with the offset; empty for an invalid time.
QString Time(const QDateTime& time);

} // namespace RStationJson
