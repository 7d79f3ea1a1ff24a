#include "history/RDoseRatioDiagram.h"

#include "database/PHistoryDoseStore.h"
#include "history/PChartAxes.h"
#include "history/PDoseCurveScale.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "preset/RPresetCurveColor.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 30;
constexpr int kDemoLength = 1000;

const QColor& BackgroundColour()
{
    static const QColor s_colour(64, 70, 92, 100);
    return s_colour;
}

QColor AxisColour()
{
    return QColor(139, 133, 128);
}

QColor GridColour()
{
    return QColor(255, 255, 255, 28);
}

// Light enough to read on the dark chart ground.
QColor CursorColour()
{
    return QColor(120, 180, 255);
}

// The chart's own size of the widget's face (the theme's).
QFont ChartFont(const QWidget& widget)
{
    QFont font = widget.font();
    font.setPointSize(9);
    return font;
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

void RDoseRatioDiagram::LoadCurveEnabled(const RRegionCatalogue& catalogue)
{
    m_curveEnabled = PHistoryDoseStore::LoadCurveEnabled(catalogue);
    update();
}

void RDoseRatioDiagram::LoadCurveColours(const RRegionCatalogue& catalogue)
{
    m_curveColours = PHistoryDoseStore::LoadCurveColours(catalogue);
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
    m_nPlotHeight = std::max(1, height() - 2 * kMargin);
    m_startIndex = 0;
    m_endIndex = m_nLength;

    const bool bMulti = IsMultiCurve();
    const bool bFine = !bMulti && m_view.IsFineShown();
    double dMax = 0.0;
    if (!bMulti) {
        dMax = PDoseCurveScale::SingleCurveMax(
            PDoseCurveScale::RangeMax(m_samples, m_startIndex, m_endIndex), m_nThresholdLine, bFine,
            m_view.FineMax());
        m_axis = PDoseCurveScale::CurveAxis(dMax, m_nPlotHeight);
    } else {
        // The live curves share an axis with a little room above the
        // highest; when one curve peaks far above another (a region in
        // alarm, a hot cell beside offices) a linear axis would flatten the
        // lower ones, and the axis turns logarithmic.
        QVector<double> peaks;
        double dLow = 0.0;
        for (auto it = m_curveBuffers.cbegin(); it != m_curveBuffers.cend(); ++it) {
            if (!m_curveEnabled.value(it.key(), false))
                continue;
            const double dPeak = PDoseCurveScale::RangeMax(*it, m_startIndex, m_endIndex);
            if (!(dPeak > 0.0))
                continue;
            peaks.append(dPeak);
            dMax = std::max(dMax, dPeak);
            const double dLeast = PDoseCurveScale::RangeMinPositive(*it, m_startIndex, m_endIndex);
            dLow = dLow > 0.0 ? std::min(dLow, dLeast) : dLeast;
        }
        // A live axis changes scale only past the margin and at most once in
        // kScaleSwitchMs, so it does not flip from minute to minute.
        const bool bLog = PDoseCurveScale::NeedsLogAxis(peaks, m_bLogAxis);
        const SClock* pClock = m_pClock ? m_pClock : SClock::System();
        const qint64 nNowMs = pClock->ElapsedMs();
        if (bLog != m_bLogAxis
            && (m_nScaleSwitchMs < 0
                || nNowMs - m_nScaleSwitchMs >= PDoseCurveScale::kScaleSwitchMs)) {
            m_bLogAxis = bLog;
            m_nScaleSwitchMs = nNowMs;
        }
        if (m_bLogAxis)
            m_logAxis = PDoseCurveScale::MakeLogAxis(dLow, dMax);
        m_axis = PDoseCurveScale::SharedAxis(dMax, m_nPlotHeight);
    }
    m_dYScale = m_nPlotHeight / m_axis.dTop;

    // The value labels stand left of the y axis, right-aligned.
    const QFontMetrics metrics(ChartFont(*this));
    int nLabelWidth = 0;
    for (const auto& label : ValueLabels())
        nLabelWidth = std::max(nLabelWidth, metrics.horizontalAdvance(label.strText));
    m_nLeftMargin = std::max(kMargin, nLabelWidth + 10);
    // The axis name stands right of the plot's end.
    const int nRightMargin = std::max(kMargin, metrics.horizontalAdvance(tr("Time")) + 8);
    m_nPlotWidth = std::max(1, width() - m_nLeftMargin - nRightMargin);
    m_view.SetPlotWidth(m_nPlotWidth);

    if (!bMulti) {
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
        Log(LogLevel::Debug, "m_endIndex - m_startIndex = %d\n", m_endIndex - m_startIndex);
        return;
    }
    for (auto it = m_curveBuffers.cbegin(); it != m_curveBuffers.cend(); ++it) {
        m_curvePolygons[it.key()] = m_bLogAxis
            ? PDoseCurveScale::BuildLogPoints(
                *it, m_startIndex, m_endIndex, m_nPlotWidth, m_logAxis, m_nPlotHeight)
            : PDoseCurveScale::BuildPoints(*it, m_startIndex, m_endIndex, m_nPlotWidth, m_dYScale);
    }
}

bool RDoseRatioDiagram::IsLogAxis() const
{
    return IsMultiCurve() && m_bLogAxis;
}

int RDoseRatioDiagram::HeightOf(double dValue) const
{
    if (IsLogAxis())
        return PDoseCurveScale::LogHeight(dValue, m_logAxis, m_nPlotHeight);
    return PDoseCurveScale::ToPixel(dValue * m_dYScale);
}

double RDoseRatioDiagram::ValueAtHeight(int nHeight) const
{
    if (IsLogAxis())
        return PDoseCurveScale::LogValue(nHeight, m_logAxis, m_nPlotHeight);
    return nHeight / m_dYScale;
}

QVector<PDoseCurveScale::Label> RDoseRatioDiagram::ValueLabels() const
{
    if (IsLogAxis()) {
        const QFontMetrics metrics(ChartFont(*this));
        return PDoseCurveScale::LogLabels(m_logAxis, m_nPlotHeight, metrics.height() + 4);
    }
    return PDoseCurveScale::ValueLabels(m_axis, m_nPlotHeight);
}

QString RDoseRatioDiagram::Title() const
{
    if (IsMultiCurve())
        return tr("Dose curve in real time.");
    if (!m_day.isValid())
        return tr("Dose rate over the day");
    return tr("Dose rate on %1").arg(m_day.toString(QStringLiteral("yyyy-MM-dd")));
}

QPoint RDoseRatioDiagram::Origin() const
{
    return QPoint(m_nLeftMargin, kMargin + m_nPlotHeight);
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
    painter.translate(Origin());

    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(BackgroundColour(), Qt::CrossPattern));
    painter.drawRect(QRect(0, -nHeight, nWidth, nHeight));
    painter.setBrush(Qt::NoBrush);

    const QFont font = ChartFont(*this);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    DrawValueAxis(painter, metrics);
    DrawTimeAxis(painter, metrics);
    PChartAxes::Draw(painter, nWidth, nHeight);

    // Unit and title share the band above the plot.
    painter.setPen(Qt::white);
    const int nBandY = -nHeight - metrics.descent() - metrics.height() / 2 - 2;
    const QString strUnit = UnitText();
    painter.drawText(-m_nLeftMargin + 2, nBandY, strUnit);
    const QString strTitle = Title();
    painter.drawText(PDoseCurveScale::TitleX(metrics.horizontalAdvance(strTitle), nWidth,
                         metrics.horizontalAdvance(strUnit) - m_nLeftMargin + 12),
        nBandY, strTitle);

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

    if (m_nThresholdLine > 0) {
        const int nThresholdY = HeightOf(m_nThresholdLine);
        painter.setPen(Qt::red);
        painter.drawLine(0, -nThresholdY, nWidth, -nThresholdY);
    }
    if (m_bCursorShown)
        DrawCursor(painter, metrics, bFine);
}

void RDoseRatioDiagram::DrawValueAxis(QPainter& painter, const QFontMetrics& metrics)
{
    const int nHalf = metrics.height() / 2;
    for (const auto& label : ValueLabels()) {
        if (label.nY > 0) {
            painter.setPen(GridColour());
            painter.drawLine(0, -label.nY, m_nPlotWidth, -label.nY);
        }
        painter.setPen(AxisColour());
        painter.drawLine(-4, -label.nY, 0, -label.nY);
        painter.setPen(Qt::white);
        painter.drawText(QRect(-m_nLeftMargin, -label.nY - nHalf, m_nLeftMargin - 7, 2 * nHalf),
            Qt::AlignRight | Qt::AlignVCenter, label.strText);
    }
}

void RDoseRatioDiagram::DrawTimeAxis(QPainter& painter, const QFontMetrics& metrics)
{
    const int nWidth = m_nPlotWidth;
    const int nBaseline = metrics.ascent() + 6;
    const int nLabelWidth = metrics.horizontalAdvance(QStringLiteral("00:00"));
    const int nStep = PDoseCurveScale::TimeStep(m_endIndex - m_startIndex, nWidth, nLabelWidth);
    int nRightOfLast = -m_nLeftMargin;
    for (const auto& mark : PDoseCurveScale::TimeLabels(m_startIndex, m_endIndex, nStep, nWidth)) {
        const QString strText
            = m_baseTime.addSecs(60LL * mark.nIndex).toString(QStringLiteral("hh:mm"));
        const int nTextWidth = metrics.horizontalAdvance(strText);
        const int nLeft = mark.nX - nTextWidth / 2;
        painter.setPen(AxisColour());
        painter.drawLine(mark.nX, 0, mark.nX, 4);
        // The axis name owns the plot's end; a label never runs into another.
        if (nLeft + nTextWidth > nWidth || nLeft < nRightOfLast + 4)
            continue;
        painter.setPen(Qt::white);
        painter.drawText(nLeft, nBaseline, strText);
        nRightOfLast = nLeft + nTextWidth;
    }
    painter.setPen(Qt::white);
    painter.drawText(nWidth + 4, nBaseline, tr("Time"));
}

void RDoseRatioDiagram::DrawCursor(QPainter& painter, const QFontMetrics& metrics, bool bFine)
{
    const int nWidth = m_nPlotWidth;
    const int nHeight = m_nPlotHeight;
    const int nCursorY = HeightOf(m_dCursorValue);
    const int nCursorX = qBound(0, m_nMouseX - m_nLeftMargin, nWidth);
    painter.setPen(QPen(CursorColour(), 1, Qt::DashDotLine));
    painter.drawLine(0, -nCursorY, nWidth, -nCursorY);
    painter.drawLine(nCursorX, 0, nCursorX, -nHeight);

    // One read-out beside the crossing, kept inside the plot on a dark box.
    const qint64 nSeconds
        = PDoseCurveScale::CursorSeconds(m_startIndex, m_endIndex, nCursorX, nWidth);
    const QString strFormat = bFine ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm");
    const QString strText
        = QStringLiteral("%1  %2 %3")
              .arg(m_baseTime.addSecs(nSeconds).toString(strFormat),
                  PDoseCurveScale::ValueText(m_dCursorValue, m_axis.nDecimals + 1), UnitText())
              .trimmed();
    QRect box(0, 0, metrics.horizontalAdvance(strText) + 8, metrics.height() + 2);
    box.moveBottomLeft(QPoint(nCursorX + 6, -nCursorY - 4));
    if (box.right() > nWidth)
        box.moveRight(nCursorX - 6);
    if (box.top() < -nHeight)
        box.moveTop(-nCursorY + 4);
    painter.fillRect(box, QColor(16, 38, 74, 220));
    painter.setPen(CursorColour());
    painter.drawText(box, Qt::AlignCenter, strText);
}

void RDoseRatioDiagram::MoveCursor(const QPoint& pos)
{
    UpdateLayout();
    m_bCursorShown = true;
    m_nMouseX = pos.x();
    m_nMouseY = qBound(kMargin, pos.y(), kMargin + m_nPlotHeight);
    m_dCursorValue = ValueAtHeight(m_nPlotHeight - m_nMouseY + kMargin);
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
