#include "preset/SPresetContent.h"

#include "message/PAssert.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/PServerConnect.h"
#include "preset/RPresetComServer.h"
#include "preset/RPresetCurveColor.h"
#include "preset/RPresetNetServer.h"
#include "preset/RPresetPersonal.h"
#include "preset/RPresetRegion.h"
#include "preset/SPresetObject.h"

#include <algorithm>

SPresetContent::SPresetContent(QObject* pParent)
    : QObject(pParent)
{
}

SPresetContent::~SPresetContent()
{
    UnregisterReceiver(this);
    QMap<int, SPresetObject*>& registry = Registry();
    for (const std::unique_ptr<SPresetObject>& pObject : m_owned) {
        auto it = registry.find(pObject->Id());
        if (it != registry.end() && it.value() == pObject.get())
            registry.erase(it);
    }
}

QMap<int, SPresetObject*>& SPresetContent::Registry()
{
    static QMap<int, SPresetObject*> s_registry;
    return s_registry;
}

void SPresetContent::Register(SPresetObject* pObject)
{
    P_ASSERT(pObject, "no holder");
    Registry().insert(pObject->Id(), pObject);
    const bool bOwned = std::any_of(m_owned.begin(), m_owned.end(),
        [pObject](const std::unique_ptr<SPresetObject>& p) { return p.get() == pObject; });
    if (!bOwned)
        m_owned.emplace_back(pObject);
}

void SPresetContent::RegisterHolders()
{
    Register(new RPresetRegion(SBus::RegionList, QStringLiteral("region")));
    Register(new RPresetPersonal(SBus::PersonalList, QStringLiteral("personal")));
    Register(new RPresetNetServer);
    Register(new RPresetComServer);
    Register(new RPresetCurveColor);
    Register(new PServerConnect);
    Register(new RPresetPersonal(SBus::RoutingStaffList, QStringLiteral("rout")));
    Register(new RPresetRegion(SBus::RoutingRoomList, QStringLiteral("room")));
}

void SPresetContent::SaveAll()
{
    for (SPresetObject* pObject : qAsConst(Registry()))
        pObject->Save();
}

SPresetObject* SPresetContent::Find(int nId)
{
    return Registry().value(nId, nullptr);
}

bool SPresetContent::event(QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    auto* pMessage = dynamic_cast<SMessage*>(pEvent);
    if (!pMessage || nType < SBus::FirstStoreType || nType > SBus::LastStoreType)
        return QObject::event(pEvent);
    SPresetObject* pObject = Find(nType);
    if (!pObject) {
        Log(LogLevel::Debug, "Id: %x dose not exsist!\n", static_cast<unsigned>(nType));
        SMessage::SetReply(0);
        pEvent->ignore();
        return false;
    }
    SMessage::SetReply(pObject->Command(static_cast<int>(pMessage->First()), pMessage->Second()));
    pEvent->accept();
    return true;
}
