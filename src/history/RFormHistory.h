#pragma once

#include <QDate>
#include <QModelIndex>
#include <QWidget>

#include <functional>

class RStorageWriter;

class RRegionCatalogue;

class QLabel;
class SMessageLine;
class QPushButton;
class QTimer;
class QTreeView;
class QVBoxLayout;
class ExportTable;
class RDialogStaffHistoryDose;
class RItemModelPresetPersonal;
class RItemModelPresetRegion;
class SClock;
class SPrompt;

// The history page: the registered regions (and a hidden staff list) on the
// left, the month and day charts of the chosen item on the right, the report
// export, the month's alarm figures and the deletion of one day's stored
// data.
class RFormHistory final : public QWidget
{
    Q_OBJECT
public:
    // pClock decides "today" and paces the step buttons (system clock when
    // null). Not owned.
    explicit RFormHistory(RStorageWriter* pWriter, RRegionCatalogue* pCatalogue,
        QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RFormHistory() override;

    // Re-reads the lists and colours and shows the first region; the main
    // window calls it after a device update.
    void ReloadTrees();
    // The questions of the page; the default shows message boxes. Not owned.
    void SetPrompt(SPrompt* pPrompt);
    // Asked before an export (strWhy: what for); false stops it. None: allowed.
    void SetExportGate(std::function<bool(const QString&)> gate) { m_exportGate = std::move(gate); }
    // Asked before a day is deleted, with what is deleted; false stops it.
    void SetConfirm(std::function<bool(const QString&)> confirm) { m_confirm = std::move(confirm); }
    // The grade of the session: deleting a day takes an officer's. Until the
    // main window sets it, the page stands alone and may do everything.
    void SetGrade(int nGrade) { m_nGrade = nGrade; }

    int CurrentKind() const { return m_nCurrentKind; }
    int CurrentId() const { return m_nCurrentId; }
    QString Message() const;
    RDialogStaffHistoryDose* Dialog() const { return m_pDialog; }
    QTreeView* RegionTree() const { return m_pTreeViewRegion; }
    QTreeView* StaffTree() const { return m_pTreeViewPersonal; }

signals:
    // A day's stored data was deleted (strObject names the item and day).
    void DayDeleted(const QString& strObject, int nRows);

public slots:
    void StaffChanged(const QModelIndex& cur);
    void StaffChangedPersonal(const QModelIndex& cur);
    void ShowProgress();
    void HideProgress();
    void RegionCurveEnable(bool bEnable);
    void PersonCurveEnable(bool bEnable, int nId);

private slots:
    void MonthChange(QDate date);
    void PersonalDayChange(QDate date);
    void DayChange(QDate date);
    void OnClearData(QDate date);
    void ShowLine();
    void ShowRect();
    void Export();
    // The alarm figures of the selected day's month; an operator's grade.
    void ExportAlarmFigures();

protected:
    // The minute tick (the main window forwards it to the page shown).
    bool event(QEvent* pEvent) override;
    // What is shown is read again: the day may have grown while hidden.
    void showEvent(QShowEvent* pEvent) override;

private:
    RStorageWriter* m_pWriter;
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RFormHistory)

    void BuildWidgets();
    ExportTable* Exporter();
    // Whether the grade logged in may export; asks for a login without one.
    bool MayExport();
    // The id in the current row of the list of the current kind; 0 for none.
    int ItemId() const;
    // The name shown beside that id.
    QString ItemName() const;
    void Refresh();
    void DenySelection();
    // Marks the days with data of the month the day edit's calendar shows.
    void UpdateMarks();
    bool IsRegionKind() const;
    // Reads the shown day and month again when they can still change: today,
    // or yesterday while its last minute may still be on its way.
    void OnMinuteTick();

    QTreeView* m_pTreeViewRegion = nullptr;
    QTreeView* m_pTreeViewPersonal = nullptr;
    QPushButton* m_pButtonLine = nullptr;
    QPushButton* m_pButtonRect = nullptr;
    QPushButton* m_pButtonExport = nullptr;
    QPushButton* m_pButtonFigures = nullptr;
    SMessageLine* m_pLabel = nullptr;
    QVBoxLayout* m_pLayout = nullptr;
    RItemModelPresetRegion* m_pRegionModel;
    RItemModelPresetPersonal* m_pStaffModel;
    RDialogStaffHistoryDose* m_pDialog;
    // Made on the first export.
    ExportTable* m_pExport = nullptr;
    std::function<bool(const QString&)> m_exportGate;
    std::function<bool(const QString&)> m_confirm;
    SClock* m_pClock;
    SPrompt* m_pPrompt;
    int m_nCurrentKind;
    int m_nCurrentId = 0;
    int m_nGrade = 0; // the administrator's
    bool m_bRegionCurves = true;
    bool m_bStaffCurves = true;
    int m_nOwnStaffId = 0;
    // What the charts show, so that a page switch after a silent date change
    // reloads the page that is now stale.
    QDate m_loadedMonth;
    QDate m_loadedDay;
    int m_nLoadedId = -1;
};
