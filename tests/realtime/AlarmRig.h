#pragma once

#include "TestDb.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "message/SClock.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RRegionWatch.h"

#include <QAbstractItemModelTester>
#include <QObject>
#include <QStringList>

// The journal, the alarm latch, the region model, the rule and the cue on
// the manual clock, wired as the station wires them, for the alarm tests to
// derive from.
class AlarmRig : public QObject
{
protected:
    static QDateTime Morning() { return QDateTime(QDate(2026, 3, 7), QTime(10, 0)); }

    // A new database (a new file at strFile) whose regions alarm from nAlarm.
    static void openRegions(
        const QList<int>& ids, int nAlarm, const QString& strFile = QStringLiteral(":memory:"))
    {
        TestDb::Open(strFile);
        TestDb::AddRegions(ids);
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = ?", {nAlarm});
        TestDb::Catalogue().Reload();
    }
    // The program's objects on the file as it is: a start or a restart;
    // bStation: the station's own start, its state back from the file.
    void start(bool bStation = false)
    {
        stop();
        m_pJournal = new RAlarmJournal(&TestDb::Writer(), &m_clock);
        m_pState = new RAlarmState(m_pJournal, nullptr, &m_clock);
        m_pState->SetOperator(QStringLiteral("officer1"));
        m_pModel = new RRegionDoseModel(&TestDb::Catalogue(), 0, nullptr, &m_clock);
        new QAbstractItemModelTester(
            m_pModel, QAbstractItemModelTester::FailureReportingMode::QtTest, m_pModel);
        m_pModel->Reload();
        m_pModel->SetAlarmState(m_pState);
        m_pCue = new PAlarmCue;
        m_pCue->SetPlayer([this]() { ++m_nPlays; });
        m_pCue->SetAlarmState(m_pState);
        m_pWatch = new RRegionWatch(&TestDb::Catalogue(), &m_clock);
        connect(m_pWatch, &RRegionWatch::AlarmChanged, m_pState, &RAlarmState::OnAlarmChanged);
        connect(m_pWatch, &RRegionWatch::AlarmReading, m_pState, &RAlarmState::OnAlarmReading);
        connect(m_pState, &RAlarmState::UnacknowledgedChanged, m_pCue, &PAlarmCue::SetPending);
        connect(m_pState, &RAlarmState::NewAlarm, m_pCue, &PAlarmCue::OnNewAlarm);
        if (bStation)
            m_pState->Start();
        m_pWatch->Reload(m_pState->RaisedIds());
    }
    void stop()
    {
        delete m_pCue;
        delete m_pModel;
        delete m_pWatch;
        delete m_pState;
        delete m_pJournal;
        m_pCue = nullptr;
        m_pModel = nullptr;
        m_pWatch = nullptr;
        m_pState = nullptr;
        m_pJournal = nullptr;
    }
    // A reading as the station takes it: the rule decides, the table shows.
    void feed(int nId, float fDose)
    {
        m_pWatch->Feed(nId, fDose);
        m_pModel->UpdateDose(nId, fDose);
    }
    void reading(int nId, float fDose, qint64 nAfterMs = 2000)
    {
        m_clock.Advance(nAfterMs);
        feed(nId, fDose);
    }
    // The episodes of region nId the day pDay counts, or all days.
    static int count(int nId, const char* pDay = "%")
    {
        return PSqlExec::Scalar("select total(AlarmOverCount) from RegionLinkDoseInfo where Id = ? "
                                "and Month like ?",
            {nId, pDay})
            .toInt();
    }
    // "event id" of the journal, oldest first; of one region when nId > 0.
    static QStringList events(int nId = 0)
    {
        QStringList lines;
        const QVector<RAlarmEvent> all
            = RAlarmJournal::Read(QDate(2026, 1, 1), QDate(2026, 12, 31), nId);
        for (auto it = all.crbegin(); it != all.crend(); ++it)
            lines << QStringLiteral("%1 %2").arg(it->strEvent).arg(it->nId);
        return lines;
    }

    SManualClock m_clock {Morning()};
    RAlarmJournal* m_pJournal = nullptr;
    RAlarmState* m_pState = nullptr;
    RRegionDoseModel* m_pModel = nullptr;
    RRegionWatch* m_pWatch = nullptr;
    PAlarmCue* m_pCue = nullptr;
    int m_nPlays = 0;
};
