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
    // file could be opened; the schema statements' results are not checked.
    bool OpenDatabase();

    // Commits the long transaction that all writers share on the default
    // connection (the aggregator begins the next one).
    static bool CommitTransaction();

    // The create statements, in creation order, of the fourteen tables a new
    // file gets.
    static QStringList TableStatements();
    static QString ServerNetworkInfoStatement();

private:
    Q_DISABLE_COPY(RConnectDatabase)

    void CreateTables();
    void CreateMissing();

    FailureReport m_report;
};
