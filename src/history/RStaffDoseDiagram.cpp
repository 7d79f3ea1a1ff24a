#include "history/RStaffDoseDiagram.h"

#include "history/PChartAxes.h"
#include "history/PDoseCurveScale.h"
#include "history/PHistoryDoseStore.h"
#include "preset/RPresetCurveColor.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kMargin = 30;

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

int RStaffDoseDiagram::PlotWidth() const
{
    return std::max(1, width() - 2 * kMargin);
}

int RStaffDoseDiagram::PlotHeight() const
{
    return std::max(1, height() - 2 * kMargin);
}

PStaffDoseScale::Scale RStaffDoseDiagram::CurrentScale() const
{
    return PStaffDoseScale::YScale(m_values, m_bPersonal, PlotHeight());
}

void RStaffDoseDiagram::paintEvent(QPaintEvent* pEvent)
{
    Q_UNUSED(pEvent);
    const int nWidth = PlotWidth();
    const int nHeight = PlotHeight();
    const PStaffDoseScale::Scale scale = CurrentScale();

    QPainter painter(this);
    painter.translate(m_nLeftMargin, nHeight + kMargin);

    const QColor background(64, 70, 92, 100);
    painter.setPen(background);
    painter.setBrush(QBrush(background, Qt::HorPattern));
    painter.drawRect(QRect(QPoint(0, -nHeight), QPoint(nWidth - 1, kMargin)));
    const QFont font(QStringLiteral("Times New Roman"), 9);
    painter.setFont(font);
    const int nFontHeight = QFontMetrics(font).height();

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
            painter.drawText(30, -nHeight, QStringLiteral("Id:%1").arg(m_nShownId));
        break;
    default:
        break;
    }
    painter.drawText(
        PDoseCurveScale::TitleX(QFontMetrics(font).horizontalAdvance(strTitle), nWidth),
        19 - nHeight, strTitle);
    painter.drawText(-kMargin, -(nHeight + nFontHeight), strUnit);
    painter.drawText(nWidth, nFontHeight,
        m_nMode == DayCurve ? QCoreApplication::translate("RStaffDoseDiagram", "Time")
                            : QCoreApplication::translate("RStaffDoseDiagram", "Day"));

    PChartAxes::Draw(painter, nWidth, nHeight);

    painter.setPen(Qt::white);
    for (const auto& label :
        PStaffDoseScale::ValueLabels(m_bPersonal, scale, nHeight, m_fValueOffset))
        painter.drawText(-kMargin, -label.nY, label.strText);

    DrawColumns(painter, scale, nFontHeight);

    const int nCursorY = PDoseCurveScale::ToPixel(m_fCursorValue * scale.dYScale);
    painter.setPen(Qt::blue);
    painter.drawText(nWidth - 25, -nCursorY - 3,
        QStringLiteral("%2").arg(m_fCursorValue + m_fValueOffset, 2, 'f', 2));
    painter.setPen(QPen(Qt::blue, m_bPersonal ? 1 : 2, Qt::DashDotLine));
    painter.drawLine(0, -nCursorY, nWidth, -nCursorY);
    if (m_bPersonal) {
        painter.drawLine(m_nMouseX - kMargin, 0, m_nMouseX - kMargin, -nHeight);
        const int nMarkY = PStaffDoseScale::MarkY(scale, nHeight);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawLine(0, -nMarkY, nWidth, -nMarkY);
    }
}

void RStaffDoseDiagram::DrawColumns(
    QPainter& painter, const PStaffDoseScale::Scale& scale, int nFontHeight)
{
    const int nWidth = PlotWidth();
    QVector<QPair<QPoint, QColor>> points;
    for (int i = 0; i < m_nLength; ++i) {
        const int nX = PStaffDoseScale::ColumnX(i, m_nLength, nWidth);
        const int nY = PStaffDoseScale::ValueY(m_values[i], scale.dYScale);
        const QColor colour = m_values[i] > m_fCursorValue ? m_aboveColour : m_belowColour;
        painter.setPen(Qt::white);
        painter.drawText(nX, nFontHeight, PStaffDoseScale::ColumnLabel(i, m_nLength));
        // A day without a stored dose (a missing row reads as 0; on a staff
        // chart it lies below the axis once the offset is taken away) has
        // neither bar nor point nor value.
        if (nY < 0 || m_values[i] + m_fValueOffset <= 0.0f)
            continue;
        painter.drawText(
            nX - 6, -nY - 5, QStringLiteral("%3").arg(m_values[i] + m_fValueOffset, 3, 'f', 2));
        if (!m_bPersonal) {
            painter.fillRect(QRect(QPoint(nX, -nY - 1), QPoint(nX + 9, 0)), colour);
            continue;
        }
        const QPoint point(nX + 10, -nY);
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
    if (nX > kMargin && nX < kMargin + PlotWidth() && nY >= kMargin
        && nY <= kMargin + PlotHeight()) {
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
