// kestal-report: the monthly reports of the history page, the alarm figures
// of a month, the minute values of a region, the patrol records and the audit trail as CSV, from
// the command line (for scheduled jobs); the audit trail's check; the first administrator of a site
// without a screen. Reports open the database read-only and read in short transactions, so a
// running client is neither changed nor held up for more than a moment.

#include "PInstallPaths.h"
#include "database/RAlarmJournal.h"
#include "database/RAuditKey.h"
#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RNotifyQueue.h"
#include "database/RRegionCatalogue.h"
#include "database/RReportReads.h"
#include "database/RRoutingRecords.h"
#include "database/RStorageWriter.h"
#include "database/RUserAccounts.h"
#include "history/PAlarmFiguresReport.h"
#include "history/PAuditReport.h"
#include "history/PInstrumentRegister.h"
#include "history/PMonthReport.h"
#include "io/SCsvWriter.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantMap.h"
#include "site/RSiteSnapshot.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

#include <sqlite3.h>
#include <termios.h>
#include <unistd.h>

namespace {

enum Exit { Ok = 0, Failed = 1, Usage = 2, Busy = 3, AuditBroken = 4, AuditUnconfirmed = 5 };

const char* const s_pDayFormat = "yyyy-MM-dd";
const char* const s_pMonthFormat = "yyyy-MM";
// A stored minute value is the sum of the minute's 30 two-second readings.
constexpr double kSlotsPerMinute = 30.0;
// Three years, a leap day included. The minutes of one region that long are
// about 1.6 million lines, written in seconds; a longer range goes in pieces
// rather than run for many minutes with nothing to show.
constexpr qint64 kMaxRangeDays = 1096;

const char* const s_pDescription
    = "Writes the reports of a Kestal monitoring database.\n"
      "\n"
      "Commands:\n"
      "  region ID DATE       monthly report of a region (.xlsx)\n"
      "  staff ID DATE        monthly report of a staff member (.xlsx)\n"
      "  minutes ID FROM TO   minute dose rates of a region, days FROM to TO (CSV)\n"
      "  routing FROM TO      patrol records, days FROM to TO (CSV); --staff and\n"
      "                       --rooms take comma-separated ids (default: all)\n"
      "  alarms FROM TO       the alarm journal, days FROM to TO, newest first\n"
      "                       (CSV); --region ID for one region (default: all)\n"
      "  alarm-figures MONTH  the alarm figures of a month (.xlsx): alarm episodes\n"
      "                       per day and per region, time in alarm,\n"
      "                       chattering, time to acknowledge, floods, shelved\n"
      "                       hours; -o defaults to alarm-figures-MONTH.xlsx in the\n"
      "                       working directory\n"
      "  instruments YEAR     the instrument register of a year (.xlsx): each\n"
      "                       monitor's calibrations, function tests, time out of\n"
      "                       service and days overdue, then the records; -o\n"
      "                       defaults to instruments-YEAR.xlsx\n"
      "  notifications FROM TO  the mail notifications queued on days FROM to TO,\n"
      "                       oldest first (CSV): kind, region, list, addresses,\n"
      "                       subject, state, when sent and the server's answer\n"
      "  audit FROM TO        the audit trail, days FROM to TO, oldest first (CSV,\n"
      "                       to standard output without -o); --account NAME and\n"
      "                       --action ACTION narrow it\n"
      "  verify-audit         checks the audit trail's chain of MACs\n"
      "  add-admin NAME       creates the first administrator account; the\n"
      "                       password is the first line of standard input\n"
      "  modbus-map           the plant interface's Modbus register map for the\n"
      "                       site's regions: table, address, count, meaning (to\n"
      "                       standard output without -o)\n"
      "  sites                with --site-db: the sites of the site database, one\n"
      "                       per line: name, stations, last update (to standard\n"
      "                       output without -o)\n"
      "\n"
      "With --site-db CONNINFO (libpq's key=value words, e.g. \"host=127.0.0.1\n"
      "dbname=kestal user=kestal_reader\"; the password from ~/.pgpass) region,\n"
      "minutes, routing and alarms read the site database instead of a file, in\n"
      "the same formats; --site NAME picks the site (needed when it holds more\n"
      "than one).\n"
      "\n"
      "MONTH is yyyy-MM; the current month is counted up to now. The alarm\n"
      "figures read the journal of the months around MONTH too: for what was\n"
      "open when it began and the acknowledgements that came after it.\n"
      "DATE, FROM and TO are days as yyyy-MM-dd; FROM to TO includes both and\n"
      "spans at most 1096 days (three years): a longer range is refused with\n"
      "status 2, to be split into several runs. The monthly reports cover the\n"
      "month of DATE, as the history page's Export does with the selected day;\n"
      "their quarters and report time follow today's date.\n"
      "The routing lines are those the patrol records view exports: all staff are\n"
      "every staff id with readings in the range; a name missing from the lists\n"
      "reads as its id.\n"
      "\n"
      "The database is opened read-only while the client may be running: the\n"
      "reports show what the client has committed, which is up to a minute\n"
      "behind the readings. A database the client holds is waited for up to\n"
      "--wait seconds in all, however many reads the command makes; past that\n"
      "it is left alone with the message \"database busy\".\n"
      "\n"
      "The audit trail's key is the client's: $XDG_DATA_HOME/kestal/audit.key,\n"
      "by default ~/.local/share/kestal/audit.key, unless --audit-key names\n"
      "another. add-admin writes to the database (made when missing) and makes\n"
      "the key when the trail is empty; it refuses when an enabled\n"
      "administrator exists, and is meant for a site whose client is stopped.\n"
      "\n"
      "Exit status, the same for every command: 0 written (verify-audit: the\n"
      "chain holds up to its head file; add-admin: created); 1 not written\n"
      "(unknown id, missing, empty, truncated or damaged database, output not\n"
      "writable, read error, no audit key for a trail with rows, no audit\n"
      "table for audit, account refused); 2 bad command\n"
      "line (a range over 1096 days included); 3 database busy past --wait;\n"
      "4 verify-audit: the chain is broken, at the row it names (also an audit\n"
      "table missing or empty in a file that holds accounts); 5 verify-audit:\n"
      "the chain holds but no head file confirms its end (give it with --head).\n"
      "No output file is left behind unless the status is 0.";

struct Failure
{
    int nExit;
    QString strText;
};

bool IsBusy(const QSqlError& error)
{
    const QString strCode = error.nativeErrorCode();
    return strCode == QString::number(SQLITE_BUSY) || strCode == QString::number(SQLITE_LOCKED);
}

Failure ReadFailure(const QSqlError& error)
{
    if (IsBusy(error))
        return {Busy, QStringLiteral("database busy")};
    return {Failed, QStringLiteral("cannot read the database: %1").arg(error.text())};
}

// A short read transaction that waits for the file's lock at most
// *pWaitLeftMs in all the command's reads.
Failure BeginRead(qint64* pWaitLeftMs)
{
    QSqlError error;
    switch (RReportReads::Begin(pWaitLeftMs, &error)) {
    case RReportReads::Begun::Ok:
        return {Ok, QString()};
    case RReportReads::Begun::Empty:
        return {Failed, QStringLiteral("the database file holds no tables")};
    case RReportReads::Begun::Failed:
        break;
    }
    return ReadFailure(error);
}

void EndRead()
{
    RReportReads::End();
}

QDate ParseMonth(const QString& strText, Failure* pFailure)
{
    const QDate month = QDate::fromString(strText, QLatin1String(s_pMonthFormat));
    if (!month.isValid())
        *pFailure = {Usage, QStringLiteral("not a month (yyyy-MM): %1").arg(strText)};
    return month;
}

QDate ParseDay(const QString& strText, Failure* pFailure)
{
    const QDate day = QDate::fromString(strText, QLatin1String(s_pDayFormat));
    if (!day.isValid())
        *pFailure = {Usage, QStringLiteral("not a day (yyyy-MM-dd): %1").arg(strText)};
    return day;
}

int ParseId(const QString& strText, Failure* pFailure)
{
    bool bOk = false;
    const int nId = strText.toInt(&bOk);
    if (!bOk)
        *pFailure = {Usage, QStringLiteral("not an id: %1").arg(strText)};
    return nId;
}

Failure CheckRange(const QDate& from, const QDate& to)
{
    if (from > to)
        return {Usage, QStringLiteral("FROM is after TO")};
    if (from.daysTo(to) >= kMaxRangeDays)
        return {Usage,
            QStringLiteral("FROM to TO spans more than %1 days; split the range")
                .arg(kMaxRangeDays)};
    return {Ok, QString()};
}

bool OpenDatabase(const QString& strFile, Failure* pFailure)
{
    const QFileInfo file(strFile);
    if (!file.isFile()) {
        *pFailure = {Failed, QStringLiteral("no database file %1").arg(file.absoluteFilePath())};
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(file.absoluteFilePath());
    // The busy timeout is set before each read from what is left of --wait.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0"));
    if (!db.open()) {
        *pFailure
            = {Failed, QStringLiteral("cannot open %1: %2").arg(strFile, db.lastError().text())};
        return false;
    }
    return true;
}

Failure WriteReport(
    int nKind, int nId, const QDate& date, const QString& strOutput, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    // Inside a transaction already, the report reads in it.
    PMonthReport report(nKind, nId, date);
    QString strError;
    const PMonthReport::Status eStatus = report.Read(&strError);
    EndRead();
    switch (eStatus) {
    case PMonthReport::Status::Ok:
        break;
    case PMonthReport::Status::Busy:
        return {Busy, strError};
    case PMonthReport::Status::Failed:
        return {Failed, QStringLiteral("cannot read the database: %1").arg(strError)};
    default:
        return {Failed, strError};
    }
    if (!report.Write(strOutput, &strError))
        return {Failed, strError};
    return {Ok, QString()};
}

// A workbook read in one read transaction, with region names from the
// catalogue read in it: the alarm figures, the instrument register.
template <typename Report, typename Key>
Failure WriteBook(const Key& key, const QString& strOutput, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    RRegionCatalogue catalogue;
    catalogue.Reload();
    Report report(key, nullptr, &catalogue);
    QSqlError error;
    const bool bRead = report.Read(&error);
    EndRead();
    if (!bRead)
        return ReadFailure(error);
    QString strError;
    if (!report.Write(strOutput, &strError))
        return {Failed, strError};
    return {Ok, QString()};
}

// One short read transaction per day; a day without a row writes nothing.
bool WriteMinuteDay(
    int nId, const QDate& day, SCsvWriter& out, qint64* pWaitLeftMs, Failure* pFailure)
{
    *pFailure = BeginRead(pWaitLeftMs);
    if (pFailure->nExit != Ok)
        return false;
    QVector<double> minutes;
    QSqlError error;
    const bool bRead = RReportReads::DayMinutes(nId, day, &minutes, &error);
    const QString strDay = day.toString(QLatin1String(s_pDayFormat));
    for (int nMinute = 0; nMinute < minutes.size(); ++nMinute) {
        if (minutes.at(nMinute) == 0.0)
            continue;
        out.WriteRow({strDay, QTime(nMinute / 60, nMinute % 60).toString(QStringLiteral("hh:mm")),
            QString::number(minutes.at(nMinute) / kSlotsPerMinute, 'f', 2)});
    }
    if (!bRead)
        *pFailure = ReadFailure(error);
    EndRead();
    return bRead;
}

Failure WriteMinutes(
    int nId, const QDate& from, const QDate& to, const QString& strOutput, qint64* pWaitLeftMs)
{
    Failure failure = BeginRead(pWaitLeftMs);
    if (failure.nExit != Ok)
        return failure;
    QSqlError error;
    bool bKnown = false;
    if (!RReportReads::HasRegion(nId, &bKnown, &error))
        failure = ReadFailure(error);
    else if (!bKnown)
        failure = {Failed, QStringLiteral("no region with id %1").arg(nId)};
    EndRead();
    if (failure.nExit != Ok)
        return failure;

    // Written beside the target and renamed at the end: a failure leaves no
    // file, and an existing one as it was.
    SCsvWriter out(strOutput);
    QString strError;
    if (!out.Open(&strError))
        return {Failed, strError};
    out.WriteRow({"day", "time", "dose_rate_uRad_h"});
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        if (!WriteMinuteDay(nId, day, out, pWaitLeftMs, &failure))
            return failure;
    }
    if (!out.Commit(&strError))
        return {Failed, strError};
    return failure;
}

// Without --db: the working directory's database as always, else the one the
// client keeps when started from the desktop menu. When neither is there the
// working directory's name is the one the error message gives.
QString DatabaseFile(const QCommandLineParser& parser)
{
    if (parser.isSet(QStringLiteral("db")))
        return parser.value(QStringLiteral("db"));
    const QString strName = QStringLiteral("DataBase.sqlite");
    const QString strUser = PInstallPaths::UserDataDirectory() + QLatin1Char('/') + strName;
    return !QFileInfo::exists(strName) && QFileInfo::exists(strUser) ? strUser : strName;
}

QList<int> ParseIds(const QString& strList, Failure* pFailure)
{
    QList<int> ids;
    for (const QString& strId : strList.split(',', Qt::SkipEmptyParts))
        ids << ParseId(strId.trimmed(), pFailure);
    return ids;
}

// The lines the routing records view exports for the same ticks, with the
// range inclusive. One read transaction, so the lines are of one moment.
Failure WriteRouting(const QDate& from, const QDate& to, QList<int> staff, const QList<int>& rooms,
    const QString& strOutput, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    RRoutingRecords records;
    if (staff.isEmpty())
        staff = records.StaffWithReadings(from, to);
    const QList<QDate> days = RRoutingRecords::RangeDays(from, to);
    const QSet<int> setRooms(rooms.begin(), rooms.end());
    QList<RRoutingRecords::Line> lines;
    for (int nStaffId : qAsConst(staff))
        lines += records.Lines(nStaffId, days, setRooms);
    EndRead();
    if (records.Failed())
        return ReadFailure(records.Error());

    SCsvWriter out(strOutput);
    QString strError;
    if (!out.Open(&strError))
        return {Failed, strError};
    out.WriteRow(RRoutingRecords::CsvHeader());
    for (const RRoutingRecords::Line& line : qAsConst(lines))
        out.WriteRow(RRoutingRecords::CsvFields(line));
    if (!out.Commit(&strError))
        return {Failed, strError};
    return {Ok, QString()};
}

// The lines the alarm journal view exports for the same filter. One read
// transaction; a file from before the journal has none and gets the header.
Failure WriteAlarms(
    const QDate& from, const QDate& to, int nRegion, const QString& strOutput, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    QSqlError error;
    const QVector<RAlarmEvent> events = RAlarmJournal::Read(from, to, nRegion, &error);
    EndRead();
    if (error.type() != QSqlError::NoError)
        return ReadFailure(error);
    SCsvWriter out(strOutput);
    QString strError;
    if (!out.Open(&strError))
        return {Failed, strError};
    out.WriteRow(RAlarmJournal::CsvHeader());
    for (const RAlarmEvent& event : events)
        out.WriteRow(RAlarmJournal::CsvFields(event));
    if (!out.Commit(&strError))
        return {Failed, strError};
    return {Ok, QString()};
}

// What was mailed, to whom, when and the server's answer; a file from
// before the notifications has none and gets the header.
Failure WriteNotifications(
    const QDate& from, const QDate& to, const QString& strOutput, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    const QVector<RNotifyRow> rows = RNotifyQueue::Read(from, to);
    EndRead();
    SCsvWriter out(strOutput);
    QString strError;
    if (!out.Open(&strError))
        return {Failed, strError};
    static const char* const s_pStates[] = {"queued", "sent", "held", "refused"};
    out.WriteRow({"queued", "kind", "region", "list", "to", "subject", "state", "sent", "answer"});
    for (const RNotifyRow& row : rows) {
        out.WriteRow({RAlarmJournal::TimeText(row.time), row.strKind, QString::number(row.nId),
            QString::number(row.nLevel), row.strTo, row.strSubject,
            QLatin1String(s_pStates[qBound(0, row.nState, 3)]),
            row.sentTime.isValid() ? RAlarmJournal::TimeText(row.sentTime) : QString(),
            row.strAnswer});
    }
    if (!out.Commit(&strError))
        return {Failed, strError};
    return {Ok, QString()};
}

QString AuditKeyFile(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("audit-key")) ? parser.value(QStringLiteral("audit-key"))
                                                     : RAuditKey::DefaultPath();
}

// The audit rows of the range; without a file they go to standard output,
// and the log, which writes there too, goes to standard error meanwhile.
Failure WriteAudit(
    const QDate& from, const QDate& to, const QCommandLineParser& parser, qint64* pWaitLeftMs)
{
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    // An empty list would pass for a trail with nothing in the range.
    if (!RAuditTrail::TableExists()) {
        EndRead();
        return {Failed, QStringLiteral("the database has no audit trail")};
    }
    QSqlError error;
    const QVector<RAuditEntry> entries = RAuditTrail::Read(from, to,
        parser.value(QStringLiteral("account")), parser.value(QStringLiteral("action")), &error);
    EndRead();
    if (error.type() != QSqlError::NoError)
        return ReadFailure(error);
    const QString strOutput = parser.value(QStringLiteral("o"));
    if (!strOutput.isEmpty() && strOutput != QLatin1String("-")) {
        QString strError;
        if (!PAuditReport::Write(strOutput, entries, &strError))
            return {Failed, strError};
        return {Ok, QString()};
    }
    fflush(stdout);
    const int nCsv = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    QFile file;
    if (nCsv < 0 || !file.open(nCsv, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return {Failed, QStringLiteral("cannot write to standard output")};
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << PAuditReport::Text(entries);
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush())
        return {Failed, QStringLiteral("cannot write to standard output")};
    return {Ok, QString()};
}

Failure VerifyAudit(const QString& strKeyFile, const QString& strHeadFile, qint64* pWaitLeftMs)
{
    QString strKeyError;
    const QByteArray key
        = QFileInfo::exists(strKeyFile) ? RAuditKey::Read(strKeyFile, &strKeyError) : QByteArray();
    if (!strKeyError.isEmpty())
        return {Failed, strKeyError};
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    const QString strHead = strHeadFile.isEmpty() ? RAuditTrail::HeadPath(strKeyFile) : strHeadFile;
    if (!strHeadFile.isEmpty() && !QFileInfo::exists(strHeadFile))
        return {Failed, QStringLiteral("no head file %1").arg(strHeadFile)};
    const RAuditCheck check = RAuditTrail::Verify(key, strHead);
    EndRead();
    // The audit page's words, so both name a break alike.
    const QString strText = RAuditTrail::CheckText(check);
    switch (check.eStatus) {
    case RAuditCheck::Status::Intact:
        QTextStream(stdout) << strText << "\n";
        return {check.bEndConfirmed ? Ok : AuditUnconfirmed, QString()};
    case RAuditCheck::Status::Broken:
        return {AuditBroken, strText};
    case RAuditCheck::Status::NoKey:
        return {Failed, strText + QStringLiteral(" (") + strKeyFile + QLatin1Char(')')};
    case RAuditCheck::Status::ReadFailed:
        break;
    }
    return {Failed, strText};
}

// The first line of standard input; from a terminal asked for twice,
// without echo.
bool ReadPassword(const QString& strName, QString* pPassword, Failure* pFailure)
{
    const bool bTerminal = ::isatty(STDIN_FILENO) != 0;
    termios saved {};
    if (bTerminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QTextStream in(stdin);
    in.setCodec("UTF-8");
    QTextStream err(stderr);
    if (bTerminal)
        err << "Password for " << strName << ": " << Qt::flush;
    *pPassword = in.readLine();
    QString strAgain = *pPassword;
    if (bTerminal) {
        err << "\nAgain: " << Qt::flush;
        strAgain = in.readLine();
        err << "\n" << Qt::flush;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    }
    if (pPassword->isNull()) {
        *pFailure = {Usage, QStringLiteral("no password on standard input")};
        return false;
    }
    if (strAgain != *pPassword) {
        *pFailure = {Failed, QStringLiteral("the two passwords differ")};
        return false;
    }
    return true;
}

Failure AddAdministrator(
    const QString& strName, const QString& strDatabase, const QString& strKeyFile, int nWaitMs)
{
    QString strPassword;
    Failure failure {Ok, QString()};
    if (!ReadPassword(strName, &strPassword, &failure))
        return failure;
    RStorageWriter writer;
    RConnectDatabase database(&writer);
    database.SetFileName(strDatabase);
    QString strOpenError;
    database.SetFailureReport(
        [&strOpenError](const QString&, const QString& strText) { strOpenError = strText; });
    if (!database.OpenDatabase())
        return {Failed, strOpenError};
    RAuditTrail trail(&writer, strKeyFile);
    QString strError;
    if (!trail.Open(&strError))
        return {Failed, strError};
    RUserAccounts accounts(&writer, &trail);
    if (accounts.HasAdministrator())
        return {
            Failed, QStringLiteral("an administrator exists: make further accounts in the client")};
    switch (accounts.Create(
        {0, QStringLiteral("kestal-report")}, strName, RUserRights::Administrator, strPassword)) {
    case RUserAccounts::Result::Ok:
        break;
    case RUserAccounts::Result::Exists:
        return {Failed, QStringLiteral("an account named %1 exists").arg(strName)};
    case RUserAccounts::Result::Invalid:
        return {Failed,
            QStringLiteral("a name of 1 to %1 printable characters, without spaces around it, "
                           "and a password of %2 to %3 characters are needed")
                .arg(RUserAccounts::MaxNameLength)
                .arg(RUserAccounts::MinPasswordLength)
                .arg(RUserAccounts::MaxPasswordLength)};
    default:
        return {Failed, QStringLiteral("the account could not be stored")};
    }
    // The rows wait in the writer while the client holds the file.
    if (!writer.Flush(nWaitMs))
        return {Busy, QStringLiteral("database busy: the account is not stored")};
    writer.Close(0);
    QTextStream(stdout) << "administrator " << strName << " created\n";
    return {Ok, QString()};
}

Failure RunAlarmFigures(const QCommandLineParser& parser, qint64* pWaitLeftMs)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return {Usage, QStringLiteral("expected alarm-figures MONTH")};
    Failure failure {Ok, QString()};
    const QDate month = ParseMonth(args.at(1), &failure);
    if (failure.nExit != Ok || !OpenDatabase(DatabaseFile(parser), &failure))
        return failure;
    QString strOutput = parser.value(QStringLiteral("o"));
    if (strOutput.isEmpty())
        strOutput = PAlarmFiguresReport::FileName(month);
    return WriteBook<PAlarmFiguresReport>(month, strOutput, pWaitLeftMs);
}

Failure RunInstruments(const QCommandLineParser& parser, qint64* pWaitLeftMs)
{
    const QStringList args = parser.positionalArguments();
    bool bOk = false;
    const int nYear = args.value(1).toInt(&bOk);
    if (args.size() != 2 || !bOk || nYear < 2000 || nYear > 9999)
        return {Usage, QStringLiteral("expected instruments YEAR (2000 to 9999)")};
    Failure failure {Ok, QString()};
    if (!OpenDatabase(DatabaseFile(parser), &failure))
        return failure;
    QString strOutput = parser.value(QStringLiteral("o"));
    if (strOutput.isEmpty())
        strOutput = PInstrumentRegister::FileName(nYear);
    return WriteBook<PInstrumentRegister>(nYear, strOutput, pWaitLeftMs);
}

Failure RunAuditCommand(const QCommandLineParser& parser, qint64* pWaitLeftMs)
{
    const QStringList args = parser.positionalArguments();
    const QString strCommand = args.value(0);
    if (strCommand == QLatin1String("add-admin")) {
        if (args.size() != 2)
            return {Usage, QStringLiteral("expected add-admin NAME")};
        return AddAdministrator(
            args.at(1), DatabaseFile(parser), AuditKeyFile(parser), static_cast<int>(*pWaitLeftMs));
    }
    Failure failure {Ok, QString()};
    if (strCommand == QLatin1String("verify-audit")) {
        if (args.size() != 1)
            return {Usage, QStringLiteral("verify-audit takes no arguments")};
        if (!OpenDatabase(DatabaseFile(parser), &failure))
            return failure;
        return VerifyAudit(AuditKeyFile(parser), parser.value(QStringLiteral("head")), pWaitLeftMs);
    }
    if (args.size() != 3)
        return {Usage, QStringLiteral("expected audit FROM TO")};
    const QDate from = ParseDay(args.at(1), &failure);
    const QDate to = ParseDay(args.at(2), &failure);
    if (failure.nExit == Ok)
        failure = CheckRange(from, to);
    if (failure.nExit != Ok || !OpenDatabase(DatabaseFile(parser), &failure))
        return failure;
    return WriteAudit(from, to, parser, pWaitLeftMs);
}

// The site database's copy of the days from..to as the default connection.
bool OpenSiteDb(
    const QCommandLineParser& parser, const QDate& from, const QDate& to, Failure* pFailure)
{
    QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("site"));
    pg.setConnectOptions(
        parser.value(QStringLiteral("site-db")) + QStringLiteral(" connect_timeout=10"));
    if (!pg.open()) {
        *pFailure = {Failed,
            QStringLiteral("cannot reach the site database: %1")
                .arg(pg.lastError().text().trimmed())};
        return false;
    }
    QString strSite = parser.value(QStringLiteral("site"));
    QString strError;
    QStringList sites;
    if (strSite.isEmpty()) {
        if (!RSiteSnapshot::Sites(pg, &sites, &strError)) {
            *pFailure = {Failed, strError};
            return false;
        }
        if (sites.size() != 1) {
            *pFailure = {Usage,
                QStringLiteral("--site NAME is needed: the site database holds %1 sites")
                    .arg(sites.size())};
            return false;
        }
        strSite = sites.first().section(QLatin1Char('\t'), 0, 0);
    }
    if (!RSiteSnapshot::Load(pg, strSite, from, to, &strError)) {
        *pFailure = {Failed, strError};
        return false;
    }
    return true;
}

bool OpenSource(
    const QCommandLineParser& parser, const QDate& from, const QDate& to, Failure* pFailure)
{
    if (parser.isSet(QStringLiteral("site-db")))
        return OpenSiteDb(parser, from, to, pFailure);
    return OpenDatabase(DatabaseFile(parser), pFailure);
}

Failure ListSites(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("site-db")))
        return {Usage, QStringLiteral("sites needs --site-db CONNINFO")};
    QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("site"));
    pg.setConnectOptions(
        parser.value(QStringLiteral("site-db")) + QStringLiteral(" connect_timeout=10"));
    QStringList lines;
    QString strError;
    if (!pg.open())
        return {Failed,
            QStringLiteral("cannot reach the site database: %1")
                .arg(pg.lastError().text().trimmed())};
    if (!RSiteSnapshot::Sites(pg, &lines, &strError))
        return {Failed, strError};
    const QString strOutput = parser.value(QStringLiteral("o"));
    if (strOutput.isEmpty() || strOutput == QLatin1String("-")) {
        QTextStream out(stdout);
        for (const QString& strLine : qAsConst(lines))
            out << strLine << "\n";
        return {Ok, QString()};
    }
    SCsvWriter out(strOutput);
    if (!out.Open(&strError))
        return {Failed, strError};
    out.WriteRow({"site", "stations", "updated"});
    for (const QString& strLine : qAsConst(lines))
        out.WriteRow(strLine.split(QLatin1Char('\t')));
    if (!out.Commit(&strError))
        return {Failed, strError};
    return {Ok, QString()};
}

Failure WriteModbusMap(const QCommandLineParser& parser, qint64* pWaitLeftMs)
{
    if (parser.positionalArguments().size() != 1)
        return {Usage, QStringLiteral("expected modbus-map")};
    Failure failure {Ok, QString()};
    if (!OpenDatabase(DatabaseFile(parser), &failure))
        return failure;
    const Failure begun = BeginRead(pWaitLeftMs);
    if (begun.nExit != Ok)
        return begun;
    RRegionCatalogue catalogue;
    catalogue.Reload();
    const RPlantConfig config = RPlantConfig::Load();
    EndRead();
    QVector<QPair<int, QString>> regions;
    for (const RRegion& region : catalogue.Regions())
        regions.append({region.nId, region.strName});
    const QStringList lines
        = RPlantMap::Describe(config.modbus.nBase, config.modbus.eOrder, regions);
    const QString strOutput = parser.value(QStringLiteral("o"));
    if (strOutput.isEmpty() || strOutput == QLatin1String("-")) {
        QTextStream out(stdout);
        out.setCodec("UTF-8");
        for (const QString& strLine : lines)
            out << strLine << "\n";
        return {Ok, QString()};
    }
    QString strError;
    SCsvWriter out(strOutput);
    if (!out.Open(&strError))
        return {Failed, strError};
    out.WriteRow({"table", "address", "count", "meaning"});
    for (const QString& strLine : lines)
        out.WriteRow(strLine.split(QLatin1Char('\t')));
    if (!out.Commit(&strError))
        return {Failed, strError};
    return {Ok, QString()};
}

Failure Run(const QCommandLineParser& parser)
{
    const QStringList args = parser.positionalArguments();
    const QString strCommand = args.value(0);
    bool bWaitOk = false;
    const int nWait = parser.value(QStringLiteral("wait")).toInt(&bWaitOk);
    if (!bWaitOk || nWait < 0 || nWait > 3600)
        return {Usage, QStringLiteral("--wait takes 0 to 3600 seconds")};
    // The one wait of the run, shared by all its reads.
    qint64 nWaitLeftMs = qint64(nWait) * 1000;
    if (strCommand == QLatin1String("audit") || strCommand == QLatin1String("verify-audit")
        || strCommand == QLatin1String("add-admin"))
        return RunAuditCommand(parser, &nWaitLeftMs);
    if (strCommand == QLatin1String("alarm-figures"))
        return RunAlarmFigures(parser, &nWaitLeftMs);
    if (strCommand == QLatin1String("instruments"))
        return RunInstruments(parser, &nWaitLeftMs);
    if (strCommand == QLatin1String("sites"))
        return ListSites(parser);
    if (strCommand == QLatin1String("modbus-map"))
        return WriteModbusMap(parser, &nWaitLeftMs);

    const int nWanted = strCommand == QLatin1String("minutes") ? 4 : 3;
    const bool bKnown = strCommand == QLatin1String("region")
        || strCommand == QLatin1String("staff") || strCommand == QLatin1String("minutes")
        || strCommand == QLatin1String("routing") || strCommand == QLatin1String("alarms")
        || strCommand == QLatin1String("notifications");
    if (!bKnown || args.size() != nWanted)
        return {Usage,
            QStringLiteral("expected region ID DATE, staff ID DATE, minutes ID FROM TO, "
                           "routing FROM TO, alarms FROM TO, notifications FROM TO, "
                           "alarm-figures MONTH, instruments YEAR, audit FROM TO, "
                           "verify-audit or add-admin NAME; see --help")};
    const QString strOutput = parser.value(QStringLiteral("o"));
    if (strOutput.isEmpty())
        return {Usage, QStringLiteral("-o FILE is required")};

    Failure failure {Ok, QString()};
    if (strCommand == QLatin1String("notifications")) {
        const QDate from = ParseDay(args.at(1), &failure);
        const QDate to = ParseDay(args.at(2), &failure);
        if (failure.nExit == Ok)
            failure = CheckRange(from, to);
        if (failure.nExit == Ok && parser.isSet(QStringLiteral("site-db")))
            failure = {Usage, QStringLiteral("the notifications are in the station's file only")};
        if (failure.nExit != Ok || !OpenDatabase(DatabaseFile(parser), &failure))
            return failure;
        return WriteNotifications(from, to, strOutput, &nWaitLeftMs);
    }
    if (strCommand == QLatin1String("routing") || strCommand == QLatin1String("alarms")) {
        const QDate from = ParseDay(args.at(1), &failure);
        const QDate to = ParseDay(args.at(2), &failure);
        const bool bRouting = strCommand == QLatin1String("routing");
        QList<int> staff;
        QList<int> rooms;
        int nRegion = 0;
        if (bRouting) {
            staff = ParseIds(parser.value(QStringLiteral("staff")), &failure);
            rooms = ParseIds(parser.value(QStringLiteral("rooms")), &failure);
        } else if (parser.isSet(QStringLiteral("region"))) {
            nRegion = ParseId(parser.value(QStringLiteral("region")), &failure);
        }
        if (failure.nExit == Ok)
            failure = CheckRange(from, to);
        if (failure.nExit != Ok || !OpenSource(parser, from, to, &failure))
            return failure;
        return bRouting ? WriteRouting(from, to, staff, rooms, strOutput, &nWaitLeftMs)
                        : WriteAlarms(from, to, nRegion, strOutput, &nWaitLeftMs);
    }
    const int nId = ParseId(args.at(1), &failure);
    const QDate first = ParseDay(args.at(2), &failure);
    const QDate last = nWanted == 4 ? ParseDay(args.at(3), &failure) : first;
    if (failure.nExit == Ok)
        failure = CheckRange(first, last);
    // A monthly report reads its whole month.
    const QDate from = nWanted == 4 ? first : QDate(first.year(), first.month(), 1);
    const QDate to = nWanted == 4 ? last : from.addMonths(1).addDays(-1);
    if (failure.nExit != Ok || !OpenSource(parser, from, to, &failure))
        return failure;
    if (strCommand == QLatin1String("minutes"))
        return WriteMinutes(nId, first, last, strOutput, &nWaitLeftMs);
    return WriteReport(
        strCommand == QLatin1String("region") ? SBus::RegionList : SBus::PersonalList, nId, first,
        strOutput, &nWaitLeftMs);
}

} // namespace

int main(int argc, char** argv)
{
    // Qt's own warnings (the SQL driver's, say) carry the log's levels.
    PLogRecord::RouteQtMessages();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestal-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTAL_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(s_pDescription));
    parser.addOption({{"h", "help"}, "Shows this help."});
    parser.addVersionOption();
    parser.addOptions({
        {{"o", "output"},
            "The file to write (required, but for audit, which writes to standard output "
            "without it, and alarm-figures and instruments, which name one after the month or "
            "year).",
            "FILE"},
        {"db",
            "The database (default DataBase.sqlite in the working directory, else the one in "
            "$XDG_DATA_HOME/kestal, by default ~/.local/share/kestal, where the client started "
            "from the desktop menu keeps it).",
            "FILE"},
        {"staff", "routing: the staff ids to list (default: all with readings).", "IDS"},
        {"rooms", "routing: the room ids to list (default: all).", "IDS"},
        {"region", "alarms: the one region to list (default: all, the link's events too).", "ID"},
        {"account", "audit: the one account to list (default: all).", "NAME"},
        {"action", "audit: the one action to list, as the trail names it (default: all).",
            "ACTION"},
        {"audit-key",
            "audit, verify-audit, add-admin: the audit key (default "
            "$XDG_DATA_HOME/kestal/audit.key, the client's).",
            "FILE"},
        {"head",
            "verify-audit: the trail's head file, kept with a copy of the database (default: the "
            "one beside the key for this database).",
            "FILE"},
        {"site-db",
            "Reads the site database (PostgreSQL) instead of a file: libpq's key=value "
            "connection words.",
            "CONNINFO"},
        {"site", "With --site-db: the site to report on.", "NAME"},
        {"wait",
            "Seconds to wait in all while the client holds the database (default 10, at most "
            "3600).",
            "SECONDS", "10"},
    });
    parser.addPositionalArgument("command",
        "region, staff, minutes, routing, alarms, alarm-figures, instruments, audit, "
        "verify-audit or add-admin, with its arguments.",
        "region ID DATE | staff ID DATE | minutes ID FROM TO | routing FROM TO | alarms FROM TO "
        "| alarm-figures MONTH | instruments YEAR | audit FROM TO | verify-audit | add-admin NAME "
        "| sites");
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << "kestal-report: " << parser.errorText() << "\n";
        return Usage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Ok);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const Failure failure = Run(parser);
    QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    QSqlDatabase::database(QStringLiteral("site"), false).close();
    if (failure.nExit != Ok)
        QTextStream(stderr) << "kestal-report: " << failure.strText << "\n";
    return failure.nExit;
}
