#include "preset/RFrameAudit.h"

#include "history/PAuditReport.h"
#include "message/SClock.h"
#include "preset/RFrameAccounts.h"
#include "widgets/RDateEdit.h"
#include "widgets/SPrompt.h"
#include "widgets/SRecordTable.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The trail and its CSV keep the stored names; the page shows these.
const char* const s_pActions[][2] = {
    {RAuditAction::Login, QT_TRANSLATE_NOOP("RFrameAudit", "log in")},
    {RAuditAction::Logout, QT_TRANSLATE_NOOP("RFrameAudit", "log out")},
    {RAuditAction::LoginFailed, QT_TRANSLATE_NOOP("RFrameAudit", "login failed")},
    {RAuditAction::Lockout, QT_TRANSLATE_NOOP("RFrameAudit", "name locked")},
    {RAuditAction::Acknowledge, QT_TRANSLATE_NOOP("RFrameAudit", "alarm acknowledged")},
    {RAuditAction::Mute, QT_TRANSLATE_NOOP("RFrameAudit", "alarm sound muted")},
    {RAuditAction::Threshold, QT_TRANSLATE_NOOP("RFrameAudit", "threshold changed")},
    {RAuditAction::AlarmFilter, QT_TRANSLATE_NOOP("RFrameAudit", "alarm delays changed")},
    {RAuditAction::Shelve, QT_TRANSLATE_NOOP("RFrameAudit", "alarm shelved")},
    {RAuditAction::Unshelve, QT_TRANSLATE_NOOP("RFrameAudit", "alarm unshelved")},
    {RAuditAction::DeviceAdd, QT_TRANSLATE_NOOP("RFrameAudit", "device added")},
    {RAuditAction::DeviceRemove, QT_TRANSLATE_NOOP("RFrameAudit", "device removed")},
    {RAuditAction::DeviceRename, QT_TRANSLATE_NOOP("RFrameAudit", "device renamed")},
    {RAuditAction::HistoryDelete, QT_TRANSLATE_NOOP("RFrameAudit", "history deleted")},
    {RAuditAction::Setting, QT_TRANSLATE_NOOP("RFrameAudit", "setting changed")},
    {RAuditAction::DayDelete, QT_TRANSLATE_NOOP("RFrameAudit", "day deleted")},
    {RAuditAction::AccountCreate, QT_TRANSLATE_NOOP("RFrameAudit", "account added")},
    {RAuditAction::AccountDisable, QT_TRANSLATE_NOOP("RFrameAudit", "account disabled")},
    {RAuditAction::AccountPassword, QT_TRANSLATE_NOOP("RFrameAudit", "password reset")},
    {RAuditAction::AccountGrade, QT_TRANSLATE_NOOP("RFrameAudit", "grade changed")},
    {RAuditAction::AccountEnable, QT_TRANSLATE_NOOP("RFrameAudit", "account enabled")},
    {RAuditAction::TrailGap, QT_TRANSLATE_NOOP("RFrameAudit", "rows missing from the trail")},
};

// The fixed words the stores write into the rows.
const char* const s_pWords[] = {QT_TRANSLATE_NOOP("RFrameAudit", "wrong password"),
    QT_TRANSLATE_NOOP("RFrameAudit", "no such account"),
    QT_TRANSLATE_NOOP("RFrameAudit", "(unknown name)"), QT_TRANSLATE_NOOP("RFrameAudit", "locked"),
    QT_TRANSLATE_NOOP("RFrameAudit", "idle"), QT_TRANSLATE_NOOP("RFrameAudit", "enabled"),
    QT_TRANSLATE_NOOP("RFrameAudit", "disabled"), QT_TRANSLATE_NOOP("RFrameAudit", "all regions")};

// And the ones with a number: the stored form, and the text tr() knows.
const char* const s_pCounted[][2] = {
    {"^grade (\\d+)$", nullptr},
    {"^region (\\d+)$", QT_TRANSLATE_NOOP("RFrameAudit", "region %1")},
    {"^(\\d+) rows$", QT_TRANSLATE_NOOP("RFrameAudit", "%1 rows")},
    {"^(\\d+) failed logins$", QT_TRANSLATE_NOOP("RFrameAudit", "%1 failed logins")},
};

const char* const s_pDayFormat = "yyyy-MM-dd";

} // namespace

RFrameAudit::RFrameAudit(SClock* pClock, QObject* pParent)
    : POptionPage(10, pParent)
    , m_pClock(pClock ? pClock : SClock::System())
{
}

RFrameAudit::~RFrameAudit() = default;

void RFrameAudit::SetTrail(RAuditTrail* pTrail)
{
    m_pTrail = pTrail;
    if (!m_pTrail)
        return;
    connect(m_pTrail, &RAuditTrail::Appended, this, [this](const RAuditEntry& entry) {
        if (Widget() && m_bAllowed && entry.time.date() >= m_pDateFrom->date()
            && entry.time.date() <= m_pDateTo->date())
            Reload();
    });
}

QString RFrameAudit::GetName() const
{
    return tr("Audit trail");
}

QString RFrameAudit::ActionName(const QString& strAction)
{
    for (const auto& action : s_pActions) {
        if (strAction == QLatin1String(action[0]))
            return tr(action[1]);
    }
    return strAction;
}

QString RFrameAudit::ValueText(const QString& strValue)
{
    for (const char* pWord : s_pWords) {
        if (strValue == QLatin1String(pWord))
            return tr(pWord);
    }
    for (const auto& counted : s_pCounted) {
        const QRegularExpressionMatch match
            = QRegularExpression(QLatin1String(counted[0])).match(strValue);
        if (!match.hasMatch())
            continue;
        // A grade reads as its name, as the accounts page shows it.
        return counted[1] ? tr(counted[1]).arg(match.captured(1))
                          : RFrameAccounts::GradeName(match.captured(1).toInt());
    }
    return strValue;
}

QWidget* RFrameAudit::CreateWidget(QWidget* pParent)
{
    auto* pContent = new QWidget(pParent);
    const QDate today = m_pClock->Now().date();
    m_pDateFrom = new RDateEdit(pContent);
    m_pDateTo = new RDateEdit(pContent);
    for (RDateEdit* pEdit : {m_pDateFrom, m_pDateTo}) {
        pEdit->setDisplayFormat(QLatin1String(s_pDayFormat));
        pEdit->setDate(today);
    }
    m_pDateFrom->setDate(today.addDays(-6));
    m_pComboAccount = new QComboBox(pContent);
    m_pComboAccount->setObjectName(QStringLiteral("m_pComboAccount"));
    // Wide enough for a usual name before any is listed.
    m_pComboAccount->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_pComboAccount->setMinimumContentsLength(10);
    m_pComboAction = new QComboBox(pContent);
    m_pComboAction->setObjectName(QStringLiteral("m_pComboAction"));
    m_pComboAction->addItem(tr("All"), QString());
    for (const QString& strAction : RAuditTrail::ActionNames())
        m_pComboAction->addItem(ActionName(strAction), strAction);
    m_pButtonExport = new QPushButton(tr("Export CSV"), pContent);
    m_pButtonExport->setObjectName(QStringLiteral("m_pButtonExport"));
    m_pButtonVerify = new QPushButton(tr("Verify"), pContent);
    m_pButtonVerify->setObjectName(QStringLiteral("m_pButtonVerify"));
    for (QPushButton* pButton : {m_pButtonExport, m_pButtonVerify})
        pButton->setMinimumHeight(36);
    m_pLabelCheck = new QLabel(pContent);
    m_pLabelCheck->setObjectName(QStringLiteral("m_pLabelCheck"));
    m_pLabelCheck->setWordWrap(true);

    m_pModel = new QStandardItemModel(0, 7, pContent);
    m_pModel->setHorizontalHeaderLabels({tr("Time"), tr("Account"), tr("Action"), tr("Object"),
        tr("Old value"), tr("New value"), tr("Reason")});
    m_pTable = new QTableView(pContent);
    m_pTable->setObjectName(QStringLiteral("m_pTableAudit"));
    m_pTable->setModel(m_pModel);
    SRecordTable::Setup(m_pTable);

    auto* pFilter = new QHBoxLayout;
    pFilter->addWidget(new QLabel(tr("From:"), pContent));
    pFilter->addWidget(m_pDateFrom);
    pFilter->addWidget(new QLabel(tr("To:"), pContent));
    pFilter->addWidget(m_pDateTo);
    pFilter->addWidget(new QLabel(tr("Account:"), pContent));
    pFilter->addWidget(m_pComboAccount);
    pFilter->addWidget(new QLabel(tr("Action:"), pContent));
    pFilter->addWidget(m_pComboAction);
    pFilter->addStretch(1);
    auto* pCheck = new QHBoxLayout;
    pCheck->addWidget(m_pButtonVerify);
    pCheck->addWidget(m_pLabelCheck, 1);
    pCheck->addWidget(m_pButtonExport);
    auto* pLayout = new QVBoxLayout(pContent);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addLayout(pFilter);
    pLayout->addWidget(m_pTable, 1);
    pLayout->addLayout(pCheck);

    connect(m_pDateFrom, &QDateEdit::dateChanged, this, &RFrameAudit::Reload);
    connect(m_pDateTo, &QDateEdit::dateChanged, this, &RFrameAudit::Reload);
    connect(m_pComboAccount, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &RFrameAudit::Reload);
    connect(m_pComboAction, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &RFrameAudit::Reload);
    connect(m_pButtonExport, &QPushButton::clicked, this, &RFrameAudit::Export);
    connect(m_pButtonVerify, &QPushButton::clicked, this, &RFrameAudit::Verify);

    SetWidget(pContent);
    return pContent;
}

void RFrameAudit::UpdateRights(bool bAllowed)
{
    if (!Widget())
        return;
    m_bAllowed = bAllowed;
    POptionPage::UpdateRights(bAllowed);
    m_pLabelCheck->clear();
    if (bAllowed) {
        Reload();
    } else {
        m_pModel->removeRows(0, m_pModel->rowCount());
        m_pComboAccount->clear();
    }
}

void RFrameAudit::SetFilter(
    const QDate& from, const QDate& to, const QString& strAccount, const QString& strAction)
{
    if (!Widget())
        return;
    {
        const QSignalBlocker blockFrom(m_pDateFrom);
        const QSignalBlocker blockTo(m_pDateTo);
        const QSignalBlocker blockAction(m_pComboAction);
        m_pDateFrom->setDate(from);
        m_pDateTo->setDate(to);
        m_pComboAction->setCurrentIndex(qMax(0, m_pComboAction->findData(strAction)));
        FillAccounts();
        const QSignalBlocker blockAccount(m_pComboAccount);
        m_pComboAccount->setCurrentIndex(qMax(0, m_pComboAccount->findData(strAccount)));
    }
    Reload();
}

void RFrameAudit::FillAccounts()
{
    const QSignalBlocker block(m_pComboAccount);
    const QString strChosen = m_pComboAccount->currentData().toString();
    m_pComboAccount->clear();
    m_pComboAccount->addItem(tr("All"), QString());
    for (const QString& strName : RAuditTrail::AccountNames())
        m_pComboAccount->addItem(strName, strName);
    m_pComboAccount->setCurrentIndex(qMax(0, m_pComboAccount->findData(strChosen)));
}

QVector<RAuditEntry> RFrameAudit::Rows() const
{
    return RAuditTrail::Read(m_pDateFrom->date(), m_pDateTo->date(),
        m_pComboAccount->currentData().toString(), m_pComboAction->currentData().toString());
}

void RFrameAudit::Reload()
{
    if (!Widget() || !m_bAllowed)
        return;
    FillAccounts();
    m_pModel->removeRows(0, m_pModel->rowCount());
    for (const RAuditEntry& entry : Rows()) {
        QList<QStandardItem*> items;
        for (const QString& strText : {entry.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                 entry.actor.strName, ActionName(entry.strAction), ValueText(entry.strObject),
                 ValueText(entry.strOld), ValueText(entry.strNew), ValueText(entry.strReason)}) {
            auto* pItem = new QStandardItem(strText);
            // The whole text, for a column the page is too narrow for.
            pItem->setToolTip(strText);
            items << pItem;
        }
        m_pModel->appendRow(items);
    }
    m_pTable->resizeColumnsToContents();
    const int nMargin = 2 * m_pTable->fontMetrics().averageCharWidth();
    for (int nColumn = 0; nColumn < m_pModel->columnCount(); ++nColumn)
        m_pTable->setColumnWidth(nColumn, m_pTable->columnWidth(nColumn) + nMargin);
    // Oldest first: the latest rows are the ones in view.
    m_pTable->scrollToBottom();
}

void RFrameAudit::Export()
{
    if (!Widget() || !m_bAllowed)
        return;
    QString strFile = Prompt()->AskSaveFileName(Widget(), tr("Save File"),
        QDir::home().filePath(QStringLiteral("audit-%1-%2.csv")
                                  .arg(m_pDateFrom->date().toString(QStringLiteral("yyyyMMdd")),
                                      m_pDateTo->date().toString(QStringLiteral("yyyyMMdd")))),
        tr("CSV (*.csv)"));
    if (strFile.isEmpty())
        return;
    if (!strFile.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        strFile += QLatin1String(".csv");
    QString strError;
    if (PAuditReport::Write(strFile, Rows(), &strError))
        emit SendMessage(tr("Exported to %1").arg(QDir::toNativeSeparators(strFile)));
    else
        Prompt()->Tell(
            Widget(), tr("The audit trail could not be exported: %1").arg(strError), tr("Ok"));
}

void RFrameAudit::Verify()
{
    if (!Widget() || !m_bAllowed)
        return;
    const RAuditCheck check = m_pTrail ? m_pTrail->Check() : RAuditTrail::Verify(QByteArray());
    const QString strText = RAuditTrail::CheckText(check);
    const bool bBroken = check.eStatus != RAuditCheck::Status::Intact || !check.bEndConfirmed;
    m_pLabelCheck->setText(strText);
    m_pLabelCheck->setStyleSheet(
        bBroken ? QStringLiteral("color: rgb(200, 0, 0); font-weight: bold;") : QString());
}

QString RFrameAudit::CheckText() const
{
    return Widget() ? m_pLabelCheck->text() : QString();
}
