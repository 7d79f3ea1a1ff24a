#pragma once

#include <QColor>
#include <QList>
#include <QScrollArea>

class RRegionCatalogue;

class QGridLayout;
class QHBoxLayout;
class RDoseRatioDiagram;
class RStaffDoseDiagram;
class SClock;

// Holder of the region page's day curve: today's per-minute dose rates of
// every region in one diagram, reloaded from the database on request.
class RRealRateCurve final : public QScrollArea
{
    Q_OBJECT
public:
    // type 0: region day curve (what the region page builds); 1: staff chart
    // of today's 24 hours.
    // pClock: source of "today"; the system clock when null.
    RRealRateCurve(RRegionCatalogue* pCatalogue, int id, QWidget* parent, int type, int personal,
        SClock* pClock = nullptr);
    ~RRealRateCurve() override;

    static constexpr int kDayLength = 1440;

    void AddCurve(int id);
    void Clear();
    void ShowCurve(int id);

    void SetCurveFixedHeight(int nHeight);
    void SetCurveFixedWidth(int nWidth);
    void SetCurveColour(const QColor& colour);
    // Size of the diagram itself inside the holder.
    void SetDiagramHeight(int nHeight);
    void SetDiagramWidth(int nWidth);
    void LoadCurveEnabled();
    void LoadCurveColours();

    RDoseRatioDiagram* Diagram() const { return m_pDiagram; }
    RStaffDoseDiagram* StaffDiagram() const { return m_pStaffDiagram; }
    QList<int> AddedIds() const { return m_addedIds; }

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RRealRateCurve)

    QDate Today() const;

    int m_nId;
    QGridLayout* m_pLayout;
    QHBoxLayout* m_pRowLayout;
    RDoseRatioDiagram* m_pDiagram = nullptr;
    RStaffDoseDiagram* m_pStaffDiagram = nullptr;
    QList<int> m_addedIds;
    int m_nType;
    int m_nPersonal;
    SClock* m_pClock;
};
