#include "BusRecorder.h"
#include "FakePrompt.h"
#include "IdServerStub.h"
#include "SqlRows.h"
#include "TestDb.h"

#include "algor/PSocketGetId.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "preset/PCategoryFilterModel.h"
#include "preset/PCategoryModel.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

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
        POptionPage::Register(new RFramePresetRegion(1));
        POptionPage::Register(new RFramePresetIp);
        POptionPage::Register(new RPresetAlarmThreshold);
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
        delete m_pMain;
        delete m_pPresets;
        POptionPage::ClearPages();
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
        QTest::newRow("port 0") << "127.0.0.1" << 0 << false;
        QTest::newRow("insert fails") << "127.0.0.1" << 9999 << true;
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
        field<QDoubleSpinBox>("m_pSpinBoxThresA")->setValue(42);
        confirm();
        QCOMPARE(systemInfo(), strBefore);
        QVERIFY(!m_pForm->Message().isEmpty());
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
        RFramePresetRegionWidget widget(0, nullptr, &m_clock);
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

    void thresholdRounding_data()
    {
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("sent");
        QTest::newRow("149") << 149 << 100;
        QTest::newRow("150") << 150 << 200;
    }

    // One region's threshold is rounded, stored, sent for that device, and
    // announced so the catalogue and the gauge reload.
    void thresholdRounding()
    {
        QFETCH(int, shown);
        QFETCH(int, sent);
        auto* pPage = m_pForm->findChild<RPresetAlarmThresholdWidget*>();
        pPage->findChild<QComboBox*>("m_pComboBoxAlarm")->setCurrentText(QString("4"));
        pPage->findChild<QSpinBox*>("m_pSpinBoxAlarm")->setValue(shown);
        QTest::mouseClick(pPage->findChild<QPushButton*>("m_pPushButtonSet"), Qt::LeftButton);
        QCoreApplication::processEvents();
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
        pCombo->setCurrentText(QString("4"));
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
        pCombo->setCurrentText(QString("4"));
        QCOMPARE(pPage->RegionFilter().pOnDelay->value(), 2);
        POptionPage::SetChangeSink(nullptr);
    }

    // Notices pile up while the table shows; it empties and hides when the
    // timer of the first one runs out, and shows afresh for the next.
    void noticesShowForAWhile()
    {
        PSqlExec::Exec(QString("update RegionCurveColorInfo set Alarmvalue = 300 where Id = 2"));
        RRegionCatalogue::Shared().Reload();
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
