#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

class RStorageWriter;

// A region's alarm taken out of service until a time.
struct RAlarmShelf
{
    QDateTime until; // local time
    QString strReason;
    QString strAccount;
};

// The shelved regions (table AlarmShelf), so that a shelving outlives a
// restart. Default connection; rows go through the storage writer, as the
// journal's.
class RAlarmShelfStore final
{
public:
    static QString TableStatement();
    static QHash<int, RAlarmShelf> Load();
    static bool Store(RStorageWriter& writer, int nId, const RAlarmShelf& shelf);
    static bool Remove(RStorageWriter& writer, int nId);

private:
    RAlarmShelfStore() = delete;
};
