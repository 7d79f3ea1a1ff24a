#include "preset/RFramePresetIpWidget.h"

#include "database/PSavepoint.h"
#include "database/RAuditTrail.h"
#include "database/RClientSettings.h"
#include "database/RLoginSession.h"
#include "database/RSlotArchive.h"
#include "database/RSystemInfoStore.h"
#include "preset/POptionPage.h"
#include "preset/RNotifySettingsWidget.h"
#include "preset/RPlantSettingsWidget.h"
#include "preset/RSiteDbSettingsWidget.h"
#include "preset/RWebSettingsWidget.h"
#include "site/RSiteConfig.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSpinBox>

namespace {

constexpr int s_nFieldWidth = 420;
constexpr double s_dMaximum = 1000000000.0;

bool isIpv4(const QStringList& parts)
{
    if (parts.size() != 4)
        return false;
    for (const QString& strPart : parts) {
        bool bOk = false;
        if (strPart.isEmpty() || strPart.size() > 3 || strPart.toUInt(&bOk) > 255 || !bOk)
            return false;
    }
    return true;
}

} // namespace

RFramePresetIpWidget::RFramePresetIpWidget(QWidget* parent)
    : QWidget(parent)
    , m_pEditIp(new QLineEdit(this))
    , m_pEditPort(new QSpinBox(this))
    , m_pEditIp_2(new QLineEdit(this))
    , m_pEditPort_2(new QSpinBox(this))
{
    // The fields' colours come from the theme; the text size is the page's.
    auto* pForm = new QFormLayout(this);
    m_pEditIp->setObjectName(QStringLiteral("m_pEditIp"));
    m_pEditPort->setObjectName(QStringLiteral("m_pEditPort"));
    m_pEditIp_2->setObjectName(QStringLiteral("m_pEditIp_2"));
    m_pEditPort_2->setObjectName(QStringLiteral("m_pEditPort_2"));
    for (QSpinBox* pPort : {m_pEditPort, m_pEditPort_2})
        pPort->setRange(0, 65535);
    for (QWidget* pEdit : {static_cast<QWidget*>(m_pEditIp), static_cast<QWidget*>(m_pEditPort),
             static_cast<QWidget*>(m_pEditIp_2), static_cast<QWidget*>(m_pEditPort_2)})
        pEdit->setMaximumWidth(s_nFieldWidth);
    pForm->addRow(tr("IP Address:"), m_pEditIp);
    pForm->addRow(tr("Port:"), m_pEditPort);
    // The standby data server: empty for none. The link moves to it when the
    // main one fails and back once the main one has been healthy a while.
    m_pLabelIp_2 = new QLabel(tr("Standby server:"), this);
    m_pLabelPort_2 = new QLabel(tr("Standby port:"), this);
    m_pEditIp_2->setPlaceholderText(tr("none"));
    m_pEditIp_2->setToolTip(tr("A second data server the link moves to when the first one fails; "
                               "empty for none."));
    pForm->addRow(m_pLabelIp_2, m_pEditIp_2);
    pForm->addRow(m_pLabelPort_2, m_pEditPort_2);

    m_pSpinBoxThresA = AddNumber(QStringLiteral("m_pSpinBoxThresA"), tr("Threshold A:"), 2);
    m_pSpinBoxThresB = AddNumber(QStringLiteral("m_pSpinBoxThresB"), tr("Threshold B:"), 2);
    m_pSpinBoxThresC = AddNumber(QStringLiteral("m_pSpinBoxThresC"), tr("Threshold C:"), 2);
    m_pSpinBoxCoefStaff
        = AddNumber(QStringLiteral("m_pSpinBoxCoefStaff"), tr("Detector Parameter A:"), 5);
    m_pSpinBoxCoefRegion
        = AddNumber(QStringLiteral("m_pSpinBoxCoefRegion"), tr("Detector Parameter B:"), 5);

    m_pSpinBoxArchiveMonths = new QSpinBox(this);
    m_pSpinBoxArchiveMonths->setObjectName(QStringLiteral("m_pSpinBoxArchiveMonths"));
    // At least the current month stays; ten years is as long as anyone asks.
    m_pSpinBoxArchiveMonths->setRange(1, 120);
    m_pSpinBoxArchiveMonths->setSuffix(tr(" months"));
    m_pSpinBoxArchiveMonths->setToolTip(
        tr("Older 2-second readings move to one file per month in the folder \"archive\"."));
    m_pSpinBoxArchiveMonths->setMaximumWidth(s_nFieldWidth);
    pForm->addRow(tr("2-second readings kept in the main file:"), m_pSpinBoxArchiveMonths);

    m_pSpinBoxIdleMinutes = new QSpinBox(this);
    m_pSpinBoxIdleMinutes->setObjectName(QStringLiteral("m_pSpinBoxIdleMinutes"));
    m_pSpinBoxIdleMinutes->setRange(1, 240);
    m_pSpinBoxIdleMinutes->setSuffix(tr(" min"));
    m_pSpinBoxIdleMinutes->setMaximumWidth(s_nFieldWidth);
    pForm->addRow(tr("Log out after no input for:"), m_pSpinBoxIdleMinutes);

    // The servers the station feeds, one tab each, so that the page keeps its height.
    m_pSiteDb = new RSiteDbSettingsWidget(this);
    m_pPlant = new RPlantSettingsWidget(QString(), this);
    m_pPlant->insertTab(0, m_pSiteDb, tr("Site database"));
    m_pWeb = new RWebSettingsWidget(this);
    m_pPlant->addTab(m_pWeb, tr("Web view"));
    m_pNotify = new RNotifySettingsWidget(QString(), nullptr, this);
    // The longest page scrolls, so that the dialog fits a 900-pixel screen.
    auto* pNotifyScroll = new QScrollArea(this);
    pNotifyScroll->setWidget(m_pNotify);
    pNotifyScroll->setWidgetResizable(true);
    pNotifyScroll->setFrameShape(QFrame::NoFrame);
    m_pPlant->addTab(pNotifyScroll, tr("Notifications"));
    m_pPlant->setCurrentIndex(0);
    m_pPlant->setMaximumWidth(2 * s_nFieldWidth);
    pForm->addRow(m_pPlant);

    Load();
    connect(m_pSpinBoxCoefRegion, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        &RFramePresetIpWidget::OnValueChanged);
}

RFramePresetIpWidget::~RFramePresetIpWidget() = default;

QDoubleSpinBox* RFramePresetIpWidget::AddNumber(
    const QString& strName, const QString& strLabel, int nDecimals)
{
    auto* pSpinBox = new QDoubleSpinBox(this);
    pSpinBox->setObjectName(strName);
    pSpinBox->setDecimals(nDecimals);
    pSpinBox->setRange(0.0, s_dMaximum);
    // Thresholds move in tenths of a µRad/h, coefficients in their last digit.
    pSpinBox->setSingleStep(nDecimals > 2 ? 0.00001 : 0.1);
    pSpinBox->setMaximumWidth(s_nFieldWidth);
    static_cast<QFormLayout*>(layout())->addRow(strLabel, pSpinBox);
    return pSpinBox;
}

void RFramePresetIpWidget::Load()
{
    const RSystemInfo info = RSystemInfoStore::Load();
    // Loading is not editing: the flag marks the operator's own change.
    const QSignalBlocker blocker(m_pSpinBoxCoefRegion);
    if (info.bMainFound) {
        m_pEditIp->setText(info.strIp);
        m_pEditPort->setValue(info.nPort);
        m_pSpinBoxThresA->setValue(info.dThreA);
        m_pSpinBoxThresB->setValue(info.dThreB);
        m_pSpinBoxThresC->setValue(info.dThreC);
        m_pSpinBoxCoefStaff->setValue(info.dCeffP);
        m_pSpinBoxCoefRegion->setValue(info.dCeffR);
    }
    if (info.bSecondFound) {
        m_pEditIp_2->setText(info.strIp2);
        m_pEditPort_2->setValue(info.nPort2);
    }
    m_pSpinBoxArchiveMonths->setValue(RClientSettings::Int(
        RClientSettings::ArchiveRetentionMonths, RSlotArchive::DefaultRetentionMonths));
    m_pSpinBoxIdleMinutes->setValue(RClientSettings::Int(
        RClientSettings::SessionIdleMinutes, RLoginSession::DefaultIdleMinutes));
    m_pSiteDb->Load();
    m_pPlant->Load();
    m_pWeb->Load();
    m_pNotify->Load();
    m_bEdited = false;
}

bool RFramePresetIpWidget::Save(QString* pError)
{
    const QString strIp = m_pEditIp->text().trimmed();
    const QString strProblem = AddressProblem(strIp);
    if (!strProblem.isEmpty()) {
        *pError = strProblem;
        return false;
    }
    if (m_pEditPort->value() == 0) {
        *pError = tr("The port must be between 1 and 65535.");
        return false;
    }
    const QString strIp2 = m_pEditIp_2->text().trimmed();
    if (!strIp2.isEmpty()) {
        const QString strProblem2 = AddressProblem(strIp2);
        if (!strProblem2.isEmpty()) {
            *pError = tr("Standby server: %1").arg(strProblem2);
            return false;
        }
        if (m_pEditPort_2->value() == 0) {
            *pError = tr("The standby server's port must be between 1 and 65535.");
            return false;
        }
        if (strIp2 == strIp && m_pEditPort_2->value() == m_pEditPort->value()) {
            *pError = tr("The standby server must not be the main one.");
            return false;
        }
    }
    if (!RSystemInfoStore::LevelsInOrder(
            m_pSpinBoxThresA->value(), m_pSpinBoxThresB->value(), m_pSpinBoxThresC->value())) {
        *pError = tr("The levels must rise: 0 < A < B < C (now A %1, B %2, C %3).")
                      .arg(m_pSpinBoxThresA->value())
                      .arg(m_pSpinBoxThresB->value())
                      .arg(m_pSpinBoxThresC->value());
        return false;
    }
    // An unedited region coefficient is saved as stored, not as shown with
    // five decimals.
    double dCeffR = m_pSpinBoxCoefRegion->value();
    double dStoredCeffR = 0.0;
    if (!m_bEdited && RSystemInfoStore::StoredCeffR(&dStoredCeffR)) {
        const QSignalBlocker blocker(m_pSpinBoxCoefRegion);
        m_pSpinBoxCoefRegion->setValue(dStoredCeffR);
        dCeffR = dStoredCeffR;
    }

    RSystemInfo info;
    info.strIp = strIp;
    info.nPort = m_pEditPort->value();
    info.dThreA = m_pSpinBoxThresA->value();
    info.dThreB = m_pSpinBoxThresB->value();
    info.dThreC = m_pSpinBoxThresC->value();
    info.dCeffP = m_pSpinBoxCoefStaff->value();
    info.dCeffR = dCeffR;
    info.strIp2 = strIp2;
    info.nPort2 = m_pEditPort_2->value();
    const RSystemInfo before = RSystemInfoStore::Load();
    const int nMonthsBefore = RClientSettings::Int(
        RClientSettings::ArchiveRetentionMonths, RSlotArchive::DefaultRetentionMonths);
    const int nIdleBefore = RClientSettings::Int(
        RClientSettings::SessionIdleMinutes, RLoginSession::DefaultIdleMinutes);
    QString strError;
    if (!m_pSiteDb->Prepare(pError))
        return false;
    const RPlantConfig plantBefore = RPlantConfig::Load();
    bool bPlantPassword = false;
    if (!m_pPlant->Prepare(pError, &bPlantPassword))
        return false;
    const RPlantConfig plant = m_pPlant->Config();
    *pError = m_pWeb->Problem();
    if (!pError->isEmpty())
        return false;
    const RWebConfig webBefore = RWebConfig::Load();
    const RWebConfig web = m_pWeb->Config();
    const RNotifyConfig notifyBefore = RNotifyConfig::Load();
    bool bNotifyPassword = false;
    if (!m_pNotify->Prepare(pError, &bNotifyPassword))
        return false;
    const RNotifyConfig notify = m_pNotify->Config();
    PSavepoint savepoint(QStringLiteral("system_settings"));
    if (!RSystemInfoStore::Save(info, &strError)
        || !RClientSettings::SetInt(
            RClientSettings::ArchiveRetentionMonths, m_pSpinBoxArchiveMonths->value(), &strError)
        || !RClientSettings::SetInt(
            RClientSettings::SessionIdleMinutes, m_pSpinBoxIdleMinutes->value(), &strError)
        || !m_pSiteDb->Config().Save(&strError) || !plant.Save(&strError) || !web.Save(&strError)
        || !notify.Save(&strError) || !savepoint.Release()) {
        savepoint.Rollback();
        *pError = tr("The settings could not be saved: %1").arg(strError);
        return false;
    }
    RecordChanges(before, info, nMonthsBefore, nIdleBefore);
    const auto plantOld = plantBefore.Fields() + webBefore.Fields() + notifyBefore.Fields();
    const auto plantNew = plant.Fields() + web.Fields() + notify.Fields();
    for (int i = 0; i < plantNew.size(); ++i) {
        if (plantOld.at(i).second != plantNew.at(i).second)
            POptionPage::RecordChange(RAuditAction::Setting, QLatin1String(plantNew.at(i).first),
                plantOld.at(i).second, plantNew.at(i).second);
    }
    // That it changed, never what it is.
    if (bPlantPassword)
        POptionPage::RecordChange(RAuditAction::Setting, QStringLiteral("PlantMqttPassword"),
            QString(), QStringLiteral("changed"));
    if (bNotifyPassword)
        POptionPage::RecordChange(RAuditAction::Setting, QStringLiteral("NotifyPassword"),
            QString(), QStringLiteral("changed"));
    m_pEditIp->setText(strIp);
    m_pEditIp_2->setText(strIp2);
    m_bEdited = false;
    return true;
}

void RFramePresetIpWidget::RecordChanges(
    const RSystemInfo& before, const RSystemInfo& after, int nMonthsBefore, int nIdleBefore) const
{
    const auto record = [](const char* pName, const QString& strOld, const QString& strNew) {
        if (strOld != strNew)
            POptionPage::RecordChange(RAuditAction::Setting, QLatin1String(pName), strOld, strNew);
    };
    const auto number = [](double dValue) { return QString::number(dValue, 'g', 10); };
    record("IP", before.strIp, after.strIp);
    record("Port", QString::number(before.nPort), QString::number(after.nPort));
    record("StandbyIP", before.strIp2, after.strIp2);
    record("StandbyPort", QString::number(before.nPort2), QString::number(after.nPort2));
    record("ThresholdA", number(before.dThreA), number(after.dThreA));
    record("ThresholdB", number(before.dThreB), number(after.dThreB));
    record("ThresholdC", number(before.dThreC), number(after.dThreC));
    record("CoefficientStaff", number(before.dCeffP), number(after.dCeffP));
    record("CoefficientRegion", number(before.dCeffR), number(after.dCeffR));
    record(RClientSettings::ArchiveRetentionMonths, QString::number(nMonthsBefore),
        QString::number(m_pSpinBoxArchiveMonths->value()));
    record(RClientSettings::SessionIdleMinutes, QString::number(nIdleBefore),
        QString::number(m_pSpinBoxIdleMinutes->value()));
}

QString RFramePresetIpWidget::AddressProblem(const QString& strAddress)
{
    const QString strBad = tr("\"%1\" is not an IPv4 address or a host name.").arg(strAddress);
    if (strAddress.isEmpty())
        return tr("The server address is empty.");
    if (strAddress.size() > 253)
        return strBad;
    const QStringList labels = strAddress.split(QLatin1Char('.'));
    // A name whose last part is a number is meant as an address.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (digits.match(labels.last()).hasMatch())
        return isIpv4(labels) ? QString() : strBad;
    static const QRegularExpression label(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    for (const QString& strLabel : labels) {
        if (!label.match(strLabel).hasMatch())
            return strBad;
    }
    return QString();
}

void RFramePresetIpWidget::OnValueChanged(double dValue)
{
    Q_UNUSED(dValue);
    m_bEdited = true;
}
