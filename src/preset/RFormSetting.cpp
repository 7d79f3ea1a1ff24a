#include "preset/RFormSetting.h"

#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/PCategoryFilterModel.h"
#include "preset/PCategoryModel.h"
#include "preset/POptionPage.h"
#include "widgets/SFilterEdit.h"
#include "widgets/SMessageLine.h"
#include "widgets/SPrompt.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

RFormSetting::RFormSetting(QWidget* parent, SClock* pClock)
    : QWidget(parent)
    , m_pModel(new PCategoryModel(this))
    , m_pFilterModel(new PCategoryFilterModel(this))
    , m_respondOk(300, pClock)
    , m_pPrompt(SPrompt::Default())
{
    BuildWidgets();

    QList<POptionPage*> pages;
    for (const auto& pPage : POptionPage::Pages())
        pages.append(pPage.get());
    m_pModel->SetPages(pages);
    m_pFilterModel->setSourceModel(m_pModel);
    m_pCategoryList->setModel(m_pFilterModel);

    connect(m_pCategoryList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &RFormSetting::CurrentChanged);
    connect(m_pFilterEdit, &SFilterEdit::FilterChanged, this, &RFormSetting::EnsureAllCateWidgets);
    connect(m_pFilterEdit, &SFilterEdit::FilterChanged, m_pFilterModel,
        &QSortFilterProxyModel::setFilterFixedString);
    connect(m_pFilterEdit, &SFilterEdit::FilterChanged, this, &RFormSetting::Filter);
    connect(m_pButtonApply, &QPushButton::clicked, this, &RFormSetting::Apply);
    connect(m_pButtonOK, &QPushButton::clicked, this, &RFormSetting::OK);
    connect(m_pButtonCancel, &QPushButton::clicked, this, &RFormSetting::Cancel);
    m_pButtonApply->hide();
}

RFormSetting::~RFormSetting()
{
    // The pages outlive this window; their editors do not.
    for (const PCategoryModel::Category& entry : m_pModel->Categories()) {
        if (entry.pPage)
            disconnect(entry.pPage, nullptr, this, nullptr);
    }
}

void RFormSetting::BuildWidgets()
{
    // The theme gives the two frames their pictures and the message its
    // colour, by object name.
    auto* pOuter = new QVBoxLayout(this);
    pOuter->setContentsMargins(0, 0, 0, 0);
    m_pMainFrame = new QFrame(this);
    m_pMainFrame->setObjectName(QStringLiteral("m_pMainFrame"));
    pOuter->addWidget(m_pMainFrame);

    auto* pRow = new QHBoxLayout(m_pMainFrame);
    auto* pLeft = new QFrame(m_pMainFrame);
    pLeft->setObjectName(QStringLiteral("frameCategories"));
    auto* pLeftColumn = new QVBoxLayout(pLeft);
    m_pFilterEdit = new SFilterEdit(pLeft);
    m_pFilterEdit->setObjectName(QStringLiteral("m_pFilterEdit"));
    pLeftColumn->addWidget(m_pFilterEdit);
    m_pCategoryList = new QListView(pLeft);
    m_pCategoryList->setObjectName(QStringLiteral("m_pCategoryList"));
    m_pCategoryList->setFixedWidth(340);
    m_pCategoryList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pCategoryList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    QFont listFont;
    listFont.setPointSize(14);
    m_pCategoryList->setFont(listFont);
    pLeftColumn->addWidget(m_pCategoryList);
    pRow->addWidget(pLeft);

    auto* pRight = new QFrame(m_pMainFrame);
    pRight->setObjectName(QStringLiteral("frameEditor"));
    auto* pRightColumn = new QVBoxLayout(pRight);
    m_pHeaderLabel = new QLabel(QStringLiteral("32"), pRight);
    m_pHeaderLabel->setObjectName(QStringLiteral("m_pHeaderLabel"));
    QFont headerFont;
    headerFont.setPointSize(26);
    m_pHeaderLabel->setFont(headerFont);
    pRightColumn->addWidget(m_pHeaderLabel);
    m_pGridLayout = new QGridLayout;
    m_pGridLayout->setObjectName(QStringLiteral("m_pGridLayout"));
    m_pStackedLayout = new QStackedLayout;
    m_pGridLayout->addLayout(m_pStackedLayout, 0, 0);
    m_pDenied = new QLabel(tr("Without Permission!"), pRight);
    m_pDenied->setObjectName(QStringLiteral("m_pDenied"));
    m_pDenied->setAlignment(Qt::AlignCenter);
    QFont deniedFont;
    deniedFont.setPointSize(20);
    m_pDenied->setFont(deniedFont);
    m_pStackedLayout->addWidget(m_pDenied);
    pRightColumn->addLayout(m_pGridLayout, 1);

    auto* pButtons = new QHBoxLayout;
    m_pLabelMsg = new SMessageLine(pRight);
    m_pLabelMsg->setObjectName(QStringLiteral("m_pLabelMsg"));
    pButtons->addWidget(m_pLabelMsg, 1);
    m_pButtonOK = new QPushButton(tr("OK"), pRight);
    m_pButtonOK->setObjectName(QStringLiteral("m_pButtonOK"));
    m_pButtonCancel = new QPushButton(tr("Cancel"), pRight);
    m_pButtonCancel->setObjectName(QStringLiteral("m_pButtonCancel"));
    m_pButtonApply = new QPushButton(tr("Apply"), pRight);
    m_pButtonApply->setObjectName(QStringLiteral("m_pButtonApply"));
    for (QPushButton* pButton : {m_pButtonOK, m_pButtonCancel, m_pButtonApply}) {
        pButton->setMinimumSize(100, 36);
        pButtons->addWidget(pButton);
    }
    pRightColumn->addLayout(pButtons);
    pRow->addWidget(pRight, 1);
}

QWidget* RFormSetting::EnsureWidget(int nRow)
{
    PCategoryModel::Category& entry = m_pModel->At(nRow);
    if (!entry.pWidget && entry.pPage) {
        entry.pWidget = entry.pPage->CreateWidget(this);
        entry.nStackIndex = m_pStackedLayout->addWidget(entry.pWidget);
        connect(entry.pPage, &POptionPage::SendMessage, this, &RFormSetting::ShowMessage);
        connect(entry.pPage, &POptionPage::AddUserFinished, this, &RFormSetting::AddUserFinished);
        entry.pPage->UpdateRights(RUserRights::May(m_nGrade, entry.pPage->Right()));
    }
    return entry.pWidget;
}

void RFormSetting::SetPrompt(SPrompt* pPrompt)
{
    m_pPrompt = pPrompt;
    for (const PCategoryModel::Category& entry : m_pModel->Categories()) {
        if (entry.pPage)
            entry.pPage->SetPrompt(pPrompt);
    }
}

void RFormSetting::ShowMessage(const QString& strText)
{
    m_pLabelMsg->ShowMessage(strText);
}

QString RFormSetting::Message() const
{
    return m_pLabelMsg->Message();
}

void RFormSetting::SetLoginWidgetInfo()
{
    for (const PCategoryModel::Category& entry : m_pModel->Categories()) {
        if (entry.pPage && entry.pPage->GetCategory() == 9)
            entry.pPage->UpdateLoginInfo();
    }
}

void RFormSetting::UpdateRights(int nGrade)
{
    m_nGrade = nGrade;
    for (const PCategoryModel::Category& entry : m_pModel->Categories()) {
        if (entry.pPage)
            entry.pPage->UpdateRights(RUserRights::May(nGrade, entry.pPage->Right()));
    }
    ShowCurrent();
}

bool RFormSetting::IsDenied() const
{
    return m_pCurrentPage && !RUserRights::May(m_nGrade, m_pCurrentPage->Right());
}

void RFormSetting::ShowCurrent()
{
    const int nRow = m_pFilterModel->mapToSource(m_pCategoryList->currentIndex()).row();
    if (nRow < 0 || nRow >= m_pModel->Categories().size())
        return;
    QWidget* pWidget = EnsureWidget(nRow);
    // A page the grade may not change is not opened at all: its place says
    // why, so that nothing on it looks changeable or invites a try.
    if (IsDenied())
        m_pStackedLayout->setCurrentWidget(m_pDenied);
    else if (pWidget)
        m_pStackedLayout->setCurrentWidget(pWidget);
}

void RFormSetting::Apply()
{
    for (int nRow = 0; nRow < m_pModel->Categories().size(); ++nRow) {
        const PCategoryModel::Category& entry = m_pModel->Categories().at(nRow);
        if (!entry.pPage)
            continue;
        EnsureWidget(nRow);
        // Edits made before the session ended or changed hands are not
        // stored under the grade now logged in.
        if (!RUserRights::May(m_nGrade, entry.pPage->Right())) {
            entry.pPage->Discard();
            continue;
        }
        const int nResult = entry.pPage->Apply();
        if (nResult >= 0) {
            OkMessageBox(
                entry.strName + QStringLiteral(" %1 ").arg(nResult) + tr("node has Colision!"),
                tr("Ok"));
            return;
        }
        if (nResult == POptionPage::Cancelled) {
            ShowMessage(tr("Nothing was saved."));
            return;
        }
        if (nResult == POptionPage::Refused) {
            // Nothing of this page was stored, and nothing after it is tried:
            // the operator corrects the entry and confirms again.
            ShowMessage(entry.pPage->RefusalText());
            OkMessageBox(
                entry.strName + QStringLiteral(": ") + entry.pPage->RefusalText(), tr("Ok"));
            return;
        }
    }
    OkMessageBox(tr("The systeminfo has been modified."), tr("Ok"));
    m_pLabelMsg->ShowMessage(tr("Current preset saved."));
    BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 0, 0);
}

void RFormSetting::OkMessageBox(const QString& strText, const QString& strInfo)
{
    m_pPrompt->Tell(this, strText, strInfo);
}

void RFormSetting::OK()
{
    if (!m_respondOk.CheckInterval())
        return;
    const bool bSave = m_pPrompt->Ask(this, tr("The system settings have been changed!"),
        tr("Click the 'Save' button to apply."), tr("Save"), tr("Cancel"));
    if (bSave && m_respondOk.CheckInterval())
        Apply();
}

void RFormSetting::Cancel()
{
    for (const PCategoryModel::Category& entry : m_pModel->Categories()) {
        if (entry.pPage && entry.pWidget)
            entry.pPage->Discard();
    }
}

void RFormSetting::CurrentChanged(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const int nRow = m_pFilterModel->mapToSource(index).row();
    EnsureWidget(nRow);
    const PCategoryModel::Category& entry = m_pModel->Categories().at(nRow);
    m_pHeaderLabel->setText(entry.strName);
    m_pCurrentPage = entry.pPage;
    ShowCurrent();
}

void RFormSetting::Filter(const QString& strFilter)
{
    Q_UNUSED(strFilter);
    if (!m_pCategoryList->currentIndex().isValid() && m_pFilterModel->rowCount() > 0)
        m_pCategoryList->setCurrentIndex(m_pFilterModel->index(0, 0));
}

void RFormSetting::EnsureAllCateWidgets()
{
    // Editors are created when their category is first shown or applied.
}

void RFormSetting::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    m_pCategoryList->setFocus(Qt::OtherFocusReason);
}
