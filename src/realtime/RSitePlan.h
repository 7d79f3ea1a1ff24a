#pragma once

#include "realtime/RSiteRooms.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPainterPath>
#include <QPoint>
#include <QString>
#include <QVector>

// The site plan's files and rules, shared by the console's plan and the web
// view's: layer 0 is the whole site, layers 1 to 4 the storeys; each has a
// mask picture (alpha 0 inside rooms, walls opaque) and a drawing shown over
// the room colours, and "position.txt" places the regions' seeds. Files are
// read from the working directory.
class RSitePlan final
{
public:
    static constexpr int Storeys = 4;
    // Pictures larger than this (pixels) are refused: a mistaken export
    // would take gigabytes.
    static constexpr qint64 MaxPixels = 50'000'000;
    static const char* const MaskName;
    static const char* const SrcName;
    static const char* const PositionName;

    // One layer's pictures and rooms, as loaded.
    struct Layer
    {
        QImage src; // the drawing, premultiplied
        QByteArray labels; // the mask's alpha per pixel: 0 is open
        QSize size;
        QMap<int, QPoint> seeds; // region id -> its seed on this layer
        RSiteRooms rooms;
    };

    // Reads layer nLayer's two pictures; false, with *pLayer untouched,
    // when either is missing, unreadable or oversized.
    static bool ReadLayer(int nLayer, Layer* pLayer, const QString& strMask = MaskName,
        const QString& strSrc = SrcName);
    // Places the regions (in catalogue order) on the layer and finds their
    // rooms; blocks from ParsePositions.
    static void PlaceRooms(
        int nLayer, const QMap<int, QList<QPoint>>& blocks, const QVector<int>& ids, Layer* pLayer);

    // "name.ext" -> "name<layer>.ext"; other names are kept.
    static QString LayerFileName(const QString& strName, int nLayer);
    // The position file's blocks: key to points; points before the first key
    // line belong to block 0. Malformed lines are skipped.
    static QMap<int, QList<QPoint>> ParsePositions(const QString& strFile = PositionName);
    // Seeds per layer for regions in position order: block 0 holds layer 0's
    // seeds; blocks 1 to 4 take the regions consecutively, storey by storey.
    static QMap<int, QMap<int, QPoint>> PlaceRegions(
        const QMap<int, QList<QPoint>>& blocks, const QVector<int>& ids);
    // The fill colour of a dose (µRad/h) in the bands up to threA, threB, threC.
    static QColor BandColour(float dose, float threA, float threB, float threC);
    // A room's outline in plan pixels.
    static QPainterPath RoomPath(const QVector<RSiteRooms::Run>& runs);
};
