#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVector>

#include <functional>

// A few prepared statements on the default connection, keyed by an integer
// (the slot column they address). Compiling an update of the 1805-column hour
// row costs far more than running it, and readings of one 2-second slot share
// their column, so a handful of entries serves nearly every reading. Each
// entry holds a few hundred KB inside SQLite: the cache stays small and drops
// the least recently used entry.
class RStatementCache final
{
public:
    explicit RStatementCache(int nCapacity);

    // The statement for nKey, prepared from makeSql() on a miss; nullptr when
    // it cannot be prepared. The pointer is valid until the next Get or Clear.
    QSqlQuery* Get(int nKey, const std::function<QString(int)>& makeSql);
    void Clear();

    int Size() const { return m_entries.size(); }
    int Misses() const { return m_nMisses; }

private:
    struct Entry
    {
        int nKey = 0;
        quint64 nLastUse = 0;
        QSqlQuery query;
    };

    int m_nCapacity;
    quint64 m_nUse = 0;
    int m_nMisses = 0;
    QVector<Entry> m_entries;
};
