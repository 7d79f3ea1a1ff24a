#pragma once

#include "history/PAlarmFigures.h"

#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QString>

class QSqlError;
class RRegionCatalogue;
class SClock;
class SXlsxWorkbook;

// The monthly alarm figures sheet for the radiation protection officer: one
// .xlsx sheet of blocks (alarms per day, the regions with the most alarms,
// time in alarm, chattering, acknowledgement, floods, shelving), each with
// its heading and units. The history page's export and kestal-report both
// write it through this class.
class PAlarmFiguresReport final
{
    Q_DECLARE_TR_FUNCTIONS(PAlarmFiguresReport)

public:
    // month: any day of it. "Now" (the report time, the end of the current
    // month's figures) comes from pClock, the system clock when null; region
    // names from pCatalogue. Neither is owned.
    PAlarmFiguresReport(
        const QDate& month, const SClock* pClock, const RRegionCatalogue* pCatalogue);

    // Reads the journal from the month before to the month after (the state
    // the month begins in, the late acknowledgements) from the default
    // connection and counts the figures; false with pError set when the read
    // failed.
    bool Read(QSqlError* pError);
    const PAlarmFigures& Figures() const { return m_figures; }

    // Writes what Read() found to strFile; no file under that name is made
    // or changed when this fails.
    bool Write(const QString& strFile, QString* pError) const;

    // "alarm-figures-2014-05.xlsx" for May 2014.
    static QString FileName(const QDate& month);

private:
    QString RegionName(int nId) const;
    int WriteTitle(SXlsxWorkbook& book, int nRow, const QString& strTitle) const;
    int WriteHeader(SXlsxWorkbook& book, int nRow, const QStringList& labels) const;
    int WriteNone(SXlsxWorkbook& book, int nRow) const;

    const QDate m_first;
    const QDateTime m_now;
    const RRegionCatalogue* const m_pCatalogue;
    PAlarmFigures m_figures;
    QHash<int, QString> m_names;
};
