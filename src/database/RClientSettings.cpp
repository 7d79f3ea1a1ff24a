#include "database/RClientSettings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QString RClientSettings::TableStatement()
{
    return QStringLiteral("create table if not exists ClientSettings(Name varchar(64) primary key, "
                          "Value varchar(256))");
}

int RClientSettings::Int(const char* pName, int nDefault)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("select Value from ClientSettings where Name = ?"));
    query.addBindValue(QString::fromLatin1(pName));
    if (!query.exec() || !query.next())
        return nDefault;
    bool bOk = false;
    const int nValue = query.value(0).toInt(&bOk);
    return bOk ? nValue : nDefault;
}

bool RClientSettings::SetInt(const char* pName, int nValue, QString* pError)
{
    QSqlQuery query;
    query.prepare(
        QStringLiteral("insert or replace into ClientSettings(Name, Value) values(?, ?)"));
    query.addBindValue(QString::fromLatin1(pName));
    query.addBindValue(QString::number(nValue));
    if (query.exec())
        return true;
    if (pError)
        *pError = query.lastError().text();
    return false;
}

QString RClientSettings::Text(const char* pName)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("select Value from ClientSettings where Name = ?"));
    query.addBindValue(QString::fromLatin1(pName));
    if (!query.exec() || !query.next())
        return QString();
    return query.value(0).toString();
}

QString RClientSettings::Text(const char* pName, const QString& strDefault)
{
    const QString strValue = Text(pName);
    return strValue.isEmpty() ? strDefault : strValue;
}

bool RClientSettings::SetText(const char* pName, const QString& strValue, QString* pError)
{
    QSqlQuery query;
    query.prepare(
        QStringLiteral("insert or replace into ClientSettings(Name, Value) values(?, ?)"));
    query.addBindValue(QString::fromLatin1(pName));
    query.addBindValue(strValue);
    if (query.exec())
        return true;
    if (pError)
        *pError = query.lastError().text();
    return false;
}

bool RClientSettings::SetAll(const QList<QPair<const char*, QString>>& values, QString* pError)
{
    for (const auto& value : values) {
        if (!SetText(value.first, value.second, pError))
            return false;
    }
    return true;
}
