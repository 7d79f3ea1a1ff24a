#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The one way the program runs SQL on the default connection. Values that come
// from users, files or the network are bound (or, where a statement must be
// text, quoted with Quote()); numbers written into SQL text keep six
// significant digits. A failing statement is logged at Debug level and
// otherwise ignored unless the caller checks the result.
class PSqlExec final
{
public:
    // Runs one statement; values bind to its "?" placeholders in order. On
    // failure the driver's reason goes to pError when given.
    static bool Exec(
        const QString& strSql, const QVariantList& values = {}, QString* pError = nullptr);

    // Runs a query and returns it positioned before its first row; a failed
    // query yields an inactive QSqlQuery whose next() is false.
    static QSqlQuery Select(const QString& strSql, const QVariantList& values = {});
    // Select() on another connection; a failed query keeps its lastError().
    static QSqlQuery SelectOn(
        QSqlDatabase& db, const QString& strSql, const QVariantList& values = {});

    // The first column of the first row, or an invalid QVariant.
    static QVariant Scalar(const QString& strSql, const QVariantList& values = {});

    // A text value as an SQL literal: single-quoted, inner quotes doubled.
    static QString Quote(const QString& strValue);

    // A floating value with six significant digits, as all stored SQL text uses.
    static QString Number(double dValue);

private:
    PSqlExec() = delete;
};
