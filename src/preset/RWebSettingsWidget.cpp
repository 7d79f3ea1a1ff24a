#include "preset/RWebSettingsWidget.h"

#include "preset/PFieldGrid.h"

#include <QLineEdit>
#include <QSpinBox>

RWebSettingsWidget::RWebSettingsWidget(QWidget* pParent)
    : QGroupBox(tr("Serve the read-only web view"), pParent)
    , m_pEditWebAddress(new QLineEdit(this))
    , m_pEditWebPort(new QSpinBox(this))
{
    setObjectName(QStringLiteral("groupWeb"));
    setCheckable(true);
    m_pEditWebAddress->setObjectName(QStringLiteral("m_pEditWebAddress"));
    m_pEditWebPort->setObjectName(QStringLiteral("m_pEditWebPort"));
    m_pEditWebPort->setRange(1, 65535);
    PFieldGrid::LayOut(
        this, {{tr("Listen on:"), m_pEditWebAddress}, {tr("Port:"), m_pEditWebPort}});
    Load();
}

void RWebSettingsWidget::Load()
{
    const RWebConfig config = RWebConfig::Load();
    setChecked(config.bEnabled);
    m_pEditWebAddress->setText(config.server.strAddress);
    m_pEditWebPort->setValue(config.server.nPort);
}

RWebConfig RWebSettingsWidget::Config() const
{
    RWebConfig config = RWebConfig::Load();
    config.bEnabled = isChecked();
    config.server.strAddress = m_pEditWebAddress->text().trimmed();
    config.server.nPort = m_pEditWebPort->value();
    return config;
}

QString RWebSettingsWidget::Problem() const
{
    const RWebConfig config = Config();
    const QString strProblem = config.bEnabled ? config.Check() : QString();
    return strProblem.isEmpty() ? QString() : tr("Web view: %1.").arg(strProblem);
}
