#pragma once

#include "database/RInstrumentStore.h"

#include <QDate>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class RAlarmJournal;
class RRegionCatalogue;
class SClock;

// The due dates of the monitors' calibrations and function tests: what is
// due soon, what is overdue (a status line, and a journal row per monitor
// and kind once a day, which the notifier mails). GUI thread.
class RInstrumentWatch final : public QObject
{
    Q_OBJECT

public:
    // Due "soon" on the device page.
    static constexpr int kSoonDays = 30;

    // None is owned; pJournal may be null (nothing is written).
    RInstrumentWatch(RAlarmJournal* pJournal, const RRegionCatalogue* pCatalogue,
        const SClock* pClock, QObject* pParent = nullptr);

    // Reads the records again and looks at today: call after a change of
    // the records, at start and from time to time (a new day).
    void Check();
    // Of the last Check(): every monitor's dues, and the overdue ones.
    const QVector<RInstrumentDue>& Dues() const { return m_dues; }
    QVector<RInstrumentDue> Overdue() const;
    QDate Today() const { return m_today; }
    // The status line; empty when nothing is overdue.
    const QString& Problem() const { return m_strProblem; }

signals:
    void ProblemChanged(const QString& strProblem);

private:
    QString RegionName(int nId) const;

    RAlarmJournal* m_pJournal;
    const RRegionCatalogue* m_pCatalogue;
    const SClock* m_pClock;
    QVector<RInstrumentDue> m_dues;
    QDate m_today;
    QString m_strProblem;
    // "id/kind" journalled on m_journalDay.
    QDate m_journalDay;
    QSet<QString> m_journalled;
};
