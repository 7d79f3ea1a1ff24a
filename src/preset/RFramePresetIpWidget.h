#pragma once

#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class RPlantSettingsWidget;
class RSiteDbSettingsWidget;
class RNotifySettingsWidget;
class RWebSettingsWidget;
struct RSystemInfo;

// The system settings editor: the data server's address and port, the band
// thresholds A, B, C (µRad/h), the two detector coefficients and how many
// months of 2-second readings the main file keeps.
class RFramePresetIpWidget final : public QWidget
{
    Q_OBJECT
public:
    explicit RFramePresetIpWidget(QWidget* parent = nullptr);
    ~RFramePresetIpWidget() override;

    // Shows what SystemInfo holds; fields without a stored row keep their values.
    void Load();
    // Checks the main server's line and rewrites SystemInfo. False, with the
    // reason in pError, when the entry is refused or the rows cannot be
    // written; the stored rows are then unchanged.
    bool Save(QString* pError);
    bool IsEdited() const { return m_bEdited; }

    // Why strAddress is not an IPv4 address or a host name; empty when it is.
    static QString AddressProblem(const QString& strAddress);

signals:
    void SendMessage(const QString& strMessage);

private slots:
    void OnValueChanged(double dValue);

private:
    // Each value saved that differs from before, to the audit trail.
    void RecordChanges(const RSystemInfo& before, const RSystemInfo& after, int nMonthsBefore,
        int nIdleBefore) const;
    Q_DISABLE_COPY(RFramePresetIpWidget)

    QDoubleSpinBox* AddNumber(const QString& strName, const QString& strLabel, int nDecimals);

    QLineEdit* m_pEditIp;
    QSpinBox* m_pEditPort;
    QDoubleSpinBox* m_pSpinBoxThresA = nullptr;
    QDoubleSpinBox* m_pSpinBoxThresB = nullptr;
    QDoubleSpinBox* m_pSpinBoxThresC = nullptr;
    QDoubleSpinBox* m_pSpinBoxCoefStaff = nullptr;
    QDoubleSpinBox* m_pSpinBoxCoefRegion = nullptr;
    QSpinBox* m_pSpinBoxArchiveMonths = nullptr;
    QSpinBox* m_pSpinBoxIdleMinutes = nullptr;
    QLabel* m_pLabelIp_2 = nullptr;
    QLabel* m_pLabelPort_2 = nullptr;
    QLineEdit* m_pEditIp_2;
    QSpinBox* m_pEditPort_2;
    RSiteDbSettingsWidget* m_pSiteDb = nullptr;
    RPlantSettingsWidget* m_pPlant = nullptr;
    RWebSettingsWidget* m_pWeb = nullptr;
    RNotifySettingsWidget* m_pNotify = nullptr;
    bool m_bEdited = false;
};
