#include "preset/RNotifySettingsWidget.h"

#include "message/SClock.h"
#include "notify/RNotifyPost.h"
#include "preset/PFieldGrid.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

using PFieldGrid::Named;

namespace {

QString hoursText(const RNotifyConfig::List& list)
{
    return QStringLiteral("%1-%2").arg(list.nFromHour).arg(list.nToHour);
}

QSpinBox* spin(QSpinBox* pSpin, int nMin, int nMax, const QString& strSuffix)
{
    pSpin->setRange(nMin, nMax);
    pSpin->setSuffix(strSuffix);
    return pSpin;
}

} // namespace

RNotifySettingsWidget::RNotifySettingsWidget(
    const QString& strAuditKeyPath, SClock* pClock, QWidget* pParent)
    : QGroupBox(tr("Send mail notifications"), pParent)
    , m_strAuditKeyPath(strAuditKeyPath)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pEditMailHost(Named<QLineEdit>(this, "m_pEditMailHost"))
    , m_pEditMailPort(Named<QSpinBox>(this, "m_pEditMailPort"))
    , m_pComboMailSecurity(Named<QComboBox>(this, "m_pComboMailSecurity"))
    , m_pEditMailFrom(Named<QLineEdit>(this, "m_pEditMailFrom"))
    , m_pEditMailUser(Named<QLineEdit>(this, "m_pEditMailUser"))
    , m_pEditMailPassword(Named<QLineEdit>(this, "m_pEditMailPassword"))
    , m_pEditMailCaFile(Named<QLineEdit>(this, "m_pEditMailCaFile"))
    , m_pEditLists {Named<QLineEdit>(this, "m_pEditListOnCall"),
          Named<QLineEdit>(this, "m_pEditListOfficers"), Named<QLineEdit>(this, "m_pEditListLast")}
    , m_pEditHours {Named<QLineEdit>(this, "m_pEditHoursOnCall"),
          Named<QLineEdit>(this, "m_pEditHoursOfficers"),
          Named<QLineEdit>(this, "m_pEditHoursLast")}
    , m_pEditEscalate(spin(Named<QSpinBox>(this, "m_pEditEscalate"), 1, 240, tr(" min")))
    , m_pEditLinkSeconds(spin(Named<QSpinBox>(this, "m_pEditLinkSeconds"), 1, 3600, tr(" s")))
    , m_pEditRegionMinutes(spin(Named<QSpinBox>(this, "m_pEditRegionMinutes"), 0, 240, tr(" min")))
    , m_pEditFloodMinutes(spin(Named<QSpinBox>(this, "m_pEditFloodMinutes"), 1, 240, tr(" min")))
    , m_pEditPerHour(spin(Named<QSpinBox>(this, "m_pEditPerHour"), 1, 1000, QString()))
    , m_pButtonTest(Named<QPushButton>(this, "m_pButtonMailTest"))
    , m_pLabelTest(Named<QLabel>(this, "labelMailTest"))
    , m_pPost(new RNotifyPost(this))
{
    setObjectName(QStringLiteral("groupNotify"));
    setCheckable(true);
    m_pEditMailPort->setRange(1, 65535);
    m_pComboMailSecurity->addItems({tr("None (this machine)"), tr("STARTTLS"), tr("SMTPS")});
    m_pEditMailPassword->setEchoMode(QLineEdit::Password);
    m_pEditMailPassword->setPlaceholderText(tr("unchanged"));
    m_pEditMailCaFile->setPlaceholderText(tr("the system's"));
    const auto* pHours = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^([01]?\\d|2[0-4])-([01]?\\d|2[0-4])$")), this);
    for (int i = 0; i < RNotifyConfig::Lists; ++i) {
        m_pEditLists[i]->setPlaceholderText(tr("addresses, separated by commas"));
        m_pEditHours[i]->setValidator(pHours);
        m_pEditHours[i]->setToolTip(tr("The hours the list covers, from-to (0-24: all day)."));
    }
    m_pButtonTest->setText(tr("Send a test mail"));
    m_pLabelTest->setWordWrap(true);
    PFieldGrid::LayOut(this,
        {{tr("Mail server:"), m_pEditMailHost}, {tr("Port:"), m_pEditMailPort},
            {tr("Encryption:"), m_pComboMailSecurity}, {tr("Sender:"), m_pEditMailFrom},
            {tr("User:"), m_pEditMailUser}, {tr("Password:"), m_pEditMailPassword},
            {tr("CA file (TLS):"), m_pEditMailCaFile}, {QString(), nullptr},
            {tr("On call:"), m_pEditLists[0]}, {tr("Hours:"), m_pEditHours[0]},
            {tr("Then the officers:"), m_pEditLists[1]}, {tr("Hours:"), m_pEditHours[1]},
            {tr("Then, last:"), m_pEditLists[2]}, {tr("Hours:"), m_pEditHours[2]},
            {tr("Escalate after:"), m_pEditEscalate}, {tr("Link lost for:"), m_pEditLinkSeconds},
            {tr("A region at most every:"), m_pEditRegionMinutes},
            {tr("Flood summary every:"), m_pEditFloodMinutes},
            {tr("Mails an hour at most:"), m_pEditPerHour}, {QString(), m_pButtonTest},
            {QString(), m_pLabelTest}});
    connect(m_pButtonTest, &QPushButton::clicked, this, &RNotifySettingsWidget::SendTest);
    connect(m_pPost, &RNotifyPost::Sent, this, [this](const RNotifySent& sent) {
        m_pButtonTest->setEnabled(true);
        m_pLabelTest->setText(sent.bOk ? tr("The server took the test mail: %1").arg(sent.strAnswer)
                                       : tr("The test mail was not sent: %1").arg(sent.strAnswer));
    });
    Load();
}

void RNotifySettingsWidget::Load()
{
    const RNotifyConfig config = RNotifyConfig::Load(m_strAuditKeyPath);
    setChecked(config.bEnabled);
    m_pEditMailHost->setText(config.strHost);
    m_pEditMailPort->setValue(config.nPort);
    m_pComboMailSecurity->setCurrentIndex(int(config.eSecurity));
    m_pEditMailFrom->setText(config.strFrom);
    m_pEditMailUser->setText(config.strUser);
    m_pEditMailPassword->clear();
    m_pEditMailCaFile->setText(config.strCaFile);
    for (int i = 0; i < RNotifyConfig::Lists; ++i) {
        m_pEditLists[i]->setText(config.lists[i].addresses.join(QStringLiteral(", ")));
        m_pEditHours[i]->setText(hoursText(config.lists[i]));
    }
    m_pEditEscalate->setValue(config.nEscalateMinutes);
    m_pEditLinkSeconds->setValue(config.nLinkSeconds);
    m_pEditRegionMinutes->setValue(config.nRegionMinutes);
    m_pEditFloodMinutes->setValue(config.nFloodMinutes);
    m_pEditPerHour->setValue(config.nPerHour);
}

RNotifyConfig RNotifySettingsWidget::Config() const
{
    // The stored password unless a new one is typed: the test uses it.
    RNotifyConfig config = RNotifyConfig::Load(m_strAuditKeyPath);
    config.bEnabled = isChecked();
    config.strHost = m_pEditMailHost->text().trimmed();
    config.nPort = m_pEditMailPort->value();
    config.eSecurity = static_cast<RNotifyConfig::Security>(m_pComboMailSecurity->currentIndex());
    config.strFrom = m_pEditMailFrom->text().trimmed();
    config.strUser = m_pEditMailUser->text().trimmed();
    if (!m_pEditMailPassword->text().isEmpty())
        config.strPassword = m_pEditMailPassword->text();
    config.strCaFile = m_pEditMailCaFile->text().trimmed();
    for (int i = 0; i < RNotifyConfig::Lists; ++i) {
        RNotifyConfig::List& list = config.lists[i];
        list.addresses.clear();
        for (const QString& strAddress :
            m_pEditLists[i]->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!strAddress.trimmed().isEmpty())
                list.addresses << strAddress.trimmed();
        }
        const QStringList hours = m_pEditHours[i]->text().split(QLatin1Char('-'));
        list.nFromHour = hours.size() == 2 ? qBound(0, hours.at(0).toInt(), 24) : 0;
        list.nToHour = hours.size() == 2 ? qBound(0, hours.at(1).toInt(), 24) : 24;
    }
    config.nEscalateMinutes = m_pEditEscalate->value();
    config.nLinkSeconds = m_pEditLinkSeconds->value();
    config.nRegionMinutes = m_pEditRegionMinutes->value();
    config.nFloodMinutes = m_pEditFloodMinutes->value();
    config.nPerHour = m_pEditPerHour->value();
    return config;
}

bool RNotifySettingsWidget::Prepare(QString* pError, bool* pbPassword)
{
    *pbPassword = false;
    const RNotifyConfig config = Config();
    const QString strProblem = config.bEnabled ? config.Check() : QString();
    if (!strProblem.isEmpty()) {
        *pError = tr("Mail notifications: %1.").arg(strProblem);
        return false;
    }
    if (m_pEditMailPassword->text().isEmpty())
        return true;
    QString strError;
    if (!RNotifyConfig::StorePassword(m_strAuditKeyPath, m_pEditMailPassword->text(), &strError)) {
        *pError = tr("The password file %1 could not be written: %2")
                      .arg(RNotifyConfig::PasswordPath(m_strAuditKeyPath), strError);
        return false;
    }
    m_pEditMailPassword->clear();
    *pbPassword = true;
    return true;
}

void RNotifySettingsWidget::SendTest()
{
    RNotifyConfig config = Config();
    const QString strProblem = config.Check();
    if (!strProblem.isEmpty()) {
        m_pLabelTest->setText(tr("The test mail was not sent: %1").arg(strProblem));
        return;
    }
    m_pButtonTest->setEnabled(false);
    m_pLabelTest->setText(
        tr("Sending to %1…").arg(config.lists[0].addresses.join(QStringLiteral(", "))));
    m_pPost->Start(config);
    m_pPost->Post(RNotifyPost::TestMail(config, m_pClock->Now()));
}

QString RNotifySettingsWidget::TestAnswer() const
{
    return m_pLabelTest->text();
}
