#pragma once

#include <QDate>
#include <QObject>
#include <QString>

class RStorageWriter;

class QThread;
class QTimer;
class SClock;
class RSlotArchiveWorker;
struct RArchiveStep;

// Keeps the main file to the retention period of 2-second slots: the slots of
// older months move, a few region-days at a time, into one file per month
// beside it ("archive/MonthData-yyyy-MM.sqlite", the same table), where a
// closed month is written once and can be backed up once. Minute values,
// maxima, episodes, the journal and everything else stay in the main file.
// The pages freed are reused by new rows, so the main file stops growing.
//
// GUI thread: the copy runs on the worker's thread; the deletes go through
// the one writer and are committed with its minute commit.
class RSlotArchive final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultRetentionMonths = 2;
    // A step copies off the GUI thread; on it, the deletes of 20 region-days
    // take a few milliseconds. Every 2 s that is 10 region-days a second: a
    // month of 255 regions in about 13 minutes, a year's backlog in hours.
    static constexpr int StepIntervalMs = 2000;
    static constexpr int RegionDaysPerStep = 20;

    explicit RSlotArchive(RStorageWriter* pWriter, SClock* pClock, QObject* pParent = nullptr);
    // Waits for a step in progress to finish.
    ~RSlotArchive() override;

    // "archive" beside the main file, and a month's file in it.
    static QString Directory();
    static QString FilePath(const QString& strMonth);
    // The first day whose slots stay in the main file: the current month and
    // the nMonths - 1 before it stay.
    static QDate FirstKeptDay(const QDate& today, int nMonths);

    // As System Settings stored it; read at every step, so a saved change
    // applies at once.
    static int RetentionMonths();

    // A tool moving a backlog at once takes bigger steps.
    void SetRegionDaysPerStep(int nRegionDays) { m_nRegionDaysPerStep = nRegionDays; }

    // Steps every StepIntervalMs from now on.
    void Start();
    // One step now, unless one is running.
    void Step();
    bool IsStepping() const { return m_bStepping; }
    // GUI-thread time of the last step's deletes, in milliseconds.
    double LastStepGuiMs() const { return m_dLastStepGuiMs; }

signals:
    // A step is over and its deletes are in the writer's transaction.
    void Stepped(const QString& strMonth, int nRegionDays);

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RSlotArchive)

    void OnStepped(const RArchiveStep& step);

    SClock* m_pClock;
    QThread* m_pThread = nullptr;
    RSlotArchiveWorker* m_pWorker = nullptr;
    QTimer* m_pTimer = nullptr;
    bool m_bStepping = false;
    int m_nRegionDaysPerStep = RegionDaysPerStep;
    // After a pass over a month the next waits for the minute commit, so the
    // rows it deleted are not met again.
    qint64 m_nRestAfterMs = 0;
    QString m_strLastError;
    double m_dLastStepGuiMs = 0.0;
};
