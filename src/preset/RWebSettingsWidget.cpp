#include "preset/RWebSettingsWidget.h"

#include "preset/PFieldGrid.h"

#include <QLineEdit>
#include <QSpinBox>

RWebSettingsWidget::RWebSettingsWidget(QWidget* pParent)
    : QGroupBox(tr("Serve the read-only web view"), pParent)
    , m_pEditWebAddress(new QLineEdit(this))
    , m_pEditWebPort(new QSpinBox(this))
    , m_pEditWebTlsPort(new QSpinBox(this))
    , m_pEditWebCert(new QLineEdit(this))
    , m_pEditWebKey(new QLineEdit(this))
{
    setObjectName(QStringLiteral("groupWeb"));
    setCheckable(true);
    m_pEditWebAddress->setObjectName(QStringLiteral("m_pEditWebAddress"));
    m_pEditWebPort->setObjectName(QStringLiteral("m_pEditWebPort"));
    m_pEditWebPort->setRange(1, 65535);
    m_pEditWebTlsPort->setObjectName(QStringLiteral("m_pEditWebTlsPort"));
    m_pEditWebTlsPort->setRange(1, 65535);
    m_pEditWebCert->setObjectName(QStringLiteral("m_pEditWebCert"));
    m_pEditWebKey->setObjectName(QStringLiteral("m_pEditWebKey"));
    m_pEditWebCert->setPlaceholderText(tr("PEM file; empty for plain HTTP"));
    m_pEditWebKey->setPlaceholderText(tr("PEM file, without a passphrase"));
    PFieldGrid::LayOut(this,
        {{tr("Listen on:"), m_pEditWebAddress}, {tr("Port:"), m_pEditWebPort},
            {tr("HTTPS port:"), m_pEditWebTlsPort}, {tr("Certificate:"), m_pEditWebCert},
            {tr("Private key:"), m_pEditWebKey}});
    Load();
}

void RWebSettingsWidget::Load()
{
    const RWebConfig config = RWebConfig::Load();
    setChecked(config.bEnabled);
    m_pEditWebAddress->setText(config.server.strAddress);
    m_pEditWebPort->setValue(config.server.nPort);
    m_pEditWebTlsPort->setValue(config.server.nTlsPort);
    m_pEditWebCert->setText(config.server.strCertFile);
    m_pEditWebKey->setText(config.server.strKeyFile);
}

RWebConfig RWebSettingsWidget::Config() const
{
    RWebConfig config = RWebConfig::Load();
    config.bEnabled = isChecked();
    config.server.strAddress = m_pEditWebAddress->text().trimmed();
    config.server.nPort = m_pEditWebPort->value();
    config.server.nTlsPort = m_pEditWebTlsPort->value();
    config.server.strCertFile = m_pEditWebCert->text().trimmed();
    config.server.strKeyFile = m_pEditWebKey->text().trimmed();
    return config;
}

QString RWebSettingsWidget::Problem() const
{
    const RWebConfig config = Config();
    const QString strProblem = config.bEnabled ? config.Check() : QString();
    return strProblem.isEmpty() ? QString() : tr("Web view: %1.").arg(strProblem);
}
