#include "realtime/RGroupBox.h"

#include "database/RRegionCatalogue.h"
#include "database/RSystemInfoStore.h"
#include "realtime/PStaleOverlay.h"
#include "realtime/RAlarmState.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QTimer>

namespace {

const QColor kFrameColour(139, 133, 128);
const char* const kUnit = " \xce\xbcRad/h";

// Position of a dose within the band from lo to hi, from 0 to 1. A band
// without width (a threshold of 0, not configured) has no inside: a dose at
// or below it sits at its bottom, any higher dose at its top.
float bandFraction(float d, float lo, float hi)
{
    if (hi > lo)
        return qBound(0.0f, (d - lo) / (hi - lo), 1.0f);
    return d > lo ? 1.0f : 0.0f;
}

} // namespace

RGroupBox::RGroupBox(RRegionCatalogue* pCatalogue, QWidget* parent)
    : QGroupBox(parent)
    , m_pCatalogue(pCatalogue)
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
    // Regions still listed keep their markers: a colour change is no reason
    // to forget where they stand.
    const QHash<int, float> doses = m_doses;
    const QSet<int> read = m_read;
    m_colours.clear();
    m_doses.clear();
    m_read.clear();
    for (const RRegion& region : m_pCatalogue->Regions()) {
        m_colours.insert(region.nId, region.colour);
        m_doses.insert(region.nId, doses.value(region.nId, 0.0f));
        if (read.contains(region.nId))
            m_read.insert(region.nId);
    }
    update();
}

void RGroupBox::SetAlarmState(const RAlarmState* pAlarmState)
{
    if (m_pAlarmState)
        disconnect(m_pAlarmState, nullptr, this, nullptr);
    m_pAlarmState = pAlarmState;
    if (pAlarmState) {
        connect(pAlarmState, &RAlarmState::LookChanged, this, qOverload<>(&QWidget::update));
        connect(pAlarmState, &RAlarmState::FlashChanged, this, qOverload<>(&QWidget::update));
    }
    update();
}

void RGroupBox::LoadThresholds()
{
    const RSystemValues values = RSystemInfoStore::Values();
    m_threA = static_cast<float>(values.dThreA);
    m_threB = static_cast<float>(values.dThreB);
    m_threC = static_cast<float>(values.dThreC);
    update();
}

void RGroupBox::SetLevel(int id, float dose)
{
    auto it = m_doses.find(id);
    if (it != m_doses.end()) {
        *it = dose;
        m_read.insert(id);
        m_bandColour = dose <= m_threA ? Qt::darkGreen : dose <= m_threB ? Qt::yellow : Qt::red;
    }
    if (!m_pRepaintTimer->isActive())
        m_pRepaintTimer->start();
}

float RGroupBox::Level(int id) const
{
    const auto it = m_doses.constFind(id);
    if (it == m_doses.constEnd())
        return -1.0f;
    // Computed at the current size, so a resize moves no marker off its dose.
    const float seg = static_cast<float>(Segment());
    const float dose = *it;
    // Above band C the marker stays at its top.
    if (dose <= m_threA)
        return bandFraction(dose, 0, m_threA) * seg;
    if (dose <= m_threB)
        return seg + bandFraction(dose, m_threA, m_threB) * seg;
    return 2 * seg + bandFraction(dose, m_threB, m_threC) * seg;
}

QString RGroupBox::NumberText(double dValue)
{
    // Up to three decimals, trailing zeros dropped: 0.05, 5.05, 1500.
    QString strText = QString::number(dValue, 'f', 3);
    while (strText.endsWith(QLatin1Char('0')))
        strText.chop(1);
    if (strText.endsWith(QLatin1Char('.')))
        strText.chop(1);
    return strText == QLatin1String("-0") ? QStringLiteral("0") : strText;
}

QVector<QPair<double, QString>> RGroupBox::Labels() const
{
    const double seg = Segment();
    const QString strUnit = QString::fromUtf8(kUnit);
    QVector<QPair<double, QString>> labels;
    labels.append({0.0, NumberText(0) + strUnit});
    const double bounds[] = {0.0, m_threA, m_threB, m_threC};
    for (int b = 0; b < 3; ++b) {
        // A band without width has no middle to label.
        if (bounds[b + 1] > bounds[b])
            labels.append({(b + 0.5) * seg, NumberText((bounds[b] + bounds[b + 1]) / 2) + strUnit});
        labels.append({(b + 1) * seg, NumberText(bounds[b + 1]) + strUnit});
    }
    return labels;
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
    QFont font = this->font();
    font.setPointSize(8);
    painter.setFont(font);

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

    // Dark enough to read on the light panel.
    painter.setPen(QColor(64, 60, 56));
    const QFontMetrics metrics(painter.font());
    const QVector<QPair<double, QString>> labels = Labels();
    // Each label with its unit when there is room for it; else the unit once,
    // below the scale.
    bool bUnitEach = true;
    for (const auto& label : labels)
        bUnitEach = bUnitEach && metrics.horizontalAdvance(label.second) <= W - 55;
    const QString strUnit = QString::fromUtf8(kUnit);
    for (int i = 0; i < labels.size(); ++i) {
        const double y = -30 - labels.at(i).first;
        QString strText = labels.at(i).second;
        if (!bUnitEach)
            strText.chop(strUnit.size());
        painter.drawText(QPointF(5, y + metrics.ascent() / 2.0 - 1), strText);
        painter.drawLine(QPointF(W - 45, y), QPointF(W - 40, y));
        if (i > 0)
            painter.drawLine(QPointF(W - 42, y + 5), QPointF(W - 40, y + 5));
    }
    if (!bUnitEach)
        painter.drawText(QPointF(5, -30 + metrics.height() + 2), strUnit.trimmed());

    // The markers over the scale, and the alarms over everything.
    painter.setPen(QPen(Qt::black, 1));
    for (auto it = m_colours.cbegin(); it != m_colours.cend(); ++it) {
        if (!m_read.contains(it.key()))
            continue;
        const float y = -30 - Level(it.key());
        const int nLook = m_pAlarmState ? m_pAlarmState->LookOf(it.key()) : RAlarmState::NoAlarm;
        if (nLook != RAlarmState::NoAlarm) {
            // The region's alarm, the same in every view: a filled box while
            // active (flashing until acknowledged), an outline once cleared.
            const bool bBright
                = nLook != RAlarmState::ActiveUnacknowledged || m_pAlarmState->FlashOn();
            painter.save();
            if (nLook == RAlarmState::Shelved) {
                // Shelved: a grey hatched box.
                painter.setPen(QPen(RAlarmState::ShelvedColour(), 2));
                painter.setBrush(QBrush(RAlarmState::ShelvedColour(), Qt::BDiagPattern));
            } else if (nLook == RAlarmState::OutOfService) {
                // Out of service: a blue box hatched the other way.
                painter.setPen(QPen(RAlarmState::OutOfServiceColour(), 2));
                painter.setBrush(QBrush(RAlarmState::OutOfServiceColour(), Qt::FDiagPattern));
            } else {
                painter.setPen(QPen(RAlarmState::AlarmColour(), 2));
                painter.setBrush(nLook == RAlarmState::ClearedUnacknowledged
                        ? QBrush(Qt::NoBrush)
                        : QBrush(RAlarmState::AlarmColour(bBright)));
            }
            painter.drawRect(QRectF(W - 40.0, y - 8, 17, 16));
            painter.restore();
        }
        QLinearGradient gradient(W - 35, 0, W - 25, 0);
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, it.value());
        painter.setBrush(gradient);
        const QPointF triangle[] = {{W - 35.0, y}, {W - 25.0, y - 5}, {W - 25.0, y + 5}};
        painter.drawPolygon(triangle, 3);
    }

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
