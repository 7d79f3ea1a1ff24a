#pragma once

#include <QByteArray>
#include <QString>
#include <QUrlQuery>

class SClock;

// The web view's reads of the station file, as JSON, through the stores
// the console's pages use. GUI thread (the file's default connection).
//   /api/journal?day=&region=  the day's journal rows, most urgent first
//   /api/day?region=&day=      a region's 1440 minute values (µRad/h)
//   /api/month?region=&month=  its daily doses of a month (µRad)
//   /api/patrol?day=           the patrol records of a day
// A missing day or month is today's on pClock; empty for an unknown path.
namespace RWebReads {

QByteArray Answer(const QString& strPath, const QUrlQuery& query, SClock* pClock);

} // namespace RWebReads
