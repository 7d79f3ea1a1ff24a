#include "history/ExportTable.h"

#include "history/PMonthReport.h"
#include "widgets/SPrompt.h"

#include <QDir>

ExportTable::ExportTable(QObject* pParent, const SClock* pClock)
    : QObject(pParent)
    , m_pClock(pClock)
    , m_pPrompt(SPrompt::Default())
{
}

QString ExportTable::DefaultFileName(int nId, const QDate& date)
{
    return QDir::home().filePath(
        date.toString(QStringLiteral("yyyy-MM")) + QStringLiteral("--%1.xlsx").arg(nId));
}

void ExportTable::Export(QWidget* pParent, int nKind, int nId, const QDate& date)
{
    const QString strDefault = DefaultFileName(nId, date);
    const QString strFile = m_pPrompt->AskSaveFileName(
        pParent, tr("Save File"), strDefault, tr("Excel workbooks (*.xlsx)"));
    if (strFile.isEmpty()) {
        emit EndExport();
        return;
    }
    ExportTo(pParent, nKind, nId, date, strFile);
}

bool ExportTable::ExportTo(
    QWidget* pParent, int nKind, int nId, const QDate& date, const QString& strFile)
{
    emit StartExport();
    QString strTarget = strFile;
    if (!strTarget.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        strTarget += QLatin1String(".xlsx");
    PMonthReport report(nKind, nId, date, m_pClock);
    QString strError;
    const bool bWritten
        = report.Read(&strError) == PMonthReport::Status::Ok && report.Write(strTarget, &strError);
    // The export is over either way; the box below is its answer.
    emit EndExport();
    if (!bWritten) {
        const QString strText = tr("The report %1 was not written: %2")
                                    .arg(QDir::toNativeSeparators(strTarget), strError);
        m_pPrompt->Tell(pParent, strText, tr("OK"));
    }
    return bWritten;
}
