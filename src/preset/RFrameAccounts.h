#pragma once

#include "database/RUserAccounts.h"
#include "preset/POptionPage.h"

class QPushButton;
class QStandardItemModel;
class QTableView;
class RLoginSession;

// The "Accounts" category, for administrators: the accounts with their
// grades, and adding one, changing a grade, disabling, enabling and a new
// password. Each change is stored at once and goes to the audit trail under
// the account logged in; nothing waits for OK. A change that would leave the
// site without an enabled administrator is refused.
class RFrameAccounts final : public POptionPage
{
    Q_OBJECT
public:
    explicit RFrameAccounts(QObject* pParent = nullptr);
    ~RFrameAccounts() override;

    // Whose changes they are, and the store they go through. Not owned.
    void SetSession(RLoginSession* pSession) { m_pSession = pSession; }

    QString GetName() const override;
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override { return Applied; }
    void Finish() override { }
    void UpdateLoginInfo() override;
    void UpdateRights(bool bAllowed) override;
    RUserRights::Action Right() const override { return RUserRights::Action::Accounts; }

    static QString GradeName(int nGrade);
    static QStringList GradeNames();

public slots:
    void Add();
    void ChangeGrade();
    void Disable();
    void Enable();
    void ResetPassword();

private:
    Q_DISABLE_COPY(RFrameAccounts)

    // Shows the accounts again, the one chosen before still chosen.
    void Reload();
    void UpdateButtons();
    // The chosen account, read again from the store; false when none.
    bool Chosen(RUserAccount* pAccount) const;
    // Why a new password is not taken; empty when it is.
    static QString PasswordProblem(const QString& strPassword, const QString& strRepeat);
    // Ok: shows the accounts again and says strDone; else says why not.
    bool Conclude(RUserAccounts::Result result, const QString& strName, const QString& strDone);
    void Refuse(const QString& strText);

    RLoginSession* m_pSession = nullptr;
    // What the grade logged in may see: nothing is read for any other.
    bool m_bAllowed = false;
    QStandardItemModel* m_pModel = nullptr;
    QTableView* m_pTable = nullptr;
    QPushButton* m_pButtonAdd = nullptr;
    QPushButton* m_pButtonGrade = nullptr;
    QPushButton* m_pButtonDisable = nullptr;
    QPushButton* m_pButtonEnable = nullptr;
    QPushButton* m_pButtonPassword = nullptr;
};
