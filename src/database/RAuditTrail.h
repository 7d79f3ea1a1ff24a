#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class RStorageWriter;

class QSqlError;
class RCommitPacer;
class SClock;

// Who did it: the logged-in account, or a tool with id 0.
struct RAuditActor
{
    int nId = 0;
    QString strName;
};

// One row of the audit trail. Values are text as the page shows them.
struct RAuditEntry
{
    qint64 nSeq = 0;
    QDateTime time; // local time, whole seconds
    RAuditActor actor;
    QString strAction; // one of RAuditAction
    QString strObject;
    QString strOld;
    QString strNew;
    QString strReason;
};

// The walk of the chain: intact, or the first row that breaks it.
struct RAuditCheck
{
    enum class Status { Intact, Broken, NoKey, ReadFailed };
    Status eStatus = Status::Intact;
    qint64 nRows = 0; // rows walked before the break (all when intact)
    qint64 nBrokenSeq = 0;
    QString strReason;
    // A head file named the trail's last row, and the trail ends there.
    // Without one a chain that holds may still have lost its last rows.
    bool bEndConfirmed = false;
};

// The actions the trail records, as stored.
namespace RAuditAction {
constexpr char Login[] = "login";
constexpr char Logout[] = "logout";
constexpr char LoginFailed[] = "login-failed";
constexpr char Lockout[] = "lockout";
constexpr char Acknowledge[] = "acknowledge";
constexpr char Mute[] = "mute";
constexpr char Threshold[] = "threshold";
constexpr char AlarmFilter[] = "alarm-filter";
constexpr char Shelve[] = "shelve";
constexpr char Unshelve[] = "unshelve";
constexpr char OutOfService[] = "out-of-service";
constexpr char InService[] = "in-service";
constexpr char Calibration[] = "calibration";
constexpr char FunctionTest[] = "function-test";
constexpr char InstrumentNote[] = "instrument-note";
constexpr char DeviceAdd[] = "device-add";
constexpr char DeviceRemove[] = "device-remove";
constexpr char DeviceRename[] = "device-rename";
constexpr char HistoryDelete[] = "history-delete";
constexpr char Setting[] = "setting";
constexpr char DayDelete[] = "day-delete";
constexpr char AccountCreate[] = "account-create";
constexpr char AccountDisable[] = "account-disable";
constexpr char AccountPassword[] = "account-password";
constexpr char AccountGrade[] = "account-grade";
constexpr char AccountEnable[] = "account-enable";
// The client found rows missing from the end of the trail when it opened it:
// the trail keeps the break on record however it goes on.
constexpr char TrailGap[] = "trail-gap";
} // namespace RAuditAction

// The audit trail (table AuditTrail): who did what, when, to what, from which
// value to which. Each row carries an HMAC-SHA256 over its fields and the MAC
// of the row before, under a key kept outside the database (RAuditKey): an
// edited, removed, added or moved row breaks the chain there. Rows removed
// from the end, which leave a shorter chain intact, are caught by the head
// file beside the key: it holds the sequence and MAC of the last row written.
//
// Rows go through the storage writer like the journal's events and reach the
// file within a second. The sequence and the MAC of the last row are kept
// here too, so that rows the writer holds while the file refuses writes
// chain on in order. Default connection, GUI thread.
class RAuditTrail final : public QObject
{
    Q_OBJECT
public:
    // strKeyPath: the key file, RAuditKey::DefaultPath() when empty. pClock:
    // the rows' time (system clock when null). Not owned.
    explicit RAuditTrail(RStorageWriter* pWriter, const QString& strKeyPath = QString(),
        SClock* pClock = nullptr, QObject* pParent = nullptr);
    ~RAuditTrail() override;

    // Reads the key, or makes one while the trail has no rows, and finds
    // the last row. A trail with rows and no key takes no more: a new key
    // could not continue it. False with the reason.
    bool Open(QString* pError);
    bool IsOpen() const { return !m_key.isEmpty(); }
    QString KeyPath() const { return m_strKeyPath; }

    // As the journal's: commits the long transaction soon after a row.
    void SetCommitter(std::function<void()> commit);

    // Appends a row stamped now; false when it could not be stored (not
    // open, storage unusable, statement refused).
    bool Append(const RAuditActor& actor, const QString& strAction,
        const QString& strObject = QString(), const QString& strOld = QString(),
        const QString& strNew = QString(), const QString& strReason = QString());

    // Walks the whole trail in sequence order with key; with a head file,
    // the trail must also end at the row it names.
    static RAuditCheck Verify(const QByteArray& key, const QString& strHeadPath = QString());
    // The head file of the trail of database file strDatabase (the default
    // connection's when empty) whose key is strKeyPath: one per database
    // file, beside the key, since several files may share one key.
    static QString HeadPath(const QString& strKeyPath, const QString& strDatabase = QString());
    // What a check found, for the operator and the auditor alike: the audit
    // page and kestal-report verify-audit print this text.
    static QString CheckText(const RAuditCheck& check);
    // The file has the trail's table (true too when it cannot say).
    static bool TableExists();
    // Verify() with this trail's key and head.
    RAuditCheck Check() const { return Verify(m_key, HeadPath(m_strKeyPath)); }

    // Rows of days from..to (inclusive), oldest first; an empty account or
    // action takes all. A file without the table has none and no failure.
    static QVector<RAuditEntry> Read(const QDate& from, const QDate& to,
        const QString& strAccount = QString(), const QString& strAction = QString(),
        QSqlError* pError = nullptr);

    // Every action of RAuditAction, in its order.
    static QStringList ActionNames();
    // The names of the accounts that have rows, sorted.
    static QStringList AccountNames();

    // The CSV lines of rows: the audit view's export and the command line.
    static QStringList CsvHeader();
    static QStringList CsvFields(const RAuditEntry& entry);

    static QString TableStatement();

signals:
    void Appended(const RAuditEntry& entry);

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RAuditTrail)

    // The last row in the file (or the open transaction); false when none
    // can be read.
    bool LoadTail();
    // Records the last row in the head file; false (logged) when it cannot.
    bool WriteHead();

    QString m_strKeyPath;
    SClock* m_pClock;
    RCommitPacer* m_pPacer;
    QByteArray m_key;
    qint64 m_nLastSeq = 0;
    QByteArray m_lastMac;
};
