#include "history/RDoseRatioDiagram.h"

#include "history/PChartAxes.h"
#include "history/PDoseCurveScale.h"
#include "history/PHistoryDoseStore.h"
#include "message/SClock.h"
#include "preset/RPresetCurveColor.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMargin = 30;
constexpr int kDemoLength = 1000;

const QColor& BackgroundColour()
{
    static const QColor s_colour(64, 70, 92, 100);
    return s_colour;
}

void DrawCurve(QPainter& painter, const QPolygon& points)
{
    const QVector<QLine> lines = PDoseCurveScale::Segments(points);
    if (!lines.isEmpty())
        painter.drawLines(lines);
}

} // namespace

RDoseRatioDiagram::RDoseRatioDiagram(QWidget* parent)
    : QWidget(parent)
    , m_baseTime(QDate(2012, 1, 1), QTime(0, 0))
    , m_curveColour(RPresetCurveColor::DefaultColor(RPresetCurveColor::Curve))
    , m_view(kDemoLength)
{
    setFixedSize(1000, 400);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    // A demonstration curve until the first load.
    SetLength(kDemoLength);
    for (int i = 0; i < kDemoLength; ++i)
        m_samples[i] = static_cast<float>(0.1 + 0.95 * (1.0 + std::sin(i * 2.0 * M_PI / 250.0)));
    m_view.SetFineLoader(
        [this](int nFirstHour, QVector<float>& fine) { return LoadFine(nFirstHour, fine); });
}

RDoseRatioDiagram::~RDoseRatioDiagram() = default;

void RDoseRatioDiagram::SetLength(int nLength)
{
    nLength = std::max(0, nLength);
    if (nLength != m_nLength) {
        m_nLength = nLength;
        m_samples.resize(nLength);
        m_view.SetLength(nLength);
    }
    m_samples.fill(0.0f);
}

void RDoseRatioDiagram::LoadDay(int id, bool personal, int length, QDate day)
{
    m_currentItem.clear();
    m_currentItem << id << (personal ? 1 : 0);
    m_day = day;
    SetLength(length);
    if (personal)
        PHistoryDoseStore::LoadPersonalDay(id, day, m_samples);
    else
        PHistoryDoseStore::LoadRegionDay(id, day, m_samples);
    // The zoom stays; the 2-second samples must follow the new day.
    m_view.InvalidateFine();
    update();
}

float RDoseRatioDiagram::LoadFine(int nFirstHour, QVector<float>& fine) const
{
    if (m_currentItem.size() < 2)
        return 0.0f;
    const int nId = m_currentItem[0];
    if (m_currentItem[1] != 0)
        return PHistoryDoseStore::LoadPersonalFine(nId, m_day, nFirstHour, fine);
    return PHistoryDoseStore::LoadRegionFine(nId, m_day, nFirstHour, fine);
}

void RDoseRatioDiagram::SetBaseTime(int year, int month, int day, int hour, int minute)
{
    m_baseTime = QDateTime(QDate(year, month, day), QTime(hour, minute));
    update();
}

void RDoseRatioDiagram::SetUnitMode(int nMode)
{
    m_nUnitMode = nMode;
    update();
}

void RDoseRatioDiagram::SetThresholdLine(int nValue)
{
    m_nThresholdLine = nValue;
}

void RDoseRatioDiagram::SetCurveColour(QColor colour)
{
    m_curveColour = colour;
    update();
}

void RDoseRatioDiagram::ResetCurveColour()
{
    SetCurveColour(RPresetCurveColor::Ask(RPresetCurveColor::Curve));
}

void RDoseRatioDiagram::AddCurve(int id, int length)
{
    if (m_curveBuffers.contains(id))
        return;
    length = std::max(0, length);
    m_curvePolygons.insert(id, QPolygon(length));
    m_curveBuffers.insert(id, QVector<float>(length, 0.0f));
}

void RDoseRatioDiagram::LoadCurve(int id, bool personal, int length)
{
    // Region curves only: the multi-curve page shows regions.
    Q_UNUSED(personal);
    auto it = m_curveBuffers.find(id);
    if (it == m_curveBuffers.end())
        return;
    it->fill(0.0f, std::max(0, length));
    const SClock* pClock = m_pClock ? m_pClock : SClock::System();
    PHistoryDoseStore::LoadRegionDay(id, pClock->Now().date(), *it);
    update();
}

void RDoseRatioDiagram::RefreshCurves(int nFirstMinute, int nLastMinute)
{
    const SClock* pClock = m_pClock ? m_pClock : SClock::System();
    PHistoryDoseStore::LoadRegionMinutes(
        pClock->Now().date(), nFirstMinute, nLastMinute, m_curveBuffers);
    update();
}

void RDoseRatioDiagram::ClearCurves()
{
    m_curvePolygons.clear();
    m_curveBuffers.clear();
    update();
}

void RDoseRatioDiagram::LoadCurveEnabled()
{
    m_curveEnabled = PHistoryDoseStore::LoadCurveEnabled();
    update();
}

void RDoseRatioDiagram::LoadCurveColours()
{
    m_curveColours = PHistoryDoseStore::LoadCurveColours();
    update();
}

void RDoseRatioDiagram::ResetTouch()
{
    m_view.Reset();
    m_touchStart.clear();
    m_touchCurrent.clear();
}

void RDoseRatioDiagram::UpdateLayout()
{
    // A widget smaller than its margins still gets a one-pixel plot, so no
    // step below divides by zero.
    m_nPlotWidth = std::max(1, width() - 2 * kMargin);
    m_nPlotHeight = std::max(1, height() - 2 * kMargin);
    m_view.SetPlotWidth(m_nPlotWidth);
    m_startIndex = 0;
    m_endIndex = m_nLength;

    if (!IsMultiCurve()) {
        const bool bFine = m_view.IsFineShown();
        const double dMax = PDoseCurveScale::SingleCurveMax(
            PDoseCurveScale::RangeMax(m_samples, m_startIndex, m_endIndex), m_nThresholdLine, bFine,
            m_view.FineMax());
        m_dYScale = PDoseCurveScale::YScale(dMax, m_nPlotHeight, m_nPlotHeight);
        const bool bZoomed = PDoseCurveScale::IsMinuteZoom(m_view.Zoom()) || bFine;
        if (bZoomed && m_view.ViewEnd() > m_view.ViewStart()) {
            m_startIndex = m_view.ViewStart();
            m_endIndex = m_view.ViewEnd();
        }
        if (bFine) {
            m_mainPolygon = PDoseCurveScale::BuildPoints(
                m_view.Fine(), m_view.FineStart(), m_view.FineEnd(), m_nPlotWidth, m_dYScale);
        } else {
            m_mainPolygon = PDoseCurveScale::BuildPoints(
                m_samples, m_startIndex, m_endIndex, m_nPlotWidth, m_dYScale);
        }
        return;
    }

    m_mainPolygon.clear();
    if (m_endIndex - m_startIndex > PDoseCurveScale::kMaxCurveRange) {
        std::printf("m_endIndex - m_startIndex = %d\n", m_endIndex - m_startIndex);
        return;
    }
    float fMax = 0.0f;
    for (auto it = m_curveBuffers.cbegin(); it != m_curveBuffers.cend(); ++it) {
        if (m_curveEnabled.value(it.key(), false))
            fMax = std::max(fMax, PDoseCurveScale::RangeMax(*it, m_startIndex, m_endIndex));
    }
    m_dYScale = PDoseCurveScale::YScale(fMax, m_nPlotHeight, 1.0);
    for (auto it = m_curveBuffers.cbegin(); it != m_curveBuffers.cend(); ++it) {
        m_curvePolygons[it.key()]
            = PDoseCurveScale::BuildPoints(*it, m_startIndex, m_endIndex, m_nPlotWidth, m_dYScale);
    }
}

QString RDoseRatioDiagram::UnitText() const
{
    switch (m_nUnitMode) {
    case 0:
        return QStringLiteral("\u03bcSv/h");
    case 1:
        return QStringLiteral("\u03bcRad/h");
    default:
        return QString();
    }
}

void RDoseRatioDiagram::paintEvent(QPaintEvent* pEvent)
{
    Q_UNUSED(pEvent);
    UpdateLayout();
    const int nWidth = m_nPlotWidth;
    const int nHeight = m_nPlotHeight;
    const bool bMulti = IsMultiCurve();
    const bool bFine = !bMulti && m_view.IsFineShown();

    QPainter painter(this);
    painter.translate(m_nLeftMargin, nHeight + kMargin);

    painter.setPen(BackgroundColour());
    painter.setBrush(QBrush(BackgroundColour(), Qt::CrossPattern));
    painter.drawRect(QRect(QPoint(0, -nHeight), QPoint(nWidth - 1, kMargin)));

    const QFont font(QStringLiteral("Times New Roman"), 9);
    painter.setFont(font);
    const int nFontHeight = QFontMetrics(font).height();
    PChartAxes::Draw(painter, nWidth, nHeight);
    painter.setBrush(Qt::NoBrush);

    painter.setPen(Qt::white);
    painter.drawText(-kMargin, -nHeight, UnitText());
    painter.drawText(nWidth, nFontHeight, tr("Time"));
    const QString strTitle = tr("Dose curve in real time.");
    painter.drawText(
        PDoseCurveScale::TitleX(QFontMetrics(font).horizontalAdvance(strTitle), nWidth),
        19 - nHeight, strTitle);

    const int nStep = PDoseCurveScale::TimeStep(
        bMulti ? 0.0f : m_view.Zoom(), bFine, m_view.ViewStart(), m_view.ViewEnd());
    for (const auto& mark : PDoseCurveScale::TimeLabels(m_startIndex, m_endIndex, nStep, nWidth)) {
        painter.drawText(mark.nX, nFontHeight + 10,
            m_baseTime.addSecs(60LL * mark.nIndex).toString(QStringLiteral("hh:mm")));
    }
    for (const auto& label : PDoseCurveScale::ValueLabels(nHeight, m_dYScale))
        painter.drawText(label.nX, label.nY, label.strText);

    if (!bMulti) {
        painter.setPen(m_curveColour);
        DrawCurve(painter, m_mainPolygon);
    } else {
        for (auto it = m_curvePolygons.cbegin(); it != m_curvePolygons.cend(); ++it) {
            if (!m_curveEnabled.value(it.key(), false))
                continue;
            painter.setPen(CurveColourOf(it.key()));
            DrawCurve(painter, *it);
        }
    }

    const int nCursorY = PDoseCurveScale::ToPixel(m_dCursorValue * m_dYScale);
    painter.setPen(Qt::blue);
    painter.drawText(
        m_nMouseX - 10, -10 - nCursorY, QStringLiteral("%2").arg(m_dCursorValue, 2, 'f', 2));
    if (m_nThresholdLine > 0) {
        const int nThresholdY = PDoseCurveScale::ToPixel(m_nThresholdLine * m_dYScale);
        painter.setPen(Qt::red);
        painter.drawLine(0, -nThresholdY, nWidth, -nThresholdY);
    }
    painter.setPen(QPen(Qt::blue, 1, Qt::DashDotLine));
    painter.drawLine(0, -nCursorY, nWidth, -nCursorY);
    painter.drawLine(m_nMouseX - kMargin, 0, m_nMouseX - kMargin, -nHeight);

    const qint64 nSeconds
        = PDoseCurveScale::CursorSeconds(m_startIndex, m_endIndex, m_nMouseX, nWidth);
    const QString strFormat = bFine ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm");
    painter.setPen(Qt::white);
    painter.drawText(m_nMouseX, nFontHeight, m_baseTime.addSecs(nSeconds).toString(strFormat));
}

void RDoseRatioDiagram::MoveCursor(const QPoint& pos)
{
    UpdateLayout();
    m_nMouseX = pos.x();
    m_nMouseY = qBound(kMargin, pos.y(), kMargin + m_nPlotHeight);
    m_dCursorValue = (m_nPlotHeight - m_nMouseY + kMargin) / m_dYScale;
    update();
}

void RDoseRatioDiagram::mousePressEvent(QMouseEvent* pEvent)
{
    m_bPressed = true;
    MoveCursor(pEvent->pos());
}

void RDoseRatioDiagram::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bPressed)
        MoveCursor(pEvent->pos());
}

void RDoseRatioDiagram::mouseReleaseEvent(QMouseEvent* pEvent)
{
    Q_UNUSED(pEvent);
    m_bPressed = false;
}

bool RDoseRatioDiagram::event(QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        if (!IsMultiCurve())
            HandleTouch(static_cast<QTouchEvent*>(pEvent));
        pEvent->accept();
        return true;
    default:
        return QWidget::event(pEvent);
    }
}

void RDoseRatioDiagram::HandleTouch(QTouchEvent* pEvent)
{
    const QList<QTouchEvent::TouchPoint> points = pEvent->touchPoints();
    for (int n = 0; n < points.size(); ++n) {
        const QTouchEvent::TouchPoint& point = points[n];
        switch (point.state()) {
        case Qt::TouchPointPressed:
            m_touchStart.insert(point.id(), point.pos());
            update();
            break;
        case Qt::TouchPointMoved:
            m_touchCurrent.insert(point.id(), point.pos());
            // Once per event, after both fingers have moved.
            if (n == points.size() - 1 && points.size() == 2 && m_touchStart.size() == 2
                && m_touchCurrent.size() == 2) {
                UpdateLayout();
                const QList<QPointF> start = m_touchStart.values();
                const QList<QPointF> current = m_touchCurrent.values();
                m_view.Pinch(start[0].x(), start[1].x(), current[0].x(), current[1].x());
            }
            update();
            break;
        case Qt::TouchPointReleased:
            if (points.size() == 1) {
                ResetTouch();
            } else {
                // A lifted finger ends the gesture; the fingers still down
                // start the next one where they are.
                m_touchStart.remove(point.id());
                m_touchCurrent.remove(point.id());
                m_view.Reset();
                for (auto it = m_touchCurrent.cbegin(); it != m_touchCurrent.cend(); ++it)
                    m_touchStart.insert(it.key(), it.value());
            }
            update();
            break;
        default:
            break;
        }
    }
}
