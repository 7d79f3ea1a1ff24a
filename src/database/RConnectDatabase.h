#pragma once

#include <QObject>
#include <QString>

#include <functional>

class RStorageWriter;

class RIntegrityCheck;

// Opens "DataBase.sqlite" (or the file named) as the default connection and creates the schema of
// a new file. Core code shows no widgets: a failure to open is handed to the
// report callback, which the main window sets to show its message box.
class RConnectDatabase : public QObject
{
    Q_OBJECT

public:
    using FailureReport = std::function<void(const QString& strTitle, const QString& strText)>;

    explicit RConnectDatabase(RStorageWriter* pWriter, QObject* pParent = nullptr);
    ~RConnectDatabase() override;

    // Without a callback the failure goes to the log.
    void SetFailureReport(FailureReport report);
    // The file to open instead of DataBase.sqlite in the working directory
    // (the command line's --db).
    void SetFileName(const QString& strFileName) { m_strFileName = strFileName; }

    // Main thread, once per run, before any worker starts. Returns whether the
    // file can be used: it opens, its header and schema read, and it takes
    // writes; nothing here grows with the file's size. A file that fails is
    // left exactly as it is; the failure is reported and the storage state
    // says so. A missing file is created.
    bool OpenDatabase();

    // After a successful open: every page is checked in the background,
    // starting nDelayMs later. Damage found is logged at Critical, reported
    // and shown on the storage line.
    void StartIntegrityCheck(int nDelayMs);

    // Commits the long transaction that all writers share on the default
    // connection and begins the next one (the storage writer does both).
    // With no transaction open there is nothing to commit, which is no
    // failure. A failure is logged at Alert level and goes to the storage
    // state; what the transaction held is kept and written again later.
    bool CommitTransaction();

    // Whether the default connection holds an open transaction.
    static bool InTransaction();

    // The create statements, in creation order, of the fourteen tables a new
    // file gets.
    static QStringList TableStatements();
    static QString ServerNetworkInfoStatement();
    // The tables every file gets when they are missing ("if not exists").
    static QStringList AddedTableStatements();

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RConnectDatabase)

    void CreateTables();
    void CreateMissing();
    // Empty when the open file can be read, checked and written.
    static QString UnusableReason();
    // Write-ahead logging, so that readers (the report tool, another
    // console) never wait for the writer's long transaction and the writer
    // never waits for them; then the short lock wait of the writer.
    static void SetJournalMode();

    FailureReport m_report;
    RIntegrityCheck* m_pCheck = nullptr;
    QString m_strFileName;
};
