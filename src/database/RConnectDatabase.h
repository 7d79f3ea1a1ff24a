#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Opens "DataBase.sqlite" as the default connection and creates the schema of
// a new file. Core code shows no widgets: a failure to open is handed to the
// report callback, which the main window sets to show its message box.
class RConnectDatabase : public QObject
{
    Q_OBJECT

public:
    using FailureReport = std::function<void(const QString& strTitle, const QString& strText)>;

    explicit RConnectDatabase(QObject* pParent = nullptr);
    ~RConnectDatabase() override;

    // Without a callback the failure goes to the log.
    void SetFailureReport(FailureReport report);

    // Main thread, once per run, before any worker starts. Returns whether the
    // file can be used: it opens, reads as a database, passes a quick
    // integrity check and takes writes. A file that fails is left exactly as
    // it is; the failure is reported and the storage state says so. A
    // missing file is created.
    bool OpenDatabase();

    // The one place commits happen: commits the long transaction that all
    // writers share on the default connection (the aggregator begins the
    // next one). With no transaction open there is nothing to commit, which
    // is no failure. A failure is logged at Alert level and goes to the
    // storage state; a success after failures clears it.
    static bool CommitTransaction();

    // Whether the default connection holds an open transaction.
    static bool InTransaction();

    // Tests only: the next commits fail as a full disk makes them, either
    // leaving the transaction open or with SQLite rolling it back.
    enum class CommitFault { None, Fails, FailsAndRollsBack };
    static void InjectCommitFault(CommitFault eFault);
    // Tests only: called before a commit that found the file busy is tried
    // again, so a test can let its reader go at that moment.
    static void SetBusyRetryHook(std::function<void()> hook);

    // The create statements, in creation order, of the fourteen tables a new
    // file gets.
    static QStringList TableStatements();
    static QString ServerNetworkInfoStatement();

private:
    Q_DISABLE_COPY(RConnectDatabase)

    void CreateTables();
    void CreateMissing();
    // Empty when the open file can be read, checked and written.
    static QString UnusableReason();
    // Commits, trying again while another connection holds the file; empty
    // on success, else the reason.
    static QString CommitWhileBusy();

    FailureReport m_report;
};
