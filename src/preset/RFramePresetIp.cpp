#include "preset/RFramePresetIp.h"

#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/RFramePresetIpWidget.h"

RFramePresetIp::RFramePresetIp(QObject* pParent)
    : POptionPage(5, pParent)
{
}

RFramePresetIp::~RFramePresetIp() = default;

QString RFramePresetIp::GetName() const
{
    return tr("System Settings");
}

QWidget* RFramePresetIp::CreateWidget(QWidget* pParent)
{
    auto* pWidget = new RFramePresetIpWidget(pParent);
    connect(pWidget, &RFramePresetIpWidget::SendMessage, this, &POptionPage::SendMessage);
    SetWidget(pWidget);
    return pWidget;
}

RFramePresetIpWidget* RFramePresetIp::Editor() const
{
    return static_cast<RFramePresetIpWidget*>(Widget());
}

int RFramePresetIp::Apply()
{
    if (!Editor())
        return Applied;
    QString strError;
    if (!Editor()->Save(&strError)) {
        SetRefusal(strError);
        emit SendMessage(strError);
        return Refused;
    }
    SendSMessage(SBus::PresetStore, SBus::NetServer, SBus::CmdSave, 0);
    return Applied;
}

void RFramePresetIp::Discard()
{
    if (Editor())
        Editor()->Load();
}
