#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

class QSqlError;
class RStorageWriter;

// A calibration of a monitor, as its certificate says.
struct RInstrumentCalibration
{
    qint64 nSeq = 0;
    int nId = 0;
    QDate date;
    double dFactor = 0.0; // the certificate's calibration factor
    QString strCertificate;
    QString strLaboratory;
    QDate nextDue;
    // The detector coefficient it sets for this monitor; 0: the conversion
    // stays as it was. dOldCoefficient is the one in use before.
    double dCoefficient = 0.0;
    double dOldCoefficient = 0.0;
    QString strAccount;
    QDateTime entered;
};

// A function test: a check source held to the detector, or the alarm
// driven over its threshold.
struct RInstrumentTest
{
    enum Kind { CheckSource = 0, AlarmTest = 1 };
    qint64 nSeq = 0;
    int nId = 0;
    QDate date;
    int nKind = CheckSource;
    bool bPass = false;
    double dValue = 0.0; // µRad/h seen
    QDate nextDue;
    QString strAccount;
    QDateTime entered;
};

struct RInstrumentNote
{
    qint64 nSeq = 0;
    int nId = 0;
    QDateTime time;
    QString strText;
    QString strAccount;
};

// A spell out of service; until is invalid while it lasts.
struct RInstrumentOutage
{
    qint64 nSeq = 0;
    int nId = 0;
    QDateTime since;
    QDateTime until;
    QString strReason;
    QString strAccount;
    QString strBackReason;
    QString strBackAccount;
};

// What falls due for one monitor: its calibration or one kind of function
// test, from the latest record of that kind.
struct RInstrumentDue
{
    enum Kind { Calibration = 0, CheckSource = 1, AlarmTest = 2 };
    int nId = 0;
    int nKind = Calibration;
    QDate due; // the record's next due date
    QDate failed; // a failed test's date: overdue from that day on
    bool IsOverdue(const QDate& day) const { return failed.isValid() ? day >= failed : day > due; }
    // Days overdue on day, that day counted: 0 when not overdue.
    qint64 DaysOverdue(const QDate& day) const;
    bool IsDueWithin(const QDate& day, int nDays) const
    {
        return !IsOverdue(day) && due.isValid() && day.daysTo(due) <= nDays;
    }
};

// The instrument records (calibrations, function tests, notes, spells out of
// service) of the station file. Default connection, GUI thread; writes go
// through the station's one writer.
namespace RInstrumentStore {

QStringList TableStatements();
bool AddCalibration(RStorageWriter& writer, const RInstrumentCalibration& calibration);
bool AddTest(RStorageWriter& writer, const RInstrumentTest& test);
bool AddNote(RStorageWriter& writer, const RInstrumentNote& note);
bool BeginOutage(RStorageWriter& writer, const RInstrumentOutage& outage);
bool EndOutage(RStorageWriter& writer, int nId, const QDateTime& until, const QString& strReason,
    const QString& strAccount);

// Records of nId (0: every monitor), oldest first; pError, when given, gets
// the reason a read failed.
QVector<RInstrumentCalibration> Calibrations(int nId, QSqlError* pError = nullptr);
QVector<RInstrumentTest> Tests(int nId, QSqlError* pError = nullptr);
QVector<RInstrumentNote> Notes(int nId, QSqlError* pError = nullptr);
QVector<RInstrumentOutage> Outages(int nId, QSqlError* pError = nullptr);
// The monitors out of service now.
QHash<int, RInstrumentOutage> OpenOutages();
// Per monitor, the detector coefficient its latest calibration set.
QHash<int, double> Coefficients();

// What falls due, from records entered up to day (a kind with no record has
// nothing due: a monitor is followed from its first record of a kind).
QVector<RInstrumentDue> Dues(const QVector<RInstrumentCalibration>& calibrations,
    const QVector<RInstrumentTest>& tests, const QDate& day);

QString KindText(int nDueKind);

} // namespace RInstrumentStore
