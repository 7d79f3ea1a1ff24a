#include "database/RConnectDatabase.h"

#include <QDir>
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

    bool Open()
    {
        QSqlDatabase::database().close();
        RConnectDatabase connect;
        connect.SetFailureReport(
            [this](const QString& strTitle, const QString&) { m_reports << strTitle; });
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
        QVERIFY(m_reports.isEmpty());
    }

    // Slot statements address these columns by their bare numbers.
    void generatedColumns_data()
    {
        QTest::addColumn<int>("nLead");
        QTest::addColumn<int>("nCount");
        QTest::addColumn<QString>("strType");
        QTest::addColumn<QString>("strNext");
        QTest::newRow("MonthData") << 4 << 1800 << QString("float") << "Sum";
        QTest::newRow("PersonalRealTimeDose") << 4 << 30 << QString("float") << "Count";
        QTest::newRow("MonthMinuteDose") << 3 << 1440 << QString("float") << "Maxindex";
        QTest::newRow("PersonalMonthDose") << 3 << 24 << QString("flaot") << "Sum";
    }
    void generatedColumns()
    {
        const QString strTable = QTest::currentDataTag();
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

    // A file that cannot be opened is reported once, and nothing else happens.
    void openFailureIsReported()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("DataBase.sqlite")));
        QVERIFY(!Open());
        QCOMPARE(m_reports, QStringList("Cannot open database"));
    }

    // The commit ends the long transaction; there is none to commit after it.
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
