#pragma once

#include "notify/RNotifyConfig.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class RNotifyPost;
class SClock;

// The mail notifications' part of System Settings: checked, the station
// mails the people on call. The mail server, the three lists in the order
// of escalation with the hours each covers, the delays and limits, and a
// "Send a test mail" button that shows the server's answer. The password
// typed here goes to its owner-only file; left empty, the file stays.
class RNotifySettingsWidget final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RNotifySettingsWidget(const QString& strAuditKeyPath = QString(),
        SClock* pClock = nullptr, QWidget* pParent = nullptr);

    void Load();
    RNotifyConfig Config() const;
    // Checks the entries and stores a typed password. False, with the
    // reason, when refused; pbPassword: whether a new password was stored.
    bool Prepare(QString* pError, bool* pbPassword);
    // The test's last answer, as shown.
    QString TestAnswer() const;

private:
    Q_DISABLE_COPY(RNotifySettingsWidget)
    void SendTest();

    QString m_strAuditKeyPath;
    SClock* m_pClock;
    QLineEdit* m_pEditMailHost;
    QSpinBox* m_pEditMailPort;
    QComboBox* m_pComboMailSecurity;
    QLineEdit* m_pEditMailFrom;
    QLineEdit* m_pEditMailUser;
    QLineEdit* m_pEditMailPassword;
    QLineEdit* m_pEditMailCaFile;
    QLineEdit* m_pEditLists[RNotifyConfig::Lists];
    QLineEdit* m_pEditHours[RNotifyConfig::Lists];
    QSpinBox* m_pEditEscalate;
    QSpinBox* m_pEditLinkSeconds;
    QSpinBox* m_pEditRegionMinutes;
    QSpinBox* m_pEditFloodMinutes;
    QSpinBox* m_pEditPerHour;
    QPushButton* m_pButtonTest;
    QLabel* m_pLabelTest;
    RNotifyPost* m_pPost;
};
