#include "io/SCsvWriter.h"

#include <QDir>

SCsvWriter::SCsvWriter(const QString& strFileName)
    : m_file(strFileName)
{
}

SCsvWriter::~SCsvWriter()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool SCsvWriter::Open(QString* pError)
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        *pError = Failure();
        return false;
    }
    m_stream.setDevice(&m_file);
    m_stream.setCodec("UTF-8");
    return true;
}

void SCsvWriter::WriteRow(const QStringList& fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_stream << ',';
        m_stream << Field(fields.at(i));
    }
    m_stream << "\r\n";
}

bool SCsvWriter::Commit(QString* pError)
{
    m_stream.flush();
    if (m_stream.status() != QTextStream::Ok || !m_file.commit()) {
        *pError = Failure();
        if (m_file.isOpen())
            m_file.cancelWriting();
        return false;
    }
    return true;
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

QString SCsvWriter::Failure() const
{
    return QStringLiteral("cannot write %1: %2")
        .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
}
