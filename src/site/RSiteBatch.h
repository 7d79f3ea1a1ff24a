#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <set>
#include <tuple>

class QSqlDatabase;

// Rows on their way to the site database, keyed as they are keyed there, so
// a row met twice in one batch is sent once (its last value) and a batch
// sent twice changes nothing the second time.
class RSiteBatch final
{
public:
    void AddMinute(int nRegion, const QString& strDay, int nMinute, double dValue);
    void AddDay(
        int nRegion, const QString& strDay, double dMax, const QString& strTime, int nAlarms);
    // Time as the journal stores it (yyyy-MM-ddThh:mm:ss).
    void AddAlarm(qint64 nSeq, const QString& strTime, int nRegion, const QString& strEvent,
        double dDose, int nThreshold, const QString& strOperator, const QString& strDetail);
    void AddPatrol(int nStaff, int nRoom, const QString& strDay, const QString& strTime, int nDose);
    void AddSession(int nAccount, const QString& strLogin, const QString& strLogout);
    // Seq, Time, AccountId, AccountName, Action, Object, OldValue, NewValue,
    // Reason, Mac of one trail row.
    void AddAudit(qint64 nSeq, const QStringList& fields);
    void AddRegion(int nRegion, const QString& strName, int nPosition);
    // Deletions run before the batch's other rows: what those hold was read
    // after the deletion, so it is the station's current state.
    void RemoveDay(int nRegion, const QString& strDay);
    void RemovePatrolDay(int nStaff, int nRoom, const QString& strDay);
    void RemoveRegion(int nRegion);

    int Rows() const;
    bool IsEmpty() const { return Rows() == 0; }

    // Upserts everything in pg's open transaction; month partitions of
    // minutes are made as needed (pKnown: see RSiteSchema::EnsureMonth).
    bool Write(
        QSqlDatabase& pg, int nSiteId, int nSourceId, QSet<QString>* pKnown, QString* pError) const;

private:
    bool WriteRemovals(QSqlDatabase& pg, int nSiteId, QString* pError) const;

    using MinuteKey = std::tuple<int, QString, int>;
    using DayKey = std::tuple<int, QString>;
    using PatrolKey = std::tuple<int, int, QString, QString>;
    using SessionKey = std::tuple<int, QString>;

    QMap<MinuteKey, double> m_minutes;
    QMap<DayKey, QStringList> m_days;
    QMap<qint64, QStringList> m_alarms;
    QMap<PatrolKey, int> m_patrols;
    QMap<SessionKey, QString> m_sessions;
    QMap<qint64, QStringList> m_audit;
    QMap<int, QStringList> m_regions;
    std::set<DayKey> m_goneDays;
    std::set<std::tuple<int, int, QString>> m_gonePatrols;
    std::set<int> m_goneRegions;
};
