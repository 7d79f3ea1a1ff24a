#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class QStackedLayout;
class QTimer;
class QToolButton;
class PAlarmCue;
class PDoseThread;
class RAlarmSound;
class RAlarmState;
class RAuditTrail;
class RLoginSession;
class RFrameAccounts;
class RFrameAudit;
class RPresetAlarmThreshold;
class SPrompt;
class RRegularSave;
class RStation;
class RDataRecord;
class RFormAbout;
class RFormHistory;
class RFormRegion;
class RFormSetting;
class RFormStatus;
class SClock;
class SPresetContent;

// The one top-level window: title bar with navigation, the page stack and
// the status strip, showing the station it creates.
class Kestal : public QWidget
{
    Q_OBJECT

public:
    // The swipe index runs over six positions, two of them without a page.
    static constexpr int PagePositions = 6;
    // The pages a swipe reaches; the routing records view comes after them
    // and is reached only by its button.
    static constexpr int SwipePages = 4;

    // The station's stop (once; the destructor stops it otherwise): the
    // readings the file never took.
    qint64 Shutdown();

    // pClock: "now" for the aggregator, the pages and the alarm handling; the
    // system clock when null. Not owned. strAuditKeyPath: the audit trail's
    // key, in the per-user data directory when empty.
    explicit Kestal(QWidget* parent = nullptr, SClock* pClock = nullptr,
        const QString& strAuditKeyPath = QString());
    ~Kestal() override;

    // What is ending the program, for the journal's "stopped" row (a signal's
    // name); empty: the operator's exit.
    void SetStopReason(const QString& strHow) { m_strStopReason = strHow; }
    // Answers the exit question; the default asks the user in a message box.
    void SetExitConfirmation(std::function<bool()> confirm) { m_confirmExit = std::move(confirm); }

    int CurrentPageIndex() const { return m_nCurrentPage; }
    int CurrentStackIndex() const;
    bool IsRequestTimerActive() const;
    RStation* Station() const { return m_pStation.get(); }
    PDoseThread* DoseThread() const;
    RRegularSave* RegularSave() const;
    RFormRegion* FormRegion() const { return m_pFormRegion; }
    RFormSetting* FormSetting() const { return m_pFormSetting; }
    RFormHistory* FormHistory() const { return m_pFormHistory; }
    RAlarmState* AlarmState() const;
    PAlarmCue* AlarmCue() const;
    RDataRecord* DataRecord() const { return m_pDataRecord; }
    RFormStatus* FormStatus() const { return m_pFormStatus; }
    RAuditTrail* AuditTrail() const;
    RLoginSession* Session() const;
    // The login questions; the message-box prompt by default. Not owned.
    // The questions of this window and of every page in it. Not owned.
    void SetPrompt(SPrompt* pPrompt);
    // Asks for a login until one succeeds or the user cancels; strWhy says
    // what it is for. True when a session is open afterwards.
    bool AskForLogin(const QString& strWhy);
    // With no administrator yet, asks for the first one and logs it in;
    // false when none was made (asked again at the next start).
    bool AskFirstAdministrator();

    // The text of a command result (a command-result message); empty when nothing shows.
    static QString CommandResultText(qintptr nResult, qintptr nValue);

public slots:
    void SetLoginWidgetInfo();
    // The status strip's line about stored settings that cannot be shown as stored.
    void UpdateSettingsWarning();
    void OnUpdateDriveInfoFinished();
    void ShowRegion();
    void ShowHistory();
    void ShowPersonal();
    void ShowRouting();
    void ShowSetting();
    void ShowAbout();
    void OnExit();
    void OnTheUserPower(int nGrade);
    void OnAddUserFinished();
    void OnTimeout();
    void OnRoutDataUpdate();

protected:
    bool event(QEvent* pEvent) override;
    // Input anywhere in the program keeps the session.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    Q_DISABLE_COPY(Kestal)

    void BuildWidgets();
    void CreatePresets();
    void CreateSiteLink();
    QPushButton* AddNavigationButton(const char* pName);
    void ShowPage(int nIndex);
    // The navigation button of the page shown looks pressed.
    void MarkCurrentPage();
    bool HandleMessage(int nType, qintptr a, qintptr b);
    bool AskExit();
    void CreateAlarmHandling();
    void CreateSession();
    void OnLoginButton();
    void showEvent(QShowEvent* pEvent) override;
    // The password again before a threshold goes out; the trail's row.
    bool ConfirmThreshold(int nId, int nOld, int nNew);
    // The logged-in account's password once more before strQuestion's
    // change; strRefusal is told when it is wrong.
    bool ConfirmPassword(const QString& strQuestion, const QString& strRefusal);
    // A box that does not wait for an answer: acquisition goes on meanwhile.
    void ReportFailure(const QString& strTitle, const QString& strText);

    QStackedLayout* m_pStackedLayout;
    QFrame* m_pFrameTitle = nullptr;
    QLabel* m_pLabelLogo = nullptr;
    QPushButton* m_pButtonRegion = nullptr;
    QPushButton* m_pButtonPersonal = nullptr;
    QPushButton* m_pButtonRouting = nullptr;
    QPushButton* m_pButtonHistory = nullptr;
    QPushButton* m_pButtonSetting = nullptr;
    QPushButton* m_pButtonAbout = nullptr;
    QToolButton* m_pToolButton_Exit = nullptr;
    RFormRegion* m_pFormRegion = nullptr;
    RFormHistory* m_pFormHistory = nullptr;
    RFormSetting* m_pFormSetting = nullptr;
    RFormAbout* m_pFormAbout = nullptr;
    RDataRecord* m_pDataRecord = nullptr;
    RFormStatus* m_pFormStatus = nullptr;
    QTimer* m_pRequestTimer = nullptr;
    // Goes after the pages (deleted by hand at the end): they show its state.
    std::unique_ptr<RStation> m_pStation;
    std::unique_ptr<SPresetContent> m_pPresetContent;
    QString m_strStopReason;
    RAlarmSound* m_pAlarmSound = nullptr;
    bool m_bAskedAdministrator = false;
    // Owned by the list of option pages.
    RPresetAlarmThreshold* m_pThresholdPage = nullptr;
    RFrameAccounts* m_pAccountsPage = nullptr;
    RFrameAudit* m_pAuditPage = nullptr;
    QPushButton* m_pButtonLogin = nullptr;
    SPrompt* m_pPrompt;

    int m_nCurrentPage = 0;
    int m_nPressX = 0;
    int m_nPressY = 0;
    std::function<bool()> m_confirmExit;
    SClock* m_pClock;
};
