#include "history/RStaffDoseDiagram.h"

#include "database/PHistoryDoseStore.h"
#include "history/PChartAxes.h"
#include "history/PDoseCurveScale.h"
#include "preset/RPresetCurveColor.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kMargin = 30;

// The chart's own size of the widget's face (the theme's).
QFont ChartFont(const QWidget& widget)
{
    QFont font = widget.font();
    font.setPointSize(9);
    return font;
}

// Light enough to read on the dark chart ground.
QColor CursorColour()
{
    return QColor(120, 180, 255);
}

} // namespace

RStaffDoseDiagram::RStaffDoseDiagram(QWidget* parent)
    : QWidget(parent)
    , m_values(30)
    , m_day(QDate::currentDate())
    , m_aboveColour(RPresetCurveColor::DefaultColor(RPresetCurveColor::Above))
    , m_belowColour(RPresetCurveColor::DefaultColor(RPresetCurveColor::Below))
    , m_curveColour(RPresetCurveColor::DefaultColor(RPresetCurveColor::Curve))
{
    setFixedSize(1000, 400);
    setAttribute(Qt::WA_TranslucentBackground);
    // A demonstration chart until the first load.
    for (int i = 0; i < m_nLength; ++i)
        m_values[i] = 0.1f * i + 0.1f;
    m_fCursorValue = 2.0f;
}

RStaffDoseDiagram::~RStaffDoseDiagram() = default;

void RStaffDoseDiagram::LoadDoses(int id, int length, QDate day)
{
    m_nLength = std::max(0, length);
    m_values.fill(0.0f, m_nLength);
    m_day = day;
    m_fValueOffset = 0.0f;
    if (!m_bPersonal) {
        // Day sums of minute values: 1800 per µRad/h of the day.
        PHistoryDoseStore::LoadMonthSums(
            QStringLiteral("MonthMinuteDose"), id, day, 1800.0f, m_values);
    } else {
        if (m_nLength != 24)
            PHistoryDoseStore::LoadMonthSums(
                QStringLiteral("PersonalMonthDose"), id, day, 60.0f, m_values);
        else
            PHistoryDoseStore::LoadPersonalHours(id, day, m_values);
        m_fValueOffset = PStaffDoseScale::SubtractBase(m_values);
    }
    float fMax = 0.0f;
    for (float fValue : m_values)
        fMax = std::max(fMax, fValue);
    m_fCursorValue = fMax / 2.0f;
    update();
}

void RStaffDoseDiagram::SetMode(int nMode)
{
    m_nMode = nMode;
    update();
}

void RStaffDoseDiagram::LoadColours()
{
    m_curveColour = RPresetCurveColor::Ask(RPresetCurveColor::Curve);
    m_aboveColour = RPresetCurveColor::Ask(RPresetCurveColor::Above);
    m_belowColour = RPresetCurveColor::Ask(RPresetCurveColor::Below);
    update();
}

int RStaffDoseDiagram::PlotHeight() const
{
    return std::max(1, height() - 2 * kMargin);
}

int RStaffDoseDiagram::WidestValue() const
{
    const QFontMetrics metrics(ChartFont(*this));
    int nWidest = 0;
    const int nDecimals = Decimals();
    for (float fValue : m_values) {
        const float fShown = fValue + m_fValueOffset;
        if (fShown > 0.0f)
            nWidest = std::max(
                nWidest, metrics.horizontalAdvance(QString::number(fShown, 'f', nDecimals)));
    }
    return nWidest;
}

int RStaffDoseDiagram::Decimals() const
{
    QVector<float> shown;
    shown.reserve(m_values.size());
    for (float fValue : m_values)
        shown.append(fValue + m_fValueOffset);
    return PStaffDoseScale::ChartDecimals(shown);
}

bool RStaffDoseDiagram::ValuesUpright() const
{
    // Judged on the widest plot the margins allow; a wider label column only
    // makes the columns a few pixels narrower, which the slack covers.
    const int nColumn = std::max(1, width() - 2 * kMargin) / std::max(1, m_nLength);
    return !m_bPersonal && WidestValue() + 6 > nColumn;
}

PStaffDoseScale::Scale RStaffDoseDiagram::CurrentScale() const
{
    const QFontMetrics metrics(ChartFont(*this));
    const int nReserve = ValuesUpright() ? WidestValue() + 8 : metrics.height() + 4;
    return PStaffDoseScale::YScale(m_values, m_bPersonal, PlotHeight(), nReserve);
}

int RStaffDoseDiagram::LeftMargin() const
{
    const QFontMetrics metrics(ChartFont(*this));
    int nWidest = 0;
    for (const auto& label :
        PStaffDoseScale::ValueLabels(m_bPersonal, CurrentScale(), PlotHeight(), m_fValueOffset))
        nWidest = std::max(nWidest, metrics.horizontalAdvance(label.strText));
    return std::max(kMargin, nWidest + 10);
}

QString RStaffDoseDiagram::AxisName() const
{
    return m_nMode == DayCurve ? QCoreApplication::translate("RStaffDoseDiagram", "Time")
                               : QCoreApplication::translate("RStaffDoseDiagram", "Day");
}

int RStaffDoseDiagram::PlotWidth() const
{
    // The axis name stands right of the plot's end.
    const int nRight
        = std::max(kMargin, QFontMetrics(ChartFont(*this)).horizontalAdvance(AxisName()) + 8);
    return std::max(1, width() - LeftMargin() - nRight);
}

void RStaffDoseDiagram::paintEvent(QPaintEvent* pEvent)
{
    Q_UNUSED(pEvent);
    const int nLeft = LeftMargin();
    const int nWidth = PlotWidth();
    const int nHeight = PlotHeight();
    const PStaffDoseScale::Scale scale = CurrentScale();

    QPainter painter(this);
    painter.translate(nLeft, nHeight + kMargin);

    const QColor background(64, 70, 92, 100);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(background, Qt::HorPattern));
    painter.drawRect(QRect(0, -nHeight, nWidth, nHeight));
    painter.setBrush(Qt::NoBrush);
    const QFont font = ChartFont(*this);
    painter.setFont(font);
    const QFontMetrics metrics(font);

    painter.setPen(Qt::white);
    QString strUnit = QStringLiteral("\u03bcSv");
    QString strTitle;
    switch (m_nMode) {
    case MonthCurve:
        strTitle
            = QCoreApplication::translate("RStaffDoseDiagram", "That month cumulative dose curve.");
        break;
    case MonthHistogram:
        strUnit = QStringLiteral("\u03bcRad");
        strTitle = QCoreApplication::translate(
            "RStaffDoseDiagram", "That month cumulative dose histogram.");
        break;
    case DayCurve:
        strTitle
            = QCoreApplication::translate("RStaffDoseDiagram", "That day cumulative dose curve.");
        if (m_nShownId != 0)
            strTitle = QStringLiteral("Id:%1  ").arg(m_nShownId) + strTitle;
        break;
    default:
        break;
    }
    // Unit, legend and title share the band above the plot.
    const int nBandY = -nHeight - metrics.descent() - metrics.height() / 2 - 2;
    painter.drawText(-nLeft + 2, nBandY, strUnit);
    const int nLegendEnd
        = DrawLegend(painter, metrics.horizontalAdvance(strUnit) - nLeft + 14, nBandY);
    painter.setPen(Qt::white);
    painter.drawText(
        PDoseCurveScale::TitleX(metrics.horizontalAdvance(strTitle), nWidth, nLegendEnd + 12),
        nBandY, strTitle);
    const int nBaseline = metrics.ascent() + 6;
    painter.drawText(nWidth + 4, nBaseline, AxisName());

    const int nHalf = metrics.height() / 2;
    for (const auto& label :
        PStaffDoseScale::ValueLabels(m_bPersonal, scale, nHeight, m_fValueOffset)) {
        if (label.nY > 0 && !m_bPersonal) {
            painter.setPen(QColor(255, 255, 255, 28));
            painter.drawLine(0, -label.nY, nWidth, -label.nY);
        }
        painter.setPen(Qt::white);
        painter.drawText(QRect(-nLeft, -label.nY - nHalf, nLeft - 7, 2 * nHalf),
            Qt::AlignRight | Qt::AlignVCenter, label.strText);
    }
    PChartAxes::Draw(painter, nWidth, nHeight);

    DrawColumns(painter, scale);

    const int nCursorY = PDoseCurveScale::ToPixel(m_fCursorValue * scale.dYScale);
    painter.setPen(QPen(CursorColour(), m_bPersonal ? 1 : 2, Qt::DashLine));
    painter.drawLine(0, -nCursorY, nWidth, -nCursorY);
    if (m_bPersonal) {
        painter.drawLine(m_nMouseX - nLeft, 0, m_nMouseX - nLeft, -nHeight);
        const int nMarkY = PStaffDoseScale::MarkY(scale, nHeight);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawLine(0, -nMarkY, nWidth, -nMarkY);
    }
}

int RStaffDoseDiagram::DrawLegend(QPainter& painter, int nX, int nBaseline)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int nMid = nBaseline - metrics.ascent() / 2 + 1;
    painter.setPen(QPen(CursorColour(), 2, Qt::DashLine));
    painter.drawLine(nX, nMid, nX + 18, nMid);
    nX += 24;
    const float fLine = m_fCursorValue + m_fValueOffset;
    const QString strLine
        = QCoreApplication::translate("RStaffDoseDiagram", "Reference line %1")
              .arg(QString::number(fLine, 'f', PStaffDoseScale::ValueDecimals(fLine)));
    painter.setPen(Qt::white);
    painter.drawText(nX, nBaseline, strLine);
    nX += metrics.horizontalAdvance(strLine) + 14;
    if (m_bPersonal)
        return nX;
    const QString strAbove = QCoreApplication::translate("RStaffDoseDiagram", "above");
    const QString strBelow = QCoreApplication::translate("RStaffDoseDiagram", "at or below");
    for (const auto& entry :
        {qMakePair(m_aboveColour, strAbove), qMakePair(m_belowColour, strBelow)}) {
        painter.fillRect(QRect(nX, nMid - 4, 9, 9), entry.first);
        nX += 13;
        painter.setPen(Qt::white);
        painter.drawText(nX, nBaseline, entry.second);
        nX += metrics.horizontalAdvance(entry.second) + 12;
    }
    return nX;
}

void RStaffDoseDiagram::DrawBarValue(
    QPainter& painter, const QRect& bar, const QString& strText, bool bUpright)
{
    painter.setPen(Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const int nTextWidth = metrics.horizontalAdvance(strText);
    if (!bUpright) {
        painter.drawText(bar.center().x() - nTextWidth / 2, bar.top() - 4, strText);
        return;
    }
    // Upright, reading from the bottom up, just above the bar.
    painter.save();
    painter.translate(bar.center().x() + metrics.ascent() / 2 - 1, bar.top() - 4);
    painter.rotate(-90);
    painter.drawText(0, 0, strText);
    painter.restore();
}

void RStaffDoseDiagram::DrawColumns(QPainter& painter, const PStaffDoseScale::Scale& scale)
{
    const int nWidth = PlotWidth();
    const QFontMetrics metrics = painter.fontMetrics();
    const bool bUpright = ValuesUpright();
    // Column labels every 1, 2, 5 or 10 columns, as many as stand apart.
    const int nColumn = nWidth / std::max(1, m_nLength);
    const int nLabelWidth
        = metrics.horizontalAdvance(PStaffDoseScale::ColumnLabel(m_nLength - 1, m_nLength)) + 4;
    int nLabelStep = 10;
    for (int nStep : {1, 2, 5}) {
        if (nStep * nColumn >= nLabelWidth) {
            nLabelStep = nStep;
            break;
        }
    }
    QVector<QPair<QPoint, QColor>> points;
    const int nDecimals = Decimals();
    for (int i = 0; i < m_nLength; ++i) {
        const int nX = PStaffDoseScale::ColumnX(i, m_nLength, nWidth);
        const PStaffDoseScale::Span span = PStaffDoseScale::BarSpan(i, m_nLength, nWidth);
        const int nCentre = m_bPersonal ? nX + 10 : span.nLeft + span.nWidth / 2;
        const int nY = PStaffDoseScale::ValueY(m_values[i], scale.dYScale);
        const QColor colour = m_values[i] > m_fCursorValue ? m_aboveColour : m_belowColour;
        const QString strLabel = PStaffDoseScale::ColumnLabel(i, m_nLength);
        if (i % nLabelStep == 0) {
            painter.setPen(Qt::white);
            painter.drawText(
                nCentre - metrics.horizontalAdvance(strLabel) / 2, metrics.ascent() + 6, strLabel);
        }
        // A day without a stored dose (a missing row reads as 0; on a staff
        // chart it lies below the axis once the offset is taken away) has
        // neither bar nor point nor value.
        const float fShown = m_values[i] + m_fValueOffset;
        if (nY < 0 || fShown <= 0.0f)
            continue;
        const QString strValue = QString::number(fShown, 'f', nDecimals);
        if (!m_bPersonal) {
            const QRect bar(QPoint(span.nLeft, -nY - 1), QPoint(span.nLeft + span.nWidth - 1, 0));
            painter.fillRect(bar, colour);
            DrawBarValue(painter, bar, strValue, bUpright);
            continue;
        }
        painter.setPen(Qt::white);
        painter.drawText(nCentre - metrics.horizontalAdvance(strValue) / 2, -nY - 6, strValue);
        const QPoint point(nCentre, -nY);
        if (!points.isEmpty()) {
            painter.setPen(QPen(Qt::white, 2));
            painter.drawLine(points.last().first, point);
        }
        points.append({point, colour});
    }
    // The points go over the lines that join them.
    painter.setPen(Qt::NoPen);
    for (const auto& point : points) {
        painter.setBrush(point.second);
        painter.drawEllipse(point.first, 3, 3);
    }
}

void RStaffDoseDiagram::MoveCursor(int nX, int nY)
{
    const PStaffDoseScale::Scale scale = CurrentScale();
    m_fCursorValue = static_cast<float>((PlotHeight() - nY + kMargin) / scale.dYScale);
    m_nMouseX = nX;
    update();
}

void RStaffDoseDiagram::mousePressEvent(QMouseEvent* pEvent)
{
    const int nX = pEvent->pos().x();
    const int nY = pEvent->pos().y();
    const int nLeft = LeftMargin();
    if (nX > nLeft && nX < nLeft + PlotWidth() && nY >= kMargin && nY <= kMargin + PlotHeight()) {
        m_bPressed = true;
        MoveCursor(nX, nY);
        return;
    }
    QWidget::mousePressEvent(pEvent);
}

void RStaffDoseDiagram::mouseMoveEvent(QMouseEvent* pEvent)
{
    const int nY = pEvent->pos().y();
    if (m_bPressed && nY > kMargin && nY < kMargin + PlotHeight())
        MoveCursor(pEvent->pos().x(), nY);
}

void RStaffDoseDiagram::mouseReleaseEvent(QMouseEvent* pEvent)
{
    Q_UNUSED(pEvent);
    m_bPressed = false;
}
