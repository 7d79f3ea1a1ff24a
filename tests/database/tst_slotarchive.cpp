#include "TestDb.h"
#include "database/PHistoryDoseStore.h"
#include "database/PSqlExec.h"
#include "database/RArchiveChange.h"
#include "database/RClientSettings.h"
#include "database/RConnectDatabase.h"
#include "database/RDayDataStore.h"
#include "database/RSlotArchive.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"

#include "SqlRows.h"
#include "StdoutCapture.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Two regions, three days in each of September, October, November and
// December; slot "7" of every hour holds a value unique to its row.
const int s_ids[] = {3, 8};
const char* const s_days[]
    = {"2026-09-01", "2026-09-15", "2026-09-30", "2026-10-02", "2026-10-17", "2026-10-31",
        "2026-11-01", "2026-11-20", "2026-11-30", "2026-12-01", "2026-12-06", "2026-12-07"};

double slotValue(int nId, int nDay, int nHour)
{
    return nId * 10000 + nDay * 100 + nHour + 0.5;
}

void writeSite()
{
    PSqlExec::Exec(QStringLiteral("begin"));
    for (int nId : s_ids)
        for (int nDay = 0; nDay < 12; ++nDay)
            for (int nHour = 0; nHour < 24; ++nHour)
                PSqlExec::Exec(QStringLiteral("insert into MonthData(Id, Month, Hour, \"7\", Sum) "
                                              "values(?, ?, ?, ?, ?)"),
                    {nId, QString::fromLatin1(s_days[nDay]), nHour, slotValue(nId, nDay, nHour),
                        slotValue(nId, nDay, nHour)});
    PSqlExec::Exec(QStringLiteral("commit"));
}

// Every (Id, Month, Hour, slot 7) the file holds, sorted.
QStringList slotRows(const QString& strFile)
{
    const QString strRows = CommittedRows(strFile,
        QStringLiteral("select Id, Month, Hour, \"7\" from MonthData order by Id, Month, Hour"));
    return strRows.isEmpty() ? QStringList() : strRows.split(QStringLiteral("; "));
}

} // namespace

class TstSlotArchive : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_strOldDir = QDir::currentPath();
    std::unique_ptr<SManualClock> m_pClock;
    QStringList m_all;

    void OpenSite()
    {
        RConnectDatabase connect(&TestDb::Writer());
        QVERIFY(connect.OpenDatabase());
    }

    QString MainFile() const { return m_pDir->filePath(QStringLiteral("DataBase.sqlite")); }

    // Steps until a pass finds nothing more to move, committing as the
    // writer's minute does; false when a step failed.
    bool RunToEnd(RSlotArchive& archive)
    {
        QSignalSpy stepped(&archive, &RSlotArchive::Stepped);
        for (int i = 0; i < 200; ++i) {
            m_pClock->Advance(70000);
            archive.Step();
            if (!stepped.wait(10000))
                return false;
            TestDb::Writer().Commit();
            if (stepped.last().at(0).toString().isEmpty())
                return true;
        }
        return false;
    }

    // Each slot row of the site is in exactly one file, unchanged.
    void VerifyEachRowOnce(const QStringList& months)
    {
        QStringList rows = slotRows(MainFile());
        for (const QString& strMonth : months)
            rows += slotRows(RSlotArchive::FilePath(strMonth));
        rows.sort();
        QCOMPARE(rows, m_all);
    }

private slots:
    void init()
    {
        m_pDir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(m_pDir->path());
        OpenSite();
        writeSite();
        m_all = slotRows(MainFile());
        m_all.sort();
        QCOMPARE(m_all.size(), 2 * 12 * 24);
        m_pClock = std::make_unique<SManualClock>(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    }
    void cleanup()
    {
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        QDir::setCurrent(m_strOldDir);
    }

    // With the default two months, September and October go to their own
    // files and November and December stay; the months are marked moved.
    // With one month, November follows. A second run moves nothing.
    void closedMonthsMoveOut_data()
    {
        QTest::addColumn<int>("months");
        QTest::addColumn<QStringList>("moved");
        QTest::addColumn<QString>("firstKept");
        QTest::newRow("default") << int(RSlotArchive::DefaultRetentionMonths)
                                 << QStringList {"2026-09", "2026-10"} << "2026-11-01";
        QTest::newRow("one month")
            << 1 << QStringList {"2026-09", "2026-10", "2026-11"} << "2026-12-01";
        // The newest stored day holds the line, not a clock set years ahead.
        QTest::newRow("clock years ahead") << int(RSlotArchive::DefaultRetentionMonths)
                                           << QStringList {"2026-09", "2026-10"} << "2026-11-01";
    }
    void closedMonthsMoveOut()
    {
        QFETCH(int, months);
        QFETCH(QStringList, moved);
        QFETCH(QString, firstKept);
        if (QByteArray(QTest::currentDataTag()) == "clock years ahead")
            m_pClock->Set(QDateTime(QDate(2031, 6, 1), QTime(10, 0)));
        QVERIFY(RClientSettings::SetInt(RClientSettings::ArchiveRetentionMonths, months, nullptr));
        RSlotArchive archive(&TestDb::Writer(), m_pClock.get());
        QVERIFY(RunToEnd(archive));
        VerifyEachRowOnce(moved);
        for (const QString& strRow : slotRows(MainFile()))
            QVERIFY2(strRow.section(QLatin1Char(' '), 1, 1) >= firstKept, qPrintable(strRow));
        QCOMPARE(CommittedRows(MainFile(), "select Month, State from ArchivedMonth order by Month"),
            moved.join(" 2; ") + " 2");
        QVERIFY(RunToEnd(archive));
        VerifyEachRowOnce(moved);
    }

    // A stop at any point between the archive's commit and the main file's
    // (the deletes are lost with the transaction): the next start finds the
    // copied rows already archived, deletes them, and no row is doubled or
    // lost, whatever step the stop came after.
    void interruptedMoveLeavesEachRowOnce_data()
    {
        QTest::addColumn<int>("steps");
        for (int nSteps : {1, 2, 5, 9})
            QTest::addRow("after %d steps", nSteps) << nSteps;
    }
    void interruptedMoveLeavesEachRowOnce()
    {
        QFETCH(int, steps);
        {
            RSlotArchive archive(&TestDb::Writer(), m_pClock.get());
            QSignalSpy stepped(&archive, &RSlotArchive::Stepped);
            for (int i = 0; i < steps; ++i) {
                m_pClock->Advance(70000);
                archive.Step();
                QVERIFY(stepped.wait(10000));
                if (i + 1 < steps)
                    TestDb::Writer().Commit();
            }
        }
        // The stop: what the writer had not committed is gone.
        PSqlExec::Exec(QStringLiteral("rollback"));
        TestDb::Writer().Reset();
        QSqlDatabase::database().close();
        OpenSite();
        RSlotArchive archive(&TestDb::Writer(), m_pClock.get());
        QVERIFY(RunToEnd(archive));
        VerifyEachRowOnce({"2026-09", "2026-10"});
    }

    // A month begun whose file went away is reported and never made again
    // as an empty file; the rows still in the main file stay there.
    void missingArchiveFileIsNotRecreated()
    {
        RSlotArchive archive(&TestDb::Writer(), m_pClock.get());
        QSignalSpy stepped(&archive, &RSlotArchive::Stepped);
        m_pClock->Advance(70000);
        archive.Step();
        QVERIFY(stepped.wait(10000));
        TestDb::Writer().Commit();
        const QString strFile = RSlotArchive::FilePath(QStringLiteral("2026-09"));
        QVERIFY(QFile::remove(strFile));
        const QStringList before = slotRows(MainFile());
        const QByteArray log = StdoutCapture::Of([&]() {
            m_pClock->Advance(70000);
            archive.Step();
            QVERIFY(stepped.wait(10000));
        });
        QVERIFY2(log.contains("[Alert]") && log.contains("missing"), log.constData());
        QVERIFY(!QFile::exists(strFile));
        TestDb::Writer().Commit();
        QCOMPARE(slotRows(MainFile()), before);
    }

    // What reads or deletes slots follows them into the archive: the fine
    // zoom of an archived day, deleting that day (all or nothing across both
    // files) and removing a region with its history. A missing file is
    // reported, reads as no data, blocks a day delete and is not recreated.
    void archivedDaysReadAndDelete()
    {
        RSlotArchive archive(&TestDb::Writer(), m_pClock.get());
        QVERIFY(RunToEnd(archive));
        QVector<float> fine;
        PHistoryDoseStore::LoadRegionFine(3, QDate(2026, 9, 15), 5, fine);
        QCOMPARE(fine.at(7), float(slotValue(3, 1, 5)));

        int nRows = 0;
        QString strError;
        QVERIFY2(RDayDataStore::DeleteDay(TestDb::Writer(), RDayDataStore::Region, 3,
                     QDate(2026, 10, 17), false, &nRows, &strError),
            qPrintable(strError));
        QCOMPARE(nRows, 24);
        const QStringList october = slotRows(RSlotArchive::FilePath("2026-10"));
        QCOMPARE(october.size(), 5 * 24);
        for (const QString& strRow : october)
            QVERIFY(!strRow.startsWith("3 2026-10-17"));

        {
            RArchiveChange change;
            QVERIFY(change.DeleteRegion(8, &strError));
            QVERIFY(change.Commit(&strError));
        }
        for (const char* pMonth : {"2026-09", "2026-10"})
            for (const QString& strRow : slotRows(RSlotArchive::FilePath(pMonth)))
                QVERIFY(strRow.startsWith("3 "));

        const QString strFile = RSlotArchive::FilePath(QStringLiteral("2026-09"));
        QVERIFY(QFile::remove(strFile));
        fine.fill(0.0f);
        const QByteArray log = StdoutCapture::Of([&]() {
            QCOMPARE(PHistoryDoseStore::LoadRegionFine(3, QDate(2026, 9, 15), 5, fine), 0.0f);
        });
        QVERIFY2(log.contains("[Alert]") && log.contains("missing"), log.constData());
        QVERIFY(!RDayDataStore::DeleteDay(TestDb::Writer(), RDayDataStore::Region, 3,
            QDate(2026, 9, 1), false, &nRows, &strError));
        QVERIFY2(strError.contains(strFile), qPrintable(strError));
        QVERIFY(!QFile::exists(strFile));
    }

    // The setting survives a restart; an unset or unreadable one is the default.
    void retentionSettingSavedAndReloaded()
    {
        QCOMPARE(RClientSettings::Int(RClientSettings::ArchiveRetentionMonths, 2), 2);
        QVERIFY(RClientSettings::SetInt(RClientSettings::ArchiveRetentionMonths, 6, nullptr));
        TestDb::Writer().Commit();
        QSqlDatabase::database().close();
        OpenSite();
        QCOMPARE(RClientSettings::Int(RClientSettings::ArchiveRetentionMonths, 2), 6);
        PSqlExec::Exec(QStringLiteral("update ClientSettings set Value = 'six'"));
        QCOMPARE(RClientSettings::Int(RClientSettings::ArchiveRetentionMonths, 2), 2);
    }
};

QTEST_GUILESS_MAIN(TstSlotArchive)
#include "tst_slotarchive.moc"
