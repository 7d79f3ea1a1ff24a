#include "history/PCurveColourPreset.h"

#include "message/SMessage.h"

#include <QtGlobal>

namespace {

int Component(int nItem)
{
    // The reply word is shared by every request; an answer out of range (no
    // store, a damaged file) must still make a valid colour.
    const qintptr nReply
        = SendSMessage(PCurveColourPreset::kStoreId, PCurveColourPreset::kHolderId, nItem, 0);
    return static_cast<int>(qBound<qintptr>(0, nReply, 255));
}

} // namespace

QColor PCurveColourPreset::Read(int nFirstItem)
{
    return QColor(Component(nFirstItem), Component(nFirstItem + 2), Component(nFirstItem + 4));
}
