#include "preset/RFramePresetRegion.h"

#include "preset/RFramePresetRegionWidget.h"
#include "preset/RItemModelPresetRegion.h"
#include "widgets/SPrompt.h"

RFramePresetRegion::RFramePresetRegion(int nCategory, QObject* pParent)
    : POptionPage(nCategory, pParent)
{
}

RFramePresetRegion::~RFramePresetRegion() = default;

QString RFramePresetRegion::GetName() const
{
    return GetCategory() == 1 ? tr("Device Management") : tr("Inspection room");
}

QWidget* RFramePresetRegion::CreateWidget(QWidget* pParent)
{
    auto* pWidget = new RFramePresetRegionWidget(GetCategory() == 1 ? 0 : 1, pParent);
    connect(pWidget, &RFramePresetRegionWidget::SendMessage, this, &POptionPage::SendMessage);
    SetWidget(pWidget);
    return pWidget;
}

RFramePresetRegionWidget* RFramePresetRegion::Editor() const
{
    return static_cast<RFramePresetRegionWidget*>(Widget());
}

int RFramePresetRegion::Apply()
{
    if (!Editor())
        return Applied;
    RItemModelPresetRegion* pModel = Editor()->ItemModel();
    if (!pModel->IsModified())
        return Applied;
    int nResult = pModel->Check();
    if (nResult == RItemModelPresetRegion::Saved) {
        // The history of a removed device cannot be brought back: ask first.
        QStringList removed;
        for (int nId : pModel->RemovedIds())
            removed << QString::number(nId);
        if (!removed.isEmpty()
            && !Prompt()->Ask(Editor(),
                tr("The stored history of ID %1 will be deleted.")
                    .arg(removed.join(QStringLiteral(", "))),
                tr("Do you want to remove these devices and delete their history?"), tr("Delete"),
                tr("Cancel")))
            return Cancelled;
        nResult = pModel->Save();
    }
    if (nResult == RItemModelPresetRegion::Failed) {
        SetRefusal(pModel->LastError());
        emit SendMessage(pModel->LastError());
        return Refused;
    }
    return nResult;
}

void RFramePresetRegion::Discard()
{
    if (Editor())
        Editor()->Reset();
}
