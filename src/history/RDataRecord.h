#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QWidget>

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
// on the left; a calendar day or a "from"/"to" range picks the days; ticked
// lines of the records table export to CSV.
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
    void OnDatechanged(QDate date);
    void OnCurrentPageChanged(int year, int month);
    void SearchEnable(bool able);

private:
    Q_DISABLE_COPY(RDataRecord)

    bool CheckPermission();
    void FillLists();
    void RebuildRecords();
    void MarkMonth(int nYear, int nMonth);
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
    RespondButtonClicked m_respond;
    // Nothing in this system grants or withdraws it; it starts granted.
    bool m_bSearchEnabled = true;
    int m_nRecordCount = 0;
};
