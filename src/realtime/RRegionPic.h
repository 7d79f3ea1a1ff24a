#pragma once

#include "realtime/RSitePlan.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPainterPath>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QWidget>

class RRegionCatalogue;

class QAction;
class QMenu;
class QMenuBar;
class QTimer;
class RAlarmState;
class SClock;

// The site plan: every monitored room filled with the colour of its current
// dose-rate band, growing more saturated with the dose, the region's alarm
// drawn over it (outline and stripes while active, flashing until
// acknowledged; the outline alone once cleared), and a click in a room
// turned into that room's region. Layer 0 is the whole site, layers 1 to 4 the
// storeys, read through RSitePlan. GUI thread only.
class RRegionPic final : public QWidget
{
    Q_OBJECT
public:
    // pClock: the time base of the drag rule; the system clock when null.
    explicit RRegionPic(
        RRegionCatalogue* pCatalogue, QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RRegionPic() override;

    // Greys the view over with strNote while its values are stale; an
    // empty note shows it live again.
    void SetStaleNote(const QString& strNote);

    // Recolouring is immediate; the repaints of many readings are gathered.
    static constexpr int kRepaintMs = 200;

    // Loads the current layer's pictures (the layer number goes before the
    // extension of the two picture names) and the positions. A missing,
    // unreadable or oversized picture keeps what was shown and returns false.
    bool Load(const QString& strMask, const QString& strSrc, const QString& strThres,
        const QString& strPosition);
    void LoadRegions();
    void LoadThresholds();
    void ShowRegion(int id, float dose);
    void ColourRegion(const QColor& colour, int id);
    // The room's fill: its band colour, or the out-of-service one.
    QColor FillOf(int id, float dose) const;
    // The alarms shown over the rooms. Not owned; may be null.
    void SetAlarmState(const RAlarmState* pAlarmState);

    void SetClickable(bool bClickable) { m_bClickable = bClickable; }
    bool IsClickable() const { return m_bClickable; }
    void SetRepaintInterval(int nMs);

    int Layer() const { return m_nLayer; }
    QMenu* LayerMenu() const { return m_pMenu; }
    // Size of the plan in pixels (null while none is loaded).
    QSize ImageSize() const { return m_maskImage.size(); }
    // The plan's ground: the colour of the picture's top-left corner;
    // invalid while no plan is loaded or the corner is not opaque.
    QColor GroundColour() const;
    // The colour layer, for tests and pictures.
    const QImage& MaskImage() const { return m_maskImage; }
    // The plan pixel under a widget point, through the painting's scaling.
    QPoint ImagePoint(const QPoint& widgetPoint) const;

signals:
    void RegionClicked(int nId);
    // The plan pictures were replaced (their size may have changed).
    void ImageChanged(bool flag);

public slots:
    void OnTriggered(QAction* action);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RRegionPic)

    QString m_strStaleNote;

    void BuildMenu();
    void FitMenuBar();
    void OnRepaintTimeout();
    QRect WidgetRect(const QRect& imageRect) const;
    // The outline of a region's room in plan pixels, made when first needed.
    const QPainterPath& RoomPath(int nId);
    void PaintAlarm(QPainter& painter, int nId);
    void UpdateRoom(int nId);

    SClock* m_pClock;
    QImage m_maskImage;
    // The layer shown: its drawing, its labels (kept for rebuilding the
    // rooms when the region list changes), seeds and rooms.
    RSitePlan::Layer m_layer;
    int m_nLayer = 0;
    QMap<int, QList<QPoint>> m_blocks;
    QHash<int, QPainterPath> m_roomPaths;
    // Held weakly: at shut-down the window's pages may outlive it.
    QPointer<const RAlarmState> m_pAlarmState;
    // Latest dose per region, so that a storey switch or new thresholds
    // show colours at once instead of at the next reading.
    QHash<int, float> m_doses;
    float m_threA = 0;
    float m_threB = 0;
    float m_threC = 0;
    bool m_bClickable = false;
    qint64 m_nMoveBurstMs = -1; // start of the current mouse-move burst
    QPoint m_pressPos;
    QMenu* m_pMenu = nullptr;
    QMenuBar* m_pMenuBar = nullptr;
    QRegion m_dirty;
    QTimer* m_pRepaintTimer = nullptr;
};
