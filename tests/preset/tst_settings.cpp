#include "BusRecorder.h"
#include "FakePrompt.h"
#include "IdServerStub.h"
#include "SmtpSink.h"
#include "SqlRows.h"
#include "TestDb.h"

#include "algor/PSocketGetId.h"
#include "database/RAuditTrail.h"
#include "database/RLoginSession.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "notify/RNotifyConfig.h"
#include "plant/RPlantConfig.h"
#include "preset/PCategoryFilterModel.h"
#include "preset/PCategoryModel.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
#include "preset/RFrameAccounts.h"
#include "preset/RFrameAudit.h"
#include "preset/RFramePresetIp.h"
#include "preset/RFramePresetIpWidget.h"
#include "preset/RFramePresetRegion.h"
#include "preset/RFramePresetRegionWidget.h"
#include "preset/RItemModelPresetPersonal.h"
#include "preset/RItemModelPresetRegion.h"
#include "preset/RSeekItems.h"
#include "realtime/RPresetAlarmThreshold.h"
#include "realtime/RPresetAlarmThresholdWidget.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

QString systemInfo()
{
    return SqlRows(
        QString("select Unit_P, IP, Port, Thre_A, Thre_B, Thre_C, Ceff_P, Ceff_R from SystemInfo"));
}

class Page final : public POptionPage
{
public:
    Page(int nCategory, const QString& strName, const QString& strKeywords = QString())
        : POptionPage(nCategory)
        , m_strName(strName)
    {
        m_strKeywords = strKeywords;
    }
    QString GetName() const override { return m_strName; }
    QWidget* CreateWidget(QWidget*) override { return nullptr; }
    int Apply() override { return Applied; }
    void Finish() override { }

private:
    QString m_strName;
};

const QString s_strRoot = QStringLiteral("root's password");

QStringList rows(const QAbstractItemModel& model, int nColumn = 0)
{
    QStringList texts;
    for (int i = 0; i < model.rowCount(); ++i)
        texts << model.index(i, nColumn).data().toString();
    return texts;
}

} // namespace

// The settings window: its categories, the system settings, the device list
// and the alarm thresholds.
class tst_Settings : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2026, 12, 7), QTime(9, 0))};
    FakePrompt m_prompt {&m_clock};
    RFormSetting* m_pForm = nullptr;
    BusRecorder* m_pMain = nullptr;
    BusRecorder* m_pPresets = nullptr;

    template <typename T> T* field(const char* pName) const
    {
        return m_pForm->findChild<T*>(QLatin1String(pName));
    }
    QListView* list() const { return field<QListView>("m_pCategoryList"); }
    void choose(const QString& strName)
    {
        const QModelIndexList found = list()->model()->match(
            list()->model()->index(0, 0), Qt::DisplayRole, strName, 1, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list()->setCurrentIndex(found.first());
    }
    void confirm()
    {
        m_clock.Advance(1000);
        QTest::mouseClick(field<QPushButton>("m_pButtonOK"), Qt::LeftButton);
    }
    RFramePresetRegionWidget* devices() const
    {
        return m_pForm->findChild<RFramePresetRegionWidget*>();
    }
    QStandardItemModel* deviceRows() const { return devices()->ItemModel()->Model(); }
    void setId(int nRow, int nId) { deviceRows()->item(nRow, 1)->setData(nId, Qt::EditRole); }

    QTemporaryDir m_site;
    QString m_strSiteFile;
    int m_nSite = 0;
    std::unique_ptr<RAuditTrail> m_pTrail;
    std::unique_ptr<RLoginSession> m_pSession;
    RFrameAccounts* m_pAccounts = nullptr;
    RFrameAudit* m_pAudit = nullptr;

    // A site file with its trail, root (an administrator) logged in, and a
    // settings window of the accounts and audit pages on the session's grade.
    void openAccounts()
    {
        delete m_pForm;
        m_pSession.reset();
        m_pTrail.reset();
        m_strSiteFile = m_site.filePath(QString("site%1.sqlite").arg(++m_nSite));
        TestDb::Open(m_strSiteFile);
        m_pTrail = std::make_unique<RAuditTrail>(
            &TestDb::Writer(), m_site.filePath(QString("audit%1.key").arg(m_nSite)), &m_clock);
        QString strError;
        QVERIFY2(m_pTrail->Open(&strError), qPrintable(strError));
        m_pSession = std::make_unique<RLoginSession>(&TestDb::Writer(), m_pTrail.get(), &m_clock);
        QCOMPARE(m_pSession->Accounts().Create({}, "root", RUserRights::Administrator, s_strRoot),
            RUserAccounts::Result::Ok);
        QCOMPARE(m_pSession->LogIn("root", s_strRoot), RUserAccounts::Result::Ok);
        POptionPage::ClearPages();
        m_pAccounts = new RFrameAccounts;
        m_pAccounts->SetSession(m_pSession.get());
        m_pAudit = new RFrameAudit(&m_clock);
        m_pAudit->SetTrail(m_pTrail.get());
        POptionPage::Register(m_pAccounts);
        POptionPage::Register(m_pAudit);
        m_pForm = new RFormSetting(nullptr, &m_clock);
        m_pForm->SetPrompt(&m_prompt);
        connect(
            m_pSession.get(), &RLoginSession::GradeChanged, m_pForm, &RFormSetting::UpdateRights);
        m_pForm->UpdateRights(m_pSession->Grade());
        m_pForm->show();
        choose("Audit trail");
        choose("Accounts");
    }
    void chooseAccount(const QString& strName)
    {
        auto* pTable = field<QTableView>("m_pTableAccounts");
        const QModelIndexList found = pTable->model()->match(
            pTable->model()->index(0, 0), Qt::DisplayRole, strName, 1, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        pTable->selectRow(found.first().row());
    }
    void click(const char* pButton) { field<QPushButton>(pButton)->click(); }
    // Whether the page opens when chosen, as the grade logged in tries it.
    bool permitted(POptionPage* pPage)
    {
        const QModelIndexList found = list()->model()->match(
            list()->model()->index(0, 0), Qt::DisplayRole, pPage->GetName(), 1, Qt::MatchExactly);
        list()->setCurrentIndex(found.value(0));
        return !m_pForm->IsDenied() && pPage->Widget()->isVisibleTo(m_pForm);
    }
    // The last row of the trail, of the account changes only when asked.
    QString lastAudit(bool bAccountChange = false)
    {
        return SqlRows(QString("select AccountName, Action, Object, OldValue, NewValue from "
                               "AuditTrail %1 order by Seq desc limit 1")
                           .arg(bAccountChange ? "where Action like 'account-%'" : ""));
    }

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({1, 2, 3, 4, 5, 6});
        PSqlExec::Exec(QString("insert into SystemInfo(IP, Port, Ceff_R, Unit_P) "
                               "values('127.0.0.1', 8888, 0.000123456, 0)"));
        for (int nId : {1, 3, 5})
            PSqlExec::Exec(QString("insert into MonthData(Id) values(?)"), {nId});
        POptionPage::ClearPages();
        POptionPage::Register(new RFramePresetRegion(&TestDb::Writer(), 1));
        POptionPage::Register(new RFramePresetIp);
        POptionPage::Register(new RPresetAlarmThreshold(&TestDb::Catalogue()));
        m_prompt = FakePrompt(&m_clock);
        m_pMain = new BusRecorder(SBus::MainWindow);
        SubscribeMessage(m_pMain, SBus::ReloadAfterDeviceUpdate);
        SubscribeMessage(m_pMain, SBus::ReloadThresholds);
        m_pPresets = new BusRecorder(SBus::PresetStore);
        m_pForm = new RFormSetting(nullptr, &m_clock);
        m_pForm->SetPrompt(&m_prompt);
        m_pForm->show();
        // Every editor exists after a first apply of nothing.
        confirm();
        m_prompt = FakePrompt(&m_clock);
        m_pMain->Clear();
        m_pPresets->Clear();
    }

    void cleanup()
    {
        delete m_pForm;
        m_pForm = nullptr;
        delete m_pMain;
        delete m_pPresets;
        POptionPage::ClearPages();
        m_pSession.reset();
        m_pTrail.reset();
        TestDb::Writer().ReleaseStatements();
    }

    // A double click on OK asks once; "Cancel" in the question applies nothing.
    void okIsDebouncedAndConfirmed()
    {
        choose(QString("System Settings"));
        const QString strBefore = systemInfo();
        m_prompt.bAccept = false;
        m_prompt.nAnswerMs = 0;
        confirm();
        m_clock.Advance(100);
        QTest::mouseClick(field<QPushButton>("m_pButtonOK"), Qt::LeftButton);
        QCOMPARE(m_prompt.asked, QStringList {"The system settings have been changed!"});
        QCOMPARE(systemInfo(), strBefore);
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 0);
    }

    // A save writes exactly the two rows, main server first, with the shown
    // numbers to six digits, keeps the stored region coefficient when it was
    // not edited, saves the network-server preset and asks for the reload.
    void saveWritesTwoRowsAndReloads()
    {
        choose(QString("System Settings"));
        field<QLineEdit>("m_pEditIp")->setText(QString("localhost"));
        field<QSpinBox>("m_pEditPort")->setValue(18888);
        field<QDoubleSpinBox>("m_pSpinBoxThresA")->setValue(10);
        field<QDoubleSpinBox>("m_pSpinBoxThresB")->setValue(20.5);
        field<QDoubleSpinBox>("m_pSpinBoxCoefStaff")->setValue(0.00049);
        confirm();

        QCOMPARE(m_prompt.told, QStringList {"The systeminfo has been modified."});
        QCOMPARE(m_pForm->Message(), QString("Current preset saved."));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 1);
        QCOMPARE(m_pPresets->Count(SBus::NetServer), 1);
        QCOMPARE(m_pPresets->Firsts(SBus::NetServer), QList<qintptr> {SBus::CmdSave});
        QCOMPARE(systemInfo(),
            QString("0 localhost 18888 10 20.5 200 0.00049 0.000123456; 1  0 0.1 10 200 "
                    "0.00049 0.0056"));

        // An edited region coefficient is stored as shown.
        field<QDoubleSpinBox>("m_pSpinBoxCoefRegion")->setValue(0.0061);
        confirm();
        QCOMPARE(SqlRows("select Ceff_R from SystemInfo where Unit_P = 0"), QString("0.0061"));

        // The standby goes to the second row; the main one again, or a bad
        // address, is refused.
        field<QLineEdit>("m_pEditIp_2")->setText(QString("localhost"));
        field<QSpinBox>("m_pEditPort_2")->setValue(18888);
        confirm();
        QVERIFY(m_pForm->Message().startsWith("The standby server must not be the main one."));
        field<QLineEdit>("m_pEditIp_2")->setText(QString("a..b"));
        confirm();
        QVERIFY(m_pForm->Message().startsWith("Standby server: "));
        field<QLineEdit>("m_pEditIp_2")->setText(QString(" 127.0.0.1 "));
        field<QSpinBox>("m_pEditPort_2")->setValue(18889);
        confirm();
        QCOMPARE(SqlRows("select IP, Port from SystemInfo where Unit_P = 1"),
            QString("127.0.0.1 18889"));
    }

    // Only an IPv4 address or a host name passes.
    void addressCheck()
    {
        QStringList valid;
        for (const char* pAddress : {"127.0.0.1", "data-server.site", "127.0.0.1; drop table",
                 "a'b", "127.0.0.256", "127.0.1", "-server", "a..b", ""}) {
            if (RFramePresetIpWidget::AddressProblem(pAddress).isEmpty())
                valid << pAddress;
        }
        QCOMPARE(valid, (QStringList {"127.0.0.1", "data-server.site"}));
    }

    // A refused entry or a failing insert changes nothing: the old rows stay,
    // the reason is shown, and no reload is asked for.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("failInsert");
        QTest::addColumn<QList<double>>("levels"); // A, B, C
        QTest::addColumn<QString>("reason"); // the start of the message
        const QList<double> rising {42, 50, 200};
        QTest::newRow("port 0") << "127.0.0.1" << 0 << false << rising << "The port";
        QTest::newRow("insert fails")
            << "127.0.0.1" << 9999 << true << rising << "The settings could not be saved";
        QTest::newRow("levels equal") << "127.0.0.1" << 9999 << false << QList<double> {10, 10, 200}
                                      << "The levels must rise";
        QTest::newRow("levels inverted")
            << "127.0.0.1" << 9999 << false << QList<double> {5000, 2000, 4000}
            << "The levels must rise: 0 < A < B < C (now A 5000, B "
               "2000, C 4000).";
        QTest::newRow("level zero")
            << "127.0.0.1" << 9999 << false << QList<double> {0, 10, 200} << "The levels must rise";
    }

    void refusalsChangeNothing()
    {
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(bool, failInsert);
        if (failInsert) {
            PSqlExec::Exec(QString("create trigger t before insert on SystemInfo begin "
                                   "select raise(abort, 'x'); end"));
        }
        choose(QString("System Settings"));
        const QString strBefore = systemInfo();
        field<QLineEdit>("m_pEditIp")->setText(address);
        field<QSpinBox>("m_pEditPort")->setValue(port);
        QFETCH(QList<double>, levels);
        field<QDoubleSpinBox>("m_pSpinBoxThresA")->setValue(levels.at(0));
        field<QDoubleSpinBox>("m_pSpinBoxThresB")->setValue(levels.at(1));
        field<QDoubleSpinBox>("m_pSpinBoxThresC")->setValue(levels.at(2));
        confirm();
        QCOMPARE(systemInfo(), strBefore);
        QFETCH(QString, reason);
        QVERIFY2(m_pForm->Message().startsWith(reason), qPrintable(m_pForm->Message()));
        QCOMPARE(m_prompt.told.size(), 1);
        QVERIFY(m_prompt.told.first().startsWith(QString("System Settings: ")));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 0);
        QCOMPARE(m_pPresets->Count(SBus::NetServer), 0);
    }

    // "Cancel" drops the edits: the page shows the stored values again, and
    // a later OK does not store the dropped ones.
    void cancelShowsStoredValues()
    {
        choose(QString("System Settings"));
        field<QLineEdit>("m_pEditIp")->setText(QString("elsewhere"));
        field<QDoubleSpinBox>("m_pSpinBoxThresC")->setValue(7);
        QTest::mouseClick(field<QPushButton>("m_pButtonCancel"), Qt::LeftButton);
        choose(QString("Device Management"));
        choose(QString("System Settings"));
        QCOMPARE(field<QLineEdit>("m_pEditIp")->text(), QString("127.0.0.1"));
        QCOMPARE(field<QDoubleSpinBox>("m_pSpinBoxThresC")->value(), 200.0);
    }

    // Two rows with one ID stop the apply at the later row before anything
    // is written; no later page is applied (no success told), nothing is reloaded.
    void duplicateIdIsAConflict()
    {
        setId(2, 7);
        setId(5, 7);
        confirm();
        QCOMPARE(m_prompt.told, QStringList {"Device Management 5 node has Colision!"});
        QCOMPARE(SqlRows("select Id from RegionInfo"), QString("1; 2; 3; 4; 5; 6"));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 0);
    }

    // Removing devices names them first; declined, nothing is written by
    // any page; accepted, the list and history change and everything reloads.
    void removalIsConfirmed()
    {
        deviceRows()->removeRow(2);
        deviceRows()->removeRow(0);
        m_prompt.answers = {true, false};
        confirm();
        QCOMPARE(m_prompt.asked.size(), 2);
        QCOMPARE(m_prompt.asked.last(), QString("The stored history of ID 1, 3 will be deleted."));
        QCOMPARE(SqlRows("select count(*) from RegionInfo"), QString("6"));
        QCOMPARE(SqlRows("select Id from MonthData"), QString("1; 3; 5"));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 0);
        QVERIFY(m_prompt.told.isEmpty());

        confirm();
        QCOMPARE(SqlRows("select Id from RegionInfo"), QString("2; 4; 5; 6"));
        QCOMPARE(SqlRows("select Id from MonthData"), QString("5"));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 1);
        // Saved and unmodified: the next OK writes and asks nothing.
        m_prompt.asked.clear();
        confirm();
        QCOMPARE(m_prompt.asked.size(), 1);
    }

    // A location the table cannot hold is refused with its row named.
    void badLocationIsRefused()
    {
        deviceRows()->item(1, 0)->setText(QString(65, QLatin1Char('x')));
        confirm();
        QCOMPARE(m_prompt.told,
            QStringList {"Device Management: Row 2: the location must have 1 to 64 characters."});
        QCOMPARE(SqlRows("select Name from RegionInfo where Id = 2"), QString("Room 2"));
        QCOMPARE(m_pMain->Count(SBus::ReloadAfterDeviceUpdate), 0);
    }

    // "Add" appends its row number and ID 100; "Search" offers only the ids
    // the table does not hold, and "Ok" adds the ticked.
    void addAndSearch()
    {
        TestDb::Open();
        TestDb::AddRegions({1, 2, 3, 4});
        RFramePresetRegionWidget widget(&TestDb::Writer(), 0, nullptr, &m_clock);
        QStandardItemModel* pRows = widget.ItemModel()->Model();
        QAbstractItemModelTester rows(
            pRows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester picked(widget.Picker()->findChild<QTreeView*>()->model(),
            QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_clock.Advance(1000);
        QTest::mouseClick(widget.findChild<QPushButton*>("m_pButtonAdd"), Qt::LeftButton);
        QCOMPARE(pRows->rowCount(), 5);
        QCOMPARE(pRows->item(4, 0)->text(), QString("4"));
        QCOMPARE(pRows->item(4, 1)->data(Qt::EditRole).toInt(), 100);

        delete m_pPresets; // the stub answers for the preset store
        m_pPresets = nullptr;
        IdServerStub stub({2, 144, 100, 9});
        QVERIFY(stub.IsListening());
        widget.IdQuery()->SetIntervals(5000, 20);
        QSignalSpy ids(widget.IdQuery(), &PSocketGetId::ItemIdLists);
        m_clock.Advance(1000);
        QTest::mouseClick(widget.findChild<QPushButton*>("m_pButtonSearch"), Qt::LeftButton);
        QTRY_COMPARE(ids.count(), 1);
        QCOMPARE(widget.Picker()->Ids(), (QVector<int> {144, 9}));
        widget.Picker()->SetChecked(0, true);
        QTest::mouseClick(widget.Picker()->findChild<QPushButton*>("m_pButtonOk"), Qt::LeftButton);
        QCOMPARE(pRows->rowCount(), 6);
        QCOMPARE(pRows->item(5, 0)->text(), QString("5"));
        QCOMPARE(pRows->item(5, 1)->data(Qt::EditRole).toInt(), 144);
        QVERIFY(widget.Picker()->Ids().isEmpty());
        QCOMPARE(m_pMain->Count(SBus::DevicePickerClosed), 1);
    }

    // What is typed is what the box holds (no sign, nothing above the range);
    // what it is set as is said before anything is sent; each refusal gives
    // its own reason. Sent as rounded, stored, announced.
    void thresholdEntry_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("sent"); // -1: refused
        QTest::addColumn<QString>("said");
        QTest::newRow("-5") << "-5" << 5 << -1
                            << "5 is set as 0 (the devices take hundreds), which would never raise "
                               "the alarm: enter 50 or more.";
        QTest::newRow("0") << "0" << 0 << -1 << "A threshold of 0 would never raise the alarm.";
        QTest::newRow("49") << "49" << 49 << -1
                            << "49 is set as 0 (the devices take hundreds), which would never "
                               "raise the alarm: enter 50 or more.";
        QTest::newRow("50") << "50" << 50 << 100 << "50 is set as 100: the devices take hundreds";
        QTest::newRow("1249") << "1249" << 1249 << 1200
                              << "1249 is set as 1200: the devices take hundreds";
        QTest::newRow("range top") << "6553500" << 6553500 << 6553500 << "";
        QTest::newRow("above it") << "6553600" << 655360 << 655400
                                  << "655360 is set as 655400: the devices take hundreds";
        QTest::newRow("text") << "12a" << 12 << -1
                              << "12 is set as 0 (the devices take hundreds), which would never "
                                 "raise the alarm: enter 50 or more.";
    }
    void thresholdEntry()
    {
        QFETCH(QString, typed);
        QFETCH(int, sent);
        auto* pPage = m_pForm->findChild<RPresetAlarmThresholdWidget*>();
        auto* pCombo = pPage->findChild<QComboBox*>("m_pComboBoxAlarm");
        // Listed by name, with the id.
        QCOMPARE(pCombo->itemText(pCombo->findData(4)), QString("Room 4 (4)"));
        pCombo->setCurrentIndex(pCombo->findData(4));
        auto* pBox = pPage->findChild<QSpinBox*>("m_pSpinBoxAlarm");
        pBox->clear();
        QTest::keyClicks(pBox, typed);
        QTEST(pBox->value(), "held");
        QSignalSpy said(pPage, &RPresetAlarmThresholdWidget::SendMessage);
        QTest::mouseClick(pPage->findChild<QPushButton*>("m_pPushButtonSet"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QTEST(said.isEmpty() ? QString() : said.last().at(0).toString(), "said");
        if (sent < 0) {
            QVERIFY(m_pMain->Firsts(SBus::SendThreshold).isEmpty());
            QCOMPARE(SqlRows("select count(*) from RegionCurveColorInfo where Alarmvalue = 10"),
                QString("6"));
            return;
        }
        // Said beside the box before the click too.
        QCOMPARE(pPage->findChild<QLabel*>("m_pLabelRoundAlarm")->text(),
            said.isEmpty() ? QString() : said.last().at(0).toString());
        QCOMPARE(m_pMain->Firsts(SBus::SendThreshold), QList<qintptr> {4});
        const auto command = std::find_if(m_pMain->Log().cbegin(), m_pMain->Log().cend(),
            [](const BusRecorder::Message& message) {
                return message.nType == SBus::SendThreshold;
            });
        QCOMPARE(command->b, qintptr(sent));
        QCOMPARE(SqlRows("select Alarmvalue from RegionCurveColorInfo where Id = 4"),
            QString::number(sent));
        QCOMPARE(SqlRows("select count(*) from RegionCurveColorInfo where Alarmvalue = 10"),
            QString("5"));
        QCOMPARE(m_pMain->Count(SBus::ReloadThresholds), 1);
    }

    // "Set all" sends one command for device 0 and writes every row.
    void thresholdForAll()
    {
        auto* pPage = m_pForm->findChild<RPresetAlarmThresholdWidget*>();
        pPage->findChild<QSpinBox*>("m_pSpinBoxAll")->setValue(2260);
        QTest::mouseClick(pPage->findChild<QPushButton*>("m_pPushButtonAll"), Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(m_pMain->Firsts(SBus::SendThreshold), QList<qintptr> {0});
        QCOMPARE(SqlRows("select distinct Alarmvalue from RegionCurveColorInfo"), QString("2300"));
    }

    // A region's alarm filter is stored for it alone, audited from the old
    // settings to the new, and announced so the region page applies it;
    // the same settings again change nothing. "Set" for all writes every
    // region, and choosing a region shows its own.
    void alarmFilterForOneAndAll()
    {
        QStringList audited;
        POptionPage::SetChangeSink([&audited](const QString& strAction, const QString& strObject,
                                       const QString& strOld, const QString& strNew) {
            audited << QStringList {strAction, strObject, strOld, strNew}.join(QLatin1Char('|'));
        });
        auto* pPage = m_pForm->findChild<RPresetAlarmThresholdWidget*>();
        const auto set = [](const RPresetAlarmThresholdWidget::FilterEditors& editors, int nOn,
                             double dDeadband, int nOff) {
            editors.pOnDelay->setValue(nOn);
            editors.pDeadband->setValue(dDeadband);
            editors.pOffDelay->setValue(nOff);
            QTest::mouseClick(editors.pSet, Qt::LeftButton);
            QCoreApplication::processEvents();
        };
        auto* pCombo = pPage->findChild<QComboBox*>("m_pComboBoxAlarm");
        pCombo->setCurrentIndex(pCombo->findData(4));
        set(pPage->RegionFilter(), 3, 7.5, 2);
        set(pPage->RegionFilter(), 3, 7.5, 2);
        QCOMPARE(SqlRows("select Id, OnDelay, Deadband, OffDelay from AlarmFilter"),
            QString("4 3 7.5 2"));
        QCOMPARE(audited,
            QStringList {"alarm-filter|region 4|on 1, deadband 5 %, off 1|on 3, deadband 7.5 %, "
                         "off 2"});
        QCOMPARE(m_pMain->Count(SBus::ReloadThresholds), 1);

        set(pPage->AllFilter(), 2, 0, 1);
        QCOMPARE(SqlRows("select count(*), min(OnDelay), max(Deadband) from AlarmFilter"),
            QString("6 2 0"));
        pCombo->setCurrentText(QString("2"));
        pCombo->setCurrentIndex(pCombo->findData(4));
        QCOMPARE(pPage->RegionFilter().pOnDelay->value(), 2);
        POptionPage::SetChangeSink(nullptr);
    }

    // The plant interface's tabs: what is saved comes back, every change is
    // in the trail by name, the password only as changed and only in its
    // owner-only file; an entry that cannot be used saves none of it.
    void plantSettingsSavedAndAudited()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        QStringList audited;
        POptionPage::SetChangeSink([&audited](const QString& strAction, const QString& strObject,
                                       const QString& strOld, const QString& strNew) {
            audited << QStringList {strAction, strObject, strOld, strNew}.join(QLatin1Char('|'));
        });
        choose(QString("System Settings"));
        field<QGroupBox>("groupPlantModbus")->setChecked(true);
        field<QSpinBox>("m_pEditModbusPort")->setValue(1602);
        field<QLineEdit>("m_pEditModbusAllowed")->setText(" 127.0.0.1, ::1 ");
        field<QGroupBox>("groupPlantMqtt")->setChecked(true);
        field<QLineEdit>("m_pEditMqttUser")->setText("plant");
        field<QLineEdit>("m_pEditMqttPassword")->setText("s3cret words");
        field<QGroupBox>("groupWeb")->setChecked(true);
        confirm();
        const RPlantConfig config = RPlantConfig::Load();
        QVERIFY(config.bModbus && config.bMqtt);
        QCOMPARE(config.modbus.nPort, 1602);
        QCOMPARE(config.modbus.allowed, (QStringList {"127.0.0.1", "::1"}));
        QCOMPARE(config.mqtt.strPassword, QString("s3cret words"));
        QCOMPARE(audited,
            (QStringList {"setting|PlantModbusEnabled|0|1", "setting|PlantModbusPort|1502|1602",
                "setting|PlantModbusAllowed||127.0.0.1,::1", "setting|PlantMqttEnabled|0|1",
                "setting|PlantMqttUser||plant", "setting|WebEnabled|0|1",
                "setting|PlantMqttPassword||changed"}));
        QCOMPARE(SqlRows("select count(*) from ClientSettings where Value like '%s3cret%'"),
            QString("0"));
        QCOMPARE(QFile(RPlantConfig::MqttPasswordPath(QString())).permissions()
                & (QFile::ReadGroup | QFile::ReadOther),
            QFile::Permissions());

        audited.clear();
        field<QLineEdit>("m_pEditModbusAddress")->setText("not an address");
        field<QSpinBox>("m_pEditMqttPort")->setValue(8883);
        confirm();
        QVERIFY(m_pForm->Message().contains("Modbus TCP"));
        QCOMPARE(RPlantConfig::Load().mqtt.nPort, 1883);
        QVERIFY(audited.isEmpty());
        POptionPage::SetChangeSink(nullptr);
        qunsetenv("XDG_DATA_HOME");
    }

    // The notifications' tab: the test mail reaches a real server and its
    // answer shows; what is saved comes back, in the trail by name, the
    // password only as changed; an unusable address saves nothing.
    void notifySettingsAndTestMail()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        SmtpSink sink(home.filePath(QStringLiteral("mail")));
        QVERIFY(sink.Start(QStringLiteral("station"), QStringLiteral("mail words")));
        QStringList audited;
        POptionPage::SetChangeSink([&audited](const QString& strAction, const QString& strObject,
                                       const QString& strOld, const QString& strNew) {
            audited << QStringList {strAction, strObject, strOld, strNew}.join(QLatin1Char('|'));
        });
        choose(QString("System Settings"));
        field<QGroupBox>("groupNotify")->setChecked(true);
        field<QSpinBox>("m_pEditMailPort")->setValue(sink.Port());
        field<QLineEdit>("m_pEditMailUser")->setText("station");
        field<QLineEdit>("m_pEditMailPassword")->setText("mail words");
        field<QLineEdit>("m_pEditListOnCall")->setText("call@site.test, night@site.test");
        field<QLineEdit>("m_pEditHoursOfficers")->setText("8-18");
        field<QPushButton>("m_pButtonMailTest")->click();
        QTRY_VERIFY(field<QLabel>("labelMailTest")->text().startsWith("The server took"));
        QCOMPARE(sink.Mails().size(), 1);
        QCOMPARE(
            sink.Mails().at(0).value("subject").toString(), QString("Test mail from the station"));
        confirm();
        const RNotifyConfig config = RNotifyConfig::Load();
        QVERIFY(config.bEnabled);
        QCOMPARE(config.lists[0].addresses, (QStringList {"call@site.test", "night@site.test"}));
        QCOMPARE(config.lists[1].nFromHour, 8);
        QCOMPARE(config.strPassword, QString("mail words"));
        QCOMPARE(audited,
            (QStringList {"setting|NotifyEnabled|0|1",
                "setting|NotifyPort|25|" + QString::number(sink.Port()),
                "setting|NotifyUser||station",
                "setting|NotifyListOnCall||call@site.test,night@site.test",
                "setting|NotifyHoursOfficers|0-24|8-18", "setting|NotifyPassword||changed"}));
        QCOMPARE(SqlRows("select count(*) from ClientSettings where Value like '%mail words%'"),
            QString("0"));

        audited.clear();
        field<QLineEdit>("m_pEditListLast")->setText("not an address");
        confirm();
        QVERIFY(m_pForm->Message().contains("Mail notifications"));
        QVERIFY(RNotifyConfig::Load().lists[2].addresses.isEmpty());
        QVERIFY(audited.isEmpty());
        POptionPage::SetChangeSink(nullptr);
        qunsetenv("XDG_DATA_HOME");
    }

    // Notices pile up while the table shows; it empties and hides when the
    // timer of the first one runs out, and shows afresh for the next.
    void noticesShowForAWhile()
    {
        PSqlExec::Exec(QString("update RegionCurveColorInfo set Alarmvalue = 300 where Id = 2"));
        TestDb::Catalogue().Reload();
        auto* pPage = m_pForm->findChild<RPresetAlarmThresholdWidget*>();
        auto* pTable = pPage->findChild<QTableView*>("m_pTableView");
        QStandardItemModel* pNotices = pPage->NoticeModel();
        QAbstractItemModelTester tester(
            pNotices, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int nId : {2, 3, 42})
            SendSMessage(SBus::ThresholdPage, SBus::ThresholdNotice, nId, 0);
        QVERIFY(!pTable->isHidden());
        QCOMPARE(pNotices->rowCount(), 3);
        QCOMPARE(pNotices->item(0, 1)->text(), QString("300"));
        QCOMPARE(pNotices->item(2, 1)->text(), QString("0"));
        QVERIFY(pPage->NoticeTimer()->isActive());
        emit pPage->NoticeTimer()->timeout({});
        QVERIFY(pTable->isHidden());
        QCOMPARE(pNotices->rowCount(), 0);
        SendSMessage(SBus::ThresholdPage, SBus::ThresholdNotice, 5, 0);
        QCOMPARE(pNotices->rowCount(), 1);
        // Device 0 answers a command to all: a row for every region.
        SendSMessage(SBus::ThresholdPage, SBus::ThresholdNotice, 0, 0);
        QCOMPARE(pNotices->rowCount(), 1 + TestDb::Catalogue().Regions().size());
        QCOMPARE(pNotices->item(2, 0)->text(), QString("2"));
        QCOMPARE(pNotices->item(2, 1)->text(), QString("300"));
    }

    // No change leaves the site without an enabled administrator; with a
    // second one, the logged-in administrator may disable or demote itself,
    // and the session follows at once.
    void lastAdministrator_data()
    {
        QTest::addColumn<bool>("another");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("audit");
        QTest::addColumn<int>("grade"); // the session's afterwards
        QTest::newRow("disable, alone") << false << "m_pButtonDisable"
                                        << " account-create root  grade 0" << 0;
        QTest::newRow("demote, alone") << false << "m_pButtonGrade"
                                       << " account-create root  grade 0" << 0;
        QTest::newRow("disable, another")
            << true << "m_pButtonDisable"
            << "root account-disable root enabled disabled" << int(RUserRights::NoSession);
        QTest::newRow("demote, another") << true << "m_pButtonGrade"
                                         << "root account-grade root grade 0 grade 2" << 2;
    }
    void lastAdministrator()
    {
        QFETCH(bool, another);
        QFETCH(QString, button);
        QFETCH(int, grade);
        openAccounts();
        if (another) {
            QCOMPARE(m_pSession->Accounts().Create(
                         {}, "kim", RUserRights::Administrator, "kim's password"),
                RUserAccounts::Result::Ok);
        }
        m_prompt.choices = {RUserRights::Operator};
        chooseAccount("root");
        click(button.toLatin1());
        QTEST(lastAudit(true), "audit");
        QCOMPARE(m_pSession->Grade(), grade);
        QCOMPARE(permitted(m_pAccounts), grade == RUserRights::Administrator);
        QCOMPARE(m_prompt.told.join("").contains("last enabled administrator"), !another);
        QVERIFY(m_pSession->Accounts().HasAdministrator());
    }

    // A new account is refused, with the reason, for an empty or taken name
    // and for a password too short or typed differently twice.
    void addRefusals_data()
    {
        QTest::addColumn<QStringList>("answer"); // name, grade, password, repeat
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty name")
            << QStringList {"", "2", "ann's password", "ann's password"} << "needs a name";
        QTest::newRow("taken name")
            << QStringList {"root", "2", "ann's password", "ann's password"} << "exists already";
        QTest::newRow("taken in another case")
            << QStringList {"Root", "2", "ann's password", "ann's password"} << "exists already";
        QTest::newRow("65 characters") << QStringList {QString(65, 'a'), "2", "ann's password",
            "ann's password"} << "at most 64 characters";
        QTest::newRow("a control character") << QStringList {"an\tn", "2", "ann's password",
            "ann's password"} << "no control characters";
        QTest::newRow("short") << QStringList {"ann", "2", "1234567", "1234567"} << "8 to 1024";
        QTest::newRow("differ") << QStringList {"ann", "2", "ann's password", "ann's passwore"}
                                << "differ";
    }
    void addRefusals()
    {
        QFETCH(QStringList, answer);
        QFETCH(QString, reason);
        openAccounts();
        const QString strBefore = lastAudit();
        QSignalSpy added(m_pForm, &RFormSetting::AddUserFinished);
        m_prompt.accounts = {answer};
        click("m_pButtonAdd");
        QCOMPARE(m_prompt.told.size(), 1);
        QVERIFY2(m_prompt.told.first().contains(reason), qPrintable(m_prompt.told.first()));
        QCOMPARE(SqlRows("select Name from UserAccount"), QString("root"));
        QCOMPARE(lastAudit(), strBefore);
        QCOMPARE(added.count(), 0);
    }

    // Each change is stored at once with its row in the trail, under the
    // account logged in; the passwords are in no row.
    void accountChangesAudited()
    {
        openAccounts();
        QSignalSpy added(m_pForm, &RFormSetting::AddUserFinished);
        const QString strFirst = "ann's first password";
        const QString strSecond = "ann's second password";
        m_prompt.accounts = {{"ann", "1", strFirst, strFirst}};
        click("m_pButtonAdd");
        QCOMPARE(added.count(), 1);
        QCOMPARE(rows(*field<QTableView>("m_pTableAccounts")->model(), 1),
            (QStringList {"Administrator", "Radiation protection officer"}));
        chooseAccount("ann");
        m_prompt.choices = {RUserRights::Operator};
        click("m_pButtonGrade");
        click("m_pButtonDisable");
        click("m_pButtonEnable");
        m_prompt.passwords = {{strSecond, strSecond}};
        click("m_pButtonPassword");
        QVERIFY(m_prompt.told.isEmpty());
        QCOMPARE(SqlRows("select AccountName, Action, Object, OldValue, NewValue from AuditTrail "
                         "where Seq > 2 order by Seq"),
            QString("root account-create ann  grade 1; root account-grade ann grade 1 grade 2; "
                    "root account-disable ann enabled disabled; "
                    "root account-enable ann disabled enabled; root account-password ann  "));
        RUserAccount account;
        QCOMPARE(
            m_pSession->Accounts().Login("ann", strSecond, &account), RUserAccounts::Result::Ok);
        QCOMPARE(account.nGrade, int(RUserRights::Operator));
        const QString strTrail = SqlRows("select * from AuditTrail");
        QVERIFY(!strTrail.contains(strFirst) && !strTrail.contains(strSecond));
    }

    // The view lists what kestal-report lists for the same filter, and its
    // export is byte for byte the command's file.
    void auditFilterAndCsv_data()
    {
        QTest::addColumn<int>("from"); // days after the first
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("shown"); // account and action of each row
        QTest::newRow("all") << 0 << 2 << ""
                             << ""
                             << " account-create; root login; root setting; ann login; ann "
                                "threshold";
        QTest::newRow("account") << 0 << 2 << "ann"
                                 << ""
                                 << "ann login; ann threshold";
        QTest::newRow("action") << 0 << 2 << ""
                                << "login"
                                << "root login; ann login";
        QTest::newRow("both") << 0 << 2 << "ann"
                              << "login"
                              << "ann login";
        QTest::newRow("one day") << 1 << 1 << ""
                                 << ""
                                 << "root setting";
        QTest::newRow("none") << 3 << 4 << ""
                              << ""
                              << "";
    }
    void auditFilterAndCsv()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, account);
        QFETCH(QString, action);
        openAccounts();
        const QDate first = m_clock.Now().date();
        m_clock.Advance(24 * 3600 * 1000);
        const RAuditActor ann {7, "ann"};
        m_pTrail->Append(m_pSession->Actor(), "setting", "Port", "8888", "8889, \"new\"");
        m_clock.Advance(24 * 3600 * 1000);
        m_pTrail->Append(ann, "login", "ann");
        m_pTrail->Append(ann, "threshold", "region 3", "5", "7", "line1\nline2");
        m_pAudit->SetFilter(first.addDays(from), first.addDays(to), account, action);
        // The view names the actions in words; the file keeps the stored names.
        const auto stored = [](const QString& strShown) {
            for (const QString& strAction : RAuditTrail::ActionNames()) {
                if (RFrameAudit::ActionName(strAction) == strShown)
                    return strAction;
            }
            return strShown;
        };
        QStringList shown;
        for (int nRow = 0; nRow < m_pAudit->Model()->rowCount(); ++nRow)
            shown << m_pAudit->Model()->index(nRow, 1).data().toString() + " "
                    + stored(m_pAudit->Model()->index(nRow, 2).data().toString());
        QTEST(shown.join("; "), "shown");

        m_prompt.strSaveName = m_site.filePath("view");
        choose("Audit trail");
        click("m_pButtonExport");
        QVERIFY(TestDb::Writer().Flush(0));
        QStringList args = {"audit", first.addDays(from).toString("yyyy-MM-dd"),
            first.addDays(to).toString("yyyy-MM-dd"), "--db", m_strSiteFile, "-o",
            m_site.filePath("report.csv")};
        if (!account.isEmpty())
            args << "--account" << account;
        if (!action.isEmpty())
            args << "--action" << action;
        QProcess report;
        report.start(KESTAL_REPORT, args);
        QVERIFY(report.waitForFinished(60000));
        QVERIFY2(report.exitCode() == 0, report.readAllStandardError().constData());
        QFile view(m_site.filePath("view.csv"));
        QFile command(m_site.filePath("report.csv"));
        QVERIFY(view.open(QIODevice::ReadOnly) && command.open(QIODevice::ReadOnly));
        const QByteArray bytes = view.readAll();
        QCOMPARE(bytes, command.readAll());
        QCOMPARE(bytes.count("\r\n") > 1, !shown.isEmpty());
    }

    // The trail is visible from the officer up and shows nothing to an
    // operator or without a session; the accounts only to an administrator.
    void auditVisibleFromOfficer_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<bool>("audit");
        QTest::addColumn<bool>("accounts");
        QTest::newRow("administrator") << 0 << true << true;
        QTest::newRow("officer") << 1 << true << false;
        QTest::newRow("operator") << 2 << false << false;
        QTest::newRow("no session") << int(RUserRights::NoSession) << false << false;
    }
    void auditVisibleFromOfficer()
    {
        QFETCH(int, grade);
        QFETCH(bool, audit);
        openAccounts();
        m_pForm->UpdateRights(grade);
        QTEST(permitted(m_pAccounts), "accounts");
        choose("Audit trail");
        QCOMPARE(permitted(m_pAudit), audit);
        QCOMPARE(m_pAudit->Model()->rowCount() > 0, audit);
    }

    // Verify names the first row that breaks the chain.
    void verifyNamesBrokenRow_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QString>("found");
        QTest::newRow("intact") << ""
                                << "Chain intact (3 rows).";
        QTest::newRow("edited") << "update AuditTrail set NewValue = 'grade 1' where Seq = 1"
                                << "Chain broken at row 1: the row was changed or its MAC does "
                                   "not match.";
        QTest::newRow("removed") << "delete from AuditTrail where Seq = 2"
                                 << "Chain broken at row 3: row 2 before it is missing.";
    }
    void verifyNamesBrokenRow()
    {
        QFETCH(QString, tamper);
        openAccounts();
        m_pTrail->Append(m_pSession->Actor(), "mute");
        if (!tamper.isEmpty())
            QVERIFY(PSqlExec::Exec(tamper));
        choose("Audit trail");
        click("m_pButtonVerify");
        QTEST(m_pAudit->CheckText(), "found");
    }

    // One row per category in the order first registered, under the first
    // page's name; the later page of a category is the one opened. The
    // filter takes the name or the keywords of that page, in any case.
    void categories()
    {
        Page system(1, "System Settings");
        Page alarm(8, "Alarm Threshold Setting", "threshold dose");
        Page account(1, "Accounts");
        PCategoryModel model;
        PCategoryFilterModel filter;
        filter.setSourceModel(&model);
        QAbstractItemModelTester modelTester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester filterTester(
            &filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetPages({&system, &alarm, &account});
        QCOMPARE(rows(model), (QStringList {"System Settings", "Alarm Threshold Setting"}));
        QCOMPARE(model.Categories().at(0).pPage, &account);

        const auto shown = [&filter](const QString& strPattern) {
            filter.setFilterFixedString(strPattern);
            return rows(filter);
        };
        QCOMPARE(shown("ALARM"), QStringList {"Alarm Threshold Setting"});
        QCOMPARE(shown("Dose"), QStringList {"Alarm Threshold Setting"});
        QCOMPARE(shown("account"), QStringList {"System Settings"});
        QCOMPARE(shown("zz"), QStringList());
        QCOMPARE(shown(""), rows(model));
        model.SetPages({&alarm});
        QCOMPARE(rows(filter), QStringList {"Alarm Threshold Setting"});
    }

    // The staff list (or, in routing mode, the patrol dosimeters) in position
    // order up to Num; read-only: a save fails and says why.
    void staffList_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("firstRow");
        QTest::newRow("staff") << 0 << "PersonalInfo" << QStringList {"Ann", "7", "1", "Operator"};
        QTest::newRow("routing") << int(RItemModelPresetPersonal::RoutingMode) << "RoutingInfo"
                                 << QStringList {"Ann", "7"};
    }
    void staffList()
    {
        QFETCH(int, mode);
        QFETCH(QString, table);
        QFETCH(QStringList, firstRow);
        TestDb::Open();
        PSqlExec::Exec(QString("insert into %1(Sub, Id, Name, Position, Sex, Num) values "
                               "(2, 8, 'Bo', 'Guard', 0, 3), (1, 7, 'Ann', 'Operator', 1, 3), "
                               "(4, 9, 'Cy', 'Guard', 0, 3)")
                           .arg(table));
        RItemModelPresetPersonal list(mode);
        QAbstractItemModelTester tester(
            list.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStandardItemModel* pModel = list.Model();
        QCOMPARE(pModel->columnCount(), firstRow.size());
        QCOMPARE(rows(*pModel), (QStringList {"Ann", "Bo"}));
        QStringList first;
        for (int i = 0; i < pModel->columnCount(); ++i)
            first << pModel->item(0, i)->text();
        QCOMPARE(first, firstRow);
        QVERIFY(!list.IsModified());
        list.AddRow(5);
        QCOMPARE(pModel->item(2, 1)->data(Qt::EditRole).toInt(), 5);
        QVERIFY(list.IsModified());
        QCOMPARE(list.Save(), int(PItemModelPreset::Failed));
        QVERIFY(!list.LastError().isEmpty());
        list.LoadFromDatabase();
        QCOMPARE(pModel->rowCount(), 2);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
