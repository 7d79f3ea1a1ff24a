#pragma once

#include <QColor>
#include <QGroupBox>
#include <QHash>

class QTimer;

// The level gauge: three dose-rate bands (up to threA, threB, threC, in
// µRad/h) stacked bottom to top, one marker per region at its latest dose,
// and a strip on top in the band colour of the most recent reading.
class RGroupBox final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RGroupBox(QWidget* parent = nullptr);

    // Greys the view over with strNote while its values are stale; an
    // empty note shows it live again.
    void SetStaleNote(const QString& strNote);
    ~RGroupBox() override;

    void LoadRegions();
    void LoadThresholds();
    void SetLevel(int id, float dose);

    // Marker height in pixels above the bottom of band A; -1 for an unknown id.
    float Level(int id) const { return m_levels.value(id, -1.0f); }
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
    Q_DISABLE_COPY(RGroupBox)

    QString m_strStaleNote;

    QHash<int, QColor> m_colours;
    QHash<int, float> m_levels;
    float m_threA = 0;
    float m_threB = 0;
    float m_threC = 0;
    QColor m_bandColour;
    QTimer* m_pRepaintTimer;
};
