#include "history/RDataRecord.h"
#include "message/SClock.h"
#include "realtime/RCheckBox.h"
#include "realtime/RWidget.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include "FakePrompt.h"
#include "TestDb.h"

#include <QLabel>
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

    // The lines of a written CSV, the empty rest after the last line break dropped.
    static QStringList CsvLines(const QString& strFile)
    {
        QFile file(strFile);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
        if (lines.last().isEmpty())
            lines.removeLast();
        return lines;
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
    // member's readings of the day in time order, each with its half of the
    // day, doses in hundredths.
    void firstReloadLabelsAndDoses()
    {
        RDataRecord view(nullptr, &m_clock);
        view.Reload();
        QCOMPARE(view.StaffModel()->rowCount(), 2);
        QCOMPARE(view.RoomModel()->item(1, 1)->text(), kLab);
        QCOMPARE(Column(view, 0), QStringList({"morning", "morning", "afternoon", "afternoon"}));
        QCOMPARE(Column(view, 1),
            QStringList({"2014-05-03 08:10:00", "2014-05-03 09:30:00", "2014-05-03 13:05:00",
                "2014-05-03 15:00:00"}));
        QCOMPARE(Column(view, 2), QStringList({"R", kLab, "R", kLab}));
        QCOMPARE(Column(view, 4), QStringList({"1.23", "0.50", "2.00", "3.00"}));
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
        QCOMPARE(Column(view, 3).last(), QStringLiteral("Müller"));
        QCOMPARE(Column(view, 2).last(), QStringLiteral("23"));
        Tick(view, view.StaffView(), 1, false);

        view.ToEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.RecordModel()->rowCount(), 6);
        QCOMPARE(Column(view, 1).last(), QStringLiteral("2014-05-05 11:00"));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 3)));
        QVERIFY(view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 6)));

        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        QCOMPARE(view.From(), QDate(2014, 5, 4));
        QCOMPARE(view.ToEdit()->date(), QDate(2014, 5, 4));
        QCOMPARE(Column(view, 1), QStringList({"2014-05-04 10:00"}));
        QVERIFY(!view.Calendar()->IsShownSelected(QDate(2014, 5, 5)));

        view.FromEdit()->setDate(QDate(2014, 5, 5));
        QCOMPARE(view.To(), QDate(2014, 5, 5));
        QCOMPARE(Column(view, 1), QStringList({"2014-05-05 11:00"}));
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
    // shown, whichever control made it; the same five fields on every line
    // (RFC 4180 quoting, UTF-8), the interval on each; the file dialog offers
    // a CSV name in the home folder; a file that cannot be written is
    // reported.
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

        QStringList lines = CsvLines(m_dir.filePath("routing.csv"));
        QCOMPARE(lines.size(), 5); // header, 4 of 5 readings
        QCOMPARE(lines.at(0), QStringLiteral("Interval,Time,Room,Manufacturing number,Dose"));
        QCOMPARE(lines.at(1), QStringLiteral("moring,2014-05-03T08:10:00,R,S,1.23"));
        for (const QString& strLine : qAsConst(lines))
            QCOMPARE(parseCsvLine(strLine).size(), 5);
        const QStringList lab = parseCsvLine(lines.at(3));
        QCOMPARE(lab.at(0), QStringLiteral("afternoon"));
        QCOMPARE(lab.at(2), kLab);
        QCOMPARE(parseCsvLine(lines.at(4)).at(3), QStringLiteral("Müller"));

        view.Calendar()->setSelectedDate(QDate(2014, 5, 4));
        prompt.strSaveName = m_dir.filePath("day.csv");
        m_clock.Advance(1000);
        view.ExportButton()->click();
        lines = CsvLines(prompt.strSaveName);
        QCOMPARE(lines.mid(1), QStringList({"moring,2014-05-04T10:00,R,S,0.10"}));

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
