#include "FakePrompt.h"
#include "SqlRows.h"
#include "TestDb.h"

#include "Kestal.h"
#include "PQuitOnSignal.h"
#include "RFormStatus.h"
#include "algor/PDoseThread.h"
#include "algor/RRegularSave.h"
#include "database/RAlarmJournal.h"
#include "database/RAuditTrail.h"
#include "database/RClientSettings.h"
#include "database/RLoginSession.h"
#include "database/RStorageState.h"
#include "history/RDataRecord.h"
#include "history/RDoseRatioDiagram.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
#include "preset/RFramePresetRegionWidget.h"
#include "preset/RItemModelPresetRegion.h"
#include "preset/SPresetObject.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RFormRegion.h"
#include "realtime/RPresetAlarmThresholdWidget.h"
#include "realtime/RRealRateCurve.h"
#include "realtime/RRegionDoseModel.h"

#include "PSimDataServer.h"

#include <QAudioDeviceInfo>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QToolButton>
#include <QtTest>

#include <csignal>

namespace {

const QDateTime kStart(QDate(2026, 3, 7), QTime(10, 6, 30));

// The readings stored for region nId, as the window's own connection sees them.
double stored(int nId)
{
    return PSqlExec::Scalar("select total(Sum) from MonthData where Id = ?", {nId}).toDouble();
}

// All readings stored, as another connection sees them: only what is committed.
double committed()
{
    return CommittedRows("DataBase.sqlite", "select total(Sum) from MonthData").toDouble();
}

} // namespace

class TestKestal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_site;
    PSimDataServer m_server;
    SManualClock m_clock {kStart};
    Kestal* m_pWindow = nullptr;
    FakePrompt m_prompt;

    void swipe(int nFromX, int nToX, int nY = 60)
    {
        QTest::mousePress(m_pWindow, Qt::LeftButton, Qt::NoModifier, QPoint(nFromX, nY));
        QTest::mouseRelease(m_pWindow, Qt::LeftButton, Qt::NoModifier, QPoint(nToX, nY));
    }

private slots:
    // The window opens "DataBase.sqlite" and the preset files of the working
    // directory: a scratch site whose data server is the simulator.
    void initTestCase()
    {
        QVERIFY(m_site.isValid() && m_server.Listen());
        QDir::setCurrent(m_site.path());
        SPresetObject::SetDirectories(m_site.filePath("factory"), m_site.filePath("local"));
    }

    void init()
    {
        QSqlDatabase::database().close();
        QFile::remove("DataBase.sqlite");
        m_clock.Set(kStart);
        QVERIFY(RConnectDatabase().OpenDatabase());
        PSqlExec::Exec(
            "insert into SystemInfo(IP, Port) values('127.0.0.1', ?)", {m_server.Port()});
        TestDb::AddRegions({1, 2});
        m_pWindow = new Kestal(nullptr, &m_clock, m_site.filePath("audit.key"));
        m_prompt = FakePrompt();
        m_pWindow->SetPrompt(&m_prompt);
        m_pWindow->show();
    }
    void cleanup()
    {
        delete m_pWindow;
        m_pWindow = nullptr;
    }

    // Raw readings from the data server are stored and shown on the region
    // page; the minute tick that follows reaches only the page shown.
    void readingsAndMinuteTick()
    {
        RFormRegion* pPage = m_pWindow->FormRegion();
        m_server.SetRegions({{1, PSimRegion::Steady, 1000}, {2, PSimRegion::Steady, 2000}});
        QTRY_COMPARE(m_server.ClientCount(), 1);
        m_server.Tick();
        QTRY_VERIFY(stored(2) > 0);
        const double dDose = stored(1);
        QCOMPARE(dDose, double(pPage->Model()->DoseAt(0)));
        QCOMPARE(stored(2), 2 * dDose);
        // A second reading of the minute: a lone one would count as a spike.
        m_clock.Set(kStart.addSecs(2));
        m_server.Tick();
        QTRY_COMPARE(stored(1), 2 * dDose);

        const auto minute = [] {
            return PSqlExec::Scalar("select \"606\" from MonthMinuteDose where Id = 1").toFloat();
        };
        const auto curve
            = [pPage] { return pPage->Curve()->Diagram()->CurveSamples(1).value(606); };
        m_pWindow->ShowAbout();
        m_clock.Set(kStart.addSecs(30));
        m_pWindow->RegularSave()->MiniteTimeout();
        QTRY_VERIFY(!m_pWindow->RegularSave()->IsReducing());
        QVERIFY(minute() > 0);
        QCOMPARE(curve(), 0.0f);
        m_pWindow->ShowRegion();
        SendSMessage(SBus::MainWindow, SBus::MinuteTick, 0, 0);
        // The stored minute is its mean times 30 slots; the curve shows the mean.
        QCOMPARE(curve(), minute() / 30.0f);
    }

    // A threshold request reaches the data server as a command and starts
    // the request timer; a command result stops it and is shown as text.
    void thresholdCommandAndResult()
    {
        QSignalSpy received(&m_server, &PSimDataServer::ThresholdReceived);
        // The link's own status reaches the first status line.
        QTRY_COMPARE(m_pWindow->FormStatus()->Message(), QStringLiteral("Connected !"));
        SendSMessage(SBus::MainWindow, SBus::SendThreshold, 5, 300);
        QVERIFY(m_pWindow->IsRequestTimerActive());
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0), (QVariantList {5, 3}));

        RFormSetting* pSetting = m_pWindow->FormSetting();
        SendSMessage(SBus::MainWindow, SBus::CommandResult, 1, 25);
        QVERIFY(!m_pWindow->IsRequestTimerActive());
        QCOMPARE(pSetting->Message(), QStringLiteral("Set successed25"));
        SendSMessage(SBus::MainWindow, SBus::CommandResult, 1, 0);
        QCOMPARE(pSetting->Message(), QStringLiteral("Set successed"));
        // An unknown result shows nothing new.
        SendSMessage(SBus::MainWindow, SBus::CommandResult, 4, 1);
        QCOMPARE(pSetting->Message(), QStringLiteral("Set successed"));
    }

    // After a device update the readings so far are committed, the
    // page and the aggregator know the new region, and the link reconnects.
    void reloadAfterDeviceUpdate()
    {
        QTRY_COMPARE(m_server.ClientCount(), 1);
        QSignalSpy dropped(&m_server, &PSimDataServer::ClientDropped);
        QSignalSpy connected(&m_server, &PSimDataServer::ClientConnected);
        PostSMessage(SBus::MainWindow, SBus::RawReading, 1, 1000);
        QTRY_VERIFY(stored(1) > 0);
        QCOMPARE(committed(), 0.0);
        PSqlExec::Exec("insert into RegionInfo(Sub, Id) values(3, 7)");
        PSqlExec::Exec("insert into RegionCurveColorInfo(Id) values(7)");
        PSqlExec::Exec("update RegionInfo set Num = 3");

        BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 0, 0);
        QCOMPARE(committed(), stored(1));
        QCOMPARE(m_pWindow->FormRegion()->Model()->rowCount(), 3);
        QTRY_COMPARE(dropped.count(), 1);
        QTRY_COMPARE(connected.count(), 1);
        PostSMessage(SBus::MainWindow, SBus::RawReading, 7, 1000);
        QTRY_VERIFY(stored(7) > 0);
    }

    // Closing keeps every reading stored since the last five-minute commit,
    // and takes the preset store away with the window.
    void shutDownKeepsReadings()
    {
        for (int nRaw : {1000, 1100, 1200})
            PostSMessage(SBus::MainWindow, SBus::RawReading, 1, nRaw);
        PostSMessage(SBus::MainWindow, SBus::RawReading, 2, 1000); // handled last
        QTRY_VERIFY(stored(2) > 0);
        const double dStored = stored(1) + stored(2);
        QCOMPARE(committed(), 0.0);
        delete m_pWindow;
        m_pWindow = nullptr;
        QCOMPARE(committed(), dStored);
        SMessage::SetReply(-7);
        QCOMPARE(
            SendSMessage(SBus::PresetStore, SBus::RegionList, SBus::CmdSignature, 0), qintptr(-7));
    }

    // The second status line follows its show, hide and text messages; the storage line
    // follows the storage state.
    void statusLinesAndIgnoredTypes()
    {
        RFormStatus* pStatus = m_pWindow->FormStatus();
        SendSMessage(
            SBus::MainWindow, SBus::SecondText, reinterpret_cast<qintptr>("Unit 2 silent"), 0);
        SendSMessage(SBus::MainWindow, SBus::HideSecondLine, 0, 0);
        QVERIFY(!pStatus->IsSecondLineShown());
        SendSMessage(SBus::MainWindow, SBus::ShowSecondLine, 0, 0);
        QVERIFY(pStatus->IsSecondLineShown());
        QCOMPARE(pStatus->SecondMessage(), QStringLiteral("Unit 2 silent"));

        // A storage problem stays on the strip until a commit goes through.
        QVERIFY(pStatus->StorageProblem().isEmpty());
        RStorageState::Shared().CommitFailed(QStringLiteral("database or disk is full"));
        QVERIFY(pStatus->StorageProblem().contains(QStringLiteral("disk is full")));
        RStorageState::Shared().CommitSucceeded();
        QVERIFY(pStatus->StorageProblem().isEmpty());
    }

    // A lost link is an alarm: the strip turns red with the time of the loss,
    // every region is stale at once (not after the silence rule), the journal
    // holds an entry to acknowledge and the alarm sounds, silenced by Mute.
    // A workstation without sound says so on the strip.
    void lostLinkIsAnAlarm()
    {
        RFormStatus* pStatus = m_pWindow->FormStatus();
        RAlarmState* pState = m_pWindow->AlarmState();
        RRegionDoseModel* pModel = m_pWindow->FormRegion()->Model();
        int nPlays = 0;
        m_pWindow->AlarmCue()->SetPlayer([&nPlays] { ++nPlays; });
        QCOMPARE(pStatus->IsSoundMissingShown(), QAudioDeviceInfo::defaultOutputDevice().isNull());
        // Readings far below the regions' thresholds: the only alarm is the link's.
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 1000000");
        RRegionCatalogue::Shared().Reload();
        m_server.SetRegions({{1, PSimRegion::Steady, 100}, {2, PSimRegion::Steady, 100}});
        QTRY_VERIFY(pState->IsLinkUp());
        QVERIFY(!pStatus->IsLinkDown());
        m_server.Tick();
        QTRY_VERIFY(!pModel->IsStale(0) && !pModel->IsStale(1));
        const auto lamp = [pModel](int nRow) {
            return pModel->data(pModel->index(nRow, 3), Qt::ForegroundRole).value<QColor>();
        };
        QCOMPARE(lamp(0), QColor(Qt::green));

        m_clock.Set(kStart.addSecs(4));
        QVERIFY(m_server.Refuse(true));
        m_server.DropClients();
        QTRY_VERIFY(!pState->IsLinkUp());
        QVERIFY(pStatus->IsLinkDown());
        QVERIFY2(pStatus->LinkLost().contains(QStringLiteral("10:06:34")),
            qPrintable(pStatus->LinkLost()));
        auto* pLost = pStatus->findChild<QLabel*>(QStringLiteral("labelLinkLost"));
        QCOMPARE(pLost->grab().toImage().pixelColor(2, 2), QColor(0xc0, 0, 0));
        for (int nRow : {0, 1}) {
            QVERIFY(pModel->IsStale(nRow));
            QCOMPARE(lamp(nRow), QColor(Qt::red));
        }
        const RAlarmEvent last = RAlarmJournal::Read(kStart.date(), kStart.date()).first();
        QCOMPARE(last.strEvent, QStringLiteral("link-down"));
        QVERIFY(pState->IsUnacknowledged(RAlarmState::kLinkId));
        QCOMPARE(nPlays, 1);
        m_pWindow->AlarmCue()->Tick();
        QCOMPARE(nPlays, 2);
        // Without a session Mute asks for a login, and goes on after it.
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "operator", 2, "operator-pass"),
            RUserAccounts::Result::Ok);
        m_pWindow->FormRegion()->findChild<QPushButton*>("m_pButtonMute")->click();
        QVERIFY(!m_pWindow->AlarmCue()->IsMuted());
        m_prompt.logins = {{"operator", "operator-pass"}};
        m_pWindow->FormRegion()->findChild<QPushButton*>("m_pButtonMute")->click();
        QCOMPARE(m_prompt.loginAsked.size(), 2);
        m_pWindow->AlarmCue()->Tick();
        QCOMPARE(nPlays, 2);
        QVERIFY(pStatus->IsMutedShown());

        // Back: the red line goes, the entry stays until acknowledged.
        QVERIFY(m_server.Refuse(false));
        QTRY_VERIFY(pState->IsLinkUp());
        QVERIFY(!pStatus->IsLinkDown() && pStatus->LinkLost().isEmpty());
        QVERIFY(pState->IsUnacknowledged(RAlarmState::kLinkId));
        m_pWindow->FormRegion()->findChild<QPushButton*>("m_pButtonAckAll")->click();
        QVERIFY(!pState->AnyUnacknowledged());
        QVERIFY(!m_pWindow->AlarmCue()->IsPending());
        const RAlarmEvent ack = RAlarmJournal::Read(kStart.date(), kStart.date()).first();
        QCOMPARE(ack.strEvent, QStringLiteral("ack"));
        QCOMPARE(ack.nId, RAlarmState::kLinkId);
        QCOMPARE(ack.strOperator, QStringLiteral("operator"));
        QStringList actions;
        for (const RAuditEntry& entry : RAuditTrail::Read(kStart.date(), kStart.date()))
            actions << entry.strAction + ':' + entry.strObject;
        QCOMPARE(
            actions.mid(1), QStringList({"login:operator", "mute:", "acknowledge:all regions"}));
    }

    // Buttons show their pages; a horizontal drag in the title area turns
    // over six positions, two of them without a page.
    void navigationAndSwipe()
    {
        m_pWindow->resize(1280, 800);
        const auto marked = [this] {
            QStringList names;
            for (QPushButton* pButton : m_pWindow->findChildren<QPushButton*>()) {
                if (pButton->isChecked() && pButton->parent()->objectName() == "framekestal")
                    names << pButton->objectName();
            }
            return names;
        };
        QCOMPARE(marked(), QStringList {"m_pButtonRegion"});
        m_pWindow->findChild<QPushButton*>("m_pButtonRegion")->click();
        QCOMPARE(marked(), QStringList {"m_pButtonRegion"});
        m_pWindow->findChild<QPushButton*>("m_pButtonHistory")->click();
        QCOMPARE(m_pWindow->CurrentStackIndex(), 1);
        QCOMPARE(marked(), QStringList {"m_pButtonHistory"});
        swipe(500, 450); // inside the dead square
        QCOMPARE(m_pWindow->CurrentPageIndex(), 1);
        swipe(400, 500); // right: the page before
        swipe(400, 500); // wraps to a position without a page: page 0 stays
        QCOMPARE(m_pWindow->CurrentPageIndex(), 5);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 0);

        m_pWindow->findChild<QPushButton*>("m_pButtonAbout")->click();
        swipe(500, 400);
        swipe(500, 400);
        QCOMPARE(m_pWindow->CurrentPageIndex(), 5);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 3);
        swipe(500, 400); // left: the next page, wrapping to the first
        QCOMPARE(m_pWindow->CurrentStackIndex(), 0);
        QCOMPARE(marked(), QStringList {"m_pButtonRegion"});
        swipe(500, 300, 400); // below the title area nothing turns
        QCOMPARE(m_pWindow->CurrentPageIndex(), 0);
    }

    // The routing button shows the patrol records view without moving the
    // page index; a swipe from there reaches only the four pages. A patrol
    // reading reloads the view.
    void routingView()
    {
        m_pWindow->resize(1280, 800);
        PSqlExec::Exec("insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 1)");
        auto* pButton = m_pWindow->findChild<QPushButton*>("m_pButtonRouting");
        QVERIFY(pButton->isVisible());
        m_pWindow->ShowAbout();
        pButton->click();
        QCOMPARE(m_pWindow->CurrentPageIndex(), 3);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 4);
        swipe(500, 400); // left from page 3: a position without a page
        QCOMPARE(m_pWindow->CurrentPageIndex(), 4);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 4);
        swipe(400, 500);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 3);

        RDataRecord* pView = m_pWindow->DataRecord();
        QCOMPARE(pView->RecordModel()->rowCount(), 0);
        PSqlExec::Exec("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
                       "values(7, 21, 123, '08:10', ?)",
            {kStart.date().toString("yyyy-MM-dd")});
        emit m_pWindow->DoseThread()->RoutDataUpdate();
        QCOMPARE(pView->RecordModel()->rowCount(), 1);
    }

    // At shut-down the latest session of the first logged-in account gets
    // the logout time; other accounts and sessions, and a site without a
    // logged-in account, are left alone.
    void logoutAtShutDown_data()
    {
        QTest::addColumn<QStringList>("accounts");
        QTest::addColumn<QStringList>("logouts");
        QTest::newRow("none logged in") << QStringList({"1,0", "2,0"}) << QStringList({"", "", ""});
        QTest::newRow("first of two logged in")
            << QStringList({"2,1", "1,1"}) << QStringList({"", "2026-03-07T10:06:30", ""});
    }
    void logoutAtShutDown()
    {
        QFETCH(QStringList, accounts);
        QFETCH(QStringList, logouts);
        for (const QString& strAccount : accounts) {
            const QStringList parts = strAccount.split(',');
            PSqlExec::Exec("insert into UserPermission(Id, state) values(?, ?)",
                {parts[0].toInt(), parts[1].toInt()});
        }
        for (const char* pSession :
            {"2,2026-03-06T08:00:00", "2,2026-03-07T08:00:00", "1,2026-03-07T09:00:00"}) {
            const QStringList parts = QString(pSession).split(',');
            PSqlExec::Exec("insert into UserLoginTimeInfo(Id, Logintime, Logouttime) "
                           "values(?, ?, '')",
                {parts[0].toInt(), parts[1]});
        }
        delete m_pWindow;
        m_pWindow = nullptr;
        QStringList stored;
        QSqlQuery query
            = PSqlExec::Select("select Logouttime from UserLoginTimeInfo order by rowid");
        while (query.next())
            stored << query.value(0).toString();
        QCOMPARE(stored, logouts);
    }

    // SIGTERM ends the event loop, and the window's destruction that
    // follows records the logout as a closed window does.
    void sigtermRecordsLogout()
    {
        PSqlExec::Exec("insert into UserPermission(Id, state) values(5, 1)");
        PSqlExec::Exec("insert into UserLoginTimeInfo(Id, Logintime, Logouttime) "
                       "values(5, '2026-03-07T09:00:00', '')");
        PQuitOnSignal quitOnSignal;
        QVERIFY(quitOnSignal.IsInstalled());
        QSignalSpy received(&quitOnSignal, &PQuitOnSignal::SignalReceived);
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        QCoreApplication::exec();
        QCOMPARE(received.count(), 1);
        delete m_pWindow;
        m_pWindow = nullptr;
        QCOMPARE(
            PSqlExec::Scalar("select Logouttime from UserLoginTimeInfo where Id = 5").toString(),
            QStringLiteral("2026-03-07T10:06:30"));
    }

    // A row is committed at once. A trail whose key is gone takes no more
    // rows, and the window says so without waiting for an answer.
    void auditTrailOpenAndLostKey()
    {
        RAuditTrail* pAudit = m_pWindow->AuditTrail();
        QVERIFY(pAudit->IsOpen());
        QVERIFY(pAudit->Append({1, "admin"}, RAuditAction::Login));
        QCOMPARE(CommittedRows("DataBase.sqlite", "select count(*) from AuditTrail").toInt(), 1);
        QVERIFY(m_pWindow->findChildren<QMessageBox*>().isEmpty());

        delete m_pWindow;
        QVERIFY(QFile::remove(m_site.filePath("audit.key")));
        m_pWindow = new Kestal(nullptr, &m_clock, m_site.filePath("audit.key"));
        QVERIFY(!m_pWindow->AuditTrail()->IsOpen());
        const auto boxes = m_pWindow->findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible() && !boxes[0]->isModal());
        QVERIFY(!QFile::exists(m_site.filePath("audit.key")));
    }

    // The title bar's button logs in (asking again after a wrong password)
    // and out; each session has its login row, closed at logout or when the
    // idle time set runs out, and the trail records all of it.
    void sessionFromTitleBar()
    {
        FakePrompt& prompt = m_prompt;
        RLoginSession* pSession = m_pWindow->Session();
        QCOMPARE(pSession->Accounts().Create({}, "officer", 1, "officer-pass"),
            RUserAccounts::Result::Ok);
        QVERIFY(RClientSettings::SetInt(RClientSettings::SessionIdleMinutes, 5, nullptr));
        auto* pButton = m_pWindow->findChild<QPushButton*>("m_pButtonLogin");
        prompt.logins = {{"officer", "wrong-pass"}, {"officer", "officer-pass"}};
        pButton->click();
        QCOMPARE(prompt.loginAsked.size(), 2);
        QCOMPARE(pSession->Grade(), 1);

        m_clock.Advance(4 * 60 * 1000);
        pSession->CheckIdle();
        QVERIFY(pSession->IsLoggedIn());
        QTest::mouseClick(m_pWindow, Qt::LeftButton); // input: the idle time starts again
        m_clock.Advance(4 * 60 * 1000);
        pSession->CheckIdle();
        QVERIFY(pSession->IsLoggedIn());
        m_clock.Advance(60 * 1000);
        pSession->CheckIdle();
        QCOMPARE(pSession->Grade(), RUserRights::NoSession);

        prompt.logins = {{"officer", "officer-pass"}};
        pButton->click();
        QVERIFY(pSession->IsLoggedIn());
        m_clock.Advance(1000);
        pButton->click();
        QVERIFY(!pSession->IsLoggedIn());
        QCOMPARE(SqlRows("select Logintime, Logouttime from UserLoginTimeInfo order by rowid"),
            QString("2026-03-07T10:06:30 2026-03-07T10:15:30; "
                    "2026-03-07T10:15:30 2026-03-07T10:15:31"));
        QStringList actions;
        for (const RAuditEntry& entry : RAuditTrail::Read(kStart.date(), kStart.date()))
            actions << entry.strAction + ':' + entry.strReason;
        QCOMPARE(actions.mid(1),
            QStringList(
                {"login-failed:wrong password", "login:", "logout:idle", "login:", "logout:"}));
    }

    // Each grade as a user meets the settings pages: devices, system
    // settings and thresholds open to grades 0 and 1 only, and closed again
    // at logout.
    void settingsRights_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("no session") << int(RUserRights::NoSession) << false;
        QTest::newRow("administrator") << 0 << true;
        QTest::newRow("officer") << 1 << true;
        QTest::newRow("operator") << 2 << false;
    }
    void settingsRights()
    {
        QFETCH(int, grade);
        QFETCH(bool, allowed);
        FakePrompt& prompt = m_prompt;
        auto* pButton = m_pWindow->findChild<QPushButton*>("m_pButtonLogin");
        if (grade != RUserRights::NoSession) {
            QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "someone", grade, "some-password"),
                RUserAccounts::Result::Ok);
            prompt.logins = {{"someone", "some-password"}};
            pButton->click();
        }
        auto* pList = m_pWindow->FormSetting()->findChild<QListView*>("m_pCategoryList");
        for (int i = 0; i < pList->model()->rowCount(); ++i)
            pList->setCurrentIndex(pList->model()->index(i, 0));
        QCOMPARE(POptionPage::Pages().size(), size_t(3));
        for (const auto& pPage : POptionPage::Pages())
            QCOMPARE(pPage->Widget()->isEnabled(), allowed);
        if (grade != RUserRights::NoSession) {
            pButton->click();
            for (const auto& pPage : POptionPage::Pages())
                QVERIFY(!pPage->Widget()->isEnabled());
        }
    }

    // A threshold goes out only after the officer's password once more;
    // the trail holds the old and the new value of each one sent.
    void thresholdAsksPasswordAgain_data()
    {
        QTest::addColumn<QStringList>("again"); // empty: cancelled
        QTest::addColumn<bool>("sent");
        QTest::newRow("password") << QStringList({"officer", "officer-pass"}) << true;
        QTest::newRow("wrong password") << QStringList({"officer", "wrong-pass"}) << false;
        QTest::newRow("another account") << QStringList({"admin", "admin-pass"}) << false;
        QTest::newRow("cancelled") << QStringList() << false;
    }
    void thresholdAsksPasswordAgain()
    {
        QFETCH(QStringList, again);
        QFETCH(bool, sent);
        RUserAccounts& accounts = m_pWindow->Session()->Accounts();
        QCOMPARE(accounts.Create({}, "officer", 1, "officer-pass"), RUserAccounts::Result::Ok);
        QCOMPARE(accounts.Create({}, "admin", 0, "admin-pass"), RUserAccounts::Result::Ok);
        m_prompt.logins = {{"officer", "officer-pass"}};
        m_pWindow->findChild<QPushButton*>("m_pButtonLogin")->click();
        if (!again.isEmpty())
            m_prompt.logins = {again};
        auto* pList = m_pWindow->FormSetting()->findChild<QListView*>("m_pCategoryList");
        for (int i = 0; i < pList->model()->rowCount(); ++i)
            pList->setCurrentIndex(pList->model()->index(i, 0));
        auto* pPage = m_pWindow->FormSetting()->findChild<RPresetAlarmThresholdWidget*>();
        pPage->findChild<QComboBox*>("m_pComboBoxAlarm")->setCurrentText("1");
        const int nOld = RRegionCatalogue::Shared().AlarmValue(1);
        pPage->findChild<QSpinBox*>("m_pSpinBoxAlarm")->setValue(2000);
        pPage->findChild<QPushButton*>("m_pPushButtonSet")->click();
        QCOMPARE(RRegionCatalogue::Shared().AlarmValue(1), sent ? 2000 : nOld);
        QStringList thresholds;
        for (const RAuditEntry& entry : RAuditTrail::Read(kStart.date(), kStart.date())) {
            if (entry.strAction == RAuditAction::Threshold)
                thresholds << entry.strObject + ' ' + entry.strOld + ' ' + entry.strNew;
        }
        QCOMPARE(
            thresholds, sent ? QStringList(QString("region 1 %1 2000").arg(nOld)) : QStringList());
    }

    // Each system setting saved with a new value is in the trail, old and
    // new, under the account logged in; unchanged ones are not.
    void systemSettingsInTrail()
    {
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "officer", 1, "officer-pass"),
            RUserAccounts::Result::Ok);
        m_prompt.logins = {{"officer", "officer-pass"}};
        m_pWindow->findChild<QPushButton*>("m_pButtonLogin")->click();
        auto* pList = m_pWindow->FormSetting()->findChild<QListView*>("m_pCategoryList");
        for (int i = 0; i < pList->model()->rowCount(); ++i)
            pList->setCurrentIndex(pList->model()->index(i, 0));
        m_pWindow->FormSetting()->findChild<QSpinBox*>("m_pSpinBoxIdleMinutes")->setValue(20);
        m_pWindow->FormSetting()->findChild<QSpinBox*>("m_pSpinBoxArchiveMonths")->setValue(7);
        QCOMPARE(POptionPage::Pages().at(1)->Apply(), int(POptionPage::Applied));
        QStringList settings;
        for (const RAuditEntry& entry : RAuditTrail::Read(kStart.date(), kStart.date())) {
            if (entry.strAction == RAuditAction::Setting)
                settings << entry.actor.strName + ' ' + entry.strObject + ' ' + entry.strOld + ' '
                        + entry.strNew;
        }
        QCOMPARE(settings,
            QStringList(
                {"officer ArchiveRetentionMonths 2 7", "officer SessionIdleMinutes 15 20"}));
    }

    // Device list changes: one row per device added, renamed or removed,
    // and the removed one's history.
    void deviceChangesInTrail()
    {
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "officer", 1, "officer-pass"),
            RUserAccounts::Result::Ok);
        m_prompt.logins = {{"officer", "officer-pass"}};
        m_pWindow->findChild<QPushButton*>("m_pButtonLogin")->click();
        auto* pList = m_pWindow->FormSetting()->findChild<QListView*>("m_pCategoryList");
        pList->setCurrentIndex(pList->model()->index(0, 0));
        RItemModelPresetRegion* pModel
            = m_pWindow->FormSetting()->findChild<RFramePresetRegionWidget*>()->ItemModel();
        pModel->Model()->item(0, 0)->setText("Renamed");
        pModel->Model()->removeRow(1);
        pModel->AddRow(9);
        POptionPage::Pages().at(0)->SetPrompt(&m_prompt); // deleting history asks
        QCOMPARE(POptionPage::Pages().at(0)->Apply(), int(RItemModelPresetRegion::Saved));
        QStringList changes;
        for (const RAuditEntry& entry : RAuditTrail::Read(kStart.date(), kStart.date())) {
            if (entry.strAction.startsWith("device") || entry.strAction == "history-delete")
                changes << entry.strAction + ' ' + entry.strObject + ' ' + entry.strNew;
        }
        QCOMPARE(changes.size(), 4);
        QCOMPARE(changes.at(0), QStringLiteral("device-rename ID 1 Renamed"));
        QCOMPARE(changes.mid(1, 2), QStringList({"device-remove ID 2 ", "history-delete ID 2 "}));
        QVERIFY(changes.at(3).startsWith("device-add ID 9 "));
    }

    // Cancel keeps the window and the acquisition; only Close closes.
    void exitConfirmation()
    {
        bool bClose = false;
        m_pWindow->SetExitConfirmation([&bClose] { return bClose; });
        m_pWindow->findChild<QToolButton*>("m_pToolButton_Exit")->click();
        QVERIFY(m_pWindow->isVisible() && m_pWindow->DoseThread()->isRunning());
        bClose = true;
        m_pWindow->findChild<QToolButton*>("m_pToolButton_Exit")->click();
        QVERIFY(!m_pWindow->isVisible());
    }
};

QTEST_MAIN(TestKestal)
#include "tst_kestal.moc"
