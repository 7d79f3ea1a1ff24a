#pragma once

#include "database/PSqlExec.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// A query's result as one text to compare: fields joined by a space, rows by "; ".
inline QString SqlRows(QSqlQuery& query)
{
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(QLatin1Char(' '));
    }
    return rows.join(QLatin1String("; "));
}

inline QString SqlRows(const QString& strSql, const QVariantList& values = {})
{
    QSqlQuery query = PSqlExec::Select(strSql, values);
    return SqlRows(query);
}

// The same as another connection to the file sees it: only what is committed
// (what a crash would leave).
inline QString CommittedRows(const QString& strFile, const QString& strSql)
{
    QString strRows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "committed");
        db.setDatabaseName(strFile);
        QSqlQuery query(db);
        if (db.open() && query.exec(strSql))
            strRows = SqlRows(query);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("committed"));
    return strRows;
}

// Statements run by another connection to the file, as from an SQLite shell;
// false at the first that fails.
inline bool ExecOn(const QString& strFile, const QStringList& statements)
{
    bool bOk = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "shell");
        db.setDatabaseName(strFile);
        bOk = db.open();
        QSqlQuery query(db);
        for (const QString& strSql : statements)
            bOk = bOk && query.exec(strSql);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shell"));
    return bOk;
}
