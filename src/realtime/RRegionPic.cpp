#include "realtime/RRegionPic.h"

#include "database/RRegionCatalogue.h"
#include "database/RSystemInfoStore.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "realtime/PStaleOverlay.h"
#include "realtime/RAlarmState.h"

#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const char* const kMaskName = "mask.png";
const char* const kSrcName = "src.png";
const char* const kThresName = ":/Kestal/thres.png";
const char* const kPositionName = "position.txt";

// A press and release further apart than this (widget pixels, either axis)
// within the move burst is a drag.
const int kDragDistance = 20;
// A move burst lasts this long from its first move (ms).
const qint64 kMoveBurstMs = 2000;
const int kStoreys = 4;

bool readPicture(const QString& strFile, QImage* pImage)
{
    QImageReader reader(strFile);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > RRegionPic::kMaxPixels) {
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
    if (qint64(image.width()) * image.height() > RRegionPic::kMaxPixels) {
        Log(LogLevel::Warning,
            "site picture: %s is over the size limit; the picture shown is kept\n",
            qPrintable(strFile));
        return false;
    }
    *pImage = image;
    return true;
}

} // namespace

RRegionPic::RRegionPic(RRegionCatalogue* pCatalogue, QWidget* parent, SClock* pClock)
    : QWidget(parent)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pRepaintTimer(new QTimer(this))
{
    m_pRepaintTimer->setSingleShot(true);
    m_pRepaintTimer->setInterval(kRepaintMs);
    connect(m_pRepaintTimer, &QTimer::timeout, this, &RRegionPic::OnRepaintTimeout);
    BuildMenu();
    Load(kMaskName, kSrcName, kThresName, kPositionName);
    resize(400, 400);
}

RRegionPic::~RRegionPic() = default;

void RRegionPic::BuildMenu()
{
    m_pMenuBar = new QMenuBar(this);
    m_pMenu = m_pMenuBar->addMenu(tr("Regional figure"));
    const QString texts[] = {tr("Regional figure"), tr("The first layer"), tr("The second  layer"),
        tr("The third  layer"), tr("The fourth layer")};
    for (int nLayer = 0; nLayer <= kStoreys; ++nLayer)
        m_pMenu->addAction(texts[nLayer])->setData(nLayer);
    connect(m_pMenu, &QMenu::triggered, this, &RRegionPic::OnTriggered);
    FitMenuBar();
}

void RRegionPic::FitMenuBar()
{
    // Only as wide as its one title, so it hides as little of the plan as it can.
    // Measured in the theme's font, which polishing gives it.
    m_pMenuBar->ensurePolished();
    const QRect title = m_pMenuBar->actionGeometry(m_pMenu->menuAction());
    m_pMenuBar->setFixedSize(title.right() + 1 + title.left(), m_pMenuBar->sizeHint().height());
}

QString RRegionPic::LayerFileName(const QString& strName, int nLayer)
{
    const QStringList parts = strName.split(QLatin1Char('.'));
    if (parts.size() != 2)
        return strName;
    return parts.at(0) + QString::number(nLayer) + QLatin1Char('.') + parts.at(1);
}

bool RRegionPic::Load(
    const QString& strMask, const QString& strSrc, const QString&, const QString& strPosition)
{
    QImage mask;
    QImage src;
    if (!readPicture(LayerFileName(strMask, m_nLayer), &mask)
        || !readPicture(LayerFileName(strSrc, m_nLayer), &src))
        return false;

    // Walls are wherever the mask is not fully transparent.
    mask = mask.convertToFormat(QImage::Format_ARGB32);
    const int W = mask.width();
    const int H = mask.height();
    m_labels.resize(W * H);
    char* pLabels = m_labels.data();
    for (int y = 0; y < H; ++y) {
        const QRgb* pRow = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < W; ++x)
            pLabels[y * W + x] = static_cast<char>(qAlpha(pRow[x]));
    }
    // The mask becomes the colour layer; opaque colours are the same
    // premultiplied, which paints fastest.
    m_maskImage = QImage(W, H, QImage::Format_ARGB32_Premultiplied);
    m_srcImage = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    m_blocks = ParsePositions(strPosition);
    LoadRegions();
    LoadThresholds();
    emit ImageChanged(true);
    update();
    return true;
}

QMap<int, QList<QPoint>> RRegionPic::ParsePositions(const QString& strFile)
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

QMap<int, QMap<int, QPoint>> RRegionPic::PlaceRegions(
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
        while (k <= kStoreys && j >= blocks.value(k).size()) {
            ++k;
            j = 0;
        }
        if (k <= kStoreys)
            layers[k].insert(ids.at(i), blocks.value(k).at(j++));
    }
    return layers;
}

void RRegionPic::LoadRegions()
{
    const QVector<int> ids = m_pCatalogue->Ids();
    m_layerRegions = PlaceRegions(m_blocks, ids);
    m_seeds = m_layerRegions.value(m_nLayer);
    // In position order: where seeds share a room the first keeps the click.
    QVector<QPair<int, QPoint>> seeds;
    for (int nId : ids) {
        const auto it = m_seeds.constFind(nId);
        if (it != m_seeds.constEnd())
            seeds.append({nId, *it});
    }
    m_rooms.Build(m_labels, m_maskImage.size(), seeds);
    m_roomPaths.clear();
    m_maskImage.fill(Qt::transparent);
    for (auto it = m_doses.constBegin(); it != m_doses.constEnd(); ++it)
        ColourRegion(BandColour(it.value(), m_threA, m_threB, m_threC), it.key());
    update();
}

void RRegionPic::LoadThresholds()
{
    const RSystemValues values = RSystemInfoStore::Values();
    m_threA = static_cast<float>(values.dThreA);
    m_threB = static_cast<float>(values.dThreB);
    m_threC = static_cast<float>(values.dThreC);
    for (auto it = m_doses.constBegin(); it != m_doses.constEnd(); ++it)
        ColourRegion(BandColour(it.value(), m_threA, m_threB, m_threC), it.key());
}

QColor RRegionPic::BandColour(float dose, float threA, float threB, float threC)
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

void RRegionPic::ShowRegion(int id, float dose)
{
    m_doses.insert(id, dose);
    ColourRegion(BandColour(dose, m_threA, m_threB, m_threC), id);
}

void RRegionPic::ColourRegion(const QColor& colour, int id)
{
    const QVector<RSiteRooms::Run>* pRuns = m_rooms.Runs(id);
    if (!pRuns)
        return;
    const QRgb rgb = colour.rgb() | 0xFF000000u;
    uchar* pBits = m_maskImage.bits();
    const qsizetype nStride = m_maskImage.bytesPerLine();
    for (const RSiteRooms::Run& run : *pRuns) {
        QRgb* pRow = reinterpret_cast<QRgb*>(pBits + run.nY * nStride);
        std::fill(pRow + run.nX0, pRow + run.nX1 + 1, rgb);
    }
    if (!isVisible())
        return;
    m_dirty |= WidgetRect(m_rooms.Bounds(id));
    if (!m_pRepaintTimer->isActive())
        m_pRepaintTimer->start();
}

void RRegionPic::SetAlarmState(const RAlarmState* pAlarmState)
{
    if (m_pAlarmState)
        disconnect(m_pAlarmState, nullptr, this, nullptr);
    m_pAlarmState = pAlarmState;
    if (pAlarmState) {
        connect(pAlarmState, &RAlarmState::LookChanged, this, [this](int nId) {
            if (nId == 0)
                update();
            else
                UpdateRoom(nId);
        });
        connect(pAlarmState, &RAlarmState::FlashChanged, this, [this]() {
            for (auto it = m_seeds.constBegin(); it != m_seeds.constEnd(); ++it) {
                if (m_pAlarmState->LookOf(it.key()) == RAlarmState::ActiveUnacknowledged)
                    UpdateRoom(it.key());
            }
        });
    }
    update();
}

void RRegionPic::UpdateRoom(int nId)
{
    if (m_rooms.Runs(nId))
        update(WidgetRect(m_rooms.Bounds(nId)));
}

const QPainterPath& RRegionPic::RoomPath(int nId)
{
    auto it = m_roomPaths.find(nId);
    if (it != m_roomPaths.end())
        return *it;
    QPainterPath path;
    if (const QVector<RSiteRooms::Run>* pRuns = m_rooms.Runs(nId)) {
        // Runs are maximal and sorted by row, then column: a region's own
        // banding, built without a union per run.
        QVector<QRect> rects;
        rects.reserve(pRuns->size());
        for (const RSiteRooms::Run& run : *pRuns)
            rects.append(QRect(run.nX0, run.nY, run.nX1 - run.nX0 + 1, 1));
        QRegion region;
        region.setRects(rects.constData(), rects.size());
        path.addRegion(region);
        path = path.simplified();
    }
    return *m_roomPaths.insert(nId, path);
}

void RRegionPic::PaintAlarm(QPainter& painter, int nId)
{
    const int nLook = m_pAlarmState->LookOf(nId);
    if (nLook == RAlarmState::NoAlarm || !m_rooms.Runs(nId))
        return;
    const QTransform toWidget = QTransform::fromScale(
        double(width()) / m_maskImage.width(), double(height()) / m_maskImage.height());
    const QPainterPath room = toWidget.map(RoomPath(nId));
    const bool bBright = nLook != RAlarmState::ActiveUnacknowledged || m_pAlarmState->FlashOn();
    // A shelved room: the same stripes and edge in grey.
    const QColor colour = nLook == RAlarmState::Shelved ? RAlarmState::ShelvedColour()
                                                        : RAlarmState::AlarmColour(bBright);
    painter.save();
    // Everything inside the room: its walls and its neighbours stay as drawn.
    painter.setClipPath(room);
    // Alarm colour edged in black, so that it stands out from every band
    // colour, the red one included.
    const QColor edge(0, 0, 0);
    if (nLook != RAlarmState::ClearedUnacknowledged) {
        // Stripes, so the band colour still shows between them.
        const QRectF bounds = room.boundingRect();
        const double dH = bounds.height();
        for (const QPen& pen : {QPen(edge, 5), QPen(colour, 3)}) {
            painter.setPen(pen);
            for (double x = bounds.left() - dH; x < bounds.right(); x += 14)
                painter.drawLine(QPointF(x, bounds.bottom()), QPointF(x + dH, bounds.top()));
        }
    }
    // Twice the widths shown: the clip keeps the halves inside the room.
    painter.strokePath(room, QPen(edge, 10));
    painter.strokePath(room, QPen(colour, 6));
    painter.restore();
}

void RRegionPic::SetRepaintInterval(int nMs)
{
    m_pRepaintTimer->setInterval(qMax(0, nMs));
}

void RRegionPic::OnRepaintTimeout()
{
    update(m_dirty);
    m_dirty = QRegion();
}

QRect RRegionPic::WidgetRect(const QRect& imageRect) const
{
    if (m_maskImage.isNull())
        return QRect();
    const double sx = double(width()) / m_maskImage.width();
    const double sy = double(height()) / m_maskImage.height();
    // One pixel more on every side for the scaled picture's rounding.
    const int x0 = static_cast<int>(std::floor(imageRect.left() * sx)) - 1;
    const int y0 = static_cast<int>(std::floor(imageRect.top() * sy)) - 1;
    const int x1 = static_cast<int>(std::ceil((imageRect.right() + 1) * sx)) + 1;
    const int y1 = static_cast<int>(std::ceil((imageRect.bottom() + 1) * sy)) + 1;
    return QRect(QPoint(x0, y0), QPoint(x1, y1)) & rect();
}

QColor RRegionPic::GroundColour() const
{
    if (m_srcImage.isNull())
        return QColor();
    const QColor corner = m_srcImage.pixelColor(0, 0);
    return corner.alpha() == 255 ? corner : QColor();
}

QPoint RRegionPic::ImagePoint(const QPoint& widgetPoint) const
{
    if (m_maskImage.isNull() || width() <= 0 || height() <= 0)
        return QPoint(-1, -1);
    // The pixel whose stretched area holds the centre of the widget pixel.
    const double x = (widgetPoint.x() + 0.5) * m_maskImage.width() / width();
    const double y = (widgetPoint.y() + 0.5) * m_maskImage.height() / height();
    return QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

void RRegionPic::paintEvent(QPaintEvent*)
{
    if (m_maskImage.isNull())
        return;
    QPainter painter(this);
    // A room without a reading has no colour: it shows light, apart from
    // the plan's ground that its pane continues.
    painter.fillRect(rect(), QColor(232, 238, 247));
    painter.drawImage(rect(), m_maskImage);
    // The alarms between the room colours and the drawing: walls and room
    // names stay readable over them.
    if (m_pAlarmState) {
        for (auto it = m_seeds.constBegin(); it != m_seeds.constEnd(); ++it)
            PaintAlarm(painter, it.key());
    }
    painter.drawImage(rect(), m_srcImage);
    if (!m_strStaleNote.isEmpty())
        PStaleOverlay::Paint(painter, rect(), m_strStaleNote);
}

void RRegionPic::SetStaleNote(const QString& strNote)
{
    m_strStaleNote = strNote;
    update();
}

void RRegionPic::mousePressEvent(QMouseEvent* pEvent)
{
    m_pressPos = pEvent->pos();
}

void RRegionPic::mouseMoveEvent(QMouseEvent*)
{
    const qint64 nNow = m_pClock->ElapsedMs();
    if (m_nMoveBurstMs < 0 || nNow - m_nMoveBurstMs > kMoveBurstMs)
        m_nMoveBurstMs = nNow;
}

void RRegionPic::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const QPoint distance = pEvent->pos() - m_pressPos;
    const bool bFar = qAbs(distance.x()) > kDragDistance || qAbs(distance.y()) > kDragDistance;
    if (bFar && m_nMoveBurstMs >= 0 && m_pClock->ElapsedMs() - m_nMoveBurstMs <= kMoveBurstMs) {
        update();
        return;
    }
    if (!m_bClickable)
        return;
    int nId = 0;
    if (m_rooms.RegionAt(ImagePoint(pEvent->pos()), &nId))
        emit RegionClicked(nId);
}

void RRegionPic::OnTriggered(QAction* action)
{
    const int nPrevious = m_nLayer;
    m_nLayer = action->data().toInt();
    if (!Load(kMaskName, kSrcName, kThresName, kPositionName)) {
        // The layer shown stays the one named in the menu.
        m_nLayer = nPrevious;
        return;
    }
    m_pMenu->setTitle(action->text());
    FitMenuBar();
    update();
}
