#include "preset/POptionPage.h"

#include "widgets/SPrompt.h"

namespace {

std::vector<std::unique_ptr<POptionPage>>& pageList()
{
    static std::vector<std::unique_ptr<POptionPage>> pages;
    return pages;
}

} // namespace

POptionPage::POptionPage(int nCategory, QObject* pParent)
    : QObject(pParent)
    , m_nCategory(nCategory)
    , m_pPrompt(SPrompt::Default())
{
}

POptionPage::~POptionPage() = default;

int POptionPage::GetCategory() const
{
    return m_nCategory;
}

bool POptionPage::IsMatch(const QString& strPattern) const
{
    return !m_strKeywords.isEmpty() && m_strKeywords.contains(strPattern, Qt::CaseInsensitive);
}

void POptionPage::Discard()
{
    // Pages whose edits are stored at once have nothing to drop.
}

bool POptionPage::GetFlag() const
{
    return m_bFlag;
}

void POptionPage::UpdateLoginInfo()
{
    // Only account pages show the login.
}

void POptionPage::UpdateRights(bool bAllowed)
{
    if (m_pWidget)
        m_pWidget->setEnabled(bAllowed);
}

void POptionPage::Register(POptionPage* pPage)
{
    pageList().emplace_back(pPage);
}

const std::vector<std::unique_ptr<POptionPage>>& POptionPage::Pages()
{
    return pageList();
}

void POptionPage::ClearPages()
{
    pageList().clear();
}

namespace {

POptionPage::ChangeSink& changeSink()
{
    static POptionPage::ChangeSink sink;
    return sink;
}

} // namespace

void POptionPage::SetChangeSink(ChangeSink sink)
{
    changeSink() = std::move(sink);
}

void POptionPage::RecordChange(
    const char* pAction, const QString& strObject, const QString& strOld, const QString& strNew)
{
    if (changeSink())
        changeSink()(QLatin1String(pAction), strObject, strOld, strNew);
}
