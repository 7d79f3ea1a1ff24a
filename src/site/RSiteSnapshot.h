#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// One site's rows of a range of days, copied from the site database into an
// in-memory station file on the default connection: the reports read a
// station's file, so written from the copy they come out in exactly the
// same formats. What the site database does not hold (alarm thresholds,
// staff lists) reads as a new file's defaults.
class RSiteSnapshot final
{
public:
    // "name<TAB>stations<TAB>last update" per site, by name.
    static bool Sites(QSqlDatabase& pg, QStringList* pLines, QString* pError);
    // False, with the reason, when the site is unknown or a read fails.
    static bool Load(QSqlDatabase& pg, const QString& strSite, const QDate& from, const QDate& to,
        QString* pError);

private:
    RSiteSnapshot() = delete;
};
