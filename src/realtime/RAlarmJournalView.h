#pragma once

#include <QDialog>

#include <functional>

class RRegionCatalogue;

class QCheckBox;
class QComboBox;
class RAlarmJournal;
class QDateEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class SClock;
class SPrompt;

// The alarm journal for the operator: newest first, or the most urgent
// first (RAlarmState::Priority), by region and day range, with an export of
// the lines to CSV.
class RAlarmJournalView final : public QDialog
{
    Q_OBJECT
public:
    // pClock decides "today" (system clock when null). Not owned.
    explicit RAlarmJournalView(
        RRegionCatalogue* pCatalogue, QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RAlarmJournalView() override;

    // The file question and the failure notice; message boxes by default.
    void SetPrompt(SPrompt* pPrompt) { m_pPrompt = pPrompt; }
    // Asked before an export (strWhy: what for); false stops it. None: allowed.
    void SetExportGate(std::function<bool(const QString&)> gate) { m_exportGate = std::move(gate); }
    QStandardItemModel* Model() const { return m_pModel; }
    void SetRange(const QDate& from, const QDate& to, int nId = 0);
    // New events of the journal show as they are written. Not owned.
    void Follow(const RAlarmJournal* pJournal);

public slots:
    // Re-reads the journal with the chosen filter.
    void Reload();
    void Export();

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RAlarmJournalView)

    QComboBox* m_pComboRegion;
    QDateEdit* m_pDateFrom;
    QDateEdit* m_pDateTo;
    QTableView* m_pTable;
    QPushButton* m_pButtonExport;
    std::function<bool(const QString&)> m_exportGate;
    QCheckBox* m_pCheckPriority;
    QStandardItemModel* m_pModel;
    SPrompt* m_pPrompt;
};
