#include "FakePrompt.h"
#include "HistoryDb.h"
#include "SqlRows.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "XlsxSheet.h"

#include "database/RUserRights.h"
#include "history/RDataRecord.h"
#include "history/RDialogStaffHistoryDose.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RFormHistory.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "realtime/RCheckBox.h"
#include "realtime/RWidget.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

namespace {

const QDate s_today(2026, 12, 7);

// Rows of every table one day of a region keeps.
void addRegionDay(int nId, const QDate& day, double dSum)
{
    HistoryDb::Insert("MonthMinuteDose", "Id,Month,Sum",
        HistoryDb::Keys(nId, day, QStringLiteral(",%1").arg(dSum)));
    HistoryDb::Insert(
        "MonthData", "Id,Month,Hour", HistoryDb::Keys(nId, day, QStringLiteral(",3")));
    HistoryDb::Insert("RegionLinkDoseInfo", "Id,Month", HistoryDb::Keys(nId, day));
}

QString stored()
{
    return SqlRows(QStringLiteral(
        "select 'M', Id, substr(Month, 9) from MonthMinuteDose union all select 'D', Id, "
        "substr(Month, 9) from MonthData union all select 'L', Id, substr(Month, 9) from "
        "RegionLinkDoseInfo"));
}

void tick(RDataRecord& view, QTableView* pList, int nRow, bool bTicked)
{
    view.CheckCell(pList, nRow)->CheckBox()->setCheckState(bTicked ? Qt::Checked : Qt::Unchecked);
}

QStringList column(const RDataRecord& view, int nColumn)
{
    QStringList texts;
    for (int nRow = 0; nRow < view.RecordModel()->rowCount(); ++nRow)
        texts << view.RecordModel()->item(nRow, nColumn)->text();
    return texts;
}

} // namespace

class tst_HistoryPage : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(s_today, QTime(9, 0))};
    // The patrol records' day.
    SManualClock m_patrolClock {QDateTime(QDate(2014, 5, 3), QTime(16, 0))};
    QTemporaryDir m_dir;
    FakePrompt m_prompt {&m_clock};
    RFormHistory* m_pForm = nullptr;

    RDialogStaffHistoryDose* dialog() const { return m_pForm->Dialog(); }
    // A second after the last, past the double-click guard.
    void click(const char* pButton)
    {
        m_clock.Advance(1000);
        QTest::mouseClick(dialog()->findChild<QToolButton*>(pButton), Qt::LeftButton);
    }
    void clickRow(QTreeView* pTree, int nRow)
    {
        const QModelIndex index = pTree->model()->index(nRow, 0);
        pTree->setCurrentIndex(index);
        emit pTree->clicked(index);
    }

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({4, 9});
        PSqlExec::Exec(QStringLiteral("insert into PersonalInfo(Sub, Id, Name, Num) values(1, 7, "
                                      "'A', 2), (2, 8, 'B', 2)"));
        PSqlExec::Exec("insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 2), "
                       "(2, 8, 'T', 2)");
        PSqlExec::Exec("insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 21, 'R', 2), "
                       "(2, 22, 'Lab', 2)");
        PSqlExec::Exec("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) values "
                       "(7, 21, 200, '13:05:00', '2014-05-03'), (7, 22, 300, '15:00:00', "
                       "'2014-05-03'), (7, 21, 123, '08:10:00', '2014-05-03'), (7, 22, 50, "
                       "'09:30:00', '2014-05-03'), (7, 21, 10, '10:00', '2014-05-04'), "
                       "(7, 21, 10, '11:00', '2014-05-05'), (8, 23, 1, '08:00', '2014-05-03')");
        m_clock.Set(QDateTime(s_today, QTime(9, 0)));
        m_prompt = FakePrompt(&m_clock);
        m_pForm = new RFormHistory(&TestDb::Writer(), &TestDb::Catalogue(), nullptr, &m_clock);
        m_pForm->SetPrompt(&m_prompt);
    }

    void cleanup() { delete m_pForm; }

    // A month change moves the day edit along without announcing a day
    // change, and the day page catches up when shown.
    void datesStepAndStayLinked()
    {
        QSignalSpy days(dialog(), &RDialogStaffHistoryDose::DayChange);
        click("toolButton_NextDay");
        QCOMPARE(dialog()->CurrentDate(), s_today.addDays(1));
        QCOMPARE(days.count(), 1);

        click("toolButton_PrevMonth");
        QCOMPARE(dialog()->DayEdit()->date(), QDate(2026, 11, 8));
        QCOMPARE(days.count(), 1);
        // Shown, the day page loads the day the edit names.
        QTest::mouseClick(m_pForm->findChild<QPushButton*>("m_pButtonLine"), Qt::LeftButton);
        QCOMPARE(dialog()->CurrentIndex(), 1);
        QCOMPARE(dialog()->DoseRateChart()->Day(), QDate(2026, 11, 8));

        // "Next month" goes no further than today.
        auto* pNext = dialog()->findChild<QToolButton*>("toolButton_NextMonth");
        QVERIFY(pNext->isEnabled());
        click("toolButton_NextMonth");
        QCOMPARE(dialog()->CurrentDate(), s_today);
        QVERIFY(!pNext->isEnabled());
        m_clock.Advance(1000);
        dialog()->ShowNextMonth();
        QCOMPARE(dialog()->CurrentDate(), s_today);
    }

    // The month chart has bars on the days with a stored sum only, and the
    // calendar marks those days, not the rows made ahead with a zero sum.
    void monthBarsAndMarkedDays()
    {
        addRegionDay(4, QDate(2026, 12, 3), 3600);
        addRegionDay(4, QDate(2026, 12, 5), 7200);
        addRegionDay(4, QDate(2026, 12, 8), 0);
        addRegionDay(9, QDate(2026, 12, 4), 3600);
        QAbstractItemModelTester tester(
            m_pForm->RegionTree()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_pForm->ReloadTrees();
        const QVector<float>& values = dialog()->MonthChart()->Values();
        QVector<int> days;
        for (int i = 0; i < values.size(); ++i) {
            if (values.at(i) > 0)
                days << i + 1;
        }
        QCOMPARE(days, (QVector<int> {3, 5}));
        QCOMPARE(dialog()->DayEdit()->Calendar()->MarkedDates(),
            (QList<QDate> {QDate(2026, 12, 3), QDate(2026, 12, 5)}));
        clickRow(m_pForm->RegionTree(), 1);
        QCOMPARE(dialog()->DayEdit()->Calendar()->MarkedDates(), QList<QDate> {QDate(2026, 12, 4)});
    }

    // "Cancel" deletes nothing; "Remove" deletes the three tables' rows of
    // that id and day only.
    void clearOneDay()
    {
        const QDate day = s_today.addDays(-1);
        addRegionDay(4, day, 3600);
        addRegionDay(4, s_today.addDays(-2), 3600);
        addRegionDay(9, day, 3600);
        dialog()->OnDayDateChanged(day);
        const QString strAll = stored();

        m_prompt.bAccept = false;
        click("m_pToolButton");
        // The question names the region and the day and warns.
        QCOMPARE(m_prompt.warned,
            QStringList {"The readings of Room 4 (ID 4) on 2026-12-06 will be deleted."});
        QCOMPARE(stored(), strAll);

        m_prompt.bAccept = true;
        click("m_pToolButton");
        QCOMPARE(stored(), QStringLiteral("M 4 05; M 9 06; D 4 05; D 9 06; L 4 05; L 9 06"));
    }

    // Today's data goes only with a second yes, and its empty rows are back
    // at once for the readings that follow.
    void clearTodayNeedsSecondYes()
    {
        addRegionDay(4, s_today, 3600);
        m_prompt.answers = {true, false};
        click("m_pToolButton");
        QCOMPARE(m_prompt.asked.size(), 2);
        QCOMPARE(stored(), QStringLiteral("M 4 07; D 4 07; L 4 07"));

        click("m_pToolButton");
        QCOMPARE(PSqlExec::Scalar("select count(*) from MonthData where Id = 4").toInt(), 24);
    }

    // An operator's session may not delete a day: nothing is asked or
    // deleted, the page says why; an officer's may, and it is told on.
    void dayDeleteNeedsAnOfficer()
    {
        addRegionDay(4, s_today, 3600);
        const QString strBefore = stored();
        QSignalSpy deleted(m_pForm, &RFormHistory::DayDeleted);
        m_pForm->SetGrade(RUserRights::Operator);
        m_prompt.answers = {true, true};
        click("m_pToolButton");
        QVERIFY(m_prompt.asked.isEmpty());
        QCOMPARE(stored(), strBefore);
        QCOMPARE(m_pForm->Message(), QStringLiteral("Without Permission!"));
        m_pForm->SetGrade(RUserRights::Officer);
        // The password asked once more and not given: nothing is deleted.
        QStringList confirmed;
        m_pForm->SetConfirm([&confirmed](const QString& strWhat) {
            confirmed << strWhat;
            return confirmed.size() > 1;
        });
        m_prompt.answers = {true, true};
        click("m_pToolButton");
        QCOMPARE(stored(), strBefore);
        QCOMPARE(deleted.size(), 0);
        m_prompt.answers = {true, true};
        click("m_pToolButton");
        QCOMPARE(confirmed.last(), QStringLiteral("the readings of Room 4 (ID 4) on 2026-12-07"));
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.first().at(0).toString(), QStringLiteral("region 4 2026-12-07"));
        QVERIFY(stored() != strBefore);
    }

    // Without permission a click only says so; the charts keep their item.
    // A staff member may always see their own history.
    void permissions()
    {
        m_pForm->RegionCurveEnable(false);
        clickRow(m_pForm->RegionTree(), 1);
        QCOMPARE(QToolTip::text(), QStringLiteral("Without Permission!"));
        QCOMPARE(m_pForm->CurrentKind(), int(SBus::RegionList));
        QCOMPARE(m_pForm->CurrentId(), 4);
        QToolTip::hideText();

        m_pForm->PersonCurveEnable(false, 7);
        clickRow(m_pForm->StaffTree(), 0);
        QCOMPARE(m_pForm->CurrentId(), 7);
        QCOMPARE(m_pForm->CurrentKind(), int(SBus::PersonalList));
        clickRow(m_pForm->StaffTree(), 1);
        QCOMPARE(QToolTip::text(), QStringLiteral("Without Permission!"));
        QCOMPARE(m_pForm->CurrentId(), 7);
    }

    // "Export" offers the shown item's month in the home folder; cancelled,
    // failed (told, naming the folder) or written, it ends, and "Exporting"
    // stays until the message timer after the end.
    void exportWritesShownItem()
    {
        addRegionDay(9, s_today.addDays(-1), 3600);
        clickRow(m_pForm->RegionTree(), 1);
        QTemporaryDir dir;
        for (const QString& strName : {QString(), dir.filePath("gone/r.xlsx"), dir.filePath("r")}) {
            m_prompt.strSaveName = strName;
            m_clock.Advance(1000);
            QTest::mouseClick(m_pForm->findChild<QPushButton*>("m_pButtonExport"), Qt::LeftButton);
        }
        QCOMPARE(m_prompt.offered.size(), 3);
        QCOMPARE(m_prompt.offered.first(), QDir::home().filePath("2026-12--9.xlsx"));
        QCOMPARE(m_prompt.told.size(), 1);
        QVERIFY2(m_prompt.told.first().contains(dir.filePath("gone")),
            qPrintable(m_prompt.told.first()));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("r.xlsx"))));
        // "Exporting" goes with the export, not a while after it.
        QCOMPARE(m_pForm->Message(), QString());
    }

    // The alarm figures of the selected day's month need an operator's
    // session: without one nothing is asked; with one the month's name is
    // offered and the figures of the journal are written.
    void alarmFiguresNeedAnOperator()
    {
        PSqlExec::Exec("insert into AlarmJournal(Time, Id, Event) values "
                       "('2026-12-03T08:00:00', 4, 'alarm'), ('2026-11-30T08:00:00', 4, 'alarm')");
        QTemporaryDir dir;
        m_prompt.strSaveName = dir.filePath("figures");
        QPushButton* pButton = m_pForm->findChild<QPushButton*>("m_pButtonFigures");
        m_pForm->SetGrade(RUserRights::NoSession);
        QTest::mouseClick(pButton, Qt::LeftButton);
        QVERIFY(m_prompt.offered.isEmpty());
        QCOMPARE(m_pForm->Message(), QStringLiteral("Without Permission!"));

        m_pForm->SetGrade(RUserRights::Operator);
        QTest::mouseClick(pButton, Qt::LeftButton);
        QCOMPARE(
            m_prompt.offered, QStringList {QDir::home().filePath("alarm-figures-2026-12.xlsx")});
        QVERIFY(m_prompt.told.isEmpty());
        const XlsxSheet sheet = XlsxSheet::Read(dir.filePath("figures.xlsx"));
        QCOMPARE(sheet.values.value("A1"), QStringLiteral("Alarm figures of 2026-12"));
        QCOMPARE(sheet.values.value("A5"), QStringLiteral("Alarm episodes begun in the month"));
        QCOMPARE(sheet.values.value("B5"), QStringLiteral("1"));
    }

    // Today's day curve and month bar follow the minute tick, as stored
    // (the minute's mean times 30, the day's sum of those); a hidden page
    // misses ticks and reads what is stored when shown again.
    void todayFollowsTheMinuteTick()
    {
        PSqlExec::Exec(
            QStringLiteral("insert into MonthMinuteDose(Id, Month, Sum) values(4, ?, 0)"),
            {HistoryDb::Day(s_today)});
        m_pForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pForm));
        const auto minute
            = [this](int nMinute) { return dialog()->DoseRateChart()->Samples().value(nMinute); };
        const auto today
            = [this] { return dialog()->MonthChart()->Values().value(s_today.day() - 1); };
        PSqlExec::Exec(QStringLiteral("update MonthMinuteDose set '540' = 16800, Sum = 16800"));
        QCOMPARE(minute(540), 0.0f);
        m_clock.Advance(60000);
        SMessage tick(SBus::MinuteTick, 0, 0);
        QCoreApplication::sendEvent(m_pForm, &tick);
        QCOMPARE(minute(540), 560.0f);
        QCOMPARE(today(), 16800.0f / 1800.0f);
        QCOMPARE(dialog()->DayEdit()->Calendar()->MarkedDates(), QList<QDate> {s_today});

        m_pForm->hide();
        PSqlExec::Exec(QStringLiteral("update MonthMinuteDose set '541' = 3000, Sum = 19800"));
        m_pForm->show();
        QCOMPARE(minute(541), 100.0f);
        QCOMPARE(today(), 19800.0f / 1800.0f);
    }

    // The first reload lists staff and rooms and shows the first staff
    // member's readings of the day; the calendar marks the days with any.
    // Ticks and days rebuild: no room ticked lists every room, a ticked
    // room only its own; a staff member or room missing from the lists shows
    // its id. The days are one selection: the edits' range (both days
    // included) shows in the calendar, a day clicked in the calendar is the
    // range alone, "from" moved past "to" takes it along; no line says so.
    void filtersAndOneSelection()
    {
        RDataRecord view(nullptr, &m_patrolClock);
        for (QAbstractItemModel* pModel : {view.StaffModel(), view.RoomModel(), view.RecordModel()})
            new QAbstractItemModelTester(
                pModel, QAbstractItemModelTester::FailureReportingMode::QtTest, &view);
        view.Reload();
        QCOMPARE(view.StaffModel()->rowCount(), 2);
        QCOMPARE(view.RoomModel()->rowCount(), 2);
        QCOMPARE(column(view, 1),
            QStringList({"2014-05-03 08:10:00", "2014-05-03 09:30:00", "2014-05-03 13:05:00",
                "2014-05-03 15:00:00"}));
        QCOMPARE(view.Calendar()->MarkedDates().size(), 3);
        tick(view, view.RoomView(), 0, true);
        QCOMPARE(column(view, 2), QStringList({"R", "R"}));
        tick(view, view.RoomView(), 0, false);
        QCOMPARE(view.RecordModel()->rowCount(), 4);
        tick(view, view.StaffView(), 1, true);
        QCOMPARE(column(view, 3).last(), QStringLiteral("T"));
        QCOMPARE(column(view, 2).last(), QStringLiteral("23"));
        tick(view, view.StaffView(), 1, false);

        view.ToEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.RecordModel()->rowCount(), 6);
        QCOMPARE(column(view, 1).last(), QStringLiteral("2014-05-05 11:00"));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 3)));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 6)));

        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        QCOMPARE(view.From(), QDate(2014, 5, 4));
        QCOMPARE(view.ToEdit()->date(), QDate(2014, 5, 4));
        QCOMPARE(column(view, 1), QStringList({"2014-05-04 10:00"}));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));

        view.FromEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.To(), QDate(2014, 5, 5));
        QCOMPARE(column(view, 1), QStringList({"2014-05-05 11:00"}));
        QVERIFY(view.EmptyNote()->isHidden());

        view.Calendar()->setSelectedDate(QDate(2014, 5, 10));
        QCOMPARE(view.RecordModel()->rowCount(), 0);
        QVERIFY(!view.EmptyNote()->isHidden());
        // Without the search permission a tick changes nothing.
        view.Calendar()->setSelectedDate(QDate(2014, 5, 3));
        view.SearchEnable(false);
        tick(view, view.RoomView(), 0, true);
        QCOMPARE(view.RecordModel()->rowCount(), 4);
    }

    // Ticked lines only, also after a reload; the lines of the selection
    // shown, whichever control made it; the file dialog offers a CSV name in
    // the home folder; a file that cannot be written is reported.
    void exportCsv()
    {
        RDataRecord view(nullptr, &m_patrolClock);
        FakePrompt prompt;
        view.SetPrompt(&prompt);
        view.Reload();
        tick(view, view.StaffView(), 1, true);
        view.CheckCell(view.RecordView(), 1)->CheckBox()->setCheckState(Qt::Unchecked);
        view.Reload(); // a patrol reading arrives: the line stays out
        prompt.strSaveName = m_dir.filePath("routing");
        m_patrolClock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(
            prompt.offered, QStringList({QDir::home().filePath("patrol-20140503-20140503.csv")}));
        const auto lines
            = [](const QString& strFile) { return QString::fromUtf8(TestFiles::Get(strFile)); };
        const QString strHeader = RRoutingRecords::CsvHeader().join(',') + "\r\n";
        const QStringList day {"moring,2014-05-03T08:10:00,R,S,1.23",
            "afternoon,2014-05-03T13:05:00,R,S,2.00", "afternoon,2014-05-03T15:00:00,Lab,S,3.00",
            "moring,2014-05-03T08:00,23,T,0.01", ""};
        QCOMPARE(lines(m_dir.filePath("routing.csv")), strHeader + day.join("\r\n"));
        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        prompt.strSaveName = m_dir.filePath("day.csv");
        m_patrolClock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(lines(prompt.strSaveName), strHeader + "moring,2014-05-04T10:00,R,S,0.10\r\n");

        prompt.strSaveName = m_dir.filePath("gone/routing.csv");
        m_patrolClock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(prompt.told.size(), 1);
        QVERIFY(prompt.told.first().contains("gone"));
        QVERIFY(!QFile::exists(prompt.strSaveName));
    }
};

QTEST_MAIN(tst_HistoryPage)
#include "tst_historypage.moc"
