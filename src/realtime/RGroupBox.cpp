#include "realtime/RGroupBox.h"

#include "database/PSqlExec.h"
#include "database/RRegionCatalogue.h"
#include "realtime/PStaleOverlay.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QSqlQuery>
#include <QTimer>

namespace {

const QColor kFrameColour(139, 133, 128);

// Position of a dose within a band whose upper threshold is t, from 0 to 1.
// A threshold of 0 (not configured) leaves the band empty: a dose of 0 sits at
// its bottom, any higher dose lies above it.
float bandFraction(float d, float t)
{
    if (t > 0)
        return qBound(0.0f, d / t, 1.0f);
    return d > 0 ? 1.0f : 0.0f;
}

} // namespace

RGroupBox::RGroupBox(QWidget* parent)
    : QGroupBox(parent)
    , m_bandColour(Qt::darkGreen)
    , m_pRepaintTimer(new QTimer(this))
{
    m_pRepaintTimer->setSingleShot(true);
    m_pRepaintTimer->setInterval(kRepaintMs);
    connect(m_pRepaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setAttribute(Qt::WA_TranslucentBackground);
    LoadRegions();
    LoadThresholds();
}

RGroupBox::~RGroupBox() = default;

int RGroupBox::Segment() const
{
    return qMax(0, (height() - 60) / 3);
}

void RGroupBox::LoadRegions()
{
    m_colours.clear();
    m_levels.clear();
    for (const RRegion& region : RRegionCatalogue::Shared().Regions()) {
        m_colours.insert(region.nId, region.colour);
        m_levels.insert(region.nId, 0.0f);
    }
    update();
}

void RGroupBox::LoadThresholds()
{
    m_threA = m_threB = m_threC = 0;
    QSqlQuery query
        = PSqlExec::Select(QStringLiteral("select Thre_A, Thre_B, Thre_C from SystemInfo"));
    if (query.next()) {
        m_threA = query.value(0).toFloat();
        m_threB = query.value(1).toFloat();
        m_threC = query.value(2).toFloat();
    }
    update();
}

void RGroupBox::SetLevel(int id, float dose)
{
    const float seg = static_cast<float>(Segment());
    auto it = m_levels.find(id);
    if (it != m_levels.end()) {
        // Above band C the marker stays at its top. With threC not configured
        // there is no top to clamp to; the dose is placed as it is.
        const float d = m_threC > 0 ? qMin(dose, m_threC) : dose;
        if (d <= m_threA) {
            *it = bandFraction(d, m_threA) * seg;
            m_bandColour = Qt::darkGreen;
        } else if (d <= m_threB) {
            *it = seg + bandFraction(d, m_threB) * seg;
            m_bandColour = Qt::yellow;
        } else {
            *it = 2 * seg + bandFraction(d, m_threC) * seg;
            m_bandColour = Qt::red;
        }
    }
    if (!m_pRepaintTimer->isActive())
        m_pRepaintTimer->start();
}

void RGroupBox::SetRepaintInterval(int nMs)
{
    m_pRepaintTimer->setInterval(qMax(0, nMs));
}

void RGroupBox::paintEvent(QPaintEvent*)
{
    const int W = width();
    const int H = height();
    const int seg = Segment();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(10, H + 10);
    painter.setFont(QFont(QStringLiteral("Times New Roman"), 8));

    QLinearGradient panel(0, 0, 0, 20 - H);
    panel.setColorAt(0, QColor(250, 250, 250));
    panel.setColorAt(1, QColor(199, 199, 199));
    painter.setPen(QPen(kFrameColour, 4));
    painter.setBrush(panel);
    painter.drawRect(QRectF(0, 0, W - 20, 20 - H));

    painter.setPen(QPen(Qt::black, 1));
    const QColor bands[] = {Qt::darkGreen, Qt::yellow, Qt::red};
    for (int b = 0; b < 3; ++b) {
        QLinearGradient gradient(W - 30, 0, W - 20, 0);
        gradient.setColorAt(0, bands[b]);
        gradient.setColorAt(1, Qt::white);
        painter.setBrush(gradient);
        painter.drawRect(QRectF(W - 30, -30 - b * seg, 10, -seg));
    }

    for (auto it = m_colours.cbegin(); it != m_colours.cend(); ++it) {
        const float y = -30 - m_levels.value(it.key());
        QLinearGradient gradient(W - 35, 0, W - 25, 0);
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, it.value());
        painter.setBrush(gradient);
        const QPointF triangle[] = {{W - 35.0, y}, {W - 25.0, y - 5}, {W - 25.0, y + 5}};
        painter.drawPolygon(triangle, 3);
    }

    painter.setPen(kFrameColour);
    const QFontMetrics metrics(painter.font());
    auto label = [&](const QString& strText, double y, bool bSecondTick) {
        painter.drawText(QPointF(5, y + metrics.ascent() / 2.0 - 1), strText);
        painter.drawLine(QPointF(W - 45, y), QPointF(W - 40, y));
        if (bSecondTick)
            painter.drawLine(QPointF(W - 42, y + 5), QPointF(W - 40, y + 5));
    };
    label(QString::number(m_threC, 'g', 6), -30 - 3 * seg, true);
    label(QString::number(m_threC * 0.5, 'g', 6), -30 - 2.5 * seg, true);
    label(QString::number(m_threB, 'f', 1), -30 - 2 * seg, true);
    label(QString::number(m_threB * 0.5, 'f', 1), -30 - 1.5 * seg, true);
    label(QString::number(m_threA, 'f', 1), -30 - seg, true);
    label(QString::number(m_threA * 0.5, 'f', 1), -30 - seg / 2.0, true);
    label(QString::number(0.0, 'f', 1), -30, false);

    QLinearGradient strip(0, 5 - H, 0, 25 - H);
    strip.setColorAt(0, m_bandColour);
    strip.setColorAt(1, Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(strip);
    painter.drawRect(QRectF(5, 5 - H, W - 30, 20));
    if (!m_strStaleNote.isEmpty())
        PStaleOverlay::Paint(painter, rect(), m_strStaleNote);
}

void RGroupBox::SetStaleNote(const QString& strNote)
{
    m_strStaleNote = strNote;
    update();
}
