#include "database/RSlotArchive.h"

#include "database/RClientSettings.h"
#include "database/RSlotArchiveWorker.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

namespace {

// Long enough for the writer's minute commit to take the last pass's deletes.
constexpr qint64 RestAfterPassMs = 65000;
// A month that cannot be moved is tried again now and then, not every step.
constexpr qint64 RestAfterErrorMs = 60000;

} // namespace

RSlotArchive::RSlotArchive(RStorageWriter* pWriter, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pThread(new QThread)
    , m_pWorker(new RSlotArchiveWorker(
          QFileInfo(QSqlDatabase::database().databaseName()).absoluteFilePath(), Directory()))
    , m_pTimer(new QTimer(this))
{
    m_pWorker->moveToThread(m_pThread);
    connect(m_pThread, &QThread::finished, m_pWorker, &QObject::deleteLater);
    connect(m_pWorker, &RSlotArchiveWorker::Stepped, this, &RSlotArchive::OnStepped);
    m_pThread->start(QThread::LowPriority);
    m_pTimer->setInterval(StepIntervalMs);
    connect(m_pTimer, &QTimer::timeout, this, &RSlotArchive::Step);
}

RSlotArchive::~RSlotArchive()
{
    m_pThread->quit();
    m_pThread->wait();
    delete m_pThread;
}

QString RSlotArchive::Directory()
{
    const QFileInfo main(QSqlDatabase::database().databaseName());
    return main.absoluteDir().filePath(QStringLiteral("archive"));
}

QString RSlotArchive::FilePath(const QString& strMonth)
{
    return QDir(Directory()).filePath(QStringLiteral("MonthData-%1.sqlite").arg(strMonth));
}

QDate RSlotArchive::FirstKeptDay(const QDate& today, int nMonths)
{
    return QDate(today.year(), today.month(), 1).addMonths(-(qMax(1, nMonths) - 1));
}

int RSlotArchive::RetentionMonths()
{
    return qMax(
        1, RClientSettings::Int(RClientSettings::ArchiveRetentionMonths, DefaultRetentionMonths));
}

void RSlotArchive::Start()
{
    m_pTimer->start();
}

void RSlotArchive::Step()
{
    // Nothing moves while the writer keeps writes for a file that refuses
    // them: the deletes would only add to what it keeps.
    if (m_bStepping || !m_pWriter->IsHealthy() || m_pClock->ElapsedMs() < m_nRestAfterMs)
        return;
    m_bStepping = true;
    const int nMonths = RetentionMonths();
    const QString strFirstKept
        = FirstKeptDay(m_pClock->Now().date(), nMonths).toString(QStringLiteral("yyyy-MM-dd"));
    QMetaObject::invokeMethod(
        m_pWorker,
        [this, strFirstKept, nMonths, nCount = m_nRegionDaysPerStep]() {
            m_pWorker->Step(strFirstKept, nMonths, nCount);
        },
        Qt::QueuedConnection);
}

void RSlotArchive::OnStepped(const RArchiveStep& step)
{
    m_bStepping = false;
    RStorageWriter& writer = *m_pWriter;
    if (!step.strError.isEmpty()) {
        if (step.strError != m_strLastError)
            Log(LogLevel::Alert, "slots not archived: %s\n", step.strError.toUtf8().constData());
        m_strLastError = step.strError;
        m_nRestAfterMs = m_pClock->ElapsedMs() + RestAfterErrorMs;
        emit Stepped(step.strMonth, 0);
        return;
    }
    m_strLastError.clear();
    QElapsedTimer timer;
    timer.start();
    if (!step.moved.isEmpty())
        writer.Write(
            QStringLiteral("insert or ignore into ArchivedMonth(Month, State) values(?, 1)"),
            {step.strMonth});
    for (const auto& regionDay : step.moved)
        writer.Write(QStringLiteral("delete from MonthData where Id = ? and Month = ?"),
            {regionDay.first, regionDay.second});
    if (step.bMonthDone) {
        writer.Write(
            QStringLiteral("update ArchivedMonth set State = 2 where Month = ?"), {step.strMonth});
        Log(LogLevel::Debug, "slots of %s archived in %s\n", step.strMonth.toUtf8().constData(),
            FilePath(step.strMonth).toUtf8().constData());
    }
    m_dLastStepGuiMs = timer.nsecsElapsed() / 1e6;
    if (step.bPassOver && !step.bMonthDone)
        m_nRestAfterMs = m_pClock->ElapsedMs() + RestAfterPassMs;
    emit Stepped(step.strMonth, step.moved.size());
}
