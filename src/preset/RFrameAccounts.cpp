#include "preset/RFrameAccounts.h"

#include "database/RLoginSession.h"
#include "widgets/SPrompt.h"
#include "widgets/SRecordTable.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// By grade number.
const char* const s_pGrades[] = {QT_TRANSLATE_NOOP("RFrameAccounts", "Administrator"),
    QT_TRANSLATE_NOOP("RFrameAccounts", "Radiation protection officer"),
    QT_TRANSLATE_NOOP("RFrameAccounts", "Operator")};

constexpr int NameRole = Qt::UserRole + 1;

} // namespace

RFrameAccounts::RFrameAccounts(QObject* pParent)
    : POptionPage(9, pParent)
{
}

RFrameAccounts::~RFrameAccounts() = default;

QString RFrameAccounts::GetName() const
{
    return tr("Accounts");
}

QString RFrameAccounts::GradeName(int nGrade)
{
    return RUserRights::IsGrade(nGrade) ? tr(s_pGrades[nGrade]) : QString::number(nGrade);
}

QStringList RFrameAccounts::GradeNames()
{
    QStringList names;
    for (int nGrade = RUserRights::Administrator; nGrade <= RUserRights::Operator; ++nGrade)
        names << GradeName(nGrade);
    return names;
}

QWidget* RFrameAccounts::CreateWidget(QWidget* pParent)
{
    auto* pContent = new QWidget(pParent);
    m_pModel = new QStandardItemModel(0, 4, pContent);
    m_pModel->setHorizontalHeaderLabels({tr("Name"), tr("Grade"), tr("Created"), tr("State")});
    m_pTable = new QTableView(pContent);
    m_pTable->setObjectName(QStringLiteral("m_pTableAccounts"));
    m_pTable->setModel(m_pModel);
    SRecordTable::Setup(m_pTable);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* pButtons = new QHBoxLayout;
    const auto button = [pContent, pButtons](const QString& strText, const char* pName) {
        auto* pButton = new QPushButton(strText, pContent);
        pButton->setObjectName(QLatin1String(pName));
        pButton->setMinimumHeight(36);
        pButtons->addWidget(pButton);
        return pButton;
    };
    m_pButtonAdd = button(tr("Add..."), "m_pButtonAdd");
    m_pButtonGrade = button(tr("Change grade..."), "m_pButtonGrade");
    m_pButtonDisable = button(tr("Disable"), "m_pButtonDisable");
    m_pButtonEnable = button(tr("Enable"), "m_pButtonEnable");
    m_pButtonPassword = button(tr("Reset password..."), "m_pButtonPassword");
    pButtons->addStretch(1);
    auto* pLayout = new QVBoxLayout(pContent);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pTable, 1);
    pLayout->addLayout(pButtons);

    connect(m_pButtonAdd, &QPushButton::clicked, this, &RFrameAccounts::Add);
    connect(m_pButtonGrade, &QPushButton::clicked, this, &RFrameAccounts::ChangeGrade);
    connect(m_pButtonDisable, &QPushButton::clicked, this, &RFrameAccounts::Disable);
    connect(m_pButtonEnable, &QPushButton::clicked, this, &RFrameAccounts::Enable);
    connect(m_pButtonPassword, &QPushButton::clicked, this, &RFrameAccounts::ResetPassword);
    connect(m_pTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &RFrameAccounts::UpdateButtons);

    SetWidget(pContent);
    UpdateButtons();
    return pContent;
}

void RFrameAccounts::UpdateLoginInfo()
{
    if (Widget() && m_bAllowed)
        Reload();
}

void RFrameAccounts::UpdateRights(bool bAllowed)
{
    if (!Widget())
        return;
    m_bAllowed = bAllowed;
    POptionPage::UpdateRights(bAllowed);
    // No account list stays behind for the next one at the console.
    if (bAllowed)
        Reload();
    else
        m_pModel->removeRows(0, m_pModel->rowCount());
}

void RFrameAccounts::Reload()
{
    RUserAccount chosen;
    const bool bChosen = Chosen(&chosen);
    m_pModel->removeRows(0, m_pModel->rowCount());
    if (!m_pSession)
        return;
    for (const RUserAccount& account : m_pSession->Accounts().Accounts()) {
        QList<QStandardItem*> items;
        for (const QString& strText : {account.strName, GradeName(account.nGrade),
                 account.created.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
                 account.bDisabled ? tr("Disabled") : tr("Enabled")}) {
            auto* pItem = new QStandardItem(strText);
            pItem->setData(account.strName, NameRole);
            if (account.bDisabled)
                pItem->setForeground(QColor(128, 128, 128));
            items << pItem;
        }
        m_pModel->appendRow(items);
        if (bChosen && account.strName == chosen.strName)
            m_pTable->selectRow(m_pModel->rowCount() - 1);
    }
    m_pTable->resizeColumnsToContents();
    // Room for the cell margins in every font, CJK included.
    const int nMargin = 2 * m_pTable->fontMetrics().averageCharWidth();
    for (int nColumn = 0; nColumn < m_pModel->columnCount(); ++nColumn)
        m_pTable->setColumnWidth(nColumn, m_pTable->columnWidth(nColumn) + nMargin);
    UpdateButtons();
}

void RFrameAccounts::UpdateButtons()
{
    if (!Widget())
        return;
    RUserAccount account;
    const bool bChosen = Chosen(&account);
    m_pButtonGrade->setEnabled(bChosen);
    m_pButtonPassword->setEnabled(bChosen);
    m_pButtonDisable->setEnabled(bChosen && !account.bDisabled);
    m_pButtonEnable->setEnabled(bChosen && account.bDisabled);
}

bool RFrameAccounts::Chosen(RUserAccount* pAccount) const
{
    if (!Widget() || !m_pSession)
        return false;
    const QModelIndexList rows = m_pTable->selectionModel()->selectedRows();
    return !rows.isEmpty()
        && m_pSession->Accounts().Find(rows.first().data(NameRole).toString(), pAccount);
}

QString RFrameAccounts::PasswordProblem(const QString& strPassword, const QString& strRepeat)
{
    if (strPassword != strRepeat)
        return tr("The two passwords differ.");
    if (strPassword.size() < RUserAccounts::MinPasswordLength
        || strPassword.size() > RUserAccounts::MaxPasswordLength)
        return tr("A password needs %1 to %2 characters.")
            .arg(RUserAccounts::MinPasswordLength)
            .arg(RUserAccounts::MaxPasswordLength);
    return QString();
}

void RFrameAccounts::Refuse(const QString& strText)
{
    emit SendMessage(strText);
    Prompt()->Tell(Widget(), strText, tr("Ok"));
}

bool RFrameAccounts::Conclude(
    RUserAccounts::Result result, const QString& strName, const QString& strDone)
{
    switch (result) {
    case RUserAccounts::Result::Ok:
        Reload();
        emit SendMessage(strDone);
        // The account logged in may be the one changed.
        m_pSession->Refresh();
        return true;
    case RUserAccounts::Result::Exists:
        Refuse(tr("An account named %1 exists already (names are the same whatever their case).")
                   .arg(strName));
        break;
    case RUserAccounts::Result::Invalid:
        // The reason first: a long name must not push it out of sight.
        Refuse(tr("The name is not acceptable: at most %1 characters, no control characters "
                  "(%2).")
                   .arg(RUserAccounts::MaxNameLength)
                   .arg(strName.size() > 40 ? strName.left(40) + QChar(0x2026) : strName));
        break;
    case RUserAccounts::Result::NoAccount:
        Refuse(tr("There is no account %1 any more.").arg(strName));
        Reload();
        break;
    case RUserAccounts::Result::LastAdministrator:
        Refuse(tr("%1 is the last enabled administrator: the site would have none left.")
                   .arg(strName));
        break;
    default:
        Refuse(tr("The change to %1 could not be stored.").arg(strName));
        break;
    }
    return false;
}

void RFrameAccounts::Add()
{
    if (!Widget() || !m_pSession)
        return;
    QString strName;
    QString strPassword;
    QString strRepeat;
    int nGrade = RUserRights::Operator;
    if (!Prompt()->AskNewAccount(
            Widget(), GradeNames(), &strName, &nGrade, &strPassword, &strRepeat))
        return;
    if (strName.isEmpty()) {
        Refuse(tr("An account needs a name."));
        return;
    }
    RUserAccount existing;
    if (m_pSession->Accounts().Find(strName, &existing)) {
        Refuse(tr("An account named %1 exists already.").arg(strName));
        return;
    }
    const QString strProblem = PasswordProblem(strPassword, strRepeat);
    if (!strProblem.isEmpty()) {
        Refuse(strProblem);
        return;
    }
    if (Conclude(m_pSession->Accounts().Create(m_pSession->Actor(), strName, nGrade, strPassword),
            strName, tr("Account %1 added.").arg(strName)))
        emit AddUserFinished();
}

void RFrameAccounts::ChangeGrade()
{
    RUserAccount account;
    if (!Chosen(&account))
        return;
    int nGrade = account.nGrade;
    if (!Prompt()->AskChoice(
            Widget(), tr("The grade of %1:").arg(account.strName), GradeNames(), &nGrade)
        || nGrade == account.nGrade)
        return;
    Conclude(m_pSession->Accounts().SetGrade(m_pSession->Actor(), account.strName, nGrade),
        account.strName, tr("%1 is now: %2.").arg(account.strName, GradeName(nGrade)));
}

void RFrameAccounts::Disable()
{
    RUserAccount account;
    if (!Chosen(&account)
        || !Prompt()->AskWarning(Widget(), tr("Disable the account %1?").arg(account.strName),
            tr("It can no longer log in; its rows in the audit trail stay."), tr("Disable"),
            tr("Cancel")))
        return;
    Conclude(m_pSession->Accounts().Disable(m_pSession->Actor(), account.strName, QString()),
        account.strName, tr("Account %1 disabled.").arg(account.strName));
}

void RFrameAccounts::Enable()
{
    RUserAccount account;
    if (!Chosen(&account))
        return;
    Conclude(m_pSession->Accounts().Enable(m_pSession->Actor(), account.strName), account.strName,
        tr("Account %1 enabled.").arg(account.strName));
}

void RFrameAccounts::ResetPassword()
{
    RUserAccount account;
    QString strPassword;
    QString strRepeat;
    if (!Chosen(&account)
        || !Prompt()->AskNewPassword(
            Widget(), tr("A new password for %1").arg(account.strName), &strPassword, &strRepeat))
        return;
    const QString strProblem = PasswordProblem(strPassword, strRepeat);
    if (!strProblem.isEmpty()) {
        Refuse(strProblem);
        return;
    }
    Conclude(
        m_pSession->Accounts().ChangePassword(m_pSession->Actor(), account.strName, strPassword),
        account.strName, tr("The password of %1 is reset.").arg(account.strName));
}
