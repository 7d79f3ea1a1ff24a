#include "history/PAuditReport.h"

#include "io/SCsvWriter.h"

bool PAuditReport::Write(
    const QString& strFile, const QVector<RAuditEntry>& entries, QString* pError)
{
    SCsvWriter out(strFile);
    if (!out.Open(pError))
        return false;
    out.WriteRow(RAuditTrail::CsvHeader());
    for (const RAuditEntry& entry : entries)
        out.WriteRow(RAuditTrail::CsvFields(entry));
    return out.Commit(pError);
}

QString PAuditReport::Text(const QVector<RAuditEntry>& entries)
{
    QString strText = SCsvWriter::Line(RAuditTrail::CsvHeader());
    for (const RAuditEntry& entry : entries)
        strText += SCsvWriter::Line(RAuditTrail::CsvFields(entry));
    return strText;
}
