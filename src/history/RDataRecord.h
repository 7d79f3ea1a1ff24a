#pragma once

#include "database/RRoutingRecords.h"
#include "widgets/RespondButtonClicked.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class RCalendarWidget;
class RDateEdit;
class RWidget;
class SClock;
class SPrompt;

// The patrol (routing) records: which routing staff member passed which
// room, when, with what dose. Staff and rooms are ticked in two check lists
// on the left; the days are one selection, shown both by the calendar and by
// the "from"/"to" edits (a click on a day picks that day alone); ticked lines
// of the records table export to CSV.
class RDataRecord final : public QWidget
{
    Q_OBJECT

public:
    // pClock decides "today" and times the export button's debouncer; null
    // means the system clock.
    explicit RDataRecord(QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RDataRecord() override;

    // The file dialog and the failure notice go through pPrompt (not owned).
    void SetPrompt(SPrompt* pPrompt) { m_pPrompt = pPrompt; }
    // Asked before an export (strWhy: what for); false stops it. None: allowed.
    void SetExportGate(std::function<bool(const QString&)> gate) { m_exportGate = std::move(gate); }

    // After new patrol readings: fills the lists while nothing is ticked,
    // otherwise rebuilds the records; marks the calendar's month.
    void Reload();

    QStandardItemModel* StaffModel() const { return m_pStaffModel; }
    QStandardItemModel* RoomModel() const { return m_pRoomModel; }
    QStandardItemModel* RecordModel() const { return m_pRecordModel; }
    RCalendarWidget* Calendar() const { return m_pCalendar; }
    RDateEdit* FromEdit() const { return m_pDateFrom; }
    RDateEdit* ToEdit() const { return m_pDateTo; }
    QPushButton* ExportButton() const { return m_pButtonExport; }
    // Shown over the table while it has no line.
    QLabel* EmptyNote() const { return m_pEmptyNote; }
    // The selected days, first to last.
    QDate From() const;
    QDate To() const;
    // The check box of a row's last column in one of the three tables.
    RWidget* CheckCell(QTableView* pView, int nRow) const;
    QTableView* StaffView() const { return m_pStaffView; }
    QTableView* RoomView() const { return m_pRoomView; }
    QTableView* RecordView() const { return m_pRecordView; }

    // Writes the ticked lines to strFile; false with pError when it cannot.
    bool WriteCsv(const QString& strFile, QString* pError) const;

public slots:
    void OnChangeCheckState(int index);
    void OnSelectionChanged();
    void OnExportButtonClicked();
    void OnFromChanged(QDate date);
    void OnToChanged(QDate date);
    void OnCurrentPageChanged(int year, int month);
    void SearchEnable(bool able);

private:
    Q_DISABLE_COPY(RDataRecord)

    bool CheckPermission();
    void FillLists();
    void RebuildRecords();
    void MarkMonth(int nYear, int nMonth);
    // Shows the range from..to in both edits and the calendar, then rebuilds.
    void Select(const QDate& from, const QDate& to);
    QList<int> TickedIds(QTableView* pView, QStandardItemModel* pModel) const;
    RWidget* AddCheckRow(QTableView* pView, QStandardItemModel* pModel, const QStringList& texts,
        Qt::CheckState state);
    QStringList RecordLabels() const;
    QString RecordKey(int nRow) const;

    SClock* m_pClock;
    SPrompt* m_pPrompt;
    QTableView* m_pStaffView;
    QTableView* m_pRoomView;
    QTableView* m_pRecordView;
    QStandardItemModel* m_pStaffModel;
    QStandardItemModel* m_pRoomModel;
    QStandardItemModel* m_pRecordModel;
    RCalendarWidget* m_pCalendar;
    RDateEdit* m_pDateFrom;
    RDateEdit* m_pDateTo;
    QPushButton* m_pButtonExport;
    QLabel* m_pEmptyNote;
    // The lines shown, row by row, as stored: the export writes these, not
    // the table's translated texts.
    QList<RRoutingRecords::Line> m_lines;
    RespondButtonClicked m_respond;
    // Nothing in this system grants or withdraws it; it starts granted.
    bool m_bSearchEnabled = true;
    std::function<bool(const QString&)> m_exportGate;
    int m_nRecordCount = 0;
};
