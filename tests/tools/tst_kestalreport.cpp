#include "SqlRows.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "database/PSqlExec.h"
#include "database/RAuditKey.h"
#include "database/RConnectDatabase.h"
#include "history/PMonthReport.h"
#include "message/SBus.h"

#include "AlarmMonth.h"
#include "XlsxSheet.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TstKestalReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strOldDir = QDir::currentPath();

    struct Result
    {
        int nExit;
        QString strError;
        QString strOutput;
    };

    // Runs in site, whose data/ holds the client's key place.
    Result RunInSite(
        const QTemporaryDir& site, const QStringList& args, const QByteArray& input = QByteArray())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", site.filePath("data"));
        return Run(args, site.path(), environment, input);
    }

    // Runs in the site folder, where DataBase.sqlite is the default.
    Result Run(const QStringList& args, const QString& strWorkDir = QString(),
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
        const QByteArray& input = QByteArray())
    {
        QProcess process;
        process.setWorkingDirectory(strWorkDir.isEmpty() ? m_dir.path() : strWorkDir);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTAL_REPORT), args);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return {-1, QStringLiteral("did not finish"), QString()};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError()),
            QString::fromUtf8(process.readAllStandardOutput())};
    }

    QStringList Files() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        RConnectDatabase database(&TestDb::Writer());
        QVERIFY(database.OpenDatabase());
        const QStringList statements = {
            "insert into RegionInfo(Sub, Id, Name, Num) values(1, 3, 'Control room', 1)",
            "insert into RegionCurveColorInfo(Id, Alarmvalue) values(3, 5)",
            "insert into RegionLinkDoseInfo(Id, Month, AlarmOverCount, MaxDose, TimeInfo) "
            "values(3, '2014-05-02', 2, 7.5, '10:11:12')",
            "insert into MonthMinuteDose(Id, Month, \"0\", \"61\", \"1439\", \"5\", Sum) values(3, "
            "'2014-05-01', 30, 45, 0, 0, 75), (3, '2014-05-02', 0, 0, 3, 0, 3), (3, '2014-05-03', "
            "0, 0, 0, 30, 30), (4, '2014-05-01', 0, 0, 0, 30, 30)",
            "insert into PersonalInfo(Sub, Id, Name, Position, Sex) values(1, 12, 'Ann', "
            "'Operator', 1)",
            "insert into PersonalSumDoseInfo(Id, SumDose) values(12, 120)",
            "insert into PersonalMonthDose(Id, Month, Sum) values(12, '2014-05-03', 0)",
            "insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 1)",
            "insert into AlarmJournal(Time, Id, Event, Dose, Threshold, Operator) values"
            "('2014-05-03T08:00:00', 3, 'alarm', 7.5, 5, ''), "
            "('2014-05-03T08:05:00', 3, 'ack', 0, 0, 'Müller, A.'), "
            "('2014-05-04T09:00:00', 0, 'link-down', 0, 0, ''), "
            "('2014-05-06T09:00:00', 3, 'clear', 1, 5, '')",
            "insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 21, 'Lab \"2\", west', 1)",
            "insert into NotifyQueue(Time, Kind, Id, Level, Recipients, Subject, State, SentTime, "
            "Answer) values('2014-05-03T08:00:00', 'alarm', 3, 0, "
            "'call@site.test,night@site.test', "
            "'ALARM 3: 7.5 µRad/h', 1, '2014-05-03T08:00:11', '250 OK queued'), "
            "('2014-05-04T09:02:00', 'link', 0, 0, 'call@site.test', 'Data server link lost', 0, "
            "null, 'Login denied'), ('2014-05-06T09:00:00', 'back', 0, 0, 'call@site.test', 'x', "
            "1, null, null)",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) values(7, 21, 200, "
            "'13:05', '2014-05-05'), (7, 21, 123, '08:10', '2014-05-03'), (9, 22, 5, '09:00', "
            "'2014-05-04'), (9, 22, 5, '09:00', '2014-05-06')",
        };
        for (const QString& strSql : statements)
            QVERIFY2(PSqlExec::Exec(strSql), qPrintable(strSql));
        QVERIFY(AlarmMonth::Store());
        // Out of the write-ahead log into the file, so that a plain copy of
        // the file holds all of it.
        QVERIFY(PSqlExec::Select("pragma wal_checkpoint(truncate)").next());
    }
    void cleanupTestCase()
    {
        QSqlDatabase::database().close();
        QDir::setCurrent(m_strOldDir);
    }

    void sameCellsAsTheButton_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("reportTimeCell");
        QTest::newRow("region") << int(SBus::RegionList) << 3 << "B12";
        QTest::newRow("staff") << int(SBus::PersonalList) << 12 << "B15";
    }

    // The tool writes what the page's export writes, the title (the file
    // name) and the report time aside.
    void sameCellsAsTheButton()
    {
        QFETCH(int, kind);
        QFETCH(int, id);
        QFETCH(QString, reportTimeCell);
        PMonthReport report(kind, id, QDate(2014, 5, 31));
        QString strError;
        QCOMPARE(report.Read(&strError), PMonthReport::Status::Ok);
        QVERIFY(report.Write(m_dir.filePath("page.xlsx"), &strError));
        const Result result = Run({kind == SBus::RegionList ? "region" : "staff",
            QString::number(id), "2014-05-31", "-o", "tool.xlsx"});
        QCOMPARE(result.nExit, 0);

        XlsxSheet page = XlsxSheet::Read(m_dir.filePath("page.xlsx"));
        XlsxSheet tool = XlsxSheet::Read(m_dir.filePath("tool.xlsx"));
        QCOMPARE(tool.values.take("A1"), QString("tool.xlsx"));
        page.values.remove("A1");
        QVERIFY(!tool.values.take(reportTimeCell).isEmpty());
        page.values.remove(reportTimeCell);
        QVERIFY(tool.values.size() > 15);
        QCOMPARE(tool.values, page.values);
        QCOMPARE(tool.formats, page.formats);
        QCOMPARE(tool.heights, page.heights);
        QCOMPARE(tool.merges, page.merges);
        QVERIFY(!tool.chart.isEmpty());
        QCOMPARE(tool.chart, page.chart);
        QFile::remove(m_dir.filePath("page.xlsx"));
        QFile::remove(m_dir.filePath("tool.xlsx"));
    }

    // The month counted by hand (AlarmMonth.h) as the sheet shows it, under
    // the month's own name when no file is named: region 3 by its name,
    // the others by their ids, times in the units their headings give.
    void alarmFigures()
    {
        const Result result = Run({"alarm-figures", "2015-05"});
        QVERIFY2(result.nExit == 0, qPrintable(result.strError));
        const QString strFile = m_dir.filePath("alarm-figures-2015-05.xlsx");
        const XlsxSheet sheet = XlsxSheet::Read(strFile);
        QVERIFY(QFile::remove(strFile));
        const auto rowOf = [&sheet](const QString& strLabel) {
            for (int nRow = 1; nRow < 200; ++nRow) {
                if (sheet.values.value(QStringLiteral("A%1").arg(nRow)) == strLabel)
                    return nRow;
            }
            return 0;
        };
        // The cells of columns A.. of a row, as stored.
        const auto line = [&sheet](int nRow, int nCells) {
            QStringList cells;
            for (int nCol = 0; nCol < nCells; ++nCol)
                cells << sheet.values.value(
                    QStringLiteral("%1%2").arg(QChar('A' + nCol)).arg(nRow));
            return cells;
        };
        const auto number = [&sheet](int nRow, const char* pCol) {
            return sheet.values.value(QLatin1String(pCol) + QString::number(nRow)).toDouble();
        };
        QCOMPARE(sheet.values.value("A1"), QString("Alarm figures of 2015-05"));
        QCOMPARE(line(rowOf("Alarm episodes begun in the month"), 2),
            QStringList({"Alarm episodes begun in the month", "13"}));
        QCOMPARE(
            line(rowOf("Counted up to"), 2), QStringList({"Counted up to", "2015-06-01T00:00:00"}));

        const int nDays = rowOf("Alarm episodes per day") + 2;
        QCOMPARE(sheet.values.value(QStringLiteral("A%1").arg(nDays)),
            XlsxSheet::Serial(QDate(2015, 5, 1)));
        QMap<int, QString> perDay;
        for (int nDay = 0; nDay < 31; ++nDay) {
            const QString strCount = sheet.values.value(QStringLiteral("B%1").arg(nDays + nDay));
            if (strCount != "0")
                perDay.insert(nDay + 1, strCount);
        }
        QCOMPARE(perDay,
            (QMap<int, QString> {{2, "1"}, {3, "1"}, {10, "1"}, {15, "1"}, {25, "8"}, {31, "1"}}));

        const int nTop = rowOf("Alarm episodes per region") + 2;
        QCOMPARE(line(nTop, 3), QStringList({"5", "5", "2"}));
        QCOMPARE(line(nTop + 1, 3), QStringList({"Control room", "3", "1"}));
        QCOMPARE(line(nTop + 11, 3), QStringList({"27", "27", "1"}));
        QCOMPARE(line(nTop + 12, 3), QStringList({"", "", ""}));

        const int nInAlarm = rowOf("Time in alarm") + 2;
        QCOMPARE(line(nInAlarm, 2), QStringList({"Control room", "3"}));
        QCOMPARE(number(nInAlarm, "C"), 7800 / 3600.0);
        QCOMPARE(sheet.formats.value(QStringLiteral("C%1").arg(nInAlarm)), QString("0.00"));
        QCOMPARE(
            line(rowOf("Chattering regions") + 2, 5), QStringList({"7", "7", "1", "1200", "15"}));

        QCOMPARE(line(rowOf("Episodes begun"), 2), QStringList({"Episodes begun", "13"}));
        QCOMPARE(
            line(rowOf("Episodes acknowledged"), 2), QStringList({"Episodes acknowledged", "4"}));
        QCOMPARE(number(rowOf("Of them acknowledged after more than 10 minutes"), "B"), 2.0);
        QCOMPARE(number(rowOf("Median time to acknowledge (min)"), "B"), 510 / 60.0);
        QCOMPARE(number(rowOf("Longest time to acknowledge (min)"), "B"), 20.0);
        QCOMPARE(number(rowOf("Episodes never acknowledged"), "B"), 9.0);
        QCOMPARE(line(rowOf("Number of floods"), 2), QStringList({"Number of floods", "1"}));
        QCOMPARE(number(rowOf("Time in flood (min)"), "B"), 30.0);

        const int nShelved = rowOf("Shelved regions") + 2;
        QCOMPARE(line(nShelved, 3), QStringList({"5", "5", "4"}));
        QCOMPARE(line(nShelved + 1, 3), QStringList({"Control room", "3", "1.5"}));
    }

    // Started elsewhere with no database at hand, the tool reads the one the
    // client keeps when started from the desktop menu; a database in the
    // working directory still comes first.
    void desktopClientsDatabaseByDefault()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("elsewhere"));
        QVERIFY(QFile::link(m_dir.path(), home.filePath("kestal")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", home.path());
        const QString strOutput = home.filePath("elsewhere/m.csv");
        const QStringList args = {"minutes", "3", "2014-05-01", "2014-05-01", "-o", strOutput};
        const Result desktop = Run(args, home.filePath("elsewhere"), environment);
        QVERIFY2(desktop.nExit == 0, qPrintable(desktop.strError));
        QVERIFY(QFile::exists(strOutput));

        QVERIFY(QFile::copy(
            m_dir.filePath("DataBase.sqlite"), home.filePath("elsewhere/DataBase.sqlite")));
        QVERIFY(ExecOn(home.filePath("elsewhere/DataBase.sqlite"), {"delete from RegionInfo"}));
        const Result working = Run(args, home.filePath("elsewhere"), environment);
        QCOMPARE(working.nExit, 1);
        QVERIFY2(working.strError.contains("no region with id 3"), qPrintable(working.strError));
    }

    // The CSV commands write a header and their lines, CR LF after each:
    // minutes whose value is not 0, FROM to TO inclusive, as mean dose rates;
    // the journal's lines, newest first, for one region or all, an
    // operator's name with a comma one field; patrol readings of all staff
    // with readings, listed or not (a missing name read as the id), or of
    // the ticked staff and rooms.
    void csvFiles_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("lines");
        const QString strAlarms = "time,id,event,dose_uRad_h,threshold_uRad_h,operator,detail";
        const QString strAck = "2014-05-03T08:05:00,3,ack,0.00,0,\"Müller, A.\",";
        const QString strAlarm = "2014-05-03T08:00:00,3,alarm,7.50,5,,";
        const QString strRouting = "Interval,Time,Room,Manufacturing number,Dose";
        const QString strLab = "\"Lab \"\"2\"\", west\"";
        QTest::newRow("minutes") << QStringList {"minutes", "3", "2014-04-30", "2014-05-02"}
                                 << QStringList {"day,time,dose_rate_uRad_h",
                                        "2014-05-01,00:00,1.00", "2014-05-01,01:01,1.50",
                                        "2014-05-02,23:59,0.10"};
        QTest::newRow("alarms") << QStringList {"alarms", "2014-05-03", "2014-05-05"}
                                << QStringList {strAlarms,
                                       "2014-05-04T09:00:00,0,link-down,0.00,0,,", strAck,
                                       strAlarm};
        QTest::newRow("alarms, one region") << QStringList {"alarms", "2014-05-03", "2014-05-05",
            "--region", "3"} << QStringList {strAlarms, strAck, strAlarm};
        QTest::newRow("notifications")
            << QStringList {"notifications", "2014-05-03", "2014-05-05"}
            << QStringList {"queued,kind,region,list,to,subject,state,sent,answer",
                   "2014-05-03T08:00:00,alarm,3,0,\"call@site.test,night@site.test\",ALARM 3: "
                   "7.5 µRad/h,sent,2014-05-03T08:00:11,250 OK queued",
                   "2014-05-04T09:02:00,link,0,0,call@site.test,Data server link lost,queued,,"
                   "Login denied"};
        QTest::newRow("routing") << QStringList {"routing", "2014-05-03", "2014-05-05"}
                                 << QStringList {strRouting,
                                        "moring,2014-05-03T08:10," + strLab + ",S,1.23",
                                        "afternoon,2014-05-05T13:05," + strLab + ",S,2.00",
                                        "moring,2014-05-04T09:00,22,9,0.05"};
        QTest::newRow("routing, ticked staff and room") << QStringList {"routing", "2014-05-03",
            "2014-05-05", "--staff", "9,7", "--rooms",
            "22"} << QStringList {strRouting, "moring,2014-05-04T09:00,22,9,0.05"};
    }
    void csvFiles()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, lines);
        const Result result = Run(args + QStringList {"-o", "out.csv"});
        QVERIFY2(result.nExit == 0, qPrintable(result.strError));
        QCOMPARE(QString::fromUtf8(TestFiles::Get("out.csv")), lines.join("\r\n") + "\r\n");
        QVERIFY(QFile::remove("out.csv"));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        QTest::newRow("month 13") << QStringList({"region", "3", "2014-13-01", "-o", "r.xlsx"}) << 2
                                  << "not a day (yyyy-MM-dd): 2014-13-01";
        QTest::newRow("unknown region")
            << QStringList({"region", "99", "2014-05-31", "-o", "r.xlsx"}) << 1
            << "no region with id 99";
        QTest::newRow("unknown staff") << QStringList({"staff", "3", "2014-05-31", "-o", "r.xlsx"})
                                       << 1 << "no staff member with id 3";
        QTest::newRow("missing database")
            << QStringList({"region", "3", "2014-05-31", "--db", "none.sqlite", "-o", "r.xlsx"})
            << 1 << "no database file";
        QTest::newRow("no folder for the report")
            << QStringList({"region", "3", "2014-05-31", "-o", "gone/r.xlsx"}) << 1
            << "cannot write gone/r.xlsx";
        QTest::newRow("no folder for the minutes")
            << QStringList({"minutes", "3", "2014-05-01", "2014-05-02", "-o", "gone/m.csv"}) << 1
            << "cannot write gone/m.csv";
        // A rename over a device would put a file in its place.
        for (const char* pDevice : {"/dev/null", "/dev/full"}) {
            const QString strDevice = QLatin1String(pDevice);
            const QString strRefused = "cannot write " + strDevice + ": it is a device";
            QTest::addRow("report to %s", pDevice)
                << QStringList({"region", "3", "2014-05-31", "-o", strDevice}) << 1 << strRefused;
            QTest::addRow("minutes to %s", pDevice)
                << QStringList({"minutes", "3", "2014-05-01", "2014-05-02", "-o", strDevice}) << 1
                << strRefused;
        }
        QTest::newRow("routing, bad staff id")
            << QStringList({"routing", "2014-05-03", "2014-05-05", "--staff", "7,x", "-o", "r.csv"})
            << 2 << "not an id: x";
        QTest::newRow("minutes over a thousand years")
            << QStringList({"minutes", "3", "1014-05-01", "2014-05-01", "-o", "m.csv"}) << 2
            << "split the range";
        QTest::newRow("alarms over four years")
            << QStringList({"alarms", "2010-05-01", "2014-05-01", "-o", "a.csv"}) << 2
            << "split the range";
        QTest::newRow("alarm figures, month 13")
            << QStringList({"alarm-figures", "2015-13", "-o", "f.xlsx"}) << 2
            << "not a month (yyyy-MM): 2015-13";
        QTest::newRow("alarm figures, a day") << QStringList({"alarm-figures", "2015-05-01"}) << 2
                                              << "not a month (yyyy-MM): 2015-05-01";
        QTest::newRow("no output named")
            << QStringList({"region", "3", "2014-05-31"}) << 2 << "-o FILE is required";
    }

    // A clear message, a non-zero exit, nothing left in the folder and the
    // devices still devices.
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const QStringList before = Files();
        const Result result = Run(args);
        QCOMPARE(result.nExit, exit);
        QVERIFY2(result.strError.contains(message), qPrintable(result.strError));
        QCOMPARE(Files(), before);
        for (const char* pDevice : {"/dev/null", "/dev/full"})
            QVERIFY2(!QFileInfo(QLatin1String(pDevice)).isFile(), pDevice);
    }

    // The audit commands on a new site, with the client's key place: the
    // first administrator once, its row in the trail, and verify-audit's
    // answers: 0 while the chain holds, 4 naming the row a shell added, 1
    // without the key.
    void auditCommands()
    {
        QTemporaryDir site;
        const auto run = [&](const QStringList& args, const QByteArray& input = QByteArray()) {
            return RunInSite(site, args, input);
        };
        Result result = run({"add-admin", "root"}, "Grüne Tür 42\n");
        QVERIFY2(result.nExit == 0, qPrintable(result.strError));
        QVERIFY(QFile::exists(site.filePath("data/kestal/audit.key")));
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(site.filePath("data")));
        QCOMPARE(RAuditKey::DefaultPath(), site.filePath("data/kestal/audit.key"));
        if (oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(run({"add-admin", "kim"}, "another password\n").nExit, 1);
        QCOMPARE(run({"add-admin", "kim"}).nExit, 2);

        result = run({"verify-audit"});
        QVERIFY2(result.nExit == 0, qPrintable(result.strError));
        result = run({"audit", "2000-01-01", "2002-12-31"});
        QCOMPARE(result.nExit, 0);
        QCOMPARE(result.strOutput.count("\r\n"), 1);
        const QDate today = QDate::currentDate();
        result = run({"audit", today.addDays(-1).toString("yyyy-MM-dd"),
            today.addDays(1).toString("yyyy-MM-dd"), "--action", "account-create"});
        QCOMPARE(result.nExit, 0);
        QCOMPARE(result.strOutput.section("\r\n", 1, 1).section(',', 2),
            QString("0,kestal-report,account-create,root,,grade 0,"));
        QVERIFY(!result.strOutput.contains("[Debug]"));

        QVERIFY(ExecOn(site.filePath("DataBase.sqlite"),
            {"insert into AuditTrail select 2, Time, AccountId, AccountName, Action, Object, "
             "OldValue, 'grade 1', Reason, Mac from AuditTrail where Seq = 1"}));
        result = run({"verify-audit"});
        QCOMPARE(result.nExit, 4);
        QVERIFY2(result.strError.contains("Chain broken at row 2"), qPrintable(result.strError));
        QCOMPARE(run({"verify-audit", "--audit-key", site.filePath("none.key")}).nExit, 1);
    }

    // A backup copy is checked as the auditor has it: without the head file
    // beside the key, a chain that holds cannot vouch for its end (5);
    // with the head kept elsewhere (--head) it can (0) and rows cut from
    // its end show (4); an emptied or dropped trail in a file with accounts
    // is broken either way, and audit on a file without the table fails.
    void verifyAuditOnCopies()
    {
        QTemporaryDir site;
        const auto run = [&](const QStringList& args, const QByteArray& input = QByteArray()) {
            return RunInSite(site, args, input);
        };
        QCOMPARE(run({"add-admin", "root"}, "Grüne Tür 42\n").nExit, 0);
        const QString strKey = site.filePath("data/kestal/audit.key");
        QString strHead;
        for (const QFileInfo& info :
            QDir(site.filePath("data/kestal")).entryInfoList(QDir::Files)) {
            if (info.fileName() != QLatin1String("audit.key"))
                strHead = info.filePath();
        }
        QVERIFY(!strHead.isEmpty());
        struct Case
        {
            const char* pName;
            const char* pTamper; // on the copy
            bool bHead; // --head given
            int nExit;
            const char* pSaid;
        };
        const Case cases[] = {
            {"intact, no head", "", false, 5, "cannot be confirmed"},
            {"intact, head", "", true, 0, "Chain intact (1 rows)."},
            {"emptied, no head", "delete from AuditTrail", false, 4, "the file holds accounts (1)"},
            {"emptied, head", "delete from AuditTrail", true, 4, "the last row is missing"},
            {"dropped, no head", "drop table AuditTrail", false, 4, "table is gone"},
            {"dropped, head", "drop table AuditTrail", true, 4, "table is gone"},
        };
        for (const Case& one : cases) {
            const QString strCopy = site.filePath(QStringLiteral("copy/%1.sqlite").arg(one.pName));
            QDir().mkpath(site.filePath("copy"));
            QVERIFY(QFile::copy(site.filePath("DataBase.sqlite"), strCopy));
            if (*one.pTamper)
                QVERIFY(ExecOn(strCopy, {QLatin1String(one.pTamper)}));
            QStringList args {"verify-audit", "--db", strCopy, "--audit-key", strKey};
            if (one.bHead)
                args << "--head" << strHead;
            const Result result = run(args);
            QVERIFY2(result.nExit == one.nExit, one.pName);
            QVERIFY2((result.strOutput + result.strError).contains(QLatin1String(one.pSaid)),
                qPrintable(QString(one.pName) + ": " + result.strOutput + result.strError));
            if (QLatin1String(one.pTamper).startsWith(QLatin1String("drop")))
                QCOMPARE(run({"audit", "2000-01-01", "2000-01-02", "--db", strCopy}).nExit, 1);
        }
    }

    void unreadableDatabase_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        const QList<QStringList> commands = {{"region", "3", "2014-05-31", "-o", "x.xlsx"},
            {"staff", "12", "2014-05-31", "-o", "x.xlsx"},
            {"minutes", "3", "2014-05-01", "2014-05-03", "-o", "x.csv"},
            {"routing", "2014-05-03", "2014-05-05", "-o", "x.csv"},
            {"alarm-figures", "2015-05", "-o", "x.xlsx"},
            {"alarms", "2014-05-03", "2014-05-05", "-o", "x.csv"}};
        for (const QStringList& args : commands) {
            QTest::addRow("%s, locked", qPrintable(args.first()))
                << "locked" << args + QStringList({"--wait", "0"}) << 3 << "database busy";
            QTest::addRow("%s, truncated", qPrintable(args.first()))
                << "truncated" << args << 1 << "cannot read the database";
        }
        // Every read of a run shares the one wait: a command of many reads
        // gives up as one of a single read does.
        QTest::newRow("routing, locked past a wait of 1 s")
            << "locked"
            << QStringList({"routing", "2014-05-03", "2014-05-05", "--wait", "1", "-o", "x.csv"})
            << 3 << "database busy";
        // To SQLite an empty file is a database of no tables.
        QTest::newRow("alarms, empty file") << "empty" << commands.last() << 1 << "no tables";
    }

    // A database the command cannot read, as a file of its own beside the
    // site's (a lock: a second connection's exclusive write transaction in
    // rollback mode): the same exit for every command, nothing left behind.
    void unreadableDatabase()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QTemporaryDir spare;
        const QString strFile = spare.filePath("DataBase.sqlite");
        QFile empty(strFile);
        QVERIFY(state == "empty" ? empty.open(QIODevice::WriteOnly)
                                 : PSqlExec::Exec("vacuum into ?", {strFile}));
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(strFile);
            QVERIFY(holder.open());
            QSqlQuery hold(holder);
            if (state != "empty")
                QVERIFY(hold.exec("pragma journal_mode = delete"));
            if (state == "locked")
                QVERIFY(hold.exec("begin exclusive"));
            if (state == "truncated")
                QVERIFY(QFile::resize(strFile, QFileInfo(strFile).size() / 2));
            const QStringList before = Files();
            const Result result = Run(args + QStringList({"--db", strFile}));
            if (state == "locked")
                QVERIFY(hold.exec("rollback"));
            QCOMPARE(result.nExit, exit);
            QVERIFY2(result.strError.contains(message), qPrintable(result.strError));
            QCOMPARE(Files(), before);
        }
        QSqlDatabase::removeDatabase("holder");
    }
};

QTEST_GUILESS_MAIN(TstKestalReport)
#include "tst_kestalreport.moc"
