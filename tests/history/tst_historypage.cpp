#include "FakePrompt.h"
#include "HistoryDb.h"

#include "history/RDialogStaffHistoryDose.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RFormHistory.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include <QAbstractItemModelTester>
#include <QDateEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
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
    QSqlQuery query = PSqlExec::Select(QStringLiteral(
        "select 'M', Id, Month from MonthMinuteDose union all select 'D', Id, Month from MonthData "
        "union all select 'L', Id, Month from RegionLinkDoseInfo"));
    QStringList rows;
    while (query.next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(query.value(0).toString(), query.value(1).toString(),
                        query.value(2).toString().mid(8));
    return rows.join(QLatin1String("; "));
}

} // namespace

class tst_HistoryPage : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(s_today, QTime(9, 0))};
    FakePrompt m_prompt {&m_clock};
    RFormHistory* m_pForm = nullptr;

    RDialogStaffHistoryDose* dialog() const { return m_pForm->Dialog(); }
    void click(const char* pButton)
    {
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
        m_clock.Set(QDateTime(s_today, QTime(9, 0)));
        m_prompt = FakePrompt(&m_clock);
        m_pForm = new RFormHistory(nullptr, &m_clock);
        m_pForm->SetPrompt(&m_prompt);
    }

    void cleanup() { delete m_pForm; }

    // Steps are debounced; a month change moves the day edit along without
    // announcing a day change, and the day page catches up when shown.
    void datesStepAndStayLinked()
    {
        QSignalSpy days(dialog(), &RDialogStaffHistoryDose::DayChange);
        m_clock.Advance(1000);
        click("toolButton_NextDay");
        m_clock.Advance(100);
        click("toolButton_NextDay");
        QCOMPARE(dialog()->CurrentDate(), s_today.addDays(1));
        QCOMPARE(days.count(), 1);

        m_clock.Advance(1000);
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
        m_clock.Advance(1000);
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
    // that id and day only; a delete failing half-way leaves all of them.
    void clearOneDay()
    {
        const QDate day = s_today.addDays(-1);
        addRegionDay(4, day, 3600);
        addRegionDay(4, s_today.addDays(-2), 3600);
        addRegionDay(9, day, 3600);
        dialog()->OnDayDateChanged(day);
        const QString strAll = stored();

        m_prompt.bAccept = false;
        m_clock.Advance(1000);
        click("m_pToolButton");
        // The question names the region and the day and warns.
        QCOMPARE(m_prompt.warned,
            QStringList {"The readings of Room 4 (ID 4) on 2026-12-06 will be deleted."});
        QCOMPARE(stored(), strAll);

        PSqlExec::Exec(QStringLiteral("create trigger t before delete on RegionLinkDoseInfo begin "
                                      "select raise(abort, 'x'); end"));
        m_prompt.bAccept = true;
        m_clock.Advance(1000);
        click("m_pToolButton");
        QCOMPARE(stored(), strAll);
        QCOMPARE(m_prompt.told.size(), 1);
        QVERIFY(m_pForm->Message().contains(QStringLiteral("could not be deleted")));

        PSqlExec::Exec(QStringLiteral("drop trigger t"));
        m_clock.Advance(1000);
        click("m_pToolButton");
        QCOMPARE(stored(), QStringLiteral("M 4 05; M 9 06; D 4 05; D 9 06; L 4 05; L 9 06"));
    }

    // Today's data goes only with a second yes, and its empty rows are back
    // at once for the readings that follow.
    void clearTodayNeedsSecondYes()
    {
        addRegionDay(4, s_today, 3600);
        m_prompt.answers = {true, false};
        m_clock.Advance(1000);
        click("m_pToolButton");
        QCOMPARE(m_prompt.asked.size(), 2);
        QCOMPARE(stored(), QStringLiteral("M 4 07; D 4 07; L 4 07"));

        m_clock.Advance(1000);
        click("m_pToolButton");
        QCOMPARE(PSqlExec::Scalar("select count(*) from MonthData where Id = 4").toInt(), 24);
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
        QCOMPARE(m_pForm->Message(), QStringLiteral("Exporting"));
        emit m_pForm->findChild<QTimer*>()->timeout({});
        QCOMPARE(m_pForm->Message(), QString());
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

    // After a device update the removed region is gone from the list.
    void reloadDropsRemovedRegion()
    {
        PSqlExec::Exec(QStringLiteral("delete from RegionInfo where Id = 4"));
        PSqlExec::Exec(QStringLiteral("update RegionInfo set Sub = 1, Num = 1"));
        RRegionCatalogue::Shared().Reload();
        m_pForm->ReloadTrees();
        QCOMPARE(m_pForm->RegionTree()->model()->rowCount(), 1);
        QCOMPARE(m_pForm->CurrentId(), 9);
    }
};

QTEST_MAIN(tst_HistoryPage)
#include "tst_historypage.moc"
