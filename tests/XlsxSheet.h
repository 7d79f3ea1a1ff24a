#pragma once

#include <QDate>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>

// The first sheet of an .xlsx file as a spreadsheet program would read it:
// the parts are taken out with unzip and their XML parsed.
struct XlsxSheet
{
    QHash<QString, QString> values; // "A1" -> text, or the number as stored
    QHash<QString, QString> formats; // "B7" -> number format code
    QHash<int, double> heights; // row number from 1 -> height in points
    QStringList merges; // "A1:B1", ...
    QByteArray chart; // the first chart part, empty without one

    static QByteArray Part(const QString& strFile, const QString& strPart)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), strFile, strPart});
        unzip.waitForFinished();
        return unzip.exitCode() == 0 ? unzip.readAllStandardOutput() : QByteArray();
    }

    // Spreadsheets keep the day as the count of days since 1899-12-30.
    static QString Serial(const QDate& day)
    {
        return QString::number(QDate(1899, 12, 30).daysTo(day));
    }

    static XlsxSheet Read(const QString& strFile)
    {
        XlsxSheet sheet;
        QStringList strings;
        QXmlStreamReader shared(Part(strFile, QStringLiteral("xl/sharedStrings.xml")));
        while (!shared.atEnd()) {
            shared.readNext();
            if (shared.isStartElement() && shared.name() == QLatin1String("t"))
                strings << shared.readElementText();
        }

        // Built-in formats are referred to by number only.
        QHash<int, QString> numFmts = {{0, QString()}, {1, QStringLiteral("0")},
            {2, QStringLiteral("0.00")}, {9, QStringLiteral("0%")}, {10, QStringLiteral("0.00%")}};
        QStringList xfFormats;
        bool bCellXfs = false;
        QXmlStreamReader styles(Part(strFile, QStringLiteral("xl/styles.xml")));
        while (!styles.atEnd()) {
            styles.readNext();
            if (styles.isEndElement() && styles.name() == QLatin1String("cellXfs"))
                bCellXfs = false;
            if (!styles.isStartElement())
                continue;
            const QXmlStreamAttributes attributes = styles.attributes();
            if (styles.name() == QLatin1String("numFmt"))
                numFmts.insert(attributes.value("numFmtId").toInt(),
                    attributes.value("formatCode").toString());
            else if (styles.name() == QLatin1String("cellXfs"))
                bCellXfs = true;
            else if (bCellXfs && styles.name() == QLatin1String("xf"))
                xfFormats << numFmts.value(attributes.value("numFmtId").toInt());
        }

        QXmlStreamReader xml(Part(strFile, QStringLiteral("xl/worksheets/sheet1.xml")));
        QString strCell;
        QString strType;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            if (xml.name() == QLatin1String("row") && attributes.hasAttribute("ht")) {
                sheet.heights.insert(
                    attributes.value("r").toInt(), attributes.value("ht").toDouble());
            } else if (xml.name() == QLatin1String("c")) {
                strCell = attributes.value("r").toString();
                strType = attributes.value("t").toString();
                sheet.formats.insert(strCell, xfFormats.value(attributes.value("s").toInt()));
            } else if (xml.name() == QLatin1String("v")) {
                const QString strValue = xml.readElementText();
                sheet.values.insert(strCell,
                    strType == QLatin1String("s") ? strings.value(strValue.toInt()) : strValue);
            } else if (xml.name() == QLatin1String("mergeCell")) {
                sheet.merges << attributes.value("ref").toString();
            }
        }
        sheet.chart = Part(strFile, QStringLiteral("xl/charts/chart1.xml"));
        return sheet;
    }
};
