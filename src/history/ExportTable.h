#pragma once

#include <QDate>
#include <QObject>
#include <QString>

class RRegionCatalogue;

class QWidget;
class SClock;
class SPrompt;

// The history page's "Export": asks for a file name and writes the monthly
// report of the selected region or staff member there. GUI thread; the
// report itself is written by the core (PMonthReport), this class only asks
// and tells. StartExport() and EndExport() frame every export, and
// EndExport() comes in every case: cancelled, failed or written.
class ExportTable : public QObject
{
    Q_OBJECT

public:
    // "Now" (report time, the quarters) comes from pClock, the system clock
    // when null.
    explicit ExportTable(
        RRegionCatalogue* pCatalogue, QObject* pParent = nullptr, const SClock* pClock = nullptr);

    // The file dialog and the failure notice go through pPrompt; tests
    // install one that answers at once.
    void SetPrompt(SPrompt* pPrompt) { m_pPrompt = pPrompt; }

    // nKind is the list the item comes from (SBus::RegionList or
    // SBus::PersonalList), date the day selected in the history dialog.
    void Export(QWidget* pParent, int nKind, int nId, const QDate& date);

    // The same without asking: writes to strFile, ".xlsx" appended when the
    // name has no such suffix. Returns whether the report was written; a
    // failure has been shown to the user.
    bool ExportTo(QWidget* pParent, int nKind, int nId, const QDate& date, const QString& strFile);

    // "2014-05--3.xlsx" for item 3 in May 2014, in the home folder.
    static QString DefaultFileName(int nId, const QDate& date);

    // The alarm figures of date's month, asked for and written the same way
    // (the default name "alarm-figures-2014-05.xlsx" in the home folder).
    void ExportAlarmFigures(QWidget* pParent, const QDate& date);
    bool ExportAlarmFiguresTo(QWidget* pParent, const QDate& date, const QString& strFile);

signals:
    void StartExport();
    void EndExport();

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(ExportTable)

    // The name asked for, or empty when cancelled (EndExport() emitted).
    QString AskFileName(QWidget* pParent, const QString& strDefault);
    static QString WithSuffix(const QString& strFile);
    void TellFailure(QWidget* pParent, const QString& strText);

    const SClock* m_pClock;
    SPrompt* m_pPrompt;
};
