#include "preset/RSiteDbSettingsWidget.h"

#include "preset/PFieldGrid.h"
#include "site/RSiteConfig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

RSiteDbSettingsWidget::RSiteDbSettingsWidget(QWidget* pParent)
    : QGroupBox(tr("Site database (PostgreSQL)"), pParent)
    , m_pEditHost(new QLineEdit(this))
    , m_pEditPort(new QSpinBox(this))
    , m_pEditDatabase(new QLineEdit(this))
    , m_pEditUser(new QLineEdit(this))
    , m_pEditPassword(new QLineEdit(this))
    , m_pComboSslMode(new QComboBox(this))
    , m_pEditSite(new QLineEdit(this))
{
    setObjectName(QStringLiteral("groupSiteDb"));
    setCheckable(true);
    m_pEditHost->setObjectName(QStringLiteral("m_pEditSiteHost"));
    m_pEditPort->setObjectName(QStringLiteral("m_pEditSitePort"));
    m_pEditDatabase->setObjectName(QStringLiteral("m_pEditSiteDatabase"));
    m_pEditUser->setObjectName(QStringLiteral("m_pEditSiteUser"));
    m_pEditPassword->setObjectName(QStringLiteral("m_pEditSitePassword"));
    m_pComboSslMode->setObjectName(QStringLiteral("m_pComboSiteSslMode"));
    m_pEditSite->setObjectName(QStringLiteral("m_pEditSiteName"));
    m_pEditPort->setRange(1, 65535);
    m_pEditPassword->setEchoMode(QLineEdit::Password);
    m_pEditPassword->setPlaceholderText(tr("unchanged"));
    m_pComboSslMode->addItems(
        {QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
            QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")});
    PFieldGrid::LayOut(this,
        {{tr("Site name:"), m_pEditSite}, {tr("TLS mode:"), m_pComboSslMode},
            {tr("Server:"), m_pEditHost}, {tr("Port:"), m_pEditPort},
            {tr("Database:"), m_pEditDatabase}, {tr("User:"), m_pEditUser},
            {tr("Password:"), m_pEditPassword}});
    Load();
}

void RSiteDbSettingsWidget::Load()
{
    const RSiteConfig config = RSiteConfig::Load();
    setChecked(config.bEnabled);
    m_pEditHost->setText(config.strHost);
    m_pEditPort->setValue(config.nPort);
    m_pEditDatabase->setText(config.strDatabase);
    m_pEditUser->setText(config.strUser);
    m_pComboSslMode->setCurrentText(config.strSslMode);
    m_pEditSite->setText(config.strSite);
    m_pEditPassword->clear();
}

RSiteConfig RSiteDbSettingsWidget::Config() const
{
    RSiteConfig config;
    config.bEnabled = isChecked();
    config.strHost = m_pEditHost->text().trimmed();
    config.nPort = m_pEditPort->value();
    config.strDatabase = m_pEditDatabase->text().trimmed();
    config.strUser = m_pEditUser->text().trimmed();
    config.strSslMode = m_pComboSslMode->currentText();
    config.strSite = m_pEditSite->text().trimmed();
    return config;
}

bool RSiteDbSettingsWidget::Prepare(QString* pError)
{
    const RSiteConfig config = Config();
    if (!config.bEnabled)
        return true;
    const QString strProblem = config.Problem();
    if (!strProblem.isEmpty()) {
        *pError = tr("Site database: %1.").arg(strProblem);
        return false;
    }
    if (m_pEditPassword->text().isEmpty())
        return true;
    QString strError;
    if (!config.StorePassword(m_pEditPassword->text(), &strError)) {
        *pError = tr("The password file %1 could not be written: %2")
                      .arg(RSiteConfig::PassFilePath(), strError);
        return false;
    }
    m_pEditPassword->clear();
    return true;
}
