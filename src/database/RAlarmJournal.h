#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class RStorageWriter;

class QSqlError;
class RCommitPacer;
class SClock;

// One line of the alarm journal. Time is local time; Id 0 for the link.
struct RAlarmEvent
{
    qint64 nSeq = 0; // the row's sequence number; 0 before it is read back
    QDateTime time;
    int nId = 0;
    QString strEvent; // alarm, clear, offline, online, ack, link-down, link-up
    double dDose = 0.0; // µRad/h at the event
    int nThreshold = 0; // µRad/h at the event
    QString strOperator; // who acknowledged, shelved or unshelved
    // What the event's columns do not say: a chattering count, a shelving's
    // reason and end, a flood's count.
    QString strDetail;
};

// The alarm journal (table AlarmJournal): what happened to the alarms and the
// link, and when. A written event reaches the file within a second: the
// journal asks for the long transaction to be committed (RCommitPacer), so a
// crash right after an alarm never loses its record.
// Default connection, GUI thread.
class RAlarmJournal final : public QObject
{
    Q_OBJECT
public:
    // pClock: "now" of the events and of the commit pacing (system clock
    // when null). Not owned.
    explicit RAlarmJournal(
        RStorageWriter* pWriter, SClock* pClock = nullptr, QObject* pParent = nullptr);
    ~RAlarmJournal() override;

    // Commits the open transaction and opens the next; the aggregator's
    // commit in the program. Without one, nothing is committed early.
    void SetCommitter(std::function<void()> commit);
    RStorageWriter& Writer() const { return *m_pWriter; }
    // Asks for the open transaction to be committed within a second, as
    // after a row: for what must not wait for the next regular commit.
    void CommitSoon();

    // Appends an event stamped now; false when it could not be stored.
    bool Write(const QString& strEvent, int nId, double dDose = 0.0, int nThreshold = 0,
        const QString& strOperator = QString(), const QString& strDetail = QString());

    // Events of days from..to (inclusive), of one region (nId > 0) or of all
    // (0, the link's events included), newest first. pError, when given, gets
    // the reason a read failed; a file without the journal table has no
    // events and no failure.
    static QVector<RAlarmEvent> Read(
        const QDate& from, const QDate& to, int nId = 0, QSqlError* pError = nullptr);

    // Up to nLimit rows after sequence number nSeq, oldest first: what a
    // subscriber missed. Empty on failure.
    static QVector<RAlarmEvent> ReadAfter(qint64 nSeq, int nLimit);
    // The newest row's sequence number; 0 for an empty or missing journal.
    static qint64 LastSeq();

    // The CSV lines of events: the header, then one line per event as Read()
    // lists them. The journal view's export and the command line share them.
    static QStringList CsvHeader();
    static QStringList CsvFields(const RAlarmEvent& event);

    // An "alarm" row that goes on with an episode begun before it, rather
    // than beginning one.
    static bool IsContinued(const RAlarmEvent& event);

    static QString TableStatement();
    // Adds the columns a journal from an older file lacks (default connection).
    static void AddMissingColumns();
    static QString TimeText(const QDateTime& time);

signals:
    void Written(const RAlarmEvent& event);

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RAlarmJournal)

    SClock* m_pClock;
    RCommitPacer* m_pPacer;
};
