#include "realtime/RSitePlan.h"

#include "message/PLogRecord.h"

#include <QFile>
#include <QImageReader>
#include <QRegion>
#include <QTextStream>

const char* const RSitePlan::MaskName = "mask.png";
const char* const RSitePlan::SrcName = "src.png";
const char* const RSitePlan::PositionName = "position.txt";

namespace {

bool readPicture(const QString& strFile, QImage* pImage)
{
    QImageReader reader(strFile);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > RSitePlan::MaxPixels) {
        Log(LogLevel::Warning,
            "site picture: %s is %dx%d pixels, over the limit; the picture shown is kept\n",
            qPrintable(strFile), size.width(), size.height());
        return false;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        Log(LogLevel::Warning, "site picture: %s: %s; the picture shown is kept\n",
            qPrintable(strFile), qPrintable(reader.errorString()));
        return false;
    }
    if (qint64(image.width()) * image.height() > RSitePlan::MaxPixels) {
        Log(LogLevel::Warning,
            "site picture: %s is over the size limit; the picture shown is kept\n",
            qPrintable(strFile));
        return false;
    }
    *pImage = image;
    return true;
}

} // namespace

bool RSitePlan::ReadLayer(int nLayer, Layer* pLayer, const QString& strMask, const QString& strSrc)
{
    QImage mask;
    QImage src;
    if (!readPicture(LayerFileName(strMask, nLayer), &mask)
        || !readPicture(LayerFileName(strSrc, nLayer), &src))
        return false;
    // Walls are wherever the mask is not fully transparent.
    mask = mask.convertToFormat(QImage::Format_ARGB32);
    const int W = mask.width();
    const int H = mask.height();
    pLayer->labels.resize(W * H);
    char* pLabels = pLayer->labels.data();
    for (int y = 0; y < H; ++y) {
        const QRgb* pRow = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < W; ++x)
            pLabels[y * W + x] = static_cast<char>(qAlpha(pRow[x]));
    }
    pLayer->size = mask.size();
    pLayer->src = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pLayer->seeds.clear();
    pLayer->rooms.Clear();
    return true;
}

void RSitePlan::PlaceRooms(
    int nLayer, const QMap<int, QList<QPoint>>& blocks, const QVector<int>& ids, Layer* pLayer)
{
    pLayer->seeds = PlaceRegions(blocks, ids).value(nLayer);
    // In position order: where seeds share a room the first keeps the click.
    QVector<QPair<int, QPoint>> seeds;
    for (int nId : ids) {
        const auto it = pLayer->seeds.constFind(nId);
        if (it != pLayer->seeds.constEnd())
            seeds.append({nId, *it});
    }
    pLayer->rooms.Build(pLayer->labels, pLayer->size, seeds);
}

QString RSitePlan::LayerFileName(const QString& strName, int nLayer)
{
    const QStringList parts = strName.split(QLatin1Char('.'));
    if (parts.size() != 2)
        return strName;
    return parts.at(0) + QString::number(nLayer) + QLatin1Char('.') + parts.at(1);
}

QMap<int, QList<QPoint>> RSitePlan::ParsePositions(const QString& strFile)
{
    QMap<int, QList<QPoint>> blocks;
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Log(LogLevel::Warning, "site picture: no position file %s; no room is placed\n",
            qPrintable(strFile));
        return blocks;
    }
    QTextStream in(&file);
    QList<QPoint> points;
    int nKey = 0;
    int nSkipped = 0;
    for (int nLine = 1; !in.atEnd(); ++nLine) {
        const QString strLine = in.readLine().trimmed();
        if (strLine.isEmpty())
            continue;
        const QStringList parts = strLine.split(QLatin1Char(','));
        bool bOk0 = false;
        bool bOk1 = parts.size() == 2;
        const int n0 = parts.at(0).trimmed().toInt(&bOk0);
        const int n1 = bOk1 ? parts.at(1).trimmed().toInt(&bOk1) : 0;
        if (parts.size() == 1 && bOk0) {
            blocks[nKey] = points;
            nKey = n0;
            points.clear();
        } else if (bOk0 && bOk1) {
            points.append(QPoint(n0, n1));
        } else {
            if (nSkipped++ == 0)
                Log(LogLevel::Warning,
                    "site picture: %s line %d is neither a key nor a point; skipped\n",
                    qPrintable(strFile), nLine);
        }
    }
    blocks[nKey] = points;
    return blocks;
}

QMap<int, QMap<int, QPoint>> RSitePlan::PlaceRegions(
    const QMap<int, QList<QPoint>>& blocks, const QVector<int>& ids)
{
    QMap<int, QMap<int, QPoint>> layers;
    const QList<QPoint> site = blocks.value(0);
    int k = 1; // storey
    int j = 0; // next point of its block
    for (int i = 0; i < ids.size() && i < site.size(); ++i) {
        layers[0].insert(ids.at(i), site.at(i));
        // A missing or exhausted block passes the next regions on upward;
        // past the last storey a region has no seed on any.
        while (k <= Storeys && j >= blocks.value(k).size()) {
            ++k;
            j = 0;
        }
        if (k <= Storeys)
            layers[k].insert(ids.at(i), blocks.value(k).at(j++));
    }
    return layers;
}

QColor RSitePlan::BandColour(float dose, float threA, float threB, float threC)
{
    QColor colour = Qt::green;
    const double s = double(dose) * 200;
    double value = 0;
    if (threA > dose) {
        value = s / double(threA);
    } else if (threB > dose) {
        value = s / double(threB);
        colour = Qt::yellow;
    } else {
        value = s / double(threC);
        colour = Qt::red;
    }
    // Beyond threC, or with a threshold of 0 (not configured), the quotient
    // leaves 0..200: the saturation stops at full.
    const int nValue = static_cast<int>(qBound(0.0, value, 200.0));
    return QColor::fromHsv(colour.hsvHue(), nValue + 55, colour.value(), 255);
}

QPainterPath RSitePlan::RoomPath(const QVector<RSiteRooms::Run>& runs)
{
    // Runs are maximal and sorted by row, then column: a region's own
    // banding, built without a union per run.
    QVector<QRect> rects;
    rects.reserve(runs.size());
    for (const RSiteRooms::Run& run : runs)
        rects.append(QRect(run.nX0, run.nY, run.nX1 - run.nX0 + 1, 1));
    QRegion region;
    region.setRects(rects.constData(), rects.size());
    QPainterPath path;
    path.addRegion(region);
    return path.simplified();
}
