#pragma once

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QSpinBox;
struct RSiteConfig;

// The site database's part of System Settings: checked, the station sends
// its records to the PostgreSQL server named here. A password typed here
// goes to libpq's password file (owner only), never to the database file;
// left empty, the file's entry stays.
class RSiteDbSettingsWidget final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RSiteDbSettingsWidget(QWidget* pParent = nullptr);

    void Load();
    RSiteConfig Config() const;
    // Checks the entries and stores the password (when one was typed); the
    // settings themselves go with the page's other values. False, with the
    // reason, when the entries are refused.
    bool Prepare(QString* pError);

private:
    Q_DISABLE_COPY(RSiteDbSettingsWidget)

    QLineEdit* m_pEditHost;
    QSpinBox* m_pEditPort;
    QLineEdit* m_pEditDatabase;
    QLineEdit* m_pEditUser;
    QLineEdit* m_pEditPassword;
    QComboBox* m_pComboSslMode;
    QLineEdit* m_pEditSite;
};
