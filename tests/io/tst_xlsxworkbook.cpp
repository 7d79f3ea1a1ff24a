#include "io/SXlsxWorkbook.h"

#include "XlsxSheet.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestXlsxWorkbook : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init()
    {
        for (const QString& strName : Files())
            QFile::remove(m_dir.filePath(strName));
    }

    // What a spreadsheet program reads back: the cell at (row, column) from
    // 0 is "A1" from 1; texts in UTF-8, numbers and days under their formats,
    // merged cells, heights, and a chart over the rows asked for.
    void cellsReadBack()
    {
        const QString strFile = m_dir.filePath("r.xlsx");
        SXlsxWorkbook book(strFile);
        book.MergeRow(0, 0, 1, QStringLiteral("title"));
        book.SetRowHeight(0, 40);
        book.SetText(1, 0, QString::fromUtf8("M\xc3\xbcller, \"A\""));
        book.SetCentred(true);
        book.SetNumber(1, 1, 0.125, QStringLiteral("0.00%"));
        book.SetBlank(2, 0);
        book.SetDate(3, 0, QDate(2014, 5, 2), QStringLiteral("yyyy-mm-dd"));
        book.SetNumber(3, 1, 2.5);
        book.SetDate(4, 0, QDate(2014, 5, 3), QStringLiteral("yyyy-mm-dd"));
        book.SetNumber(4, 1, 7, QStringLiteral("0.00"));
        book.AddLineChart(3, 4, 0, QStringLiteral("dd"), 1, 1, 6);
        QString strError;
        QVERIFY2(book.Save(&strError), qPrintable(strError));

        const XlsxSheet sheet = XlsxSheet::Read(strFile);
        QCOMPARE(sheet.values,
            (QHash<QString, QString> {{"A1", "title"},
                {"A2", QString::fromUtf8("M\xc3\xbcller, \"A\"")}, {"B2", "0.125"},
                {"A4", XlsxSheet::Serial(QDate(2014, 5, 2))}, {"B4", "2.5"},
                {"A5", XlsxSheet::Serial(QDate(2014, 5, 3))}, {"B5", "7"}}));
        QCOMPARE(sheet.formats.value("B2"), QStringLiteral("0.00%"));
        QCOMPARE(sheet.formats.value("A4"), QStringLiteral("yyyy-mm-dd"));
        QCOMPARE(sheet.formats.value("B4"), QString());
        QCOMPARE(sheet.formats.value("B5"), QStringLiteral("0.00"));
        QVERIFY(sheet.formats.contains("A3"));
        QCOMPARE(sheet.merges, QStringList("A1:B1"));
        QCOMPARE(sheet.heights, (QHash<int, double> {{1, 40.0}}));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$A$4:$A$5</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$4:$B$5</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$2</c:f>"));
        QCOMPARE(Files(), QStringList("r.xlsx"));
    }

    // A replaced report keeps the permissions of the file it replaces.
    void replacingKeepsThePermissions()
    {
        const QString strFile = m_dir.filePath("r.xlsx");
        QFile old(strFile);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        const QFileDevice::Permissions mode
            = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(old.setPermissions(mode));
        SXlsxWorkbook book(strFile);
        book.SetText(0, 0, QStringLiteral("new"));
        QString strError;
        QVERIFY2(book.Save(&strError), qPrintable(strError));
        QCOMPARE(int(QFile::permissions(strFile) & 0x7077), int(mode));
        QCOMPARE(XlsxSheet::Read(strFile).values.value("A1"), QStringLiteral("new"));
    }

    // A failure anywhere leaves the target as it was and nothing beside it:
    // a cell the format cannot hold, a folder that does not exist, a
    // workbook never saved.
    void failuresLeaveNoFile()
    {
        const QString strFile = m_dir.filePath("r.xlsx");
        QString strError;
        {
            SXlsxWorkbook book(strFile);
            book.SetText(0, 0, QStringLiteral("kept"));
            book.SetNumber(1048576, 0, 1.0);
            book.SetText(1, 0, QStringLiteral("after"));
            QVERIFY(!book.Save(&strError));
            QVERIFY(!strError.isEmpty());
        }
        {
            SXlsxWorkbook unsaved(strFile);
            unsaved.SetText(0, 0, QStringLiteral("x"));
        }
        QCOMPARE(Files(), QStringList());

        SXlsxWorkbook book(m_dir.filePath("gone/r.xlsx"));
        book.SetText(0, 0, QStringLiteral("x"));
        QVERIFY(!book.Save(&strError));
        QVERIFY2(strError.contains(QDir::toNativeSeparators(m_dir.filePath("gone"))),
            qPrintable(strError));
        QVERIFY(!QFile::exists(m_dir.filePath("gone")));
    }
};

QTEST_GUILESS_MAIN(TestXlsxWorkbook)
#include "tst_xlsxworkbook.moc"
