#include "SqlRows.h"
#include "StdoutCapture.h"
#include "TestDb.h"

#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageWriter.h"
#include "database/RUserAccounts.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Result = RUserAccounts::Result;
using Action = RUserRights::Action;
Q_DECLARE_METATYPE(Result)
Q_DECLARE_METATYPE(Action)

namespace {

const RAuditActor s_admin {1, QStringLiteral("root")};
const QString s_strPassword = QStringLiteral("Grüne Tür 42!");

} // namespace

// Accounts in a site file, as the client opens it: the hash, the logins, the
// lockout and the rights.
class TestUserAccounts : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strOldDir = QDir::currentPath();
    int m_nRun = 0;
    std::unique_ptr<SManualClock> m_pClock;
    std::unique_ptr<RAuditTrail> m_pAudit;
    std::unique_ptr<RUserAccounts> m_pAccounts;

    QString Actions() { return SqlRows("select Action from AuditTrail order by Seq"); }

private slots:
    void init()
    {
        // A new file for each row of a table too.
        const QString strDir = m_dir.filePath(QString::number(++m_nRun));
        QVERIFY(QDir().mkpath(strDir) && QDir::setCurrent(strDir));
        RConnectDatabase database(&TestDb::Writer());
        QVERIFY(database.OpenDatabase());
        m_pClock = std::make_unique<SManualClock>(QDateTime(QDate(2030, 4, 1), QTime(8, 0)));
        m_pAudit = std::make_unique<RAuditTrail>(
            &TestDb::Writer(), m_dir.filePath("audit.key"), m_pClock.get());
        QString strError;
        QVERIFY2(m_pAudit->Open(&strError), qPrintable(strError));
        m_pAccounts
            = std::make_unique<RUserAccounts>(&TestDb::Writer(), m_pAudit.get(), m_pClock.get());
        QCOMPARE(m_pAccounts->Create(s_admin, "root", RUserRights::Administrator, s_strPassword),
            Result::Ok);
    }
    void cleanup()
    {
        m_pAccounts.reset();
        m_pAudit.reset();
        TestDb::Writer().ReleaseStatements();
        QSqlDatabase::database().close();
        QDir::setCurrent(m_strOldDir);
    }

    // The password appears nowhere: not in the hash column, not in the file's
    // bytes (write-ahead log included), not in the trail, not in the log;
    // not even when it is typed into the name field.
    void passwordNeverStored()
    {
        const QByteArray log = StdoutCapture::Of([this] {
            RUserAccount account;
            QCOMPARE(m_pAccounts->Login("root", "not it at all", &account), Result::Refused);
            QCOMPARE(m_pAccounts->Login(s_strPassword, s_strPassword, &account), Result::Refused);
            QCOMPARE(m_pAccounts->ChangePassword(s_admin, "root", s_strPassword + "x"), Result::Ok);
            QCOMPARE(m_pAccounts->Login("root", s_strPassword + "x", &account), Result::Ok);
            QCOMPARE(account.nGrade, int(RUserRights::Administrator));
            for (int n = 0; n < RUserAccounts::MaxFailures; ++n)
                m_pAccounts->Login(s_strPassword, "", &account);
        });
        QVERIFY(TestDb::Writer().Flush(0));
        const QString strHash = SqlRows("select PasswordHash from UserAccount");
        QVERIFY(strHash.startsWith("$argon2id$"));
        QVERIFY(!strHash.contains(s_strPassword));
        QByteArray bytes;
        for (const char* pName : {"DataBase.sqlite", "DataBase.sqlite-wal"}) {
            QFile file(pName);
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes += file.readAll();
        }
        QVERIFY(bytes.contains("$argon2id$"));
        for (const QByteArray& form : {s_strPassword.toUtf8(), s_strPassword.toLatin1(),
                 QByteArray(reinterpret_cast<const char*>(s_strPassword.utf16()),
                     s_strPassword.size() * 2)}) {
            QVERIFY(!bytes.contains(form));
            QVERIFY(!log.contains(form));
        }
        QVERIFY(log.contains("locked"));
    }

    // One answer for an unknown name and a wrong password; a disabled
    // account is refused even with its password, and nothing but the right
    // password of an enabled account logs in.
    void loginAnswers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<Result>("result");
        QTest::addColumn<QString>("action");
        QTest::newRow("right") << "ann"
                               << "ann's password" << Result::Ok << "login";
        QTest::newRow("wrong password") << "ann"
                                        << "ann's passwore" << Result::Refused << "login-failed";
        QTest::newRow("name of another case")
            << "Ann"
            << "ann's password" << Result::Refused << "login-failed";
        QTest::newRow("unknown") << "bob"
                                 << "ann's password" << Result::Refused << "login-failed";
        QTest::newRow("disabled") << "eve"
                                  << "eve's password" << Result::Disabled << "login-failed";
    }
    void loginAnswers()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(Result, result);
        QCOMPARE(m_pAccounts->Create(s_admin, "ann", RUserRights::Operator, "ann's password"),
            Result::Ok);
        QCOMPARE(m_pAccounts->Create(s_admin, "eve", RUserRights::Officer, "eve's password"),
            Result::Ok);
        QCOMPARE(m_pAccounts->Disable(s_admin, "eve", "left"), Result::Ok);
        RUserAccount account;
        QCOMPARE(m_pAccounts->Login(name, password, &account), result);
        QTEST(SqlRows("select Action from AuditTrail order by Seq desc limit 1"), "action");
        QCOMPARE(account.strName, QString(result == Result::Ok ? "ann" : ""));
    }

    // Five failures lock the name for a minute, the right password too; the
    // minute runs on the clock, other names stay open, and a success clears
    // the count.
    void lockout()
    {
        QCOMPARE(m_pAccounts->Create(s_admin, "ann", RUserRights::Operator, "ann's password"),
            Result::Ok);
        RUserAccount account;
        QCOMPARE(m_pAccounts->Login("root", "wrong", &account), Result::Refused);
        QCOMPARE(m_pAccounts->Login("root", s_strPassword, &account), Result::Ok);
        for (int n = 1; n < RUserAccounts::MaxFailures; ++n)
            QCOMPARE(m_pAccounts->Login("root", "wrong", &account), Result::Refused);
        QCOMPARE(m_pAccounts->Login("root", "wrong", &account), Result::Locked);
        QCOMPARE(m_pAccounts->Login("root", s_strPassword, &account), Result::Locked);
        QCOMPARE(m_pAccounts->Login("ann", "ann's password", &account), Result::Ok);
        m_pClock->Advance(RUserAccounts::LockMs - 1);
        QCOMPARE(m_pAccounts->LockedForMs("root"), qint64(1));
        QCOMPARE(m_pAccounts->Login("root", s_strPassword, &account), Result::Locked);
        m_pClock->Advance(1);
        QCOMPARE(m_pAccounts->Login("root", s_strPassword, &account), Result::Ok);
        QCOMPARE(Actions(),
            QString("account-create; account-create; login-failed; login; login-failed; "
                    "login-failed; login-failed; login-failed; login-failed; lockout; "
                    "login-failed; login; login-failed; login"));
        QCOMPARE(SqlRows("select Reason from AuditTrail where Seq = 11"), QString("locked"));
    }

    // What the store refuses, and the trail has no row for it.
    void refusedChanges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("password");
        QTest::addColumn<Result>("result");
        QTest::newRow("taken name") << "root" << 2 << "long enough" << Result::Exists;
        QTest::newRow("short password") << "ann" << 2 << "7 chars" << Result::Invalid;
        QTest::newRow("no such grade") << "ann" << 3 << "long enough" << Result::Invalid;
        QTest::newRow("name with a space around")
            << " ann" << 2 << "long enough" << Result::Invalid;
        QTest::newRow("empty name") << "" << 2 << "long enough" << Result::Invalid;
    }
    void refusedChanges()
    {
        QFETCH(QString, name);
        QFETCH(int, grade);
        QFETCH(QString, password);
        QTEST(m_pAccounts->Create(s_admin, name, grade, password), "result");
        QCOMPARE(Actions(), QString("account-create"));
        QCOMPARE(m_pAccounts->Accounts().size(), 1);
    }

    // The last enabled administrator cannot be disabled; with a second one
    // it can, and then the second is the last.
    void lastAdministratorStays()
    {
        QCOMPARE(m_pAccounts->Disable(s_admin, "root", "test"), Result::LastAdministrator);
        QCOMPARE(m_pAccounts->Create(s_admin, "kim", RUserRights::Administrator, "kim's password"),
            Result::Ok);
        QCOMPARE(m_pAccounts->Disable(s_admin, "root", "test"), Result::Ok);
        QCOMPARE(m_pAccounts->Disable(s_admin, "kim", "test"), Result::LastAdministrator);
        QVERIFY(m_pAccounts->HasAdministrator());
        QCOMPARE(SqlRows("select Object, OldValue, NewValue, Reason from AuditTrail where Action = "
                         "'account-disable'"),
            QString("root enabled disabled test"));
    }

    // Outside the grades nothing is allowed. (What each grade may do is
    // checked where the settings pages, the history page and the station ask.)
    void rights_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("no session, acknowledge")
            << RUserRights::NoSession << Action::Acknowledge << false;
        QTest::newRow("no session, export") << RUserRights::NoSession << Action::Export << false;
        QTest::newRow("unknown grade, mute") << 3 << Action::Mute << false;
    }
    void rights()
    {
        QFETCH(int, grade);
        QFETCH(Action, action);
        QTEST(RUserRights::May(grade, action), "allowed");
    }
};

QTEST_GUILESS_MAIN(TestUserAccounts)
#include "tst_useraccounts.moc"
