#pragma once

#include <QColor>
#include <QGroupBox>
#include <QHash>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QVector>

class RRegionCatalogue;

class QTimer;
class RAlarmState;

// The level gauge: three dose-rate bands (0 to threA, threA to threB, threB
// to threC, in µRad/h) stacked bottom to top, each dose placed linearly
// within its band; one marker per region at its latest dose (none before the
// first reading), boxed in the alarm colour while the region's alarm is
// shown; a strip on top in the band colour of the most recent reading.
class RGroupBox final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RGroupBox(RRegionCatalogue* pCatalogue, QWidget* parent = nullptr);

    // Greys the view over with strNote while its values are stale; an
    // empty note shows it live again.
    void SetStaleNote(const QString& strNote);
    ~RGroupBox() override;

    void LoadRegions();
    void LoadThresholds();
    void SetLevel(int id, float dose);
    // The alarms shown on the markers. Not owned; may be null.
    void SetAlarmState(const RAlarmState* pAlarmState);

    // The scale: height in pixels above the bottom of band A and text, from
    // the bottom up: 0, each band's middle and its upper threshold. A
    // middle is the dose a marker at its height shows.
    QVector<QPair<double, QString>> Labels() const;
    // The labels' number format, the same for every label.
    static QString NumberText(double dValue);
    // Marker height in pixels above the bottom of band A; -1 for an unknown id.
    float Level(int id) const;
    bool HasReading(int id) const { return m_read.contains(id); }
    QColor BandColour() const { return m_bandColour; }
    // Height of one band in pixels.
    int Segment() const;

    // Readings arrive up to ~130 a second; repaints are gathered and done at
    // most every interval (ms), showing the latest levels.
    static constexpr int kRepaintMs = 200;
    void SetRepaintInterval(int nMs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RGroupBox)

    QString m_strStaleNote;

    QHash<int, QColor> m_colours;
    // Latest dose per region, µRad/h.
    QHash<int, float> m_doses;
    // Regions read since start: the others have no marker, not one at 0.
    QSet<int> m_read;
    // Held weakly: at shut-down the window's pages may outlive it.
    QPointer<const RAlarmState> m_pAlarmState;
    float m_threA = 0;
    float m_threB = 0;
    float m_threC = 0;
    QColor m_bandColour;
    QTimer* m_pRepaintTimer;
};
