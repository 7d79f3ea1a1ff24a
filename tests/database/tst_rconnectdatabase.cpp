#include "SqlRows.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageState.h"

#include "StdoutCapture.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QStringList column(const QString& strSql, int nColumn = 0)
{
    QStringList list;
    QSqlQuery query(strSql);
    while (query.next())
        list << query.value(nColumn).toString();
    return list;
}

QStringList names(const char* pType)
{
    return column(QStringLiteral("select name from sqlite_master where type = '%1' and name not "
                                 "like 'sqlite_%' order by rowid")
                      .arg(QLatin1String(pType)));
}

} // namespace

class TstRConnectDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_strOldDir = QDir::currentPath();
    QStringList m_reports;
    QString m_strReportText;

    bool Open()
    {
        QSqlDatabase::database().close();
        RConnectDatabase connect(&TestDb::Writer());
        connect.SetFailureReport([this](const QString& strTitle, const QString& strText) {
            m_reports << strTitle;
            m_strReportText = strText;
        });
        return connect.OpenDatabase();
    }

private slots:
    void init()
    {
        m_pDir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(m_pDir->path());
        m_reports.clear();
    }
    void cleanup()
    {
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        QDir::setCurrent(m_strOldDir);
    }

    // A new file gets every table in order, the indexes and the account tables;
    // a second start changes nothing and reports nothing.
    void newFileThenSecondStart()
    {
        QVERIFY(Open());
        QVERIFY(QFile::exists(QStringLiteral("DataBase.sqlite")));
        const QStringList tables = {"MonthData", "PersonalRealTimeDose", "MonthMinuteDose",
            "RegionInfo", "RegionLinkDoseInfo", "RegionCurveColorInfo", "RoutingRoomInfo",
            "PersonalInfo", "RoutingInfo", "SystemInfo", "PortInfo", "PersonalMonthDose",
            "PersonalSumDoseInfo", "RoutingMinuteDose", "ServerNetworkInfo", "MonthDataIndex",
            "MonthMinuteIndex", "PersonRealIndex", "PersonMonthIndex", "RegionLinkDoseIndex",
            "UserPermission", "UserLoginTimeInfo", "AlarmJournal", "ArchivedMonth",
            "ClientSettings", "UserAccount", "AuditTrail", "AlarmFilter", "AlarmShelf",
            "AlarmState", "StationState", "NotifyQueue", "InstrumentCalibration", "InstrumentTest",
            "InstrumentNote", "InstrumentOutage"};
        QCOMPARE(column(QStringLiteral("select name from sqlite_master where name not like "
                                       "'sqlite_%' order by rowid")),
            tables);
        QCOMPARE(column(QStringLiteral("pragma index_info(MonthDataIndex)"), 2),
            QStringList({"Id", "Month", "Hour"}));
        const QStringList schema = column(QStringLiteral("select sql from sqlite_master"));
        QVERIFY(Open());
        QCOMPARE(column(QStringLiteral("select sql from sqlite_master")), schema);
        QVERIFY(m_reports.isEmpty());
    }

    // Any table present: none of the fourteen, and no index without its table.
    // A journal of an older file keeps its rows and gains the detail column.
    void existingFileIsNotRepaired()
    {
        QVERIFY(ExecOn("DataBase.sqlite",
            {RConnectDatabase::ServerNetworkInfoStatement(),
                "create table AlarmJournal(Seq integer primary key autoincrement, Time "
                "varchar(20), Id int, Event varchar(16), Dose float, Threshold int, Operator "
                "varchar(64))",
                "insert into AlarmJournal(Time, Id, Event) values('2026-12-01T08:00:00', 3, "
                "'alarm')"}));
        QVERIFY(Open());
        QCOMPARE(names("table"),
            QStringList({"ServerNetworkInfo", "AlarmJournal", "UserPermission", "UserLoginTimeInfo",
                "ArchivedMonth", "ClientSettings", "UserAccount", "AuditTrail", "AlarmFilter",
                "AlarmShelf", "AlarmState", "StationState", "NotifyQueue", "InstrumentCalibration",
                "InstrumentTest", "InstrumentNote", "InstrumentOutage"}));
        QVERIFY(names("index").isEmpty());
        QCOMPARE(column(QStringLiteral("select Event || '/' || ifnull(Detail, '-') from "
                                       "AlarmJournal")),
            QStringList("alarm/-"));
    }

    // A file that cannot be opened is reported once, and nothing else happens.
    void openFailureIsReported()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("DataBase.sqlite")));
        QVERIFY(!Open());
        QCOMPARE(m_reports, QStringList("Cannot open database"));
    }

    // The commit ends the long transaction and begins the next; with none
    // open there is nothing to commit, which is no failure.
    void commitEndsTransaction()
    {
        QVERIFY(Open());
        QVERIFY(QSqlDatabase::database().transaction());
        QVERIFY(QSqlQuery().exec(QStringLiteral("insert into RegionInfo(Id) values(9)")));
        QVERIFY(RConnectDatabase::InTransaction());
        QVERIFY(TestDb::Writer().Commit());
        QVERIFY(RConnectDatabase::InTransaction());
        QVERIFY(QSqlDatabase::database().rollback());
        QVERIFY(TestDb::Writer().Commit());
        QVERIFY(!TestDb::Writer().State().IsFailing());
        QVERIFY(Open());
        QCOMPARE(column(QStringLiteral("select Id from RegionInfo")), QStringList("9"));
    }

    // Readers never wait for the writer's long transaction, even once it
    // has outgrown SQLite's cache and spilled into the file (in the old
    // journal mode that locked every reader out until the next commit), and
    // a reader in the middle of a read does not keep the commit waiting.
    void readersNeverWaitForTheWriter()
    {
        QVERIFY(Open());
        QSqlQuery writer;
        QVERIFY(writer.exec(QStringLiteral("pragma cache_size = 10")));
        QVERIFY(writer.exec(QStringLiteral("insert into RegionInfo(Id) values(1)")));
        {
            QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "reader");
            reader.setDatabaseName(QStringLiteral("DataBase.sqlite"));
            reader.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(reader.open());
            const auto count = [&reader](const QString& strTable) {
                QSqlQuery read(QStringLiteral("select count(*) from %1").arg(strTable), reader);
                return read.next() ? read.value(0).toInt() : -1;
            };
            QVERIFY(QSqlDatabase::database().transaction());
            for (int nHour = 0; nHour < 24; ++nHour)
                QVERIFY(writer.exec(
                    QStringLiteral("insert into MonthData(Id, Hour) values(1, %1)").arg(nHour)));
            QCOMPARE(count(QStringLiteral("RegionInfo")), 1);
            QCOMPARE(count(QStringLiteral("MonthData")), 0);

            QVERIFY(reader.transaction());
            QCOMPARE(count(QStringLiteral("MonthData")), 0);
            QVERIFY(TestDb::Writer().Commit());
            QCOMPARE(count(QStringLiteral("MonthData")), 0); // its snapshot stays
            reader.commit();
            QCOMPARE(count(QStringLiteral("MonthData")), 24);
            reader.close();
        }
        QSqlDatabase::removeDatabase("reader");
    }

    void unusableFileIsLeftAsItIs_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QByteArray random(64 * 1024, '\0');
        quint32 nSeed = 12345;
        for (char& c : random) {
            nSeed = nSeed * 1103515245u + 12345u;
            c = char(nSeed >> 16);
        }
        QTest::newRow("64 KiB of random bytes") << random << "file is not a database";
    }

    // A real database whose table pages were overwritten: opening reads only
    // the header and the schema, so the window comes up and storage starts at
    // once; the background check then finds the damage and takes the storage
    // fault road (box, Critical log, status line) while the file still takes
    // writes.
    void damagedPagesAreFoundAfterStart()
    {
        QVERIFY(ExecOn("DataBase.sqlite",
            {"create table t(x)", "create index i on t(x)",
                "with recursive n(i) as (select 0 union all select i + 1 from n where i < 1999) "
                "insert into t select i from n"}));
        QByteArray content = TestFiles::Get("DataBase.sqlite");
        QVERIFY(content.size() > 4096 * 3);
        for (int i = 4096 * 2; i < content.size(); i += 7)
            content[i] = char(i * 31);
        QVERIFY(TestFiles::Put("DataBase.sqlite", content));

        QSqlDatabase::database().close();
        RConnectDatabase connect(&TestDb::Writer());
        connect.SetFailureReport(
            [this](const QString& strTitle, const QString&) { m_reports << strTitle; });
        QVERIFY(connect.OpenDatabase());
        QVERIFY(m_reports.isEmpty());
        QVERIFY(TestDb::Writer().State().ProblemText().isEmpty());

        const QByteArray log = StdoutCapture::Of([&]() {
            connect.StartIntegrityCheck(0);
            QTRY_COMPARE_WITH_TIMEOUT(m_reports, QStringList("Database damaged"), 20000);
        });
        QVERIFY2(log.contains("[Critical]"), log.constData());
        const RStorageState& state = TestDb::Writer().State();
        QVERIFY(state.IsUsable());
        QVERIFY(state.ProblemText().startsWith("Database damaged: "));
        QVERIFY(QSqlQuery().exec("pragma user_version = 5"));
    }

    // Never overwritten or repaired: the file stays byte for byte, the
    // operator gets a box naming the file and the reason, the storage state
    // says so (the status line), and a Critical line goes to the log.
    void unusableFileIsLeftAsItIs()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QVERIFY(TestFiles::Put("DataBase.sqlite", content));
        bool bOpened = true;
        const QByteArray log = StdoutCapture::Of([&]() { bOpened = Open(); });
        QVERIFY(!bOpened);
        QVERIFY(TestFiles::Get("DataBase.sqlite") == content);
        QCOMPARE(m_reports, QStringList("Cannot open database"));
        QVERIFY2(m_strReportText.contains(QFileInfo("DataBase.sqlite").absoluteFilePath())
                && m_strReportText.contains(reason),
            qPrintable(m_strReportText));
        QVERIFY2(log.contains("[Critical]") && log.contains("unusable"), log.constData());
        const RStorageState& state = TestDb::Writer().State();
        QVERIFY(!state.IsUsable());
        QVERIFY(state.ProblemText().startsWith("Database unavailable: "));
        // Nothing pretends to store.
        QVERIFY(!TestDb::Writer().Commit());
    }
};

QTEST_GUILESS_MAIN(TstRConnectDatabase)
#include "tst_rconnectdatabase.moc"
