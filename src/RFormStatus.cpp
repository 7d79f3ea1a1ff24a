#include "RFormStatus.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The lines that must not be missed carry their own sheets: a widget's own
// sheet outranks the theme's, so they stand out whatever the theme.
// Amber: the operator's own choice or the machine keeps alarms unheard.
const char* const s_pNoticeLine
    = "background-color: #e0a000; color: black; font-weight: bold; padding: 1px 6px;";
// Red as an alarm: readings or alarms are not arriving or not stored.
const char* const s_pAlarmLine
    = "background-color: #c00000; color: white; font-weight: bold; padding: 3px;";
// The link's message while the link is down.
const char* const s_pLinkDownText = "color: #ff4040; font-weight: bold;";

} // namespace

RFormStatus::RFormStatus(QWidget* parent)
    : QFrame(parent)
    , m_pLabelCaption(new QLabel(tr("IoT_Cloud:"), this))
    , m_pLabelMessage(new QLabel(this))
    , m_pLabelCaption2(new QLabel(tr("IoT_Cloud_2:"), this))
    , m_pLabelMessage2(new QLabel(this))
    , m_pLabelStorage(new QLabel(this))
    , m_pLabelMuted(new QLabel(tr("Sound muted"), this))
    , m_pLabelNoSound(new QLabel(tr("No sound device: alarms are not heard"), this))
    , m_pLabelLinkLost(new QLabel(this))
{
    setWindowTitle(tr("Frame"));
    setObjectName(QStringLiteral("RFormStatus"));
    m_pLabelMessage->setObjectName(QStringLiteral("labelMessage"));
    m_pLabelMessage2->setObjectName(QStringLiteral("labelMessage2"));

    auto* pLines = new QVBoxLayout(this);
    pLines->setContentsMargins(9, 2, 9, 2);
    pLines->setSpacing(2);
    auto* pLayout = new QHBoxLayout;
    pLayout->addWidget(m_pLabelCaption);
    pLayout->addWidget(m_pLabelMessage, 1);
    pLayout->addWidget(m_pLabelCaption2);
    pLayout->addWidget(m_pLabelMessage2, 1);
    // The second link's line shows only once that link is in use.
    ShowSecondLine(false);
    // An operator who silenced the alarms must see that they did.
    m_pLabelMuted->setObjectName(QStringLiteral("labelMuted"));
    m_pLabelMuted->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelMuted->hide();
    pLayout->addWidget(m_pLabelMuted);
    m_pLabelNoSound->setObjectName(QStringLiteral("labelNoSound"));
    m_pLabelNoSound->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelNoSound->hide();
    pLayout->addWidget(m_pLabelNoSound);
    pLines->addLayout(pLayout);

    // While it shows, no reading and no alarm can arrive.
    m_pLabelLinkLost->setObjectName(QStringLiteral("labelLinkLost"));
    m_pLabelLinkLost->setStyleSheet(QLatin1String(s_pAlarmLine));
    m_pLabelLinkLost->setWordWrap(true);
    m_pLabelLinkLost->hide();
    pLines->addWidget(m_pLabelLinkLost);

    m_pLabelStorage->setObjectName(QStringLiteral("labelStorage"));
    m_pLabelStorage->setStyleSheet(QLatin1String(s_pAlarmLine));
    m_pLabelStorage->setWordWrap(true);
    m_pLabelStorage->hide();
    pLines->addWidget(m_pLabelStorage);

    // Not an alarm: acquisition and the station's own file are unaffected.
    m_pLabelSiteDb = new QLabel(this);
    m_pLabelSiteDb->setObjectName(QStringLiteral("labelSiteDb"));
    m_pLabelSiteDb->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelSiteDb->setWordWrap(true);
    m_pLabelSiteDb->hide();
    pLines->addWidget(m_pLabelSiteDb);

    m_pLabelPlant = new QLabel(this);
    m_pLabelPlant->setObjectName(QStringLiteral("labelPlant"));
    m_pLabelPlant->setWordWrap(true);
    m_pLabelPlant->hide();
    pLines->addWidget(m_pLabelPlant);
    m_pLabelMail = new QLabel(this);
    m_pLabelMail->setObjectName(QStringLiteral("labelMail"));
    m_pLabelMail->setWordWrap(true);
    m_pLabelMail->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelMail->hide();
    pLines->addWidget(m_pLabelMail);
    m_pLabelInstruments = new QLabel(this);
    m_pLabelInstruments->setObjectName(QStringLiteral("labelInstruments"));
    m_pLabelInstruments->setWordWrap(true);
    m_pLabelInstruments->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelInstruments->hide();
    pLines->addWidget(m_pLabelInstruments);

    m_pLabelSettings = new QLabel(this);
    m_pLabelSettings->setObjectName(QStringLiteral("labelSettings"));
    m_pLabelSettings->setStyleSheet(QLatin1String(s_pNoticeLine));
    m_pLabelSettings->setWordWrap(true);
    m_pLabelSettings->hide();
    pLines->addWidget(m_pLabelSettings);
}

void RFormStatus::SetSettingsWarning(const QString& strText)
{
    m_pLabelSettings->setText(strText);
    m_pLabelSettings->setVisible(!strText.isEmpty());
}

QString RFormStatus::SettingsWarning() const
{
    return m_pLabelSettings->isHidden() ? QString() : m_pLabelSettings->text();
}

void RFormStatus::SetStorageProblem(const QString& strText)
{
    m_pLabelStorage->setText(strText);
    m_pLabelStorage->setVisible(!strText.isEmpty());
}

void RFormStatus::SetMuted(bool bMuted)
{
    m_pLabelMuted->setVisible(bMuted);
}

bool RFormStatus::IsMutedShown() const
{
    return !m_pLabelMuted->isHidden();
}

void RFormStatus::SetLinkDown(bool bDown, const QDateTime& lostAt)
{
    m_bLinkDown = bDown;
    m_pLabelMessage->setStyleSheet(bDown ? QLatin1String(s_pLinkDownText) : QString());
    const bool bLost = bDown && lostAt.isValid();
    if (bLost)
        m_pLabelLinkLost->setText(
            tr("Link to the data server lost at %1: no readings and no alarms arrive")
                .arg(lostAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
    m_pLabelLinkLost->setVisible(bLost);
}

QString RFormStatus::LinkLost() const
{
    return m_pLabelLinkLost->isHidden() ? QString() : m_pLabelLinkLost->text();
}

void RFormStatus::SetSoundMissing(bool bMissing)
{
    m_pLabelNoSound->setVisible(bMissing);
}

bool RFormStatus::IsSoundMissingShown() const
{
    return !m_pLabelNoSound->isHidden();
}

QString RFormStatus::StorageProblem() const
{
    return m_pLabelStorage->isHidden() ? QString() : m_pLabelStorage->text();
}

void RFormStatus::SetMessage(const char* pText)
{
    m_pLabelMessage->setText(tr(pText));
}

void RFormStatus::SetSecondMessage(const char* pText)
{
    m_pLabelMessage2->setText(tr(pText));
}

void RFormStatus::ShowSecondLine(bool bShow)
{
    m_pLabelCaption2->setVisible(bShow);
    m_pLabelMessage2->setVisible(bShow);
}

QString RFormStatus::Message() const
{
    return m_pLabelMessage->text();
}

QString RFormStatus::SecondMessage() const
{
    return m_pLabelMessage2->text();
}

bool RFormStatus::IsSecondLineShown() const
{
    return !m_pLabelCaption2->isHidden();
}

void RFormStatus::SetSiteDbStatus(const QString& strText)
{
    m_pLabelSiteDb->setText(strText);
    m_pLabelSiteDb->setVisible(!strText.isEmpty());
}

void RFormStatus::SetPlantStatus(int nModbusClients, bool bMqttConnected, const QString& strMqtt)
{
    QStringList parts;
    if (nModbusClients >= 0)
        parts << tr("Modbus TCP: %n client(s) connected", "", nModbusClients);
    if (!strMqtt.isEmpty())
        parts << (bMqttConnected ? tr("MQTT: connected") : tr("MQTT: %1").arg(strMqtt));
    m_pLabelPlant->setText(tr("Plant interface: %1").arg(parts.join(QStringLiteral("; "))));
    // Marked only while the broker cannot be reached: a working interface
    // is information, not a notice.
    const bool bProblem = !strMqtt.isEmpty() && !bMqttConnected;
    m_pLabelPlant->setStyleSheet(bProblem ? QLatin1String(s_pNoticeLine) : QString());
    m_pLabelPlant->setVisible(!parts.isEmpty());
}

void RFormStatus::SetMailProblem(const QString& strProblem)
{
    m_pLabelMail->setText(tr("Notifications: %1").arg(strProblem));
    m_pLabelMail->setVisible(!strProblem.isEmpty());
}

void RFormStatus::SetInstrumentProblem(const QString& strProblem)
{
    m_pLabelInstruments->setText(strProblem);
    m_pLabelInstruments->setVisible(!strProblem.isEmpty());
}

QString RFormStatus::InstrumentStatus() const
{
    return m_pLabelInstruments->isHidden() ? QString() : m_pLabelInstruments->text();
}

QString RFormStatus::MailStatus() const
{
    return m_pLabelMail->isHidden() ? QString() : m_pLabelMail->text();
}

QString RFormStatus::PlantStatus() const
{
    return m_pLabelPlant->isHidden() ? QString() : m_pLabelPlant->text();
}

QString RFormStatus::SiteDbStatus() const
{
    return m_pLabelSiteDb->isHidden() ? QString() : m_pLabelSiteDb->text();
}
