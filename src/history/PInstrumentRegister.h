#pragma once

#include "database/RInstrumentStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QVector>

class QSqlError;
class RRegionCatalogue;
class SClock;

// The instrument register of one year, as an inspector asks for it: each
// monitor with its calibrations, function tests, time out of service and
// days overdue, then the records themselves. The device page's export and
// kestal-report both write it through this class.
class PInstrumentRegister final
{
    Q_DECLARE_TR_FUNCTIONS(PInstrumentRegister)

public:
    struct Monitor
    {
        int nId = 0;
        QString strName;
        int nCalibrations = 0;
        int nTests = 0;
        int nFailedTests = 0;
        qint64 nOutSeconds = 0; // out of service within the year (up to now)
        int nOverdueDays = 0; // days of the year (up to today) with something overdue
    };

    // "Now" from pClock (the system clock when null), names from pCatalogue;
    // neither is owned.
    PInstrumentRegister(int nYear, const SClock* pClock, const RRegionCatalogue* pCatalogue);

    // Reads the records from the default connection and counts; false with
    // pError set when a read failed.
    bool Read(QSqlError* pError);
    // Registered monitors and any other with records of the year, by id.
    const QVector<Monitor>& Monitors() const { return m_monitors; }

    // Writes what Read() found to strFile (.xlsx); no file under that name
    // is made or changed when this fails.
    bool Write(const QString& strFile, QString* pError) const;

    // "instruments-2026.xlsx".
    static QString FileName(int nYear);

private:
    bool InYear(const QDate& day) const { return day.year() == m_nYear; }
    QString NameOf(int nId) const;

    const int m_nYear;
    const QDateTime m_now;
    const RRegionCatalogue* const m_pCatalogue;
    QVector<Monitor> m_monitors;
    QVector<RInstrumentCalibration> m_calibrations;
    QVector<RInstrumentTest> m_tests;
    QVector<RInstrumentOutage> m_outages;
    QVector<RInstrumentNote> m_notes;
};
