#pragma once

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QModelIndex>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class RRegionCatalogue;

class PAlarmCue;
class PColorLineDelegate;
class RAlarmJournalView;
class RAlarmState;
class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class QTreeView;
class RGroupBox;
class RRealRateCurve;
class RRegionDoseModel;
class RRegionPic;
class SClock;
class SPrompt;

// Page 0 of the main window: the live view of every area monitor (table,
// level gauge, day curve). The region page on the bus: every region reading enters the
// views here. GUI thread only.
class RStation;

class RFormRegion final : public QWidget
{
    Q_OBJECT
public:
    // pClock: "now" for the model's silence and alarm rules and for the day
    // curve's "today"; the system clock when null. Not owned.
    explicit RFormRegion(
        RRegionCatalogue* pCatalogue, QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RFormRegion() override;

    // Reloads everything that depends on the region list.
    void InitRegions();
    // The acknowledgement and the audible cue that the page's alarm buttons
    // act on. Not owned, and held weakly: the main window's children go in
    // stacking order, so a page shown again goes after them.
    void SetAlarmHandling(RAlarmState* pAlarmState, PAlarmCue* pCue);
    // Notices (nothing to acknowledge); message boxes by default. Not owned.
    void SetPrompt(SPrompt* pPrompt);
    // Asked before an acknowledgement or a mute, with what it is for: false
    // leaves the alarm as it is. None: always allowed.
    void SetSessionGate(std::function<bool(const QString&)> gate) { m_gate = std::move(gate); }
    // Asked before a shelving or an unshelving, which take an officer: false
    // leaves the region as it is. None: the session gate.
    void SetShelveGate(std::function<bool(const QString&)> gate) { m_shelveGate = std::move(gate); }
    // The actions go through the station, which checks and audits them;
    // without one (a page on its own) they go to the alarm state directly.
    // Not owned.
    void SetStation(RStation* pStation) { m_pStation = pStation; }

    // Geometry of a picture of size image fitted into frame keeping its
    // aspect ratio: centred horizontally when portrait, vertically otherwise.
    static QRect FitPicture(const QSize& frame, const QSize& image);

    RRegionDoseModel* Model() const { return m_pModel; }
    QTreeView* RegionView() const { return m_pRegionTreeView; }
    RGroupBox* Gauge() const { return m_pGroupBox; }
    RRealRateCurve* Curve() const { return m_pCurve; }
    RRegionPic* Picture() const { return m_pPicture; }
    QPushButton* PictureButton() const { return m_pButtonPicture; }
    // Shown during an alarm flood, with its count.
    QLabel* FloodBanner() const { return m_pFloodBanner; }
    // The user setting that remembers whether the site plan is shown.
    static constexpr const char* kSettingPictureShown = "RegionPage/SitePlanShown";
    PColorLineDelegate* ColourDelegate() const { return m_pColourDelegate; }
    QList<int> CurveIds() const { return m_curveIds; }
    // Day curves still waiting for the current minute's reload.
    int PendingCurves() const { return m_pendingCurves.size(); }

    // Each day curve costs a database read of a 1440-column row (several ms);
    // a minute's reload is done this many curves per event-loop pass so that
    // readings and input keep flowing while 255 curves reload.
    static constexpr int kCurvesPerSlice = 8;

public slots:
    void OnColorLineChangedColor(const QModelIndex& index, const QColor& color);
    void OnStateChanged(int state);
    void OnDoubleClicked(const QModelIndex& index);
    // Selects the region's row.
    void OnRegionClicked(int nId);
    void OnPictureToggled(bool bShown);
    // Acknowledges the alarm of the selected region.
    void AcknowledgeCurrent();
    // Shelves the selected region's alarm, or puts a shelved one back in
    // service, asking why (and until when).
    void ShelveCurrent();
    // Values turn stale while the data-server link is down.
    void OnLinkChanged(bool bUp);
    // Opens the alarm journal (one window, raised when open already).
    void ShowJournal();

protected:
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    // Ticks reach the page shown only: the curves catch up on the minutes
    // missed while hidden.
    void showEvent(QShowEvent* pEvent) override;

signals:
    // nId 0: all regions.
    void Acknowledged(int nId);
    void Muted();

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RFormRegion)

    bool Allowed(const QString& strWhy) const { return !m_gate || m_gate(strWhy); }
    bool MayShelve(const QString& strWhy) const
    {
        return m_shelveGate ? m_shelveGate(strWhy) : Allowed(strWhy);
    }
    void OnFloodChanged(bool bFlood, int nAlarms);
    void AcknowledgeAll();
    void OnMuteToggled(bool bMuted);

    void BuildWidgets();
    void BuildCurves();
    void BuildCheckBoxes();
    void FitCurve();
    void FitColumns();
    void FitPictureToFrame();
    void ShowPicture(bool bShown);
    void OnMinuteTick();
    // The catalogue's thresholds or colours changed.
    void OnReloadThresholds();
    void OnReloadSlice();
    int IdAtSub(int nSub, bool* pFound = nullptr) const;

    SClock* m_pClock;
    QTreeView* m_pRegionTreeView = nullptr;
    RGroupBox* m_pGroupBox = nullptr;
    QScrollArea* m_pScrollArea = nullptr;
    QGridLayout* m_pLayout = nullptr;
    QFrame* m_pPictureFrame = nullptr;
    QPushButton* m_pButtonPicture = nullptr;
    QPushButton* m_pButtonAck = nullptr;
    QPushButton* m_pButtonAckAll = nullptr;
    QPushButton* m_pButtonMute = nullptr;
    QPushButton* m_pButtonJournal = nullptr;
    QPushButton* m_pButtonShelve = nullptr;
    QLabel* m_pFloodBanner = nullptr;
    QPointer<RAlarmJournalView> m_pJournalView;
    QPointer<RAlarmState> m_pAlarmState;
    QPointer<PAlarmCue> m_pCue;
    std::function<bool(const QString&)> m_gate;
    std::function<bool(const QString&)> m_shelveGate;
    RStation* m_pStation = nullptr;
    SPrompt* m_pPrompt;
    // Local time of the latest reading, for the stale note.
    QDateTime m_lastReading;
    RRegionDoseModel* m_pModel = nullptr;
    RRealRateCurve* m_pCurve = nullptr;
    RRegionPic* m_pPicture = nullptr;
    // The colour the plan's pane is filled with.
    QColor m_planGround;
    int m_nRegionCount = 0;
    PColorLineDelegate* m_pColourDelegate = nullptr;
    QList<int> m_curveIds;
    QList<int> m_pendingCurves;
    QTimer* m_pSliceTimer = nullptr;
    // The day the curves hold and the last minute read into them: during a
    // day a tick reads only the minutes that may have changed since.
    QDate m_curveDay;
    int m_nRefreshedMinute = 0;
};
