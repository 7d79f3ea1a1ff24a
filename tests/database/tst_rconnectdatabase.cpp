#include "database/RConnectDatabase.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

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
    QTemporaryDir* m_pDir = nullptr;
    QString m_strOldDir;
    int m_nReports = 0;
    QString m_strTitle;

    bool Open()
    {
        QSqlDatabase::database().close();
        RConnectDatabase connect;
        connect.SetFailureReport([this](const QString& strTitle, const QString&) {
            ++m_nReports;
            m_strTitle = strTitle;
        });
        return connect.OpenDatabase();
    }

private slots:
    void init()
    {
        m_strOldDir = QDir::currentPath();
        m_pDir = new QTemporaryDir;
        QDir::setCurrent(m_pDir->path());
        m_nReports = 0;
    }

    void cleanup()
    {
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        QDir::setCurrent(m_strOldDir);
        delete m_pDir;
    }

    // A new file gets every table in order, the indexes and the account tables;
    // a second start changes nothing and reports nothing.
    void newFileThenSecondStart()
    {
        QVERIFY(Open());
        QVERIFY(QFile::exists(QStringLiteral("DataBase.sqlite")));
        const QStringList tables
            = {"MonthData", "PersonalRealTimeDose", "MonthMinuteDose", "RegionInfo",
                "RegionLinkDoseInfo", "RegionCurveColorInfo", "RoutingRoomInfo", "PersonalInfo",
                "RoutingInfo", "SystemInfo", "PortInfo", "PersonalMonthDose", "PersonalSumDoseInfo",
                "RoutingMinuteDose", "ServerNetworkInfo", "MonthDataIndex", "MonthMinuteIndex",
                "PersonRealIndex", "PersonMonthIndex", "UserPermission", "UserLoginTimeInfo"};
        QCOMPARE(column(QStringLiteral("select name from sqlite_master where name not like "
                                       "'sqlite_%' order by rowid")),
            tables);
        QCOMPARE(column(QStringLiteral("pragma index_info(MonthDataIndex)"), 2),
            QStringList({"Id", "Month", "Hour"}));
        const QStringList schema = column(QStringLiteral("select sql from sqlite_master"));
        QVERIFY(Open());
        QCOMPARE(column(QStringLiteral("select sql from sqlite_master")), schema);
        QCOMPARE(m_nReports, 0);
    }

    void generatedColumns_data()
    {
        QTest::addColumn<QString>("strTable");
        QTest::addColumn<int>("nLead");
        QTest::addColumn<int>("nCount");
        QTest::addColumn<QString>("strType");
        QTest::addColumn<QString>("strNext");
        QTest::newRow("MonthData") << "MonthData" << 4 << 1800 << "float"
                                   << "Sum";
        QTest::newRow("PersonalRealTimeDose") << "PersonalRealTimeDose" << 4 << 30 << "float"
                                              << "Count";
        QTest::newRow("MonthMinuteDose") << "MonthMinuteDose" << 3 << 1440 << "float"
                                         << "Maxindex";
        QTest::newRow("PersonalMonthDose") << "PersonalMonthDose" << 3 << 24 << "flaot"
                                           << "Sum";
    }

    // Slot statements address these columns by their bare numbers.
    void generatedColumns()
    {
        QFETCH(QString, strTable);
        QFETCH(int, nLead);
        QFETCH(int, nCount);
        QFETCH(QString, strType);
        QFETCH(QString, strNext);
        QVERIFY(Open());
        const QString strInfo = QStringLiteral("pragma table_info(%1)").arg(strTable);
        const QStringList names = column(strInfo, 1).mid(nLead, nCount + 1);
        const QStringList types = column(strInfo, 2).mid(nLead, nCount);
        for (int i = 0; i < nCount; ++i) {
            QCOMPARE(names.at(i), QString::number(i));
            QCOMPARE(types.at(i).toLower(), strType);
        }
        QCOMPARE(names.last(), strNext);
        QVERIFY(QSqlQuery().exec(QStringLiteral("insert into %1(Id, '%2') values(7, 1.5)")
                                     .arg(strTable)
                                     .arg(nCount - 1)));
        QCOMPARE(column(QStringLiteral("select \"%1\" from %2").arg(nCount - 1).arg(strTable)),
            QStringList("1.5"));
    }

    // Any table present: none of the fourteen, and no index without its table.
    void existingFileIsNotRepaired()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
            db.setDatabaseName(QStringLiteral("DataBase.sqlite"));
            QVERIFY(db.open());
            QVERIFY(QSqlQuery().exec(RConnectDatabase::ServerNetworkInfoStatement()));
        }
        QVERIFY(Open());
        QCOMPARE(names("table"),
            QStringList({"ServerNetworkInfo", "UserPermission", "UserLoginTimeInfo"}));
        QVERIFY(names("index").isEmpty());
    }

    void openFailureIsReported()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("DataBase.sqlite")));
        QVERIFY(!Open());
        QCOMPARE(m_nReports, 1);
        QCOMPARE(m_strTitle, QStringLiteral("Cannot open database"));
    }

    void commitEndsTransaction()
    {
        QVERIFY(Open());
        QVERIFY(QSqlDatabase::database().transaction());
        QVERIFY(QSqlQuery().exec(QStringLiteral("insert into RegionInfo(Id) values(9)")));
        QVERIFY(RConnectDatabase::CommitTransaction());
        QVERIFY(!RConnectDatabase::CommitTransaction());
        QVERIFY(Open());
        QCOMPARE(column(QStringLiteral("select Id from RegionInfo")), QStringList("9"));
    }
};

QTEST_GUILESS_MAIN(TstRConnectDatabase)
#include "tst_rconnectdatabase.moc"
