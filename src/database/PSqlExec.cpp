#include "database/PSqlExec.h"

#include "message/PLogRecord.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>

namespace {

bool prepareAndRun(QSqlQuery& query, const QString& strSql, const QVariantList& values)
{
    bool bOk = values.isEmpty() ? query.exec(strSql) : false;
    if (!values.isEmpty()) {
        bOk = query.prepare(strSql);
        if (bOk) {
            for (const QVariant& value : values)
                query.addBindValue(value);
            bOk = query.exec();
        }
    }
    if (!bOk) {
        Log(LogLevel::Debug, "sql failed: %s; %s\n", strSql.toUtf8().constData(),
            query.lastError().text().toUtf8().constData());
    }
    return bOk;
}

} // namespace

bool PSqlExec::Exec(const QString& strSql, const QVariantList& values, QString* pError)
{
    QSqlQuery query(QSqlDatabase::database());
    const bool bOk = prepareAndRun(query, strSql, values);
    if (!bOk && pError)
        *pError = query.lastError().text();
    return bOk;
}

QSqlQuery PSqlExec::Select(const QString& strSql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database());
    query.setForwardOnly(true);
    if (!prepareAndRun(query, strSql, values))
        query.clear();
    return query;
}

QSqlQuery PSqlExec::SelectOn(QSqlDatabase& db, const QString& strSql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(strSql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    query.exec();
    return query;
}

QVariant PSqlExec::Scalar(const QString& strSql, const QVariantList& values)
{
    QSqlQuery query = Select(strSql, values);
    return query.next() ? query.value(0) : QVariant();
}

QString PSqlExec::Quote(const QString& strValue)
{
    QString strQuoted = strValue;
    strQuoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + strQuoted + QLatin1Char('\'');
}

QString PSqlExec::Number(double dValue)
{
    return QString::number(dValue, 'g', 6);
}
