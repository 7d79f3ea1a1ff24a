#include "Kestal.h"

#include "RFormAbout.h"
#include "RFormStatus.h"
#include "algor/PDoseThread.h"
#include "database/RAuditTrail.h"
#include "database/RLoginSession.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "database/RSystemInfoStore.h"
#include "database/RUserRights.h"
#include "history/RDataRecord.h"
#include "history/RFormHistory.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "notify/RNotifier.h"
#include "plant/RPlantModbus.h"
#include "plant/RPlantMqtt.h"
#include "preset/POptionPage.h"
#include "preset/RFormSetting.h"
#include "preset/RFrameAccounts.h"
#include "preset/RFrameAudit.h"
#include "preset/RFramePresetIp.h"
#include "preset/RFramePresetRegion.h"
#include "preset/SPresetContent.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmSound.h"
#include "realtime/RAlarmState.h"
#include "realtime/RFormRegion.h"
#include "realtime/RInstrumentWatch.h"
#include "realtime/RPresetAlarmThreshold.h"
#include "site/RSiteLink.h"
#include "station/RStation.h"
#include "widgets/SPrompt.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <utility>

namespace {

// The title area in which a horizontal drag turns the pages, in window
// pixels. The window was drawn for a 1024-pixel-wide touch panel: the right
// 60 pixels hold the exit button, and a drag that begins there must not turn
// a page instead. 180 takes in the title bar (its 89-pixel buttons with
// their margins) and a finger that lands just below it.
constexpr int s_nSwipeAreaRight = 964;
constexpr int s_nSwipeAreaBottom = 180;
// Further than a finger drifts in a tap, shorter than a navigation button
// (126 pixels) is wide.
constexpr int s_nSwipeDistance = 70;
// The text size the pages are laid out for; the face is the theme's.
constexpr int s_nTextPointSize = 12;
// The navigation buttons show pictures; this size only sets their hint.
constexpr int s_nNavigationPointSize = 14;

bool inSwipeArea(const QPoint& pos)
{
    return pos.x() <= s_nSwipeAreaRight && pos.y() <= s_nSwipeAreaBottom;
}

} // namespace

Kestal::Kestal(QWidget* parent, SClock* pClock, const QString& strAuditKeyPath)
    : QWidget(parent)
    , m_pStackedLayout(new QStackedLayout)
    , m_pPrompt(SPrompt::Default())
    , m_pClock(pClock ? pClock : SClock::System())
{
    RegisterReceiver(this, SBus::MainWindow);
    SubscribeMessage(this, SBus::ReloadAfterDeviceUpdate);
    SubscribeMessage(this, SBus::ReloadThresholds);

    BuildWidgets();

    RStation::Options options;
    options.pClock = m_pClock;
    options.strAuditKeyPath = strAuditKeyPath;
    m_pStation = std::make_unique<RStation>(options);
    // Not modal: the window comes up and acquisition starts while the box is
    // read, so readings are shown live even when they cannot be stored.
    m_pStation->SetFailureReport([this](const QString& strTitle, const QString& strText) {
        ReportFailure(strTitle, strText);
    });
    QString strError;
    if (!m_pStation->Open(&strError)) {
        // Checked before the window was made: only a station started in the
        // same instant gets here, and a second writer must never run.
        Log(LogLevel::Critical, "%s\n", qPrintable(strError));
        std::exit(2);
    }

    CreatePresets();

    QFont font = QApplication::font();
    font.setPointSize(s_nTextPointSize);
    QApplication::setFont(font);
    POptionPage::ClearPages();
    POptionPage::Register(new RFramePresetRegion(m_pStation->Writer(), 1, m_pStation.get()));
    POptionPage::Register(new RFramePresetIp);
    m_pThresholdPage = new RPresetAlarmThreshold(m_pStation->Catalogue());
    POptionPage::Register(m_pThresholdPage);
    // Their session and trail are made after the window's pages.
    m_pAccountsPage = new RFrameAccounts;
    POptionPage::Register(m_pAccountsPage);
    m_pAuditPage = new RFrameAudit(m_pClock);
    POptionPage::Register(m_pAuditPage);
    layout()->addItem(m_pStackedLayout);
    m_pFormRegion = new RFormRegion(m_pStation->Catalogue(), this, pClock);
    m_pFormHistory = new RFormHistory(m_pStation->Writer(), m_pStation->Catalogue(), this, pClock);
    m_pFormSetting = new RFormSetting(this, pClock);
    m_pFormAbout = new RFormAbout(this);
    m_pStackedLayout->addWidget(m_pFormRegion);
    m_pStackedLayout->addWidget(m_pFormHistory);
    m_pStackedLayout->addWidget(m_pFormSetting);
    m_pStackedLayout->addWidget(m_pFormAbout);
    m_pDataRecord = new RDataRecord(this, pClock);
    m_pStackedLayout->addWidget(m_pDataRecord);
    m_pFormStatus = new RFormStatus(this);
    layout()->addWidget(m_pFormStatus);
    connect(m_pStation.get(), &RStation::StorageChanged, m_pFormStatus,
        &RFormStatus::SetStorageProblem);
    m_pFormStatus->SetStorageProblem(m_pStation->Writer()->State().ProblemText());
    UpdateSettingsWarning();
    CreateSiteLink();
    const auto plant = [this] {
        RPlantModbus* pModbus = m_pStation->Modbus();
        RPlantMqtt* pMqtt = m_pStation->Mqtt();
        m_pFormStatus->SetPlantStatus(pModbus->IsRunning() ? pModbus->ClientCount() : -1,
            pMqtt->IsConnected(), pMqtt->IsRunning() ? pMqtt->Status() : QString());
    };
    connect(m_pStation->Modbus(), &RPlantModbus::ClientsChanged, this, plant);
    connect(m_pStation->Mqtt(), &RPlantMqtt::StatusChanged, this, plant);
    plant();
    connect(m_pStation->Notifier(), &RNotifier::StatusChanged, m_pFormStatus,
        &RFormStatus::SetMailProblem);
    m_pFormStatus->SetMailProblem(m_pStation->Notifier()->Status());
    connect(m_pStation->Instruments(), &RInstrumentWatch::ProblemChanged, m_pFormStatus,
        &RFormStatus::SetInstrumentProblem);
    m_pFormStatus->SetInstrumentProblem(m_pStation->Instruments()->Problem());
    // Buttons, swipes and the routing button all end here.
    connect(m_pStackedLayout, &QStackedLayout::currentChanged, this, &Kestal::MarkCurrentPage);
    ShowRegion();

    connect(m_pButtonRegion, &QPushButton::clicked, this, &Kestal::ShowRegion);
    connect(m_pButtonPersonal, &QPushButton::clicked, this, &Kestal::ShowPersonal);
    connect(m_pButtonRouting, &QPushButton::clicked, this, &Kestal::ShowRouting);
    connect(m_pButtonHistory, &QPushButton::clicked, this, &Kestal::ShowHistory);
    connect(m_pButtonSetting, &QPushButton::clicked, this, &Kestal::ShowSetting);
    connect(m_pButtonAbout, &QPushButton::clicked, this, &Kestal::ShowAbout);
    connect(m_pToolButton_Exit, &QToolButton::clicked, this, &Kestal::OnExit);
    m_pButtonPersonal->hide();

    CreateAlarmHandling();
    CreateSession();
    m_pStation->Start();

    m_pRequestTimer = new QTimer(this);
    m_pRequestTimer->setInterval(2000);
    connect(m_pRequestTimer, &QTimer::timeout, this, &Kestal::OnTimeout);
    if (PDoseThread* pLink = m_pStation->Link())
        connect(pLink, &PDoseThreadInterface::RoutDataUpdate, this, &Kestal::OnRoutDataUpdate);

    setAttribute(Qt::WA_AcceptTouchEvents);
}

qint64 Kestal::Shutdown()
{
    m_pStation->Stop(m_strStopReason.isEmpty() ? QStringLiteral("exit")
                                               : QStringLiteral("signal=") + m_strStopReason);
    return m_pStation->LostAtClose();
}

Kestal::~Kestal()
{
    qApp->removeEventFilter(this);
    Shutdown();
    m_pPresetContent.reset();
    // The settings page and its editors go with the window's children; the
    // pages they relay messages for go now.
    delete m_pFormSetting;
    m_pFormSetting = nullptr;
    POptionPage::ClearPages();
    POptionPage::SetChangeSink(nullptr);
    UnsubscribeMessage(this);
    UnregisterReceiver(this);
    // The pages show the station's state to their end: they go before it.
    for (QWidget* pPage : std::initializer_list<QWidget*> {
             m_pFormRegion, m_pFormHistory, m_pFormAbout, m_pDataRecord, m_pFormStatus})
        delete pPage;
}

void Kestal::CreateSiteLink()
{
    RSiteLink* pSiteLink = m_pStation->SiteLink();
    if (!pSiteLink)
        return;
    connect(pSiteLink, &RSiteLink::StatusChanged, m_pFormStatus, &RFormStatus::SetSiteDbStatus);
    connect(pSiteLink, &RSiteLink::HistoryOffered, this, [this, pSiteLink]() {
        pSiteLink->AnswerHistory(
            m_pPrompt->Ask(this, tr("The site database has no records of this station yet."),
                tr("Upload the minute values, alarms and patrol records already in this station's "
                   "file? It is sent in the background, a day at a time."),
                tr("Upload"), tr("No")));
    });
}

void Kestal::CreatePresets()
{
    m_pPresetContent = std::make_unique<SPresetContent>();
    RegisterReceiver(m_pPresetContent.get(), SBus::PresetStore);
    m_pPresetContent->RegisterHolders();
}

void Kestal::BuildWidgets()
{
    setObjectName(QStringLiteral("Kestal"));
    setWindowTitle(tr("Orvane-Monitor"));
    setWindowIcon(QIcon(QStringLiteral(":/Kestal/icon.png")));

    auto* pOuter = new QVBoxLayout(this);
    pOuter->setSpacing(0);
    pOuter->setContentsMargins(0, 0, 0, 0);

    m_pFrameTitle = new QFrame(this);
    // Its picture, the logo's, the exit button's and the navigation buttons'
    // come from the theme, by these object names.
    m_pFrameTitle->setObjectName(QStringLiteral("framekestal"));
    m_pFrameTitle->setMinimumHeight(80);
    auto* pTitle = new QHBoxLayout(m_pFrameTitle);
    pTitle->setContentsMargins(9, 9, 15, 9);

    m_pLabelLogo = new QLabel(m_pFrameTitle);
    m_pLabelLogo->setObjectName(QStringLiteral("labelLogo"));
    m_pLabelLogo->setFixedSize(276, 57);
    pTitle->addWidget(m_pLabelLogo);
    pTitle->addStretch(1);

    m_pButtonRegion = AddNavigationButton("m_pButtonRegion");
    m_pButtonPersonal = AddNavigationButton("m_pButtonPersonal");
    m_pButtonRouting = AddNavigationButton("m_pButtonRouting");
    m_pButtonHistory = AddNavigationButton("m_pButtonHistory");
    m_pButtonSetting = AddNavigationButton("m_pButtonSetting");
    m_pButtonAbout = AddNavigationButton("m_pButtonAbout");

    m_pToolButton_Exit = new QToolButton(m_pFrameTitle);
    m_pToolButton_Exit->setObjectName(QStringLiteral("m_pToolButton_Exit"));
    QFont exitFont = m_pToolButton_Exit->font();
    exitFont.setPointSize(20);
    m_pToolButton_Exit->setFont(exitFont);
    m_pToolButton_Exit->setMinimumSize(60, 60);
    m_pButtonLogin = new QPushButton(m_pFrameTitle);
    m_pButtonLogin->setObjectName(QStringLiteral("m_pButtonLogin"));
    m_pButtonLogin->setMinimumSize(100, 60);
    m_pButtonLogin->setFocusPolicy(Qt::NoFocus);
    pTitle->addSpacing(12);
    pTitle->addWidget(m_pButtonLogin);
    pTitle->addSpacing(12);
    pTitle->addWidget(m_pToolButton_Exit);

    pOuter->addWidget(m_pFrameTitle);
}

QPushButton* Kestal::AddNavigationButton(const char* pName)
{
    auto* pButton = new QPushButton(m_pFrameTitle);
    pButton->setObjectName(QLatin1String(pName));
    pButton->setMinimumSize(126, 89);
    QFont font;
    font.setPointSize(s_nNavigationPointSize);
    pButton->setFont(font);
    // Checked marks the page shown (MarkCurrentPage), not a press; the
    // theme draws the mark.
    pButton->setFlat(true);
    pButton->setCheckable(true);
    pButton->setFocusPolicy(Qt::NoFocus);
    m_pFrameTitle->layout()->addWidget(pButton);
    return pButton;
}

void Kestal::MarkCurrentPage()
{
    const QWidget* pPage = m_pStackedLayout->currentWidget();
    const std::pair<QPushButton*, const QWidget*> pages[] = {{m_pButtonRegion, m_pFormRegion},
        {m_pButtonHistory, m_pFormHistory}, {m_pButtonSetting, m_pFormSetting},
        {m_pButtonAbout, m_pFormAbout}, {m_pButtonRouting, m_pDataRecord}};
    for (const auto& page : pages)
        page.first->setChecked(pPage && page.second == pPage);
}

PDoseThread* Kestal::DoseThread() const
{
    return m_pStation->Link();
}

RRegularSave* Kestal::RegularSave() const
{
    return m_pStation->Aggregator();
}

RAlarmState* Kestal::AlarmState() const
{
    return m_pStation->AlarmState();
}

PAlarmCue* Kestal::AlarmCue() const
{
    return m_pStation->Cue();
}

RAuditTrail* Kestal::AuditTrail() const
{
    return m_pStation->Audit();
}

RLoginSession* Kestal::Session() const
{
    return m_pStation->Session();
}

int Kestal::CurrentStackIndex() const
{
    return m_pStackedLayout->currentIndex();
}

bool Kestal::IsRequestTimerActive() const
{
    return m_pRequestTimer && m_pRequestTimer->isActive();
}

QString Kestal::CommandResultText(qintptr nResult, qintptr nValue)
{
    switch (nResult) {
    case 1:
        return nValue != 0 ? tr("Set successed") + QString::number(nValue) : tr("Set successed");
    case 2:
        return tr("Set failed");
    case 3:
        return tr("connected!");
    default:
        return QString();
    }
}

void Kestal::ShowPage(int nIndex)
{
    m_pStackedLayout->setCurrentIndex(nIndex);
    m_nCurrentPage = nIndex;
    // A click on the page already shown unchecked its button.
    MarkCurrentPage();
}

void Kestal::SetLoginWidgetInfo()
{
    m_pFormSetting->SetLoginWidgetInfo();
}

void Kestal::CreateAlarmHandling()
{
    RAlarmState* pState = m_pStation->AlarmState();
    if (!pState)
        return;
    m_pAlarmSound = new RAlarmSound(this);
    m_pStation->Cue()->SetPlayer([this]() { m_pAlarmSound->Play(); });
    connect(m_pStation->Cue(), &PAlarmCue::MutedChanged, m_pFormStatus, &RFormStatus::SetMuted);
    // Until the first connection the link's text is red, without the lost
    // line: nothing was lost yet.
    m_pFormStatus->SetLinkDown(!pState->IsLinkUp());
    connect(pState, &RAlarmState::LinkChanged, m_pFormStatus,
        [this](bool bUp) { m_pFormStatus->SetLinkDown(!bUp, m_pClock->Now()); });
    m_pFormStatus->SetSoundMissing(!m_pAlarmSound->IsAvailable());
    connect(m_pAlarmSound, &RAlarmSound::AvailableChanged, m_pFormStatus,
        [this](bool bAvailable) { m_pFormStatus->SetSoundMissing(!bAvailable); });
    m_pFormRegion->SetAlarmHandling(pState, m_pStation->Cue());
    m_pFormRegion->SetStation(m_pStation.get());
}

void Kestal::ReportFailure(const QString& strTitle, const QString& strText)
{
    auto* pBox
        = new QMessageBox(QMessageBox::Critical, strTitle, strText, QMessageBox::Cancel, this);
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->setWindowModality(Qt::NonModal);
    pBox->show();
}

void Kestal::UpdateSettingsWarning()
{
    const RSystemValues values = RSystemInfoStore::Values();
    m_pFormStatus->SetSettingsWarning(values.bLevelsInOrder
            ? QString()
            : tr("The stored levels are out of order (A %1, B %2, C %3): the gauge and the plan "
                 "show them sorted. Correct them in System Settings.")
                  .arg(values.dStoredA)
                  .arg(values.dStoredB)
                  .arg(values.dStoredC));
}

void Kestal::OnUpdateDriveInfoFinished()
{
    UpdateSettingsWarning();
    m_pStation->ReloadDevices([this]() {
        m_pFormRegion->InitRegions();
        m_pFormHistory->ReloadTrees();
    });
}

void Kestal::ShowRegion()
{
    ShowPage(0);
}

void Kestal::ShowHistory()
{
    ShowPage(1);
}

void Kestal::ShowPersonal()
{
    // Its button stays hidden: the staff pages are not part of this client.
    MarkCurrentPage();
}

void Kestal::ShowRouting()
{
    // Not a swipe page: the current page index stays, so a swipe from here
    // moves on from the page shown before.
    m_pDataRecord->Reload();
    m_pStackedLayout->setCurrentWidget(m_pDataRecord);
    MarkCurrentPage();
}

void Kestal::ShowSetting()
{
    ShowPage(2);
}

void Kestal::ShowAbout()
{
    ShowPage(3);
}

bool Kestal::AskExit()
{
    if (m_confirmExit)
        return m_confirmExit();
    QMessageBox box(QMessageBox::Question, tr("Orvane-Monitor"), tr("The program is running."),
        QMessageBox::NoButton, this);
    box.setInformativeText(tr("Do you want to exit?"));
    QPushButton* pClose = box.addButton(tr("Close"), QMessageBox::AcceptRole);
    box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == pClose;
}

void Kestal::OnExit()
{
    if (AskExit())
        close();
}

void Kestal::CreateSession()
{
    RLoginSession* pSession = m_pStation->Session();
    if (!pSession)
        return;
    // The grade takes the settings window's road to the pages.
    connect(pSession, &RLoginSession::GradeChanged, m_pFormSetting, &RFormSetting::TheUserPower);
    connect(m_pFormSetting, &RFormSetting::TheUserPower, this, &Kestal::OnTheUserPower);
    connect(m_pButtonLogin, &QPushButton::clicked, this, &Kestal::OnLoginButton);
    qApp->installEventFilter(this);
    OnTheUserPower(pSession->Grade());

    // Monitoring runs without a session; handling an alarm takes one. The
    // station checks the rights; the window asks for the login.
    m_pFormRegion->SetSessionGate(
        [this](const QString& strWhy) { return Session()->IsLoggedIn() || AskForLogin(strWhy); });
    const auto exportGate = [this](const QString& strWhy) {
        if (!Session()->IsLoggedIn() && !AskForLogin(strWhy))
            return false;
        return m_pStation->May(RUserRights::Action::Export);
    };
    m_pFormHistory->SetExportGate(exportGate);
    m_pDataRecord->SetExportGate(exportGate);
    m_pAccountsPage->SetSession(pSession);
    m_pAuditPage->SetTrail(m_pStation->Audit());
    connect(m_pFormSetting, &RFormSetting::AddUserFinished, this, &Kestal::OnAddUserFinished);
    m_pThresholdPage->SetAuthorize(
        [this](int nId, int nOld, int nNew) { return ConfirmThreshold(nId, nOld, nNew); });
    m_pThresholdPage->SetConfirm([this](const QString& strWhat) {
        return ConfirmPassword(tr("Enter your password again to change %1.").arg(strWhat),
            tr("The password is wrong: nothing was changed."));
    });
    m_pFormHistory->SetConfirm([this](const QString& strWhat) {
        return ConfirmPassword(tr("Enter your password again to delete %1.").arg(strWhat),
            tr("The password is wrong: nothing was deleted."));
    });
    POptionPage::SetChangeSink([this](const QString& strAction, const QString& strObject,
                                   const QString& strOld, const QString& strNew) {
        m_pStation->RecordChange(strAction, strObject, strOld, strNew);
    });
    connect(m_pFormHistory, &RFormHistory::DayDeleted, this,
        [this](const QString& strObject, int nRows) {
            m_pStation->RecordDayDelete(strObject, nRows);
        });
    // Shelving takes an officer, as thresholds do.
    m_pFormRegion->SetShelveGate([this](const QString& strWhy) {
        if (!Session()->IsLoggedIn() && !AskForLogin(strWhy))
            return false;
        if (m_pStation->May(RUserRights::Action::Shelve))
            return true;
        m_pPrompt->Tell(this,
            tr("Only a radiation protection officer may shelve an alarm or put it back."),
            tr("OK"));
        return false;
    });
}

void Kestal::SetPrompt(SPrompt* pPrompt)
{
    m_pPrompt = pPrompt;
    m_pFormSetting->SetPrompt(pPrompt);
    m_pFormRegion->SetPrompt(pPrompt);
    m_pFormHistory->SetPrompt(pPrompt);
    m_pDataRecord->SetPrompt(pPrompt);
}

bool Kestal::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
    case QEvent::Wheel:
        if (Session())
            Session()->Touch();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void Kestal::OnLoginButton()
{
    if (Session()->IsLoggedIn())
        Session()->LogOut();
    else
        AskForLogin(tr("Log in"));
}

bool Kestal::ConfirmPassword(const QString& strQuestion, const QString& strRefusal)
{
    if (!Session()->IsLoggedIn())
        return false;
    QString strName = Session()->Actor().strName;
    QString strPassword;
    if (!m_pPrompt->AskLogin(this, strQuestion, &strName, &strPassword))
        return false;
    // The same account only: nothing is changed under another name.
    if (strName != Session()->Actor().strName
        || Session()->Accounts().CheckPassword(strName, strPassword) != RUserAccounts::Result::Ok) {
        m_pPrompt->Tell(this, strRefusal, tr("OK"));
        return false;
    }
    return true;
}

bool Kestal::ConfirmThreshold(int nId, int nOld, int nNew)
{
    if (!ConfirmPassword(tr("Enter your password again to set the threshold of %1 to %2.")
                             .arg(nId ? QString::number(nId) : tr("all regions"))
                             .arg(nNew),
            tr("The password is wrong: the threshold was not set.")))
        return false;
    return m_pStation->RecordThreshold(nId, nOld, nNew) == RStation::Outcome::Done;
}

void Kestal::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    // Asked once the window is up, so monitoring is already running behind
    // the question.
    if (!m_bAskedAdministrator) {
        m_bAskedAdministrator = true;
        QTimer::singleShot(0, this, &Kestal::AskFirstAdministrator);
    }
}

bool Kestal::AskFirstAdministrator()
{
    // Accounts need the trail: without it nothing could be recorded.
    if (!Session() || !m_pStation->Audit()->IsOpen() || Session()->Accounts().HasAdministrator())
        return false;
    QString strText = tr("No administrator account exists yet. Choose the name and password "
                         "(at least %1 characters) of the first one.")
                          .arg(RUserAccounts::MinPasswordLength);
    QString strName;
    for (;;) {
        QString strPassword;
        QString strAgain;
        if (!m_pPrompt->AskLogin(this, strText, &strName, &strPassword))
            return false;
        QString strSame = strName;
        if (!m_pPrompt->AskLogin(
                this, tr("Enter the password of %1 again.").arg(strName), &strSame, &strAgain))
            return false;
        if (strSame != strName || strAgain != strPassword) {
            strText = tr("The two passwords differ. Choose the name and password again.");
            continue;
        }
        switch (Session()->Accounts().Create(
            {0, QStringLiteral("first start")}, strName, RUserRights::Administrator, strPassword)) {
        case RUserAccounts::Result::Ok:
            return Session()->LogIn(strName, strPassword) == RUserAccounts::Result::Ok;
        case RUserAccounts::Result::Invalid:
            strText = tr("A name without spaces around it and a password of at least %1 "
                         "characters are needed.")
                          .arg(RUserAccounts::MinPasswordLength);
            break;
        default:
            m_pPrompt->Tell(this, tr("The account could not be stored."), tr("OK"));
            return false;
        }
    }
}

bool Kestal::AskForLogin(const QString& strWhy)
{
    // With no administrator nobody could log in or make one: the login
    // offers the first start's question instead, as often as it is asked.
    if (Session() && m_pStation->Audit()->IsOpen() && !Session()->Accounts().HasAdministrator())
        return AskFirstAdministrator() || Session()->IsLoggedIn();
    QString strText = strWhy;
    QString strName;
    for (;;) {
        QString strPassword;
        if (!m_pPrompt->AskLogin(this, strText, &strName, &strPassword))
            return Session()->IsLoggedIn();
        switch (Session()->LogIn(strName, strPassword)) {
        case RUserAccounts::Result::Ok:
            return true;
        case RUserAccounts::Result::Locked:
            strText = tr("Too many failed logins: %1 is locked for %2 s.")
                          .arg(strName)
                          .arg((Session()->Accounts().LockedForMs(strName) + 999) / 1000);
            break;
        case RUserAccounts::Result::Disabled:
            strText = tr("The account %1 is disabled.").arg(strName);
            break;
        default:
            strText = tr("Unknown name or wrong password.");
            break;
        }
    }
}

void Kestal::OnTheUserPower(int nGrade)
{
    m_pButtonLogin->setText(Session() && Session()->IsLoggedIn()
            ? tr("Log out %1").arg(Session()->Actor().strName)
            : tr("Log in"));
    if (m_pFormSetting)
        m_pFormSetting->UpdateRights(nGrade);
    if (m_pFormHistory)
        m_pFormHistory->SetGrade(nGrade);
}

void Kestal::OnAddUserFinished()
{
    // No page depends on the list of accounts.
}

void Kestal::OnTimeout()
{
    m_pRequestTimer->stop();
}

void Kestal::OnRoutDataUpdate()
{
    if (m_pDataRecord)
        m_pDataRecord->Reload();
}

bool Kestal::event(QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    if (!SBus::IsAccepted(nType))
        return QWidget::event(pEvent);
    if (auto* pMessage = dynamic_cast<SMessage*>(pEvent))
        HandleMessage(nType, pMessage->First(), pMessage->Second());
    return true;
}

bool Kestal::HandleMessage(int nType, qintptr a, qintptr b)
{
    switch (nType) {
    case SBus::RawReading:
        m_pStation->StoreReading(static_cast<int>(a), static_cast<int>(b));
        return true;
    case SBus::StatusText:
        m_pFormStatus->SetMessage(reinterpret_cast<const char*>(a));
        return true;
    case SBus::ShowSecondLine:
        m_pFormStatus->ShowSecondLine(true);
        return true;
    case SBus::HideSecondLine:
        m_pFormStatus->ShowSecondLine(false);
        return true;
    case SBus::SecondText:
        m_pFormStatus->SetSecondMessage(reinterpret_cast<const char*>(a));
        return true;
    case SBus::MinuteTick:
        if (QWidget* pPage = m_pStackedLayout->currentWidget()) {
            SMessage tick(SBus::MinuteTick, a, b);
            QCoreApplication::sendEvent(pPage, &tick);
        }
        return true;
    case SBus::SendThreshold:
        m_pStation->Link()->SetThreshold(static_cast<int>(a), static_cast<int>(b));
        if (m_pStation->Link()->PendingThresholds() > 0) {
            m_pFormSetting->ShowMessage(
                tr("No link to the data server: %1 has not received the threshold %2 yet; it is "
                   "sent when the link is back.")
                    .arg(a == 0 ? tr("every device") : tr("device %1").arg(a))
                    .arg(b));
            return true;
        }
        m_pRequestTimer->start();
        return true;
    case SBus::StartRequestTimer:
        m_pRequestTimer->start();
        return true;
    case SBus::CommandResult: {
        if (m_pRequestTimer->isActive())
            m_pRequestTimer->stop();
        const QString strText = CommandResultText(a, b);
        if (!strText.isEmpty())
            m_pFormSetting->ShowMessage(strText);
        return true;
    }
    case SBus::ReloadAfterDeviceUpdate:
        OnUpdateDriveInfoFinished();
        return true;
    case SBus::ReloadThresholds:
        // Subscribed before the pages, so they read the new values.
        m_pStation->ReloadThresholds();
        return true;
    default:
        return true;
    }
}

void Kestal::mousePressEvent(QMouseEvent* pEvent)
{
    if (inSwipeArea(pEvent->pos())) {
        m_nPressX = pEvent->pos().x();
        m_nPressY = pEvent->pos().y();
    }
    QWidget::mousePressEvent(pEvent);
}

void Kestal::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const QPoint pos = pEvent->pos();
    if (inSwipeArea(pos)) {
        const int dx = pos.x() - m_nPressX;
        const int dy = pos.y() - m_nPressY;
        if (qAbs(dx) > s_nSwipeDistance || qAbs(dy) > s_nSwipeDistance) {
            int nIndex = m_nCurrentPage;
            if (dx < -s_nSwipeDistance)
                ++nIndex;
            else if (dx > s_nSwipeDistance)
                --nIndex;
            nIndex = (nIndex + PagePositions) % PagePositions;
            m_nCurrentPage = nIndex;
            if (nIndex < SwipePages)
                m_pStackedLayout->setCurrentIndex(nIndex);
            update();
        }
    }
    QWidget::mouseReleaseEvent(pEvent);
}
