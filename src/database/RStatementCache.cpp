#include "database/RStatementCache.h"

#include "message/PLogRecord.h"

#include <QSqlDatabase>
#include <QSqlError>

RStatementCache::RStatementCache(int nCapacity)
    : m_nCapacity(nCapacity > 0 ? nCapacity : 1)
{
}

QSqlQuery* RStatementCache::Get(int nKey, const std::function<QString(int)>& makeSql)
{
    ++m_nUse;
    for (Entry& entry : m_entries) {
        if (entry.nKey == nKey) {
            entry.nLastUse = m_nUse;
            return &entry.query;
        }
    }

    ++m_nMisses;
    QSqlQuery query(QSqlDatabase::database());
    const QString strSql = makeSql(nKey);
    if (!query.prepare(strSql)) {
        Log(LogLevel::Debug, "sql failed: %s; %s\n", strSql.toUtf8().constData(),
            query.lastError().text().toUtf8().constData());
        return nullptr;
    }

    int nVictim = -1;
    if (m_entries.size() >= m_nCapacity) {
        nVictim = 0;
        for (int i = 1; i < m_entries.size(); ++i) {
            if (m_entries[i].nLastUse < m_entries[nVictim].nLastUse)
                nVictim = i;
        }
    } else {
        m_entries.append(Entry());
        nVictim = m_entries.size() - 1;
    }
    Entry& entry = m_entries[nVictim];
    entry.nKey = nKey;
    entry.nLastUse = m_nUse;
    entry.query = query;
    return &entry.query;
}

void RStatementCache::Clear()
{
    m_entries.clear();
}
