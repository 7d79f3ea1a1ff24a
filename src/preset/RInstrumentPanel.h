#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class RStation;
class SPrompt;

// The instrument records of the monitor chosen on the device page: whether
// it is in service, what falls due, its calibrations, function tests, notes
// and spells out of service, and the buttons that add to them. Records are
// the station's at once, not at the page's Apply.
class RInstrumentPanel final : public QWidget
{
    Q_OBJECT
public:
    // pStation is not owned; the prompt asks for the records (the default
    // message boxes unless SetPrompt gives another).
    explicit RInstrumentPanel(RStation* pStation, QWidget* pParent = nullptr);

    void SetPrompt(SPrompt* pPrompt) { m_pPrompt = pPrompt; }
    // nId 0: no monitor chosen.
    void ShowMonitor(int nId);
    int Monitor() const { return m_nId; }
    QString ServiceText() const;
    QString DueText() const;
    QTableWidget* Records() const { return m_pRecords; }

public slots:
    void RecordCalibration();
    void RecordTest();
    void AddNote();
    // Out of service, or back in service, as the monitor is.
    void ToggleService();
    void ExportRegister();

private:
    void Refresh();
    void UpdateButtons();
    // Says why an action was not taken; true when it was.
    bool Done(int nOutcome);

    RStation* m_pStation;
    SPrompt* m_pPrompt;
    int m_nId = 0;
    QString m_strMonitor; // "name (id)"
    QLabel* m_pTitle;
    QLabel* m_pService;
    QLabel* m_pDue;
    QTableWidget* m_pRecords;
    QPushButton* m_pButtonCalibration;
    QPushButton* m_pButtonTest;
    QPushButton* m_pButtonNote;
    QPushButton* m_pButtonService;
    QPushButton* m_pButtonExport;
    QSpinBox* m_pYear;
};
