#include "history/RDataRecord.h"
#include "message/SClock.h"
#include "realtime/RCheckBox.h"
#include "realtime/RWidget.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include "FakePrompt.h"
#include "TestDb.h"

#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kLab = QStringLiteral("Lab \"2\", west");

// Fields of one CSV line, quotes as RFC 4180 has them.
QStringList parseCsvLine(const QString& strLine)
{
    QStringList fields;
    QString strField;
    bool bQuoted = false;
    for (int i = 0; i < strLine.size(); ++i) {
        const QChar c = strLine.at(i);
        if (bQuoted && c == '"' && i + 1 < strLine.size() && strLine.at(i + 1) == '"') {
            strField += '"';
            ++i;
        } else if (c == '"') {
            bQuoted = !bQuoted;
        } else if (c == ',' && !bQuoted) {
            fields << strField;
            strField.clear();
        } else {
            strField += c;
        }
    }
    return fields << strField;
}

} // namespace

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
        const QStringList statements = {
            "insert into RoutingInfo(Sub, Id, Name, Num) values(1, 7, 'S', 2)",
            "insert into RoutingInfo(Sub, Id, Name, Num) values(2, 8, 'Müller', 2)",
            "insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 21, 'R', 2)",
            "insert into RoutingRoomInfo(Sub, Id, Name, Num) values(2, 22, 'Lab \"2\", west', 2)",
            // Stored out of time order: the labels must not follow the rowid.
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 21, 200, '13:05:00', '2014-05-03')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 22, 300, '15:00:00', '2014-05-03')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 21, 123, '08:10:00', '2014-05-03')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 22, 50, '09:30:00', '2014-05-03')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 21, 10, '10:00', '2014-05-04')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(7, 21, 10, '11:00', '2014-05-05')",
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) "
            "values(8, 23, 1, '08:00', '2014-05-03')",
        };
        for (const QString& strSql : statements)
            QVERIFY2(PSqlExec::Exec(strSql), qPrintable(strSql));
    }

    // The first reload lists staff and rooms and shows the first staff
    // member's readings of the day in time order, the first of the morning
    // and of the afternoon labelled, doses in hundredths.
    void firstReloadLabelsAndDoses()
    {
        RDataRecord view(nullptr, &m_clock);
        view.Reload();
        QCOMPARE(view.StaffModel()->rowCount(), 2);
        QCOMPARE(view.RoomModel()->item(1, 1)->text(), kLab);
        QCOMPARE(Column(view, 0), QStringList({"moring", "", "afternoon", ""}));
        QCOMPARE(Column(view, 1),
            QStringList({"2014-05-03T08:10:00", "2014-05-03T09:30:00", "2014-05-03T13:05:00",
                "2014-05-03T15:00:00"}));
        QCOMPARE(Column(view, 2), QStringList({"R", kLab, "R", kLab}));
        QCOMPARE(Column(view, 4), QStringList({"1.23", "0.50", "2.00", "3.00"}));
        QCOMPARE(view.Calendar()->MarkedDates().size(), 3);
    }

    // Ticks and dates rebuild: no room ticked lists every room, a ticked
    // room only its own; 3 to 5 May covers 3 and 4 May; an equal or
    // year-crossing range falls back to the calendar's day; a staff member
    // or room missing from the lists shows its id.
    void filtersAndRange()
    {
        RDataRecord view(nullptr, &m_clock);
        view.Reload();
        Tick(view, view.RoomView(), 0, true);
        QCOMPARE(Column(view, 2), QStringList({"R", "R"}));
        Tick(view, view.RoomView(), 0, false);
        QCOMPARE(view.RecordModel()->rowCount(), 4);

        view.FromEdit()->setDate(QDate(2014, 5, 3));
        view.ToEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.RecordModel()->rowCount(), 5);
        QCOMPARE(Column(view, 1).last(), QStringLiteral("2014-05-04T10:00"));
        view.FromEdit()->setDate(QDate(2013, 12, 30));
        QCOMPARE(view.RecordModel()->rowCount(), 4);

        Tick(view, view.StaffView(), 0, false);
        Tick(view, view.StaffView(), 1, true);
        QCOMPARE(Column(view, 2), QStringList({"23"}));
        QCOMPARE(Column(view, 3), QStringList({"Müller"}));
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

    // Ticked lines only, also after a reload; RFC 4180 quoting, UTF-8; the
    // file dialog starts in the home folder; a file that cannot be written
    // is reported.
    void exportCsv()
    {
        RDataRecord view(nullptr, &m_clock);
        FakePrompt prompt;
        view.SetPrompt(&prompt);
        view.Reload();
        Tick(view, view.StaffView(), 1, true);
        view.CheckCell(view.RecordView(), 1)->CheckBox()->setCheckState(Qt::Unchecked);
        view.Reload(); // a patrol reading arrives: the line stays out
        prompt.strSaveName = m_dir.filePath("routing.csv");
        m_clock.Advance(1000);
        view.ExportButton()->click();
        QCOMPARE(prompt.offered, QStringList({QDir::homePath()}));

        QFile file(prompt.strSaveName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
        QCOMPARE(lines.size(), 6); // header, 4 of 5 readings, the empty rest
        QCOMPARE(lines.at(0), QStringLiteral("Interval,Time,Room,Manufacturing number,Dose,"));
        QCOMPARE(lines.at(1), QStringLiteral("moring,2014-05-03T08:10:00,R,S,1.23,,"));
        const QStringList lab = parseCsvLine(lines.at(3));
        QCOMPARE(lab.size(), 7);
        QCOMPARE(lab.at(2), kLab);
        QCOMPARE(parseCsvLine(lines.at(4)).at(3), QStringLiteral("Müller"));

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
