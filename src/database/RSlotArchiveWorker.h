#pragma once

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <climits>

struct sqlite3;

// What one step of the archive move did.
struct RArchiveStep
{
    QString strMonth; // "yyyy-MM" being moved; empty when nothing is due
    // Region-days whose slots are now in the month's archive file and are to
    // go from the main file (some may have been copied by an earlier step
    // whose delete was not committed yet).
    QVector<QPair<int, QString>> moved;
    bool bPassOver = false; // the step reached the month's last region-day
    bool bMonthDone = false; // the main file holds no slot of strMonth
    QString strError; // the month's archive file cannot be used
};
Q_DECLARE_METATYPE(RArchiveStep)

// Copies closed months' 2-second slots from the main file into one archive
// file per month, on its own thread and connection: the main file is opened
// read-only and sees only what is committed, so the copy never waits for,
// and never holds up, the writer. The one writer deletes what was copied.
// Each step copies region-day by region-day in one archive transaction; a
// region-day already in the archive is not copied again, so a step
// interrupted anywhere leaves every slot whole in one file or in both, never
// in neither, and the next step finishes the move.
class RSlotArchiveWorker final : public QObject
{
    Q_OBJECT

public:
    RSlotArchiveWorker(const QString& strMainFile, const QString& strDirectory);
    ~RSlotArchiveWorker() override;

    // The create statement of an archive file's table.
    static QString TableStatement();
    // Held by a step while it copies and by a change of archive files, so a
    // step never copies back what a change deletes.
    static QMutex& ChangeLock();

public slots:
    // Moves up to nMaxRegionDays region-days of the oldest month before
    // strCutoffDay ("yyyy-MM-dd"), and never one of the nRetentionMonths
    // ending with the newest stored day: a clock set years ahead must not
    // move the rows the client is writing.
    void Step(const QString& strCutoffDay, int nRetentionMonths, int nMaxRegionDays);

signals:
    void Stepped(const RArchiveStep& step);

private:
    Q_DISABLE_COPY(RSlotArchiveWorker)

    bool Open(QString* pError);
    QString OldestMonth(const QString& strCutoffDay);
    QString NewestDay();
    bool NextRegionDay(const QString& strMonthEnd, int* pId, QString* pDay);
    bool Attach(const QString& strMonth, QString* pError);
    void Detach();
    QString Error() const;

    QString m_strMainFile;
    QString m_strDirectory;
    sqlite3* m_pDb = nullptr;
    // Where the pass over the month stands: the last region-day handled.
    QString m_strMonth;
    int m_nId = INT_MIN;
    QString m_strDay;
    int m_nSeenInPass = 0;
};
