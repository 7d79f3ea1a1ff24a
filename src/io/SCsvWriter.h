#pragma once

#include "io/SAtomicFile.h"

#include <QStringList>
#include <QTextStream>

// A CSV file as RFC 4180 has it: fields separated by commas, lines ended by
// CR LF, a field that holds a comma, a double quote or a line break quoted
// with its quotes doubled. Written as UTF-8 through SAtomicFile: Commit()
// replaces the target whole, and a failure leaves any old file as it was.
// Knows nothing of what the rows mean.
class SCsvWriter final
{
public:
    explicit SCsvWriter(const QString& strFileName);
    // Without Commit() the temporary file is removed and the target untouched.
    ~SCsvWriter();

    // False with the reason in pError when the file cannot be written.
    bool Open(QString* pError);
    void WriteRow(const QStringList& fields);
    bool Commit(QString* pError);

    // One field as it stands in a line.
    static QString Field(const QString& strValue);
    // One line with its CR LF, for a stream that is no file (standard output).
    static QString Line(const QStringList& fields);

private:
    Q_DISABLE_COPY(SCsvWriter)

    SAtomicFile m_file;
    QTextStream m_stream;
};
