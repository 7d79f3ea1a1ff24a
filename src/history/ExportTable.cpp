#include "history/ExportTable.h"

#include "history/PAlarmFiguresReport.h"
#include "history/PMonthReport.h"
#include "widgets/SPrompt.h"

#include <QDir>
#include <QSqlError>

ExportTable::ExportTable(RRegionCatalogue* pCatalogue, QObject* pParent, const SClock* pClock)
    : QObject(pParent)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock)
    , m_pPrompt(SPrompt::Default())
{
}

QString ExportTable::DefaultFileName(int nId, const QDate& date)
{
    return QDir::home().filePath(
        date.toString(QStringLiteral("yyyy-MM")) + QStringLiteral("--%1.xlsx").arg(nId));
}

QString ExportTable::AskFileName(QWidget* pParent, const QString& strDefault)
{
    const QString strFile = m_pPrompt->AskSaveFileName(
        pParent, tr("Save File"), strDefault, tr("Excel workbooks (*.xlsx)"));
    if (strFile.isEmpty())
        emit EndExport();
    return strFile;
}

QString ExportTable::WithSuffix(const QString& strFile)
{
    if (strFile.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return strFile;
    return strFile + QLatin1String(".xlsx");
}

void ExportTable::TellFailure(QWidget* pParent, const QString& strText)
{
    m_pPrompt->Tell(pParent, strText, tr("OK"));
}

void ExportTable::Export(QWidget* pParent, int nKind, int nId, const QDate& date)
{
    const QString strFile = AskFileName(pParent, DefaultFileName(nId, date));
    if (!strFile.isEmpty())
        ExportTo(pParent, nKind, nId, date, strFile);
}

bool ExportTable::ExportTo(
    QWidget* pParent, int nKind, int nId, const QDate& date, const QString& strFile)
{
    emit StartExport();
    const QString strTarget = WithSuffix(strFile);
    PMonthReport report(nKind, nId, date, m_pClock);
    QString strError;
    const bool bWritten
        = report.Read(&strError) == PMonthReport::Status::Ok && report.Write(strTarget, &strError);
    // The export is over either way; the box below is its answer.
    emit EndExport();
    if (!bWritten)
        TellFailure(pParent,
            tr("The report %1 was not written: %2")
                .arg(QDir::toNativeSeparators(strTarget), strError));
    return bWritten;
}

void ExportTable::ExportAlarmFigures(QWidget* pParent, const QDate& date)
{
    const QString strFile
        = AskFileName(pParent, QDir::home().filePath(PAlarmFiguresReport::FileName(date)));
    if (!strFile.isEmpty())
        ExportAlarmFiguresTo(pParent, date, strFile);
}

bool ExportTable::ExportAlarmFiguresTo(QWidget* pParent, const QDate& date, const QString& strFile)
{
    emit StartExport();
    const QString strTarget = WithSuffix(strFile);
    PAlarmFiguresReport report(date, m_pClock, m_pCatalogue);
    QSqlError error;
    QString strError;
    bool bWritten = report.Read(&error);
    if (!bWritten)
        strError = error.text();
    bWritten = bWritten && report.Write(strTarget, &strError);
    emit EndExport();
    if (!bWritten)
        TellFailure(pParent,
            tr("The alarm figures %1 were not written: %2")
                .arg(QDir::toNativeSeparators(strTarget), strError));
    return bWritten;
}
