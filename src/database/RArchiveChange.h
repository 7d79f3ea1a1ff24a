#pragma once

#include <QMutexLocker>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

// Slots of archived months, read and deleted from their month files beside
// the main file, on the GUI thread.
//
// A change deletes in the archive files as part of a change of the main file
// held in a savepoint: Commit() the archive files first, then release the
// savepoint; a change not committed is rolled back. While a change lives no
// archive step copies, so a day deleted cannot be copied back meanwhile.
class RArchiveChange final
{
public:
    RArchiveChange();
    ~RArchiveChange();

    // The region's slots of strDay ("yyyy-MM-dd") in its month's file. An
    // archived month whose file is gone fails: the day cannot be deleted
    // there, so it is deleted nowhere.
    bool DeleteDay(int nId, const QString& strDay, int* pRows, QString* pError);
    // The region's slots in every archive file; files that are gone are
    // logged and passed over (nothing of them can be shown either).
    bool DeleteRegion(int nId, QString* pError);
    bool Commit(QString* pError);

    // One hour row of an archived day: a query on the row, or one with no
    // row when the day is not archived. A month listed as archived whose file
    // is missing or unreadable gives no row and pProblem says so (logged
    // once per file); the file is never made again in its place.
    static QSqlQuery SelectHour(int nId, const QString& strDay, int nHour, QString* pProblem);

private:
    Q_DISABLE_COPY(RArchiveChange)

    bool Delete(const QString& strMonth, const QString& strSql, const QVariantList& values,
        bool bMissingFails, int* pRows, QString* pError);

    QMutexLocker m_lock;
    QStringList m_open; // connections with an open transaction
};
