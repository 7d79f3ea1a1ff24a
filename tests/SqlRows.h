#pragma once

#include "database/PSqlExec.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// A query's result as one text to compare: fields joined by a space, rows by "; ".
inline QString SqlRows(const QString& strSql, const QVariantList& values = {})
{
    QSqlQuery query = PSqlExec::Select(strSql, values);
    QStringList rows;
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(QLatin1Char(' '));
    }
    return rows.join(QLatin1String("; "));
}
