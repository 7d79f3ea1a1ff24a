#include "BusRecorder.h"
#include "FakePrompt.h"
#include "SqlRows.h"
#include "TestDb.h"

#include "message/SBus.h"
#include "message/SClock.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
#include "preset/RFramePresetIp.h"
#include "preset/RFramePresetIpWidget.h"
#include "preset/RFramePresetRegion.h"
#include "realtime/RPresetAlarmThreshold.h"
#include "widgets/SFilterEdit.h"
#include "widgets/SPrompt.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

QString systemInfo()
{
    return SqlRows(QStringLiteral(
        "select Unit_P, IP, Port, Thre_A, Thre_B, Thre_C, Ceff_P, Ceff_R from SystemInfo"));
}

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2026, 12, 7), QTime(9, 0))};
    FakePrompt* m_pPrompt = nullptr;
    RFormSetting* m_pForm = nullptr;
    BusRecorder* m_pBroadcasts = nullptr;
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
    void clickOk()
    {
        m_clock.Advance(1000);
        QTest::mouseClick(field<QPushButton>("m_pButtonOK"), Qt::LeftButton);
    }

private slots:
    void init()
    {
        TestDb::Open();
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Ceff_R, Unit_P) "
                                      "values('127.0.0.1', 8888, 0.000123456, 0)"));
        POptionPage::ClearPages();
        POptionPage::Register(new RFramePresetRegion(1));
        POptionPage::Register(new RFramePresetIp);
        POptionPage::Register(new RPresetAlarmThreshold);
        m_pPrompt = new FakePrompt(&m_clock);
        m_pBroadcasts = new BusRecorder(SBus::MainWindow);
        SubscribeMessage(m_pBroadcasts, SBus::ReloadAfterDeviceUpdate);
        m_pPresets = new BusRecorder(SBus::PresetStore);
        m_pForm = new RFormSetting(nullptr, &m_clock);
        m_pForm->SetPrompt(m_pPrompt);
        m_pForm->show();
    }

    void cleanup()
    {
        delete m_pForm;
        delete m_pBroadcasts;
        delete m_pPresets;
        delete m_pPrompt;
        POptionPage::ClearPages();
    }

    // The filter keeps the categories whose name holds the text, in any case,
    // and picks the first one left when the chosen one went away.
    void filterPicksWhatIsLeft()
    {
        auto* pFilter = field<SFilterEdit>("m_pFilterEdit");
        QTest::keyClicks(pFilter, QStringLiteral("alarm"));
        QCOMPARE(list()->model()->rowCount(), 1);
        QCOMPARE(
            list()->currentIndex().data().toString(), QStringLiteral("Alarm Threshold Setting"));
        QCOMPARE(
            field<QLabel>("m_pHeaderLabel")->text(), QStringLiteral("Alarm Threshold Setting"));
        QCOMPARE(m_pForm->CurrentPage()->GetCategory(), 8);
        pFilter->clear();
        QCOMPARE(list()->model()->rowCount(), 3);
        QCOMPARE(m_pForm->CurrentPage()->GetCategory(), 8);
        // Nothing matches: no current category, no crash on the next filter.
        QTest::keyClicks(pFilter, QStringLiteral("zz"));
        QCOMPARE(list()->model()->rowCount(), 0);
    }

    // A double click on OK asks once; "Cancel" in the question applies nothing.
    void okIsDebouncedAndConfirmed()
    {
        choose(QStringLiteral("System Settings"));
        const QString strBefore = systemInfo();
        m_pPrompt->bAccept = false;
        m_pPrompt->nAnswerMs = 0;
        clickOk();
        m_clock.Advance(100);
        QTest::mouseClick(field<QPushButton>("m_pButtonOK"), Qt::LeftButton);
        QCOMPARE(m_pPrompt->asked, QStringList {"The system settings have been changed!"});
        QCOMPARE(systemInfo(), strBefore);
        QCOMPARE(m_pBroadcasts->Count(SBus::ReloadAfterDeviceUpdate), 0);
    }

    // A save writes exactly the two rows, main server first, with the shown
    // numbers to six digits, keeps the stored region coefficient when it was
    // not edited, saves the network-server preset and asks for the reload.
    void saveWritesTwoRowsAndReloads()
    {
        choose(QStringLiteral("System Settings"));
        field<QLineEdit>("m_pEditIp")->setText(QStringLiteral("localhost"));
        field<QSpinBox>("m_pEditPort")->setValue(18888);
        field<QDoubleSpinBox>("m_pSpinBoxThresA")->setValue(10);
        field<QDoubleSpinBox>("m_pSpinBoxThresB")->setValue(20.5);
        field<QDoubleSpinBox>("m_pSpinBoxCoefStaff")->setValue(0.00049);
        clickOk();

        QCOMPARE(m_pPrompt->told, QStringList {"The systeminfo has been modified."});
        QCOMPARE(m_pForm->Message(), QStringLiteral("Current preset saved."));
        QCOMPARE(m_pBroadcasts->Count(SBus::ReloadAfterDeviceUpdate), 1);
        QCOMPARE(m_pPresets->Count(SBus::NetServer), 1);
        QCOMPARE(m_pPresets->Firsts(SBus::NetServer), QList<qintptr> {SBus::CmdSave});
        QCOMPARE(systemInfo(),
            QStringLiteral("0 localhost 18888 10 20.5 200 0.00049 0.000123456; 1  0 0.1 10 200 "
                           "0.00049 0.0056"));

        // An edited region coefficient is stored as shown.
        field<QDoubleSpinBox>("m_pSpinBoxCoefRegion")->setValue(0.0061);
        clickOk();
        QCOMPARE(
            SqlRows("select Ceff_R from SystemInfo where Unit_P = 0"), QStringLiteral("0.0061"));
    }

    void addressCheck_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("loopback") << "127.0.0.1" << true;
        QTest::newRow("host") << "data-server.site" << true;
        QTest::newRow("injection") << "127.0.0.1; drop table" << false;
        QTest::newRow("quote") << "a'b" << false;
        QTest::newRow("octet over 255") << "127.0.0.256" << false;
        QTest::newRow("three octets") << "127.0.1" << false;
        QTest::newRow("leading hyphen") << "-server" << false;
        QTest::newRow("empty label") << "a..b" << false;
        QTest::newRow("empty") << "" << false;
    }

    void addressCheck()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(RFramePresetIpWidget::AddressProblem(address).isEmpty(), valid);
    }

    // A refused entry or a failing insert changes nothing: the old rows stay,
    // the reason is shown, and no reload is asked for.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("failInsert");
        QTest::newRow("bad address") << "127.0.0.1; drop table" << 8888 << false;
        QTest::newRow("port 0") << "127.0.0.1" << 0 << false;
        QTest::newRow("insert fails") << "127.0.0.1" << 9999 << true;
    }

    void refusalsChangeNothing()
    {
        QFETCH(QString, address);
        QFETCH(int, port);
        QFETCH(bool, failInsert);
        if (failInsert) {
            PSqlExec::Exec(QStringLiteral("create trigger t before insert on SystemInfo begin "
                                          "select raise(abort, 'x'); end"));
        }
        choose(QStringLiteral("System Settings"));
        const QString strBefore = systemInfo();
        field<QLineEdit>("m_pEditIp")->setText(address);
        field<QSpinBox>("m_pEditPort")->setValue(port);
        field<QDoubleSpinBox>("m_pSpinBoxThresA")->setValue(42);
        clickOk();
        QCOMPARE(systemInfo(), strBefore);
        QVERIFY(!m_pForm->Message().isEmpty());
        QCOMPARE(m_pPrompt->told.size(), 1);
        QVERIFY(m_pPrompt->told.first().startsWith(QStringLiteral("System Settings: ")));
        QCOMPARE(m_pBroadcasts->Count(SBus::ReloadAfterDeviceUpdate), 0);
        QCOMPARE(m_pPresets->Count(SBus::NetServer), 0);
    }

    // "Cancel" drops the edits: the page shows the stored values again, and
    // a later OK does not store the dropped ones.
    void cancelShowsStoredValues()
    {
        choose(QStringLiteral("System Settings"));
        field<QLineEdit>("m_pEditIp")->setText(QStringLiteral("elsewhere"));
        field<QDoubleSpinBox>("m_pSpinBoxThresC")->setValue(7);
        QTest::mouseClick(field<QPushButton>("m_pButtonCancel"), Qt::LeftButton);
        choose(QStringLiteral("Device Management"));
        choose(QStringLiteral("System Settings"));
        QCOMPARE(field<QLineEdit>("m_pEditIp")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(field<QDoubleSpinBox>("m_pSpinBoxThresC")->value(), 200.0);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
