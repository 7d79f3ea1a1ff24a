#include "database/RConnectDatabase.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList names(const QString& strType)
{
    QStringList list;
    QSqlQuery query(QStringLiteral("select name from sqlite_master where type = '%1' and name "
                                   "not like 'sqlite_%' order by name")
                        .arg(strType));
    while (query.next())
        list << query.value(0).toString();
    return list;
}

struct Column
{
    QString strName;
    QString strType;
    QString strDefault;
};

QList<Column> columns(const QString& strTable)
{
    QList<Column> list;
    QSqlQuery query(QStringLiteral("pragma table_info(%1)").arg(strTable));
    while (query.next())
        list.append(
            {query.value(1).toString(), query.value(2).toString(), query.value(4).toString()});
    return list;
}

} // namespace

class TstRConnectDatabase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newFileGetsWholeSchema();
    void generatedColumns_data();
    void generatedColumns();
    void declaredTypesAndDefaults_data();
    void declaredTypesAndDefaults();
    void fileWithAnyTableGetsNoneOfTheFourteen();
    void emptyServerTableIsKept();
    void secondStartCreatesNothing();
    void openFailureIsReported();
    void commitEndsTransaction();

private:
    bool Open(int* pReports = nullptr);

    QTemporaryDir* m_pDir = nullptr;
    QString m_strOldDir;
};

void TstRConnectDatabase::init()
{
    m_strOldDir = QDir::currentPath();
    m_pDir = new QTemporaryDir;
    QVERIFY(m_pDir->isValid());
    QDir::setCurrent(m_pDir->path());
}

void TstRConnectDatabase::cleanup()
{
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    QDir::setCurrent(m_strOldDir);
    delete m_pDir;
    m_pDir = nullptr;
}

bool TstRConnectDatabase::Open(int* pReports)
{
    RConnectDatabase connect;
    connect.SetFailureReport([pReports](const QString&, const QString&) {
        if (pReports)
            ++*pReports;
    });
    return connect.OpenDatabase();
}

void TstRConnectDatabase::newFileGetsWholeSchema()
{
    int nReports = 0;
    QVERIFY(Open(&nReports));
    QCOMPARE(nReports, 0);
    QVERIFY(QFile::exists(m_pDir->filePath(QStringLiteral("DataBase.sqlite"))));
    QStringList expected = {"MonthData", "PersonalRealTimeDose", "MonthMinuteDose", "RegionInfo",
        "RegionLinkDoseInfo", "RegionCurveColorInfo", "RoutingRoomInfo", "PersonalInfo",
        "RoutingInfo", "SystemInfo", "PortInfo", "PersonalMonthDose", "PersonalSumDoseInfo",
        "RoutingMinuteDose", "ServerNetworkInfo", "UserPermission", "UserLoginTimeInfo"};
    expected.sort();
    QCOMPARE(names(QStringLiteral("table")), expected);
    QStringList indexes
        = {"MonthDataIndex", "MonthMinuteIndex", "PersonMonthIndex", "PersonRealIndex"};
    QCOMPARE(names(QStringLiteral("index")), indexes);

    // The tables are created in the documented order.
    QSqlQuery query(QStringLiteral("select name from sqlite_master where type = 'table' order by "
                                   "rowid limit 3"));
    QStringList first;
    while (query.next())
        first << query.value(0).toString();
    QCOMPARE(first, QStringList({"MonthData", "PersonalRealTimeDose", "MonthMinuteDose"}));

    QSqlQuery indexCols(QStringLiteral("pragma index_info(MonthDataIndex)"));
    QStringList cols;
    while (indexCols.next())
        cols << indexCols.value(2).toString();
    QCOMPARE(cols, QStringList({"Id", "Month", "Hour"}));
}

void TstRConnectDatabase::generatedColumns_data()
{
    QTest::addColumn<QString>("strTable");
    QTest::addColumn<int>("nLead");
    QTest::addColumn<int>("nCount");
    QTest::addColumn<QString>("strType");
    QTest::addColumn<QStringList>("tail");
    QTest::newRow("MonthData") << "MonthData" << 4 << 1800 << "float" << QStringList {"Sum"};
    QTest::newRow("PersonalRealTimeDose")
        << "PersonalRealTimeDose" << 4 << 30 << "float" << QStringList {"Count", "Sum"};
    QTest::newRow("MonthMinuteDose")
        << "MonthMinuteDose" << 3 << 1440 << "float" << QStringList {"Maxindex", "Sum"};
    QTest::newRow("PersonalMonthDose")
        << "PersonalMonthDose" << 3 << 24 << "flaot" << QStringList {"Sum", "TimeIndex"};
}

// Slot statements address the columns by their bare numbers.
void TstRConnectDatabase::generatedColumns()
{
    QFETCH(QString, strTable);
    QFETCH(int, nLead);
    QFETCH(int, nCount);
    QFETCH(QString, strType);
    QFETCH(QStringList, tail);
    QVERIFY(Open());
    const QList<Column> list = columns(strTable);
    QCOMPARE(list.size(), nLead + nCount + tail.size());
    for (int i = 0; i < nCount; ++i) {
        const Column& column = list.at(nLead + i);
        QCOMPARE(column.strName, QString::number(i));
        QCOMPARE(column.strType, strType);
        QCOMPARE(column.strDefault, QStringLiteral("0"));
    }
    for (int i = 0; i < tail.size(); ++i)
        QCOMPARE(list.at(nLead + nCount + i).strName, tail.at(i));
    QVERIFY(QSqlQuery(
        QStringLiteral("insert into %1(Id, '%2') values(7, 1.5)").arg(strTable).arg(nCount - 1))
                .isActive());
    QSqlQuery query(
        QStringLiteral("select \"%1\" from %2 where Id = 7").arg(nCount - 1).arg(strTable));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toDouble(), 1.5);
}

void TstRConnectDatabase::declaredTypesAndDefaults_data()
{
    QTest::addColumn<QString>("strTable");
    QTest::addColumn<QString>("strColumn");
    QTest::addColumn<QString>("strType");
    QTest::addColumn<QString>("strDefault");
    QTest::newRow("MonthData.Month") << "MonthData"
                                     << "Month"
                                     << "varchar(20)"
                                     << "'2014-03-07'";
    QTest::newRow("Personal.Time") << "PersonalRealTimeDose"
                                   << "Time"
                                   << "varchar(10)"
                                   << "'02:01'";
    QTest::newRow("Color.G") << "RegionCurveColorInfo"
                             << "G_Color"
                             << "int"
                             << "202";
    QTest::newRow("Color.Alarm") << "RegionCurveColorInfo"
                                 << "Alarmvalue"
                                 << "int"
                                 << "10";
    QTest::newRow("System.IP") << "SystemInfo"
                               << "IP"
                               << "varchar(15)"
                               << "'127.0.0.1'";
    QTest::newRow("System.Port") << "SystemInfo"
                                 << "Port"
                                 << "int"
                                 << "8888";
    QTest::newRow("System.Ceff_R") << "SystemInfo"
                                   << "Ceff_R"
                                   << "float"
                                   << "0.0056";
    QTest::newRow("System.Ceff_P") << "SystemInfo"
                                   << "Ceff_P"
                                   << "float"
                                   << "0.00049";
    QTest::newRow("Port.Port") << "PortInfo"
                               << "Port"
                               << ""
                               << "";
    QTest::newRow("Personal.Sex") << "PersonalInfo"
                                  << "Sex"
                                  << "bit"
                                  << "0";
    QTest::newRow("Rout.Month") << "RoutingMinuteDose"
                                << "Month"
                                << "varchar(20)"
                                << "";
    QTest::newRow("Server.Port") << "ServerNetworkInfo"
                                 << "Port"
                                 << "int"
                                 << "6666";
    QTest::newRow("Sum.SumDose") << "PersonalSumDoseInfo"
                                 << "SumDose"
                                 << "float"
                                 << "0";
    QTest::newRow("Login.Logouttime") << "UserLoginTimeInfo"
                                      << "Logouttime"
                                      << "varchar(20)"
                                      << "0";
    QTest::newRow("User.state") << "UserPermission"
                                << "state"
                                << "int"
                                << "0";
}

void TstRConnectDatabase::declaredTypesAndDefaults()
{
    QFETCH(QString, strTable);
    QFETCH(QString, strColumn);
    QFETCH(QString, strType);
    QFETCH(QString, strDefault);
    QVERIFY(Open());
    for (const Column& column : columns(strTable)) {
        if (column.strName == strColumn) {
            // SQLite reports the standard type names in capitals.
            QCOMPARE(column.strType.toLower(), strType);
            QCOMPARE(column.strDefault, strDefault);
            return;
        }
    }
    QFAIL("column missing");
}

void TstRConnectDatabase::fileWithAnyTableGetsNoneOfTheFourteen()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QStringLiteral("DataBase.sqlite"));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(RConnectDatabase::ServerNetworkInfoStatement()).isActive());
        QVERIFY(QSqlQuery(QStringLiteral("insert into ServerNetworkInfo(IP) values('::1')"))
                    .isActive());
        db.close();
    }
    QVERIFY(Open());
    // Only the account tables are added; the indexes have no table to go on.
    QCOMPARE(names(QStringLiteral("table")),
        QStringList({"ServerNetworkInfo", "UserLoginTimeInfo", "UserPermission"}));
    QVERIFY(names(QStringLiteral("index")).filter(QStringLiteral("Index")).isEmpty());
    QSqlQuery query(QStringLiteral("select count(*) from ServerNetworkInfo"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
}

void TstRConnectDatabase::emptyServerTableIsKept()
{
    QVERIFY(Open());
    QVERIFY(QSqlQuery(QStringLiteral("drop index PersonMonthIndex")).isActive());
    QVERIFY(QSqlQuery(QStringLiteral("insert into RegionInfo(Id) values(3)")).isActive());
    QSqlDatabase::database().close();
    QVERIFY(Open());
    // The missing index comes back; the existing rows and tables stay.
    QVERIFY(names(QStringLiteral("index")).contains(QStringLiteral("PersonMonthIndex")));
    QSqlQuery query(QStringLiteral("select Id from RegionInfo"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 3);
    QCOMPARE(names(QStringLiteral("table")).size(), 17);
}

void TstRConnectDatabase::secondStartCreatesNothing()
{
    QVERIFY(Open());
    QSqlQuery before(QStringLiteral("select group_concat(sql, ';') from sqlite_master"));
    QVERIFY(before.next());
    const QString strBefore = before.value(0).toString();
    before.finish();
    QSqlDatabase::database().close();
    int nReports = 0;
    QVERIFY(Open(&nReports));
    QCOMPARE(nReports, 0);
    QSqlQuery after(QStringLiteral("select group_concat(sql, ';') from sqlite_master"));
    QVERIFY(after.next());
    QCOMPARE(after.value(0).toString(), strBefore);
}

void TstRConnectDatabase::openFailureIsReported()
{
    // A directory in the file's place cannot be opened as a database.
    QVERIFY(QDir().mkdir(QStringLiteral("DataBase.sqlite")));
    QString strTitle;
    RConnectDatabase connect;
    connect.SetFailureReport(
        [&strTitle](const QString& strBoxTitle, const QString&) { strTitle = strBoxTitle; });
    QVERIFY(!connect.OpenDatabase());
    QCOMPARE(strTitle, QStringLiteral("Cannot open database"));
}

void TstRConnectDatabase::commitEndsTransaction()
{
    QVERIFY(Open());
    QVERIFY(QSqlDatabase::database().transaction());
    QVERIFY(QSqlQuery(QStringLiteral("insert into RegionInfo(Id) values(9)")).isActive());
    QVERIFY(RConnectDatabase::CommitTransaction());
    // Nothing is open any more: a second commit fails.
    QVERIFY(!RConnectDatabase::CommitTransaction());
    QSqlDatabase::database().close();
    QVERIFY(Open());
    QSqlQuery query(QStringLiteral("select count(*) from RegionInfo where Id = 9"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
}

QTEST_GUILESS_MAIN(TstRConnectDatabase)
#include "tst_rconnectdatabase.moc"
