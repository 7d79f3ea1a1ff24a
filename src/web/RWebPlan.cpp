#include "web/RWebPlan.h"

#include "database/RSystemInfoStore.h"

#include <QBuffer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QDateTime modified(const QString& strFile)
{
    return QFileInfo(strFile).lastModified();
}

} // namespace

QByteArray RWebPlan::SvgPath(const QPainterPath& path)
{
    // Rooms come from pixel rows: only moves and straight lines.
    QByteArray d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        d += element.isMoveTo() ? (i ? " M" : "M") : " L";
        d += QByteArray::number(qRound(element.x)) + ' ' + QByteArray::number(qRound(element.y));
    }
    return d.isEmpty() ? d : d + " Z";
}

QByteArray RWebPlan::Answer(int nLayer, const QVector<int>& ids)
{
    if (nLayer < 0 || nLayer > RSitePlan::Storeys)
        return QByteArray();
    const QString strMask = RSitePlan::LayerFileName(RSitePlan::MaskName, nLayer);
    const QString strSrc = RSitePlan::LayerFileName(RSitePlan::SrcName, nLayer);
    Cached& cached = m_layers[nLayer];
    const QDateTime maskTime = modified(strMask);
    const QDateTime srcTime = modified(strSrc);
    const QDateTime positionTime = modified(RSitePlan::PositionName);
    if (cached.drawing.isEmpty() || cached.maskTime != maskTime || cached.srcTime != srcTime
        || cached.positionTime != positionTime || cached.ids != ids) {
        RSitePlan::Layer layer;
        if (!RSitePlan::ReadLayer(nLayer, &layer)) {
            m_layers.remove(nLayer);
            return QByteArray();
        }
        RSitePlan::PlaceRooms(nLayer, RSitePlan::ParsePositions(), ids, &layer);
        QJsonArray rooms;
        for (int nId : ids) {
            const QVector<RSiteRooms::Run>* pRuns = layer.rooms.Runs(nId);
            if (!pRuns)
                continue;
            QJsonObject room;
            room.insert(QStringLiteral("id"), nId);
            room.insert(
                QStringLiteral("d"), QString::fromLatin1(SvgPath(RSitePlan::RoomPath(*pRuns))));
            rooms.append(room);
        }
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        layer.src.save(&png, "PNG");
        cached.drawing = "data:image/png;base64," + png.data().toBase64();
        cached.rooms = QJsonDocument(rooms).toJson(QJsonDocument::Compact);
        cached.size = layer.size;
        cached.maskTime = maskTime;
        cached.srcTime = srcTime;
        cached.positionTime = positionTime;
        cached.ids = ids;
    }
    QJsonArray layers;
    for (int n = 0; n <= RSitePlan::Storeys; ++n) {
        if (QFileInfo::exists(RSitePlan::LayerFileName(RSitePlan::MaskName, n))
            && QFileInfo::exists(RSitePlan::LayerFileName(RSitePlan::SrcName, n)))
            layers.append(n);
    }
    // Read each time: the thresholds change in System Settings.
    const RSystemValues values = RSystemInfoStore::Values();
    QJsonObject head;
    head.insert(QStringLiteral("layer"), nLayer);
    head.insert(QStringLiteral("layers"), layers);
    head.insert(QStringLiteral("width"), cached.size.width());
    head.insert(QStringLiteral("height"), cached.size.height());
    head.insert(QStringLiteral("thresholds"),
        QJsonArray {float(values.dThreA), float(values.dThreB), float(values.dThreC)});
    QByteArray json = QJsonDocument(head).toJson(QJsonDocument::Compact);
    json.chop(1);
    return json + ",\"rooms\":" + cached.rooms + ",\"drawing\":\"" + cached.drawing + "\"}";
}
