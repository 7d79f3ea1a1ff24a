#include "history/RDataRecord.h"
#include "message/SClock.h"
#include "realtime/RCheckBox.h"
#include "realtime/RWidget.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include "FakePrompt.h"
#include "TestDb.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class TstDataRecord : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2014, 5, 3), QTime(16, 0))};
    QTemporaryDir m_dir;

    static void Tick(RDataRecord& view, QTableView* pList, int nRow, bool bTicked)
    {
        view.CheckCell(pList, nRow)
            ->CheckBox()
            ->setCheckState(bTicked ? Qt::Checked : Qt::Unchecked);
    }

    static QStringList Column(const RDataRecord& view, int nColumn)
    {
        QStringList texts;
        for (int nRow = 0; nRow < view.RecordModel()->rowCount(); ++nRow)
            texts << view.RecordModel()->item(nRow, nColumn)->text();
        return texts;
    }

private slots:
    void init()
    {
        TestDb::Open();
        PSqlExec::Exec("insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 2), "
                       "(2, 8, 'T', 2)");
        PSqlExec::Exec("insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 21, 'R', 2), "
                       "(2, 22, 'Lab', 2)");
        PSqlExec::Exec("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) values "
                       "(7, 21, 200, '13:05:00', '2014-05-03'), (7, 22, 300, '15:00:00', "
                       "'2014-05-03'), (7, 21, 123, '08:10:00', '2014-05-03'), (7, 22, 50, "
                       "'09:30:00', '2014-05-03'), (7, 21, 10, '10:00', '2014-05-04'), "
                       "(7, 21, 10, '11:00', '2014-05-05'), (8, 23, 1, '08:00', '2014-05-03')");
    }

    // The first reload lists staff and rooms and shows the first staff
    // member's readings of the day; the calendar marks the days with any.
    void firstReload()
    {
        RDataRecord view(nullptr, &m_clock);
        QAbstractItemModelTester staff(
            view.StaffModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester rooms(
            view.RoomModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester records(
            view.RecordModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        view.Reload();
        QCOMPARE(view.StaffModel()->rowCount(), 2);
        QCOMPARE(view.RoomModel()->rowCount(), 2);
        QCOMPARE(Column(view, 1),
            QStringList({"2014-05-03T08:10:00", "2014-05-03T09:30:00", "2014-05-03T13:05:00",
                "2014-05-03T15:00:00"}));
        QCOMPARE(view.Calendar()->MarkedDates().size(), 3);
    }

    // Ticks and days rebuild: no room ticked lists every room, a ticked
    // room only its own; a staff member or room missing from the lists shows
    // its id. The days are one selection: the edits' range (both days
    // included) shows in the calendar, a day clicked in the calendar is the
    // range alone, "from" moved past "to" takes it along; no line says so.
    void filtersAndOneSelection()
    {
        RDataRecord view(nullptr, &m_clock);
        view.Reload();
        Tick(view, view.RoomView(), 0, true);
        QCOMPARE(Column(view, 2), QStringList({"R", "R"}));
        Tick(view, view.RoomView(), 0, false);
        QCOMPARE(view.RecordModel()->rowCount(), 4);
        Tick(view, view.StaffView(), 1, true);
        QCOMPARE(Column(view, 3).last(), QStringLiteral("T"));
        QCOMPARE(Column(view, 2).last(), QStringLiteral("23"));
        Tick(view, view.StaffView(), 1, false);

        view.ToEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.RecordModel()->rowCount(), 6);
        QCOMPARE(Column(view, 1).last(), QStringLiteral("2014-05-05T11:00"));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 3)));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 6)));

        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        QCOMPARE(view.From(), QDate(2014, 5, 4));
        QCOMPARE(view.ToEdit()->date(), QDate(2014, 5, 4));
        QCOMPARE(Column(view, 1), QStringList({"2014-05-04T10:00"}));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));

        view.FromEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.To(), QDate(2014, 5, 5));
        QCOMPARE(Column(view, 1), QStringList({"2014-05-05T11:00"}));
        QVERIFY(view.EmptyNote()->isHidden());

        view.Calendar()->setSelectedDate(QDate(2014, 5, 10));
        QCOMPARE(view.RecordModel()->rowCount(), 0);
        QVERIFY(!view.EmptyNote()->isHidden());
    }

    // Without the search permission a tick changes nothing.
    void deniedSearchKeepsTheTable()
    {
        RDataRecord view(nullptr, &m_clock);
        view.Reload();
        view.SearchEnable(false);
        Tick(view, view.RoomView(), 0, true);
        QCOMPARE(view.RecordModel()->rowCount(), 4);
    }

    // Ticked lines only, also after a reload; the lines of the selection
    // shown, whichever control made it; the file dialog offers a CSV name in
    // the home folder; a file that cannot be written is reported.
    void exportCsv()
    {
        RDataRecord view(nullptr, &m_clock);
        FakePrompt prompt;
        view.SetPrompt(&prompt);
        view.Reload();
        Tick(view, view.StaffView(), 1, true);
        view.CheckCell(view.RecordView(), 1)->CheckBox()->setCheckState(Qt::Unchecked);
        view.Reload(); // a patrol reading arrives: the line stays out
        prompt.strSaveName = m_dir.filePath("routing");
        m_clock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(
            prompt.offered, QStringList({QDir::home().filePath("patrol-20140503-20140503.csv")}));
        const auto lines = [](const QString& strFile) {
            QFile file(strFile);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        const QString strHeader = RRoutingRecords::CsvHeader().join(',') + "\r\n";
        QCOMPARE(lines(m_dir.filePath("routing.csv")),
            strHeader
                + "moring,2014-05-03T08:10:00,R,S,1.23\r\nafternoon,2014-05-03T13:05:00,R,S,2."
                  "00\r\n"
                  "afternoon,2014-05-03T15:00:00,Lab,S,3.00\r\nmoring,2014-05-03T08:00,23,T,0."
                  "01\r\n");

        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        prompt.strSaveName = m_dir.filePath("day.csv");
        m_clock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(lines(prompt.strSaveName), strHeader + "moring,2014-05-04T10:00,R,S,0.10\r\n");

        prompt.strSaveName = m_dir.filePath("gone/routing.csv");
        m_clock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(prompt.told.size(), 1);
        QVERIFY(prompt.told.first().contains("gone"));
        QVERIFY(!QFile::exists(prompt.strSaveName));
    }
};

QTEST_MAIN(TstDataRecord)
#include "tst_datarecord.moc"
