#include "history/ExportTable.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "widgets/SPrompt.h"

#include "TestDb.h"
#include "XlsxSheet.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers the file dialog with a prepared name and keeps the notices.
class AnsweringPrompt final : public SPrompt
{
public:
    QString strAnswer;
    QString strOffered;
    QStringList failures;

    QString AskSaveFileName(
        QWidget*, const QString&, const QString& strDefault, const QString&) override
    {
        strOffered = strDefault;
        return strAnswer;
    }
    void Tell(QWidget*, const QString& strText, const QString&) override { failures << strText; }
};

} // namespace

class TstExportTable : public QObject
{
    Q_OBJECT

private:
    SManualClock m_clock {QDateTime(QDate(2014, 6, 2), QTime(8, 0))};

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({3});
    }

    // Every export ends with EndExport(): cancelled (after offering
    // "2014-05--3.xlsx" in the home folder), written, or failed with a
    // message naming the file; a name without ".xlsx" gets it.
    void everyExportEnds()
    {
        ExportTable table(nullptr, &m_clock);
        QStringList events;
        connect(&table, &ExportTable::StartExport, [&]() { events << "start"; });
        connect(&table, &ExportTable::EndExport, [&]() { events << "end"; });
        AnsweringPrompt prompt;
        table.SetPrompt(&prompt);
        QString& strAnswer = prompt.strAnswer;
        const QStringList& failures = prompt.failures;

        table.Export(nullptr, SBus::RegionList, 3, QDate(2014, 5, 31));
        QCOMPARE(prompt.strOffered, QDir::home().filePath("2014-05--3.xlsx"));
        QCOMPARE(events, QStringList("end"));

        QTemporaryDir dir;
        strAnswer = dir.filePath("r");
        events.clear();
        table.Export(nullptr, SBus::RegionList, 3, QDate(2014, 5, 31));
        QCOMPARE(events, QStringList({"start", "end"}));
        QVERIFY(failures.isEmpty());
        QCOMPARE(
            XlsxSheet::Read(dir.filePath("r.xlsx")).values.value("A1"), dir.filePath("r.xlsx"));

        strAnswer = dir.filePath("gone/r.xlsx");
        events.clear();
        table.Export(nullptr, SBus::RegionList, 3, QDate(2014, 5, 31));
        QCOMPARE(events, QStringList({"start", "end"}));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.at(0).contains(dir.filePath("gone")), qPrintable(failures.at(0)));
        QVERIFY(!QFile::exists(strAnswer));
    }
};

QTEST_MAIN(TstExportTable)
#include "tst_exporttable.moc"
