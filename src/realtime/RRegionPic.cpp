#include "realtime/RRegionPic.h"

#include "database/RRegionCatalogue.h"
#include "database/RSystemInfoStore.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "realtime/PStaleOverlay.h"
#include "realtime/RAlarmState.h"
#include "realtime/RSitePlan.h"

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// A press and release further apart than this (widget pixels, either axis)
// within the move burst is a drag.
const int kDragDistance = 20;
// A move burst lasts this long from its first move (ms).
const qint64 kMoveBurstMs = 2000;

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
    Load(RSitePlan::MaskName, RSitePlan::SrcName, QString(), RSitePlan::PositionName);
    resize(400, 400);
}

RRegionPic::~RRegionPic() = default;

void RRegionPic::BuildMenu()
{
    m_pMenuBar = new QMenuBar(this);
    m_pMenu = m_pMenuBar->addMenu(tr("Regional figure"));
    const QString texts[] = {tr("Regional figure"), tr("The first layer"), tr("The second  layer"),
        tr("The third  layer"), tr("The fourth layer")};
    for (int nLayer = 0; nLayer <= RSitePlan::Storeys; ++nLayer)
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

bool RRegionPic::Load(
    const QString& strMask, const QString& strSrc, const QString&, const QString& strPosition)
{
    if (!RSitePlan::ReadLayer(m_nLayer, &m_layer, strMask, strSrc))
        return false;
    // The mask becomes the colour layer; opaque colours are the same
    // premultiplied, which paints fastest.
    m_maskImage = QImage(m_layer.size, QImage::Format_ARGB32_Premultiplied);
    m_blocks = RSitePlan::ParsePositions(strPosition);
    LoadRegions();
    LoadThresholds();
    emit ImageChanged(true);
    update();
    return true;
}

void RRegionPic::LoadRegions()
{
    RSitePlan::PlaceRooms(m_nLayer, m_blocks, m_pCatalogue->Ids(), &m_layer);
    m_roomPaths.clear();
    m_maskImage.fill(Qt::transparent);
    for (auto it = m_doses.constBegin(); it != m_doses.constEnd(); ++it)
        ColourRegion(FillOf(it.key(), it.value()), it.key());
    update();
}

void RRegionPic::LoadThresholds()
{
    const RSystemValues values = RSystemInfoStore::Values();
    m_threA = static_cast<float>(values.dThreA);
    m_threB = static_cast<float>(values.dThreB);
    m_threC = static_cast<float>(values.dThreC);
    for (auto it = m_doses.constBegin(); it != m_doses.constEnd(); ++it)
        ColourRegion(FillOf(it.key(), it.value()), it.key());
}

void RRegionPic::ShowRegion(int id, float dose)
{
    m_doses.insert(id, dose);
    ColourRegion(FillOf(id, dose), id);
}

QColor RRegionPic::FillOf(int id, float dose) const
{
    // A monitor out for service measures nothing of its room: no band.
    if (m_pAlarmState && m_pAlarmState->IsOutOfService(id))
        return QColor(200, 210, 225);
    return RSitePlan::BandColour(dose, m_threA, m_threB, m_threC);
}

void RRegionPic::ColourRegion(const QColor& colour, int id)
{
    const QVector<RSiteRooms::Run>* pRuns = m_layer.rooms.Runs(id);
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
    m_dirty |= WidgetRect(m_layer.rooms.Bounds(id));
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
        connect(pAlarmState, &RAlarmState::ServiceChanged, this, [this](int nId) {
            if (m_doses.contains(nId))
                ColourRegion(FillOf(nId, m_doses.value(nId)), nId);
        });
        connect(pAlarmState, &RAlarmState::FlashChanged, this, [this]() {
            for (auto it = m_layer.seeds.constBegin(); it != m_layer.seeds.constEnd(); ++it) {
                if (m_pAlarmState->LookOf(it.key()) == RAlarmState::ActiveUnacknowledged)
                    UpdateRoom(it.key());
            }
        });
    }
    update();
}

void RRegionPic::UpdateRoom(int nId)
{
    if (m_layer.rooms.Runs(nId))
        update(WidgetRect(m_layer.rooms.Bounds(nId)));
}

const QPainterPath& RRegionPic::RoomPath(int nId)
{
    auto it = m_roomPaths.find(nId);
    if (it != m_roomPaths.end())
        return *it;
    QPainterPath path;
    if (const QVector<RSiteRooms::Run>* pRuns = m_layer.rooms.Runs(nId))
        path = RSitePlan::RoomPath(*pRuns);
    return *m_roomPaths.insert(nId, path);
}

void RRegionPic::PaintAlarm(QPainter& painter, int nId)
{
    const int nLook = m_pAlarmState->LookOf(nId);
    if (nLook == RAlarmState::NoAlarm || !m_layer.rooms.Runs(nId))
        return;
    const QTransform toWidget = QTransform::fromScale(
        double(width()) / m_maskImage.width(), double(height()) / m_maskImage.height());
    const QPainterPath room = toWidget.map(RoomPath(nId));
    const bool bBright = nLook != RAlarmState::ActiveUnacknowledged || m_pAlarmState->FlashOn();
    // A shelved room: the same stripes and edge in grey.
    const QColor colour = nLook == RAlarmState::Shelved ? RAlarmState::ShelvedColour()
        : nLook == RAlarmState::OutOfService            ? RAlarmState::OutOfServiceColour()
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
            // Out of service leans the other way, unlike any alarm.
            const bool bOut = nLook == RAlarmState::OutOfService;
            for (double x = bounds.left() - dH; x < bounds.right(); x += 14)
                painter.drawLine(QPointF(x, bOut ? bounds.top() : bounds.bottom()),
                    QPointF(x + dH, bOut ? bounds.bottom() : bounds.top()));
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
    if (m_layer.src.isNull())
        return QColor();
    const QColor corner = m_layer.src.pixelColor(0, 0);
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
        for (auto it = m_layer.seeds.constBegin(); it != m_layer.seeds.constEnd(); ++it)
            PaintAlarm(painter, it.key());
    }
    painter.drawImage(rect(), m_layer.src);
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
    if (m_layer.rooms.RegionAt(ImagePoint(pEvent->pos()), &nId))
        emit RegionClicked(nId);
}

void RRegionPic::OnTriggered(QAction* action)
{
    const int nPrevious = m_nLayer;
    m_nLayer = action->data().toInt();
    if (!Load(RSitePlan::MaskName, RSitePlan::SrcName, QString(), RSitePlan::PositionName)) {
        // The layer shown stays the one named in the menu.
        m_nLayer = nPrevious;
        return;
    }
    m_pMenu->setTitle(action->text());
    FitMenuBar();
    update();
}
