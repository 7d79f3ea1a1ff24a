#pragma once

#include "database/RAuditTrail.h"

#include <QString>
#include <QVector>

// The audit trail's rows as CSV. The audit page's Export and kestal-report's
// audit command both write through here, so the two give the same bytes.
class PAuditReport final
{
public:
    // The header and a line per entry to strFile, replaced whole; false with
    // the reason, the old file left as it was.
    static bool Write(const QString& strFile, const QVector<RAuditEntry>& entries, QString* pError);
    // The same lines as one text, for a stream that is no file.
    static QString Text(const QVector<RAuditEntry>& entries);

private:
    PAuditReport() = delete;
};
