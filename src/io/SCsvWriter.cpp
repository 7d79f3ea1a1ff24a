#include "io/SCsvWriter.h"

SCsvWriter::SCsvWriter(const QString& strFileName)
    : m_file(strFileName)
{
}

SCsvWriter::~SCsvWriter() = default;

bool SCsvWriter::Open(QString* pError)
{
    if (!m_file.Open(pError))
        return false;
    m_stream.setDevice(&m_file.File());
    m_stream.setCodec("UTF-8");
    return true;
}

void SCsvWriter::WriteRow(const QStringList& fields)
{
    m_stream << Line(fields);
}

QString SCsvWriter::Line(const QStringList& fields)
{
    QString strLine;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            strLine += QLatin1Char(',');
        strLine += Field(fields.at(i));
    }
    return strLine + QLatin1String("\r\n");
}

bool SCsvWriter::Commit(QString* pError)
{
    m_stream.flush();
    if (m_stream.status() != QTextStream::Ok) {
        *pError = m_file.Failure(m_file.File().errorString());
        return false;
    }
    return m_file.Commit(pError);
}

QString SCsvWriter::Field(const QString& strValue)
{
    const bool bQuote = strValue.contains(QLatin1Char(',')) || strValue.contains(QLatin1Char('"'))
        || strValue.contains(QLatin1Char('\n')) || strValue.contains(QLatin1Char('\r'));
    if (!bQuote)
        return strValue;
    QString strQuoted = strValue;
    strQuoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + strQuoted + QLatin1Char('"');
}
