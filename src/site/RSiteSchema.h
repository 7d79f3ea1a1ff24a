#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// The site database's tables on PostgreSQL, created and migrated by the
// client: each version's statements run in one transaction with its row in
// schema_version, under an advisory lock so two stations starting together
// migrate once. A database newer than this client knows is left alone.
class RSiteSchema final
{
public:
    enum class Result { Ready, TooNew, Failed };

    static constexpr int CurrentVersion = 2;

    // The statements that take a database from nVersion - 1 to nVersion.
    static QStringList Migration(int nVersion);

    // Brings the schema to nUpTo (tests stop at an older one). pVersion gets
    // the version found before (TooNew: the newer one); pError the reason of
    // a failure. Nothing is changed unless all of it succeeds.
    static Result Migrate(
        QSqlDatabase& db, int* pVersion, QString* pError, int nUpTo = CurrentVersion);

    // The month partition of minute_value that holds day, made when missing.
    // Runs inside the caller's transaction; pKnown remembers those that
    // exist, so each is asked for once per connection.
    static bool EnsureMonth(
        QSqlDatabase& db, const QDate& day, QSet<QString>* pKnown, QString* pError);

    static QString PartitionName(const QDate& day);

private:
    RSiteSchema() = delete;
};
