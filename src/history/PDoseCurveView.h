#pragma once

#include <QVector>

#include <functional>

// The visible window of the dose-rate chart and its touch arithmetic: pinch
// zoom over whole minutes, and below 50 minutes per plot width a zoom and pan
// over a buffer of 2-second samples covering two hours of the day.
//
// Gesture steps work relative to a base: the window and the finger positions
// when the base was taken. The base is taken at the start of a gesture, when
// the 2-second buffer is reloaded and when the zoom crosses between minute and
// 2-second steps, so the view never jumps while the fingers move smoothly.
class PDoseCurveView final
{
public:
    static constexpr int kFineSlots = 3600;
    static constexpr int kSlotsPerHour = 1800;
    static constexpr int kSlotsPerMinute = 30;
    // Fingers closer than this pan instead of zooming.
    static constexpr float kPanSpread = 85.0f;

    // Fills the two hours from nFirstHour (fine arrives zeroed, kFineSlots
    // long) and returns the largest value.
    using FineLoader = std::function<float(int nFirstHour, QVector<float>& fine)>;

    explicit PDoseCurveView(int nLength = 1440);

    void SetLength(int nLength);
    void SetPlotWidth(int nPlotWidth);
    void SetFineLoader(FineLoader loader) { m_loader = std::move(loader); }

    // The stored day or item changed: the 2-second buffer is read again, at
    // once when it is shown.
    void InvalidateFine();

    // One gesture step with the x positions of the two fingers at the start of
    // the gesture and now, in widget pixels.
    void Pinch(float fStartA, float fStartB, float fCurrentA, float fCurrentB);

    // Ends a gesture: the current window becomes the base of the next one.
    void Reset();

    float Zoom() const { return m_fZoom; }
    int ViewStart() const { return m_nViewStart; }
    int ViewEnd() const { return m_nViewEnd; }
    int Length() const { return m_nLength; }

    bool HasFine() const { return !m_fine.isEmpty(); }
    bool IsFineShown() const;
    const QVector<float>& Fine() const { return m_fine; }
    float FineMax() const { return m_fFineMax; }
    int FineStart() const { return m_nFineStart; }
    int FineEnd() const { return m_nFineEnd; }
    int FirstFineHour() const { return m_nFineHour0; }
    int LastFineHour() const { return m_nFineHour1; }

    // Index into the buffer of minute nMinute when the buffer starts at hour
    // nFirstHour.
    static int FineIndex(int nMinute, int nFirstHour);

private:
    enum class Step { None, Minute, Fine };

    void Pan();
    void ZoomStep();
    void ZoomMinutes(float fLeft, float fRight);
    void ZoomFine(float fLeft, float fRight);
    // Reads the buffer when the view's hours are not the loaded ones; true
    // when it did.
    bool EnsureFine();
    void ClampFine(bool bKeepWidth);
    int MinuteOfSlot(int nSlot) const;

    int m_nLength;
    int m_nPlotWidth = 940;
    FineLoader m_loader;

    float m_fZoom = 0.0f;
    bool m_bStartTaken = false;
    float m_fStartLeft = 0.0f;
    float m_fStartRight = 0.0f;
    float m_fCurrentLeft = 0.0f;
    float m_fCurrentRight = 0.0f;

    int m_nViewStart = 0;
    int m_nViewEnd = 0;
    int m_nSavedViewStart = 0;
    int m_nSavedViewEnd = 0;
    // Finger travel (fractions of the plot width) at the time the base was taken.
    float m_fBaseLeft = 0.0f;
    float m_fBaseRight = 0.0f;
    Step m_lastStep = Step::None;

    QVector<float> m_fine;
    bool m_bFineStale = false;
    int m_nFineHour0 = -1;
    int m_nFineHour1 = -1;
    int m_nFineStart = 0;
    int m_nFineEnd = 0;
    int m_nSavedFineStart = 0;
    int m_nSavedFineEnd = 0;
    float m_fFineBaseLeft = 0.0f;
    float m_fFineBaseRight = 0.0f;
    float m_fFineMax = 0.0f;
};
