#include "realtime/RRealRateCurve.h"

#include "history/RDoseRatioDiagram.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SClock.h"

#include <QGridLayout>
#include <QHBoxLayout>

RRealRateCurve::RRealRateCurve(
    RRegionCatalogue* pCatalogue, int id, QWidget* parent, int type, int personal, SClock* pClock)
    : QScrollArea(parent)
    , m_pCatalogue(pCatalogue)
    , m_nId(id)
    , m_nType(type)
    , m_nPersonal(personal)
    , m_pClock(pClock ? pClock : SClock::System())
{
    setWindowTitle(QStringLiteral("ScrollArea"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAttribute(Qt::WA_TranslucentBackground);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    auto* pContents = new QWidget;
    pContents->resize(493, 141);
    pContents->setAttribute(Qt::WA_TranslucentBackground);
    m_pLayout = new QGridLayout(pContents);
    m_pLayout->setSpacing(0);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pRowLayout = new QHBoxLayout;
    m_pRowLayout->setSpacing(0);
    m_pLayout->addLayout(m_pRowLayout, 0, 0);
    setWidget(pContents);
    viewport()->setAutoFillBackground(false);
    pContents->setAutoFillBackground(false);

    if (m_nType == 1) {
        m_pStaffDiagram = new RStaffDoseDiagram(pContents);
        m_pRowLayout->addWidget(m_pStaffDiagram);
        m_pStaffDiagram->SetPersonal(true);
        if (m_nPersonal)
            m_pStaffDiagram->LoadDoses(m_nId, 24, Today());
        m_pStaffDiagram->SetMode(2);
        return;
    }
    m_pDiagram = new RDoseRatioDiagram(pContents);
    m_pDiagram->SetClock(m_pClock);
    m_pDiagram->setFixedHeight(300);
    m_pDiagram->SetUnitMode(1);
    m_pRowLayout->addWidget(m_pDiagram);
    // Only the clock part of the base time is shown.
    m_pDiagram->SetBaseTime(2012, 1, 1, 0, 0);
    m_pDiagram->LoadDay(m_nId, m_nPersonal != 0, kDayLength, Today());
}

RRealRateCurve::~RRealRateCurve() = default;

QDate RRealRateCurve::Today() const
{
    return m_pClock->Now().date();
}

void RRealRateCurve::AddCurve(int id)
{
    if (!m_pDiagram || m_addedIds.contains(id))
        return;
    m_addedIds.append(id);
    m_pDiagram->AddCurve(id, kDayLength);
}

void RRealRateCurve::Clear()
{
    if (!m_pDiagram)
        return;
    m_addedIds.clear();
    m_pDiagram->ClearCurves();
}

void RRealRateCurve::ShowCurve(int id)
{
    if (m_pStaffDiagram) {
        m_pStaffDiagram->LoadDoses(id, 24, Today());
        m_nId = id;
        return;
    }
    if (!m_pDiagram)
        return;
    if (id > 0)
        m_nId = id;
    if (m_addedIds.contains(id)) {
        m_pDiagram->LoadCurve(id, false, kDayLength);
    } else {
        m_pDiagram->LoadDay(id, m_nPersonal != 0, kDayLength, Today());
        m_pDiagram->SetUnitMode(0);
    }
}

void RRealRateCurve::SetCurveFixedHeight(int nHeight)
{
    setFixedHeight(nHeight);
}

void RRealRateCurve::SetCurveFixedWidth(int nWidth)
{
    setFixedWidth(nWidth);
}

void RRealRateCurve::SetCurveColour(const QColor& colour)
{
    if (m_pDiagram)
        m_pDiagram->SetCurveColour(colour);
}

void RRealRateCurve::SetDiagramHeight(int nHeight)
{
    if (QWidget* pChart = m_pDiagram ? static_cast<QWidget*>(m_pDiagram) : m_pStaffDiagram)
        pChart->setFixedHeight(qMax(1, nHeight));
}

void RRealRateCurve::SetDiagramWidth(int nWidth)
{
    if (QWidget* pChart = m_pDiagram ? static_cast<QWidget*>(m_pDiagram) : m_pStaffDiagram)
        pChart->setFixedWidth(qMax(1, nWidth));
}

void RRealRateCurve::LoadCurveEnabled()
{
    if (m_pDiagram)
        m_pDiagram->LoadCurveEnabled(*m_pCatalogue);
}

void RRealRateCurve::LoadCurveColours()
{
    if (m_pDiagram)
        m_pDiagram->LoadCurveColours(*m_pCatalogue);
}
