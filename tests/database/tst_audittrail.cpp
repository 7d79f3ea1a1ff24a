#include "SqlRows.h"
#include "TestDb.h"

#include "database/RAuditKey.h"
#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

using Status = RAuditCheck::Status;
Q_DECLARE_METATYPE(Status)

namespace {

const RAuditActor s_officer {2, QStringLiteral("Ann, RPO")};

} // namespace

// The chain of MACs: every kind of change to the file breaks it at the row
// changed, and rows the writer held through a refusing file chain on.
class TestAuditTrail : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strOldDir = QDir::currentPath();
    std::unique_ptr<SManualClock> m_pClock;
    std::unique_ptr<RAuditTrail> m_pTrail;

    int m_nRun = 0;

    QString KeyPath() const { return m_dir.filePath(QStringLiteral("%1.key").arg(m_nRun)); }

    // n threshold rows, a second apart.
    void AppendThresholds(RAuditTrail* pTrail, int nCount)
    {
        for (int n = 0; n < nCount; ++n) {
            m_pClock->Advance(1000);
            QVERIFY(pTrail->Append(s_officer, RAuditAction::Threshold,
                QStringLiteral("region %1").arg(n), QString::number(n * 10),
                QString::number(n * 10 + 5), QStringLiteral("drill, \"B\"")));
        }
    }

    QByteArray Key() const
    {
        QString strError;
        return RAuditKey::Read(KeyPath(), &strError);
    }

private slots:
    void init()
    {
        // A new file and key for each row of a table too.
        const QString strDir = m_dir.filePath(QString::number(++m_nRun));
        QVERIFY(QDir().mkpath(strDir) && QDir::setCurrent(strDir));
        RConnectDatabase database(&TestDb::Writer());
        QVERIFY(database.OpenDatabase());
        m_pClock = std::make_unique<SManualClock>(QDateTime(QDate(2030, 4, 1), QTime(8, 0)));
        m_pTrail = std::make_unique<RAuditTrail>(&TestDb::Writer(), KeyPath(), m_pClock.get());
        QString strError;
        QVERIFY2(m_pTrail->Open(&strError), qPrintable(strError));
    }
    void cleanup()
    {
        m_pTrail.reset();
        TestDb::Writer().ReleaseStatements();
        QSqlDatabase::database().close();
        QDir::setCurrent(m_strOldDir);
    }

    // Each change to the file breaks the chain at the first row it touches:
    // the row after a removed one, a copied genuine row wherever it is put,
    // two rows that swapped places.
    void tamperedFileBreaksAt_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<qint64>("brokenSeq");
        QTest::newRow("untouched") << QStringList() << qint64(0);
        QTest::newRow("value edited")
            << QStringList {"update AuditTrail set NewValue = '1000' where Seq = 3"} << qint64(3);
        QTest::newRow("time edited")
            << QStringList {"update AuditTrail set Time = '2030-04-01T07:00:00' where Seq = 4"}
            << qint64(4);
        QTest::newRow("account edited")
            << QStringList {"update AuditTrail set AccountName = 'Bob' where Seq = 1"} << qint64(1);
        QTest::newRow("row deleted")
            << QStringList {"delete from AuditTrail where Seq = 2"} << qint64(3);
        QTest::newRow("first row deleted")
            << QStringList {"delete from AuditTrail where Seq = 1"} << qint64(2);
        QTest::newRow("last rows deleted")
            << QStringList {"delete from AuditTrail where Seq >= 4"} << qint64(4);
        QTest::newRow("every row deleted") << QStringList {"delete from AuditTrail"} << qint64(1);
        QTest::newRow("table dropped") << QStringList {"drop table AuditTrail"} << qint64(1);
        QTest::newRow("genuine row inserted in the middle")
            << QStringList {"update AuditTrail set Seq = Seq + 100 where Seq >= 3",
                   "update AuditTrail set Seq = Seq - 99 where Seq >= 100",
                   "insert into AuditTrail select 3, Time, AccountId, AccountName, Action, "
                   "Object, OldValue, NewValue, Reason, Mac from AuditTrail where Seq = 2"}
            << qint64(3);
        QTest::newRow("genuine row appended") << QStringList {
            "insert into AuditTrail select 6, Time, AccountId, AccountName, "
            "Action, Object, OldValue, NewValue, Reason, Mac from AuditTrail "
            "where Seq = 5"} << qint64(6);
        QTest::newRow("rows swapped") << QStringList {"update AuditTrail set Seq = 0 where Seq = 2",
            "update AuditTrail set Seq = 2 where Seq = 4",
            "update AuditTrail set Seq = 4 where Seq = 0"}
                                      << qint64(2);
    }
    void tamperedFileBreaksAt()
    {
        QFETCH(QStringList, statements);
        QFETCH(qint64, brokenSeq);
        AppendThresholds(m_pTrail.get(), 5);
        QVERIFY(ExecOn("DataBase.sqlite", statements));
        const RAuditCheck check = RAuditTrail::Verify(Key(), RAuditTrail::HeadPath(KeyPath()));
        QCOMPARE(check.eStatus, brokenSeq == 0 ? Status::Intact : Status::Broken);
        QCOMPARE(check.nBrokenSeq, brokenSeq);
    }

    // Rows removed from the end before the client opens the trail again are
    // put on record at once, so the trail stays broken however it goes on.
    void gapFoundAtOpenStaysOnRecord()
    {
        AppendThresholds(m_pTrail.get(), 5);
        m_pTrail.reset();
        QVERIFY(ExecOn("DataBase.sqlite", {"delete from AuditTrail where Seq >= 4"}));
        m_pTrail = std::make_unique<RAuditTrail>(&TestDb::Writer(), KeyPath(), m_pClock.get());
        QString strError;
        QVERIFY(m_pTrail->Open(&strError));
        AppendThresholds(m_pTrail.get(), 1);
        const RAuditCheck check = RAuditTrail::Verify(Key(), RAuditTrail::HeadPath(KeyPath()));
        QCOMPARE(check.eStatus, Status::Broken);
        QCOMPARE(check.nBrokenSeq, qint64(4));
        QVERIFY2(check.strReason.contains("rows 4 to 5"), qPrintable(check.strReason));
    }

    // Rows made with another key break the chain at the first of them, and
    // checked with that other key the chain breaks at once.
    void anotherKeyBreaksAtItsFirstRow()
    {
        AppendThresholds(m_pTrail.get(), 3);
        const QString strOtherKey = m_dir.filePath("other.key");
        QString strError;
        QVERIFY(!RAuditKey::Create(strOtherKey, &strError).isEmpty());
        RAuditTrail other(&TestDb::Writer(), strOtherKey, m_pClock.get());
        QVERIFY(other.Open(&strError));
        AppendThresholds(&other, 2);
        QCOMPARE(RAuditTrail::Verify(Key()).nBrokenSeq, qint64(4));
        QCOMPARE(
            RAuditTrail::Verify(RAuditKey::Read(strOtherKey, &strError)).nBrokenSeq, qint64(1));
    }

    // A genuine row of another site's file under the same key, put in place
    // of the row with its number, breaks the chain: it follows another row.
    void rowOfAnotherFileBreaks()
    {
        AppendThresholds(m_pTrail.get(), 3);
        const QString strHere = QDir::current().filePath("DataBase.sqlite");
        TestDb::Writer().ReleaseStatements();
        QSqlDatabase::database().close();
        QVERIFY(QDir().mkpath("other") && QDir::setCurrent("other"));
        {
            RConnectDatabase database(&TestDb::Writer());
            QVERIFY(database.OpenDatabase());
            RAuditTrail other(&TestDb::Writer(), KeyPath(), m_pClock.get());
            QString strError;
            QVERIFY(other.Open(&strError));
            QVERIFY(other.Append(s_officer, RAuditAction::Mute));
            AppendThresholds(&other, 1);
        }
        QVERIFY(ExecOn(strHere,
            {"attach database 'DataBase.sqlite' as other", "delete from AuditTrail where Seq = 2",
                "insert into AuditTrail select * from other.AuditTrail where Seq = 2"}));
        TestDb::Writer().ReleaseStatements();
        QSqlDatabase::database().close();
        QVERIFY(QDir::setCurrent(".."));
        RConnectDatabase database(&TestDb::Writer());
        QVERIFY(database.OpenDatabase());
        QCOMPARE(SqlRows("select Object from AuditTrail where Seq = 2"), QString("region 0"));
        QCOMPARE(RAuditTrail::Verify(Key()).nBrokenSeq, qint64(2));
    }

    // Rows made while another connection holds the file are kept by the
    // writer, and those made after them still chain on: the file gets all of
    // them in order once it takes writes again.
    void rowsKeptByTheWriterChainOn()
    {
        RStorageWriter& writer = TestDb::Writer();
        AppendThresholds(m_pTrail.get(), 2);
        QVERIFY(writer.Commit());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(QDir::current().filePath("DataBase.sqlite"));
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec("begin immediate"));
            AppendThresholds(m_pTrail.get(), 3);
            QVERIFY(!writer.IsHealthy());
            QCOMPARE(writer.KeptStatements(), qint64(3));
            QVERIFY(hold.exec("commit"));
        }
        QSqlDatabase::removeDatabase("other");
        QVERIFY(writer.Flush(0));
        AppendThresholds(m_pTrail.get(), 1);
        QCOMPARE(SqlRows("select group_concat(Seq) from AuditTrail"), QString("1,2,3,4,5,6"));
        const RAuditCheck check = RAuditTrail::Verify(Key());
        QCOMPARE(check.eStatus, Status::Intact);
        QCOMPARE(check.nRows, qint64(6));
    }

    // The key is the user's alone; it is made only for an empty trail, so a
    // lost key never starts a second chain in the same table.
    void keyFile()
    {
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(KeyPath()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
        QCOMPARE(Key().size(), RAuditKey::Size);
        AppendThresholds(m_pTrail.get(), 1);

        RAuditTrail reopened(&TestDb::Writer(), KeyPath(), m_pClock.get());
        QString strError;
        QVERIFY(reopened.Open(&strError));
        AppendThresholds(&reopened, 1);
        QCOMPARE(RAuditTrail::Verify(Key()).eStatus, Status::Intact);

        QVERIFY(QFile::remove(KeyPath()));
        RAuditTrail keyless(&TestDb::Writer(), KeyPath(), m_pClock.get());
        QVERIFY(!keyless.Open(&strError));
        QVERIFY(!keyless.Append(s_officer, RAuditAction::Mute));
        QVERIFY(!QFile::exists(KeyPath()));
        QCOMPARE(RAuditTrail::Verify(QByteArray()).eStatus, Status::NoKey);
    }

    // The rows of a day range, filtered as the audit view filters them.
    void readFilters()
    {
        AppendThresholds(m_pTrail.get(), 2);
        m_pClock->Advance(24 * 3600 * 1000);
        QVERIFY(m_pTrail->Append({3, "Bob"}, RAuditAction::Acknowledge, "region 7"));
        const QDate day(2030, 4, 1);
        QCOMPARE(RAuditTrail::Read(day, day).size(), 2);
        QCOMPARE(RAuditTrail::Read(day, day.addDays(1)).size(), 3);
        QCOMPARE(RAuditTrail::Read(day, day.addDays(1), "Bob").size(), 1);
        QCOMPARE(RAuditTrail::Read(day, day.addDays(1), QString(), "threshold").size(), 2);
        QCOMPARE(RAuditTrail::CsvFields(RAuditTrail::Read(day, day).at(1)),
            QStringList({"2", "2030-04-01T08:00:02", "2", "Ann, RPO", "threshold", "region 1", "10",
                "15", "drill, \"B\""}));
    }
};

QTEST_GUILESS_MAIN(TestAuditTrail)
#include "tst_audittrail.moc"
