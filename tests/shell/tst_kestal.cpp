#include "FakePrompt.h"
#include "SqlRows.h"
#include "TestDb.h"
#include "TestFiles.h"

#include "Kestal.h"
#include "PInstallPaths.h"
#include "RFormStatus.h"
#include "algor/PDoseThread.h"
#include "algor/RRegularSave.h"
#include "database/RAlarmFilterStore.h"
#include "database/RAlarmJournal.h"
#include "database/RAuditTrail.h"
#include "database/RClientSettings.h"
#include "database/RLoginSession.h"
#include "database/RStorageState.h"
#include "database/RSystemInfoStore.h"
#include "history/RDataRecord.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RFormHistory.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
#include "preset/RFramePresetRegionWidget.h"
#include "preset/RInstrumentPanel.h"
#include "preset/RItemModelPresetRegion.h"
#include "preset/SPresetObject.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmJournalView.h"
#include "realtime/RAlarmState.h"
#include "realtime/RFormRegion.h"
#include "realtime/RPresetAlarmThresholdWidget.h"
#include "realtime/RRealRateCurve.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RRegionWatch.h"
#include "station/RStation.h"

#include "PSimDataServer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAudioDeviceInfo>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

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

// The audit trail's columns, row by row, from its second row (the first is the
// window's start).
QString trail(const char* pColumns, const char* pWhere = "1")
{
    return SqlRows(QStringLiteral("select %1 from AuditTrail where Seq > 1 and (%2) order by Seq")
                       .arg(QLatin1String(pColumns), QLatin1String(pWhere)));
}

// One message of a .ts file: where it lives and what it says.
struct Message
{
    QString strContext;
    QString strSource;
    QString strTranslation;
    QString strType; // "unfinished", "vanished", "obsolete" or empty

    QString Key() const { return strContext + QStringLiteral(" | ") + strSource; }
};

QList<Message> readTs(const QString& strPath)
{
    QList<Message> messages;
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString strContext;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            strContext = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message message;
            message.strContext = strContext;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    message.strSource = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    message.strType = xml.attributes().value(QLatin1String("type")).toString();
                    message.strTranslation
                        = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages.append(message);
        }
    }
    return messages;
}

QStringList placeholders(const QString& strText)
{
    QStringList found;
    auto it = QRegularExpression(QStringLiteral("%\\d+")).globalMatch(strText);
    while (it.hasNext())
        found << it.next().captured();
    found.sort();
    return found;
}

QString pathOf(const QObject* pObject)
{
    QStringList parts;
    for (; pObject; pObject = pObject->parent()) {
        int nIndex = 0;
        if (pObject->parent()) {
            for (const QObject* pSibling : pObject->parent()->children()) {
                if (pSibling == pObject)
                    break;
                nIndex += pSibling->metaObject() == pObject->metaObject() ? 1 : 0;
            }
        }
        QString strPart = QLatin1String(pObject->metaObject()->className());
        if (!pObject->objectName().isEmpty())
            strPart += QLatin1Char('#') + pObject->objectName();
        parts.prepend(strPart + QStringLiteral("[%1]").arg(nIndex));
    }
    return parts.join(QLatin1Char('/'));
}

bool insideCompositeWidget(const QWidget* pWidget)
{
    // Calendars and spin boxes hold Qt's own texts (month names, numbers).
    for (const QWidget* p = pWidget->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QCalendarWidget*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    }
    return false;
}

// Every text the window shows to an operator, by the widget that shows it.
QMap<QString, QString> shownTexts(QWidget* pWindow)
{
    QMap<QString, QString> texts;
    auto add = [&texts](const QObject* pOwner, const QString& strWhat, const QString& strText) {
        if (!strText.isEmpty())
            texts.insert(pathOf(pOwner) + QLatin1Char(':') + strWhat, strText);
    };
    add(pWindow, QStringLiteral("title"), pWindow->windowTitle());
    for (QWidget* pWidget : pWindow->findChildren<QWidget*>()) {
        if (insideCompositeWidget(pWidget) || qobject_cast<QMenu*>(pWidget))
            continue;
        add(pWidget, QStringLiteral("tip"), pWidget->toolTip());
        if (pWidget->isWindow())
            add(pWidget, QStringLiteral("title"), pWidget->windowTitle());
        if (auto* pLabel = qobject_cast<QLabel*>(pWidget))
            add(pWidget, QStringLiteral("text"), pLabel->text());
        else if (auto* pButton = qobject_cast<QAbstractButton*>(pWidget))
            add(pWidget, QStringLiteral("text"), pButton->text());
        else if (auto* pBox = qobject_cast<QGroupBox*>(pWidget))
            add(pWidget, QStringLiteral("title"), pBox->title());
        else if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget))
            add(pWidget, QStringLiteral("placeholder"), pEdit->placeholderText());
        // Only the menus the widget offers count: a menu bar also makes an
        // overflow menu of its own as its width asks.
        int nMenu = 0;
        for (QMenu* pMenu : pWidget->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!pWidget->actions().contains(pMenu->menuAction()))
                continue;
            const QString strMenu = QStringLiteral("menu%1").arg(nMenu++);
            add(pWidget, strMenu, pMenu->title());
            for (int i = 0; i < pMenu->actions().size(); ++i)
                add(pWidget, strMenu + QStringLiteral("/%1").arg(i),
                    pMenu->actions().at(i)->text());
        }
        auto* pView = qobject_cast<QAbstractItemView*>(pWidget);
        if (!pView || !pView->model())
            continue;
        const QAbstractItemModel* pModel = pView->model();
        for (int i = 0; i < pModel->columnCount(); ++i)
            add(pWidget, QStringLiteral("header%1").arg(i),
                pModel->headerData(i, Qt::Horizontal).toString());
        // A list's rows are the categories the program names; a table's
        // rows are the site's own data.
        if (qobject_cast<QListView*>(pView)) {
            for (int i = 0; i < pModel->rowCount(); ++i)
                add(pWidget, QStringLiteral("row%1").arg(i), pModel->index(i, 0).data().toString());
        }
    }
    return texts;
}

} // namespace

// The main window over a scratch site whose data server is the simulator,
// and the translation of everything it shows.
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
    QPushButton* button(QObject* pParent, const char* pName) const
    {
        return pParent->findChild<QPushButton*>(QLatin1String(pName));
    }
    QListView* categories() const
    {
        return m_pWindow->FormSetting()->findChild<QListView*>("m_pCategoryList");
    }
    void openEveryPage()
    {
        QListView* pList = categories();
        for (int i = 0; pList && i < pList->model()->rowCount(); ++i)
            pList->setCurrentIndex(pList->model()->index(i, 0));
    }
    // The threshold page on region 1, the officer logged in and the answer
    // to the password asked again given (none: cancelled); an administrator
    // exists to be the wrong account.
    RPresetAlarmThresholdWidget* thresholdPageAsOfficer(const QStringList& again)
    {
        m_pWindow->Session()->Accounts().Create({}, "admin", 0, "admin-pass");
        logIn("officer", 1);
        if (!again.isEmpty())
            m_prompt.logins = {again};
        openEveryPage();
        auto* pPage = m_pWindow->FormSetting()->findChild<RPresetAlarmThresholdWidget*>();
        pPage->findChild<QComboBox*>("m_pComboBoxAlarm")->setCurrentIndex(0);
        return pPage;
    }
    // An account of the grade, password "<name>-pass", logged in from the title bar.
    void logIn(const QString& strName, int nGrade)
    {
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, strName, nGrade, strName + "-pass"),
            RUserAccounts::Result::Ok);
        m_prompt.logins = {{strName, strName + "-pass"}};
        button(m_pWindow, "m_pButtonLogin")->click();
    }
    // The window with every settings category and the alarm journal opened
    // once, so that each exists, and the link up: its texts, and the
    // question the settings window's "OK" asks.
    QMap<QString, QString> windowTexts(QStringList* pAsked)
    {
        cleanup();
        init();
        m_pWindow->resize(1600, 900);
        openEveryPage();
        QTest::mouseClick(button(m_pWindow->FormRegion(), "m_pButtonJournal"), Qt::LeftButton);
        // The link's status arrives as a constant text and is translated
        // only where the status strip shows it.
        const QString strConnected = QCoreApplication::translate("RFormStatus", "Connected !");
        if (!QTest::qWaitFor([&] { return m_pWindow->FormStatus()->Message() == strConnected; }))
            return {};
        const QMap<QString, QString> texts = shownTexts(m_pWindow);
        FakePrompt prompt;
        prompt.bAccept = false;
        m_pWindow->FormSetting()->SetPrompt(&prompt);
        m_pWindow->ShowSetting();
        m_clock.Advance(1000); // past the double-click guard
        QTest::mouseClick(button(m_pWindow->FormSetting(), "m_pButtonOK"), Qt::LeftButton);
        *pAsked = prompt.asked;
        return texts;
    }

    // A new site file: two regions, the simulator's address, an administrator.
    void PrepareSite()
    {
        QSqlDatabase::database().close();
        QFile::remove("DataBase.sqlite");
        m_clock.Set(kStart);
        QVERIFY(RConnectDatabase(&TestDb::Writer()).OpenDatabase());
        PSqlExec::Exec(
            "insert into SystemInfo(IP, Port) values('127.0.0.1', ?)", {m_server.Port()});
        TestDb::AddRegions({1, 2});
        // A site with its administrator: no first-start question.
        PSqlExec::Exec("insert into UserAccount(Name, Grade, PasswordHash) values('site', 0, '-')");
    }

private slots:
    // The window opens "DataBase.sqlite" and the preset files of the working
    // directory.
    void initTestCase()
    {
        QVERIFY(m_site.isValid() && m_server.Listen());
        QDir::setCurrent(m_site.path());
        SPresetObject::SetDirectories(m_site.filePath("factory"), m_site.filePath("local"));
    }

    void init()
    {
        PrepareSite();
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
    // the request timer; a command result stops it and is shown.
    void thresholdCommandAndResult()
    {
        QSignalSpy received(&m_server, &PSimDataServer::ThresholdReceived);
        // The link's own status reaches the first status line.
        QTRY_COMPARE(m_pWindow->FormStatus()->Message(), QStringLiteral("Connected !"));
        SendSMessage(SBus::MainWindow, SBus::SendThreshold, 5, 300);
        QVERIFY(m_pWindow->IsRequestTimerActive());
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0), (QVariantList {5, 3}));
        SendSMessage(SBus::MainWindow, SBus::CommandResult, 1, 25);
        QVERIFY(!m_pWindow->IsRequestTimerActive());
        QCOMPARE(m_pWindow->FormSetting()->Message(), QStringLiteral("Set successed25"));
    }

    // After a device update the readings so far are committed, the
    // page and the aggregator know the new region, and the link reconnects.
    void reloadAfterDeviceUpdate()
    {
        QTRY_COMPARE(m_server.ClientCount(), 1);
        QSignalSpy dropped(&m_server, &PSimDataServer::ClientDropped);
        QSignalSpy connected(&m_server, &PSimDataServer::ClientConnected);
        // Region 1 in alarm throughout: the reload and the new connection
        // leave its alarm as it was.
        RRegionCatalogue::StoreAlarmValue(1, 1);
        PostSMessage(SBus::MainWindow, SBus::RawReading, 1, 1000);
        QTRY_VERIFY(stored(1) > 0);
        QVERIFY(m_pWindow->AlarmState()->IsActive(1));
        QTRY_VERIFY(m_pWindow->AlarmState()->IsLinkUp());
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
        PostSMessage(SBus::MainWindow, SBus::RawReading, 1, 1000);
        QTRY_COMPARE(
            m_pWindow->Station()->Watch()->Regions().at(0).nAlarm, int(RRealDoseModel::Warning));
        QCOMPARE(PSqlExec::Scalar("select group_concat(Event) from AlarmJournal where Id = 1")
                     .toString(),
            QString("alarm"));
        // The link closed for the reload is on record, with no alarm of its own.
        QCOMPARE(PSqlExec::Scalar(
                     "select group_concat(Event || ' ' || coalesce(Detail, '')) from AlarmJournal "
                     "where Id = 0 and Event like 'link%'")
                     .toString(),
            QString("link-up ,link-down reason=settings,link-up "));
        QVERIFY(!m_pWindow->AlarmState()->IsUnacknowledged(RAlarmState::kLinkId));
    }

    // The station without a window stores, raises and journals the same
    // scripted readings as the window does, from start to stop.
    void headlessStoresAsTheWindow()
    {
        const auto run = [this](RStation* pStation) {
            PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 100");
            pStation->Catalogue()->Reload();
            for (int nStep = 0; nStep < 60; ++nStep) {
                m_clock.Advance(2000);
                const int nCount = nStep % 20 < 6 ? 100000 : 1000;
                SendSMessage(SBus::MainWindow, SBus::RawReading, 1 + nStep % 2, nCount);
            }
        };
        // Times masked: the two runs start at different moments; the link
        // to the simulator comes up when it does.
        const auto digest = []() {
            QString strRows = CommittedRows("DataBase.sqlite",
                "select Event || ' ' || Id || ' ' || ifnull(Detail, '') from AlarmJournal where "
                "Event not like 'link-%' order by Seq");
            strRows += " | "
                + CommittedRows("DataBase.sqlite",
                    "select Id || ' ' || Hour || ' ' || Sum from MonthData where Sum > 0 order by "
                    "Id, Hour");
            strRows += " | "
                + CommittedRows("DataBase.sqlite",
                    "select Id || ' ' || Active || Unacknowledged from AlarmState order by Id");
            return strRows.replace(QRegularExpression("\\d{4}-\\d\\d-\\d\\dT[\\d:]+"), "T");
        };
        run(m_pWindow->Station());
        cleanup();
        const QString strWindow = digest();
        QVERIFY2(strWindow.contains("alarm 1"), qPrintable(strWindow));
        PrepareSite();
        {
            RStation::Options options;
            options.pClock = &m_clock;
            options.strAuditKeyPath = m_site.filePath("audit.key");
            options.bHeadless = true;
            RStation station(options);
            QString strError;
            QVERIFY2(station.Open(&strError), qPrintable(strError));
            station.Start();
            run(&station);
        }
        QCOMPARE(digest(), strWindow);
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
        cleanup();
        QCOMPARE(committed(), dStored);
        SMessage::SetReply(-7);
        QCOMPARE(
            SendSMessage(SBus::PresetStore, SBus::RegionList, SBus::CmdSignature, 0), qintptr(-7));
    }

    // A storage problem stays on the strip until a commit goes through.
    void storageProblemShown()
    {
        RFormStatus* pStatus = m_pWindow->FormStatus();
        m_pWindow->Station()->Writer()->State().CommitFailed(
            QStringLiteral("database or disk is full"));
        QVERIFY(pStatus->StorageProblem().contains(QStringLiteral("disk is full")));
        m_pWindow->Station()->Writer()->State().CommitSucceeded();
        QVERIFY(pStatus->StorageProblem().isEmpty());
    }

    // A lost link is an alarm: the strip turns red with the time of the loss,
    // every region is stale at once (not after the silence rule), the journal
    // holds an entry to acknowledge and the alarm sounds, silenced by Mute.
    void lostLinkIsAnAlarm()
    {
        RFormStatus* pStatus = m_pWindow->FormStatus();
        RAlarmState* pState = m_pWindow->AlarmState();
        RRegionDoseModel* pModel = m_pWindow->FormRegion()->Model();
        PAlarmCue* pCue = m_pWindow->AlarmCue();
        int nPlays = 0;
        pCue->SetPlayer([&nPlays] { ++nPlays; });
        // Readings far below the regions' thresholds: the only alarm is the link's.
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 1000000");
        m_pWindow->Station()->Catalogue()->Reload();
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
        QVERIFY(pModel->IsStale(0) && pModel->IsStale(1));
        QCOMPARE(lamp(1), QColor(Qt::red));
        const auto last = [] { return RAlarmJournal::Read(kStart.date(), kStart.date()).first(); };
        QCOMPARE(last().strEvent, QStringLiteral("link-down"));
        QVERIFY(pState->IsUnacknowledged(RAlarmState::kLinkId));
        pCue->Tick();
        QCOMPARE(nPlays, 2);
        // Without a session Mute asks for a login, and goes on after it.
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "operator", 2, "operator-pass"),
            RUserAccounts::Result::Ok);
        button(m_pWindow->FormRegion(), "m_pButtonMute")->click();
        QVERIFY(!m_pWindow->AlarmCue()->IsMuted());
        m_prompt.logins = {{"operator", "operator-pass"}};
        button(m_pWindow->FormRegion(), "m_pButtonMute")->click();
        QCOMPARE(m_prompt.loginAsked.size(), 2);
        m_pWindow->AlarmCue()->Tick();
        QCOMPARE(nPlays, 2);
        QVERIFY(pStatus->IsMutedShown());

        // Back: the red line goes, the entry stays until acknowledged.
        QVERIFY(m_server.Refuse(false));
        QTRY_VERIFY(pState->IsLinkUp());
        QVERIFY(!pStatus->IsLinkDown() && pStatus->LinkLost().isEmpty());
        QVERIFY(pState->IsUnacknowledged(RAlarmState::kLinkId));
        button(m_pWindow->FormRegion(), "m_pButtonAckAll")->click();
        QVERIFY(!pState->AnyUnacknowledged());
        QVERIFY(!m_pWindow->AlarmCue()->IsPending());
        const RAlarmEvent ack = RAlarmJournal::Read(kStart.date(), kStart.date()).first();
        QCOMPARE(ack.strEvent, QStringLiteral("ack"));
        QCOMPARE(ack.nId, RAlarmState::kLinkId);
        QCOMPARE(ack.strOperator, QStringLiteral("operator"));
        QCOMPARE(
            trail("Action, Object"), QString("login operator; mute ; acknowledge all regions"));
    }

    // Shelving takes an officer: an operator is told so and nothing is
    // shelved; an officer's shelving, and its end, are in the audit trail
    // under the officer's name.
    void shelvingTakesAnOfficer()
    {
        RAlarmState* pState = m_pWindow->AlarmState();
        RFormRegion* pPage = m_pWindow->FormRegion();
        pPage->SetPrompt(&m_prompt);
        RUserAccounts& accounts = m_pWindow->Session()->Accounts();
        QCOMPARE(accounts.Create({}, "operator", 2, "operator-pass"), RUserAccounts::Result::Ok);
        QCOMPARE(accounts.Create({}, "officer", 1, "officer-pass"), RUserAccounts::Result::Ok);
        pPage->RegionView()->setCurrentIndex(pPage->Model()->index(0, 0));
        const int nId = pPage->Model()->IdAt(0);
        m_prompt.logins = {{"operator", "operator-pass"}};
        m_prompt.shelvings = {{"pump test", 60}};
        button(pPage, "m_pButtonShelve")->click();
        QVERIFY(!pState->IsShelved(nId));
        QVERIFY(m_prompt.told.last().contains(QStringLiteral("officer")));

        m_pWindow->Session()->LogOut();
        m_prompt.logins = {{"officer", "officer-pass"}};
        button(pPage, "m_pButtonShelve")->click();
        QVERIFY(pState->IsShelved(nId));
        m_prompt.reasons = QStringList {"test done"};
        button(pPage, "m_pButtonShelve")->click();
        QVERIFY(!pState->IsShelved(nId));
        QCOMPARE(trail("Action, AccountName, Object", "Action like '%shelve'"),
            QString("shelve officer region %1; unshelve officer region %1").arg(nId));
    }

    // Buttons show their pages and are marked; a horizontal drag in the
    // title area turns over six positions, two of them without a page (the
    // page shown stays); the routing button shows the patrol records.
    void navigationAndSwipe()
    {
        m_pWindow->resize(1280, 800);
        PSqlExec::Exec("insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 1)");
        const auto at = [this] {
            QStringList marked;
            for (QPushButton* pButton : m_pWindow->findChildren<QPushButton*>()) {
                if (pButton->isChecked() && pButton->parent()->objectName() == "framekestal")
                    marked << pButton->objectName();
            }
            return QStringLiteral("%1 %2 ")
                       .arg(m_pWindow->CurrentPageIndex())
                       .arg(m_pWindow->CurrentStackIndex())
                + marked.join(' ');
        };
        QCOMPARE(at(), QStringLiteral("0 0 m_pButtonRegion"));
        button(m_pWindow, "m_pButtonHistory")->click();
        QCOMPARE(at(), QStringLiteral("1 1 m_pButtonHistory"));
        swipe(500, 450); // inside the dead square
        QCOMPARE(m_pWindow->CurrentPageIndex(), 1);
        swipe(400, 500); // right: the page before
        swipe(400, 500); // wraps to a position without a page
        QCOMPARE(at(), QStringLiteral("5 0 m_pButtonRegion"));
        button(m_pWindow, "m_pButtonAbout")->click();
        swipe(500, 400);
        swipe(500, 400);
        QCOMPARE(m_pWindow->CurrentStackIndex(), 3);
        swipe(500, 400); // left: the next page, wrapping to the first
        QCOMPARE(at(), QStringLiteral("0 0 m_pButtonRegion"));
        swipe(500, 300, 400); // below the title area nothing turns
        QCOMPARE(m_pWindow->CurrentPageIndex(), 0);

        // The patrol records show without moving the page index; a patrol
        // reading reloads them.
        m_pWindow->ShowAbout();
        button(m_pWindow, "m_pButtonRouting")->click();
        QCOMPARE(at().left(4), QStringLiteral("3 4 "));
        RDataRecord* pView = m_pWindow->DataRecord();
        QCOMPARE(pView->RecordModel()->rowCount(), 0);
        PSqlExec::Exec("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
                       "values(7, 21, 123, '08:10', ?)",
            {kStart.date().toString("yyyy-MM-dd")});
        emit m_pWindow->DoseThread()->RoutDataUpdate();
        QCOMPARE(pView->RecordModel()->rowCount(), 1);
    }

    // A row is committed at once. A trail whose key is gone takes no more
    // rows, and the window says so without waiting for an answer.
    void auditTrailOpenAndLostKey()
    {
        RAuditTrail* pAudit = m_pWindow->AuditTrail();
        QVERIFY(pAudit->IsOpen());
        // Each row is in the file as soon as it is written, the second within
        // the same second too: what a kill -9 right after the action leaves.
        QVERIFY(pAudit->Append({1, "admin"}, RAuditAction::Login));
        QVERIFY(pAudit->Append({1, "admin"}, RAuditAction::Mute));
        QCOMPARE(CommittedRows("DataBase.sqlite", "select count(*) from AuditTrail").toInt(), 2);
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

    // A site without an administrator asks for one once the window is up,
    // again after two passwords that differ, and logs it in; cancelled, the
    // console stays view-only and asks at the next start.
    void firstStartAsksForAdministrator()
    {
        delete m_pWindow;
        PSqlExec::Exec("delete from UserAccount");
        m_prompt.logins = {{"boss", "boss-pass-1"}, {"boss", "boss-pass-2"},
            {"boss", "boss-pass-1"}, {"boss", "boss-pass-1"}};
        m_pWindow = new Kestal(nullptr, &m_clock, m_site.filePath("audit.key"));
        m_pWindow->SetPrompt(&m_prompt);
        m_pWindow->show();
        QTRY_VERIFY(m_pWindow->Session()->IsLoggedIn());
        QCOMPARE(m_prompt.loginAsked.size(), 4);
        QCOMPARE(m_pWindow->Session()->Grade(), int(RUserRights::Administrator));
        QCOMPARE(SqlRows("select Action, Object from AuditTrail order by Seq"),
            QString("account-create boss; login boss"));

        delete m_pWindow;
        PSqlExec::Exec("delete from UserAccount");
        m_prompt = FakePrompt();
        m_pWindow = new Kestal(nullptr, &m_clock, m_site.filePath("audit.key"));
        m_pWindow->SetPrompt(&m_prompt);
        m_pWindow->show();
        QTRY_COMPARE(m_prompt.loginAsked.size(), 1);
        QVERIFY(!m_pWindow->Session()->IsLoggedIn());
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
        // A session open at shut-down ends there, in the trail too.
        prompt.logins = {{"officer", "officer-pass"}};
        pButton->click();
        cleanup();
        QCOMPARE(trail("Action, Reason"),
            QString("login-failed wrong password; login ; logout idle; login ; logout ; login ; "
                    "logout shut-down"));
    }

    // Each grade as a user meets the settings pages: devices, system
    // settings, thresholds and the audit trail open to grades 0 and 1 only,
    // the accounts to grade 0, and all closed again at logout.
    void settingsRights_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("accounts");
        QTest::newRow("no session") << int(RUserRights::NoSession) << false << false;
        QTest::newRow("administrator") << 0 << true << true;
        QTest::newRow("officer") << 1 << true << false;
        QTest::newRow("operator") << 2 << false << false;
    }
    void settingsRights()
    {
        QFETCH(int, grade);
        QFETCH(bool, allowed);
        QFETCH(bool, accounts);
        if (grade != RUserRights::NoSession)
            logIn("someone", grade);
        QListView* pList = categories();
        // A page the grade may not change does not open: it says why.
        for (int i = 0; i < pList->model()->rowCount(); ++i) {
            pList->setCurrentIndex(pList->model()->index(i, 0));
            const bool bMay
                = m_pWindow->FormSetting()->CurrentPage()->Right() == RUserRights::Action::Accounts
                ? accounts
                : allowed;
            QCOMPARE(m_pWindow->FormSetting()->IsDenied(), !bMay);
            QCOMPARE(m_pWindow->FormSetting()->CurrentPage()->Widget()->isVisibleTo(
                         m_pWindow->FormSetting()),
                bMay);
        }
        QCOMPARE(POptionPage::Pages().size(), size_t(5));
        if (grade != RUserRights::NoSession) {
            button(m_pWindow, "m_pButtonLogin")->click();
            QVERIFY(m_pWindow->FormSetting()->IsDenied());
            for (const auto& pPage : POptionPage::Pages())
                QVERIFY(!pPage->Widget()->isEnabled());
        }
    }

    // Every export takes a session: without one it asks for a login, and
    // goes on to the file only after it.
    void exportsTakeASession()
    {
        QCOMPARE(m_pWindow->Session()->Accounts().Create({}, "operator", 2, "operator-pass"),
            RUserAccounts::Result::Ok);
        QTest::mouseClick(button(m_pWindow->FormRegion(), "m_pButtonJournal"), Qt::LeftButton);
        auto* pJournal = m_pWindow->FormRegion()->findChild<RAlarmJournalView*>();
        QVERIFY(pJournal);
        const QList<QPushButton*> exports = {button(pJournal, "m_pButtonExport"),
            button(m_pWindow->FormHistory(), "m_pButtonExport"),
            m_pWindow->DataRecord()->ExportButton()};
        for (QPushButton* pExport : exports) {
            m_prompt.offered.clear();
            m_clock.Advance(1000); // past the double-click guard
            pExport->click();
            QCOMPARE(m_prompt.offered.size(), 0);
            m_prompt.logins = {{"operator", "operator-pass"}};
            m_clock.Advance(1000);
            pExport->click();
            QCOMPARE(m_prompt.offered.size(), 1);
            m_pWindow->Session()->LogOut();
        }
        QCOMPARE(m_prompt.loginAsked.size(), 6);
    }

    // A threshold or an alarm filter goes out only after the officer's
    // password once more; the trail holds the old and the new value of each.
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
        RPresetAlarmThresholdWidget* pPage = thresholdPageAsOfficer(again);
        const int nOld = m_pWindow->Station()->Catalogue()->AlarmValue(1);
        pPage->findChild<QSpinBox*>("m_pSpinBoxAlarm")->setValue(2000);
        pPage->findChild<QPushButton*>("m_pPushButtonSet")->click();
        QCOMPARE(m_pWindow->Station()->Catalogue()->AlarmValue(1), sent ? 2000 : nOld);
        // The password asked again is no login of its own.
        QCOMPARE(trail("count(*)", "Action = 'login'"), QString("1"));
        QCOMPARE(trail("Object, OldValue, NewValue", "Action = 'threshold'"),
            sent ? QString("region 1 %1 2000").arg(nOld) : QString());
        // An alarm filter can hold an alarm back as a threshold can: the same gate.
        if (!again.isEmpty())
            m_prompt.logins = {again};
        pPage->RegionFilter().pOnDelay->setValue(4);
        pPage->RegionFilter().pSet->click();
        QCOMPARE(RAlarmFilterStore::Of(1).nOnDelay, sent ? 4 : 1);
        QVERIFY(m_prompt.loginAsked.last().contains("the alarm filter of region 1"));
        QCOMPARE(trail("count(*)", "Action = 'alarm-filter'"), QString(sent ? "1" : "0"));
        if (!sent)
            return;
        // All at once: one row per region, each with the value it had.
        m_prompt.logins = {again};
        const int nOld2 = m_pWindow->Station()->Catalogue()->AlarmValue(2);
        pPage->findChild<QSpinBox*>("m_pSpinBoxAll")->setValue(3000);
        pPage->findChild<QPushButton*>("m_pPushButtonAll")->click();
        QCOMPARE(trail("Object, OldValue, NewValue", "Action = 'threshold'"),
            QString("region 1 %1 2000; region 1 2000 3000; region 2 %2 3000").arg(nOld).arg(nOld2));
    }

    // While no enabled administrator exists, Log in asks for the first one,
    // after a Cancel too, and the new one is logged in.
    void loginOffersFirstAdministrator()
    {
        PSqlExec::Exec("update UserAccount set Disabled = 1");
        m_prompt.logins = {};
        button(m_pWindow, "m_pButtonLogin")->click();
        QVERIFY(!m_pWindow->Session()->IsLoggedIn());
        QVERIFY(m_prompt.loginAsked.last().startsWith("No administrator account exists yet"));
        m_prompt.logins = {{"chief", "chief-password"}, {"chief", "chief-password"}};
        button(m_pWindow, "m_pButtonLogin")->click();
        QVERIFY(m_pWindow->Session()->IsLoggedIn());
        QCOMPARE(m_pWindow->Session()->Actor().strName, QString("chief"));
        QCOMPARE(m_pWindow->Session()->Grade(), int(RUserRights::Administrator));
    }

    // Levels stored out of order from before are shown sorted, with a line
    // on the status strip that says so; levels in order say nothing.
    void invertedLevelsShownSorted()
    {
        QVERIFY(m_pWindow->FormStatus()->SettingsWarning().isEmpty());
        PSqlExec::Exec("update SystemInfo set Thre_A = 5000, Thre_B = 2000, Thre_C = 4000");
        BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 0, 0);
        QVERIFY2(m_pWindow->FormStatus()->SettingsWarning().contains("A 5000, B 2000, C 4000"),
            qPrintable(m_pWindow->FormStatus()->SettingsWarning()));
        const RSystemValues values = RSystemInfoStore::Values();
        QCOMPARE((QList<double> {values.dThreA, values.dThreB, values.dThreC}),
            (QList<double> {2000, 4000, 5000}));
        PSqlExec::Exec("update SystemInfo set Thre_A = 2000, Thre_B = 4000, Thre_C = 5000");
        BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 0, 0);
        QVERIFY(m_pWindow->FormStatus()->SettingsWarning().isEmpty());
    }

    // Without a style sheet file the built-in theme is the shipped one: the
    // navigation and the table draw as with the file.
    void builtInTheme()
    {
        QVERIFY(!QFile::exists("default_blue.qss"));
        const QString strBuiltIn = PInstallPaths::StyleSheet("default_blue.qss");
        QCOMPARE(strBuiltIn, QString::fromLatin1(TestFiles::Get(QStringLiteral(KESTAL_THEME))));
        m_pWindow->resize(1600, 900);
        const auto shot = [this](const QString& strSheet) {
            qApp->setStyleSheet(strSheet);
            QCoreApplication::processEvents();
            return m_pWindow->grab().toImage();
        };
        const QImage themed = shot(strBuiltIn);
        const QImage bare = shot(QString());
        qApp->setStyleSheet(QString());
        QVERIFY(themed != bare);
        QPushButton* pRegion = button(m_pWindow, "m_pButtonRegion");
        const QRect area(pRegion->mapTo(m_pWindow, QPoint()), pRegion->size());
        // The themed button draws its image: more than one colour.
        const QImage part = themed.copy(area);
        QSet<QRgb> colours;
        for (int y = 0; y < part.height(); y += 2)
            for (int x = 0; x < part.width(); x += 2)
                colours.insert(part.pixel(x, y));
        QVERIFY(colours.size() > 2);
    }

    // A refusal quoting a 2000-character name is elided on the message
    // line: the window keeps its size, its buttons stay on screen.
    void longRefusalKeepsTheWindow()
    {
        m_pWindow->resize(1600, 900);
        logIn("admin", 0);
        m_pWindow->ShowSetting();
        openEveryPage();
        QCoreApplication::processEvents();
        const QSize size = m_pWindow->size();
        m_prompt.accounts = {{QString(2000, 'x'), "2", "a long password", "a long password"}};
        QPushButton* pAdd = nullptr;
        for (QPushButton* pButton :
            m_pWindow->FormSetting()->findChildren<QPushButton*>("m_pButtonAdd")) {
            if (pButton->text() == QLatin1String("Add..."))
                pAdd = pButton;
        }
        QVERIFY(pAdd);
        pAdd->click();
        QCoreApplication::processEvents();
        QVERIFY2(m_pWindow->FormSetting()->Message().contains("at most 64 characters"),
            qPrintable(m_pWindow->FormSetting()->Message() + "|" + m_prompt.told.join("|")));
        QCOMPARE(m_pWindow->size(), size);
        QCOMPARE(m_pWindow->grab().size(), size);
        auto* pOk = m_pWindow->FormSetting()->findChild<QPushButton*>("m_pButtonOK");
        QVERIFY(m_pWindow->rect().contains(pOk->mapTo(m_pWindow, pOk->rect().bottomRight())));
        // The line starts with the reason, whatever the name's length.
        QVERIFY(m_pWindow->FormSetting()->Message().startsWith("The name is not acceptable"));
        // Nor does the threshold page's note on what will be set.
        auto* pThreshold = m_pWindow->FormSetting()->findChild<RPresetAlarmThresholdWidget*>();
        auto* pBox = pThreshold->findChild<QSpinBox*>("m_pSpinBoxAlarm");
        pBox->clear();
        QTest::keyClicks(pBox, "1249");
        QCoreApplication::processEvents();
        QCOMPARE(m_pWindow->size(), size);
    }

    // Each system setting saved with a new value is in the trail, old and
    // new, under the account logged in; unchanged ones are not.
    void systemSettingsInTrail()
    {
        logIn("officer", 1);
        openEveryPage();
        m_pWindow->FormSetting()->findChild<QSpinBox*>("m_pSpinBoxIdleMinutes")->setValue(20);
        m_pWindow->FormSetting()->findChild<QSpinBox*>("m_pSpinBoxArchiveMonths")->setValue(7);
        QCOMPARE(POptionPage::Pages().at(1)->Apply(), int(POptionPage::Applied));
        QCOMPARE(trail("AccountName, Object, OldValue, NewValue", "Action = 'setting'"),
            QString("officer ArchiveRetentionMonths 2 7; officer SessionIdleMinutes 15 20"));
    }

    // Device list changes: one row per device added, renamed or removed,
    // and the removed one's history.
    void deviceChangesInTrail()
    {
        QSignalSpy received(&m_server, &PSimDataServer::ThresholdReceived);
        logIn("officer", 1);
        categories()->setCurrentIndex(categories()->model()->index(0, 0));
        RItemModelPresetRegion* pModel
            = m_pWindow->FormSetting()->findChild<RFramePresetRegionWidget*>()->ItemModel();
        pModel->Model()->item(0, 0)->setText("Renamed");
        pModel->Model()->removeRow(1);
        pModel->AddRow(9);
        POptionPage::Pages().at(0)->SetPrompt(&m_prompt); // deleting history asks
        QCOMPARE(POptionPage::Pages().at(0)->Apply(), int(RItemModelPresetRegion::Saved));
        const QStringList changes = trail(
            "Action, Object, NewValue", "Action like 'device%' or Action = 'history-delete'")
                                        .split("; ");
        QCOMPARE(changes.size(), 4);
        QCOMPARE(changes.mid(0, 3),
            QStringList(
                {"device-rename ID 1 Renamed", "device-remove ID 2 ", "history-delete ID 2 "}));
        QVERIFY(changes.at(3).startsWith("device-add ID 9 "));
        // The new device gets its threshold, in sendable hundreds, on record.
        QCOMPARE(
            trail("Object, OldValue, NewValue", "Action = 'threshold'"), QString("region 9  100"));
        QCOMPARE(
            SqlRows("select Alarmvalue from RegionCurveColorInfo where Id = 9"), QString("100"));
        QTRY_VERIFY(!received.isEmpty());
        QCOMPARE(received.first(), (QVariantList {9, 1}));
    }

    // The device page's records of the chosen monitor: a calibration due
    // within the month, a failed test on the status strip, out of service
    // in the region table; an operator may only read them.
    void instrumentRecordsOnTheDevicePage()
    {
        logIn("officer", 1);
        categories()->setCurrentIndex(categories()->model()->index(0, 0));
        auto* pEditor = m_pWindow->FormSetting()->findChild<RFramePresetRegionWidget*>();
        RInstrumentPanel* pPanel = pEditor->Instruments();
        pPanel->SetPrompt(&m_prompt);
        pEditor->Table()->setCurrentIndex(pEditor->ItemModel()->Model()->index(0, 0));
        QCOMPARE(pPanel->Monitor(), 1);
        RInstrumentCalibration calibration;
        calibration.date = kStart.date();
        calibration.nextDue = kStart.date().addDays(20);
        calibration.dFactor = 1.02;
        calibration.strCertificate = "C-7";
        m_prompt.calibrations = {calibration};
        button(pPanel, "buttonCalibration")->click();
        QVERIFY2(pPanel->DueText().contains("calibration due "
                     + calibration.nextDue.toString(Qt::ISODate) + " (in 20 day(s))"),
            qPrintable(pPanel->DueText()));
        RInstrumentTest test;
        test.date = kStart.date();
        test.nKind = RInstrumentTest::AlarmTest;
        test.nextDue = kStart.date().addYears(1);
        m_prompt.tests = {test};
        button(pPanel, "buttonTest")->click();
        QCOMPARE(pPanel->Records()->rowCount(), 2);
        QVERIFY(m_pWindow->FormStatus()->InstrumentStatus().contains(
            "alarm test of Room 1 (1) failed"));
        m_prompt.reasons = QStringList {"to the lab"};
        button(pPanel, "buttonService")->click();
        QVERIFY(m_pWindow->AlarmState()->IsOutOfService(1));
        QVERIFY(pPanel->ServiceText().startsWith("Out of service since"));
        QCOMPARE(button(pPanel, "buttonService")->text(), QString("Return to service..."));
        QCOMPARE(m_pWindow->FormRegion()->Model()->index(0, 2).data().toString(),
            QString("Out of service"));
        m_pWindow->Session()->LogOut();
        logIn("operator", 2);
        QVERIFY(!button(pPanel, "buttonCalibration")->isEnabled());
        QVERIFY(!button(pPanel, "buttonService")->isEnabled());
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

    // A message added to the sources but not translated, or translated to
    // nothing, would show English (or nothing) in the Chinese program.
    void everyMessageTranslated()
    {
        const QList<Message> messages = readTs(QStringLiteral(KESTAL_TS));
        QVERIFY2(messages.size() > 100, "kestal_zh.ts unreadable");
        QStringList faults;
        for (const Message& message : messages) {
            if (!message.strType.isEmpty() || message.strTranslation.trimmed().isEmpty())
                faults << QStringLiteral("untranslated: ") + message.Key();
            else if (placeholders(message.strSource) != placeholders(message.strTranslation))
                faults << QStringLiteral("placeholders differ: ") + message.Key();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The .ts must list exactly the texts the sources hold: one missed by
    // lupdate never reaches a translator.
    void messageListCurrent()
    {
        QTemporaryDir scratch;
        const QString strCopy = scratch.filePath(QStringLiteral("kestal_zh.ts"));
        QVERIFY(QFile::copy(QStringLiteral(KESTAL_TS), strCopy));
        QProcess lupdate;
        QStringList args = QStringLiteral(KESTAL_LUPDATE_OPTIONS).split(QLatin1Char('|'));
        lupdate.start(QStringLiteral(KESTAL_LUPDATE), args << QStringLiteral("-ts") << strCopy);
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);
        QSet<QString> checkedIn;
        for (const Message& message : readTs(QStringLiteral(KESTAL_TS)))
            checkedIn << message.Key();
        QStringList faults;
        QSet<QString> current;
        for (const Message& message : readTs(strCopy)) {
            current << message.Key();
            if (!checkedIn.contains(message.Key()))
                faults << QStringLiteral("not in kestal_zh.ts: ") + message.Key();
        }
        for (const QString& strKey : checkedIn - current)
            faults << QStringLiteral("no longer in the sources: ") + strKey;
        QVERIFY2(faults.isEmpty(),
            qPrintable(faults.join(QLatin1Char('\n'))
                + QStringLiteral("\nrun the kestal_lupdate target and translate")));
    }

    // Every text the window shows in English changes when the translation
    // is loaded: a text outside tr(), or in a context the translation does
    // not know, stays English. Table headers count, the region table's
    // among them.
    void pagesShowChinese()
    {
        QStringList asked;
        const QMap<QString, QString> english = windowTexts(&asked);
        QVERIFY(!english.isEmpty());
        QCOMPARE(asked.size(), 1);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(KESTAL_QM)));
        QCoreApplication::installTranslator(&translator);
        QStringList chineseAsked;
        const QMap<QString, QString> chinese = windowTexts(&chineseAsked);
        QCoreApplication::removeTranslator(&translator);
        QVERIFY(!chinese.isEmpty());

        QStringList faults;
        const QRegularExpression words(QStringLiteral("[A-Za-z]{2}"));
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            if (!it->contains(words))
                continue;
            if (!chinese.contains(it.key()))
                faults << it.key() + QStringLiteral(" not shown: ") + *it;
            else if (chinese.value(it.key()) == *it)
                faults << it.key() + QStringLiteral(" = ") + *it;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QCOMPARE(chineseAsked.size(), 1);
        QVERIFY(chineseAsked.first() != asked.first());
    }

    // Qt's own texts come with ours, as the program loads them: the save
    // dialog of every export labels its fields and buttons in Chinese.
    void fileDialogShowsChinese()
    {
        const auto dialogTexts = [] {
            QFileDialog dialog(nullptr, QString(), QDir::tempPath(), QStringLiteral("CSV (*.csv)"));
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.show();
            QMap<QString, QString> texts;
            for (const char* pLabel : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
                if (auto* pWidget = dialog.findChild<QLabel*>(QLatin1String(pLabel)))
                    texts.insert(QLatin1String(pLabel), pWidget->text());
            }
            if (auto* pBox = dialog.findChild<QDialogButtonBox*>()) {
                for (QAbstractButton* pButton : pBox->buttons())
                    texts.insert(QString::number(pBox->standardButton(pButton)), pButton->text());
            }
            return texts;
        };
        const QMap<QString, QString> english = dialogTexts();
        QCOMPARE(english.size(), 5);
        QTranslator ours;
        QTranslator qt;
        QVERIFY(ours.load(QStringLiteral(KESTAL_QM)));
        QVERIFY2(PInstallPaths::LoadQtTranslation(&qt, QLocale(ours.language())),
            "Qt's own Chinese texts are missing: is qttranslations5-l10n installed?");
        QCoreApplication::installTranslator(&qt);
        QCoreApplication::installTranslator(&ours);
        const QMap<QString, QString> chinese = dialogTexts();
        QCoreApplication::removeTranslator(&ours);
        QCoreApplication::removeTranslator(&qt);
        const QRegularExpression han(QStringLiteral("\\p{Han}"));
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            QVERIFY2(chinese.value(it.key()).contains(han),
                qPrintable(it.key() + QStringLiteral(": ") + *it + QStringLiteral(" -> ")
                    + chinese.value(it.key())));
        }
    }
};

QTEST_MAIN(TestKestal)
#include "tst_kestal.moc"
