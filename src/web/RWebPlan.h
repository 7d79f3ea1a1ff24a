#pragma once

#include "realtime/RSitePlan.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QVector>

// The site plan for the web view, as JSON: the layer's size, which layers
// there are, the band thresholds, the drawing as a PNG data address and each
// region's room as an SVG path, so that the page colours the rooms as the
// console does. A layer is read once and again only when its files or the
// regions change. GUI thread.
class RWebPlan final
{
public:
    // Empty when the layer's pictures cannot be read.
    QByteArray Answer(int nLayer, const QVector<int>& ids);
    // The path's text for an SVG "d" attribute, in whole plan pixels.
    static QByteArray SvgPath(const QPainterPath& path);

private:
    struct Cached
    {
        QDateTime maskTime;
        QDateTime srcTime;
        QDateTime positionTime;
        QVector<int> ids;
        QByteArray drawing; // the drawing as "data:image/png;base64,..."
        QByteArray rooms; // the "rooms" array's JSON
        QSize size;
    };
    QHash<int, Cached> m_layers;
};
