#include "history/PDoseCurveView.h"

#include "history/PDoseCurveScale.h"

#include <algorithm>

PDoseCurveView::PDoseCurveView(int nLength)
    : m_nLength(std::max(0, nLength))
{
}

void PDoseCurveView::SetLength(int nLength)
{
    m_nLength = std::max(0, nLength);
    if (m_nViewEnd > m_nLength)
        m_nViewEnd = m_nLength;
    if (m_nViewStart > m_nViewEnd)
        m_nViewStart = m_nViewEnd;
    m_nSavedViewEnd = std::min(m_nSavedViewEnd, m_nLength);
    m_nSavedViewStart = std::min(m_nSavedViewStart, m_nSavedViewEnd);
}

void PDoseCurveView::SetPlotWidth(int nPlotWidth)
{
    // Every step divides by the width; a collapsed widget still has one pixel.
    m_nPlotWidth = std::max(1, nPlotWidth);
}

void PDoseCurveView::InvalidateFine()
{
    m_bFineStale = true;
    if (IsFineShown())
        EnsureFine();
}

bool PDoseCurveView::IsFineShown() const
{
    return PDoseCurveScale::IsFineZoom(m_fZoom) && HasFine();
}

int PDoseCurveView::FineIndex(int nMinute, int nFirstHour)
{
    return ((nMinute / 60 - nFirstHour) * 3600) / 2 + (nMinute % 60) * kSlotsPerMinute;
}

int PDoseCurveView::MinuteOfSlot(int nSlot) const
{
    return (nSlot + kSlotsPerHour * m_nFineHour0) / kSlotsPerMinute;
}

void PDoseCurveView::Reset()
{
    m_nSavedViewStart = m_nViewStart;
    m_nSavedViewEnd = m_nViewEnd;
    m_nSavedFineStart = m_nFineStart;
    m_nSavedFineEnd = m_nFineEnd;
    m_bStartTaken = false;
    m_fStartLeft = m_fStartRight = m_fCurrentLeft = m_fCurrentRight = 0.0f;
    m_fBaseLeft = m_fBaseRight = m_fFineBaseLeft = m_fFineBaseRight = 0.0f;
    m_lastStep = Step::None;
}

void PDoseCurveView::Pinch(float fStartA, float fStartB, float fCurrentA, float fCurrentB)
{
    if (!m_bStartTaken) {
        m_fStartLeft = std::min(fStartA, fStartB);
        m_fStartRight = std::max(fStartA, fStartB);
        m_bStartTaken = true;
    }
    m_fCurrentLeft = std::min(fCurrentA, fCurrentB);
    m_fCurrentRight = std::max(fCurrentA, fCurrentB);
    const float fSpread = m_fCurrentRight - m_fCurrentLeft;
    if (fSpread <= kPanSpread && m_fCurrentLeft > 0.0f && m_fCurrentRight > 0.0f)
        Pan();
    else if (m_nPlotWidth >= fSpread)
        ZoomStep();
}

void PDoseCurveView::Pan()
{
    const int d = static_cast<int>(
        (m_fCurrentLeft + m_fCurrentRight) / 2.0f - (m_fStartLeft + m_fStartRight) / 2.0f);
    // Dragging to the right shows earlier times.
    if (m_nViewStart < 1 && d > 0) {
        m_nViewStart = 0;
        return;
    }
    if (m_nViewEnd >= m_nLength && d < 0) {
        m_nViewEnd = m_nLength;
        return;
    }
    if (PDoseCurveScale::IsFineZoom(m_fZoom)) {
        if (!HasFine())
            EnsureFine();
        // The start positions stay: the pan speed follows the finger offset.
        const int nShift = d / 60;
        m_nFineStart -= nShift;
        m_nFineEnd -= nShift;
        m_nViewStart = std::max(0, MinuteOfSlot(m_nFineStart));
        m_nViewEnd = std::min(m_nLength, MinuteOfSlot(m_nFineEnd));
        if (!EnsureFine())
            ClampFine(true);
        return;
    }
    // Keep the window's width at the day's edges.
    int nShift = static_cast<int>(d * m_fZoom);
    if (nShift > 0)
        nShift = std::min(nShift, m_nViewStart);
    else
        nShift = std::max(nShift, m_nViewEnd - m_nLength);
    m_nViewStart -= nShift;
    m_nViewEnd -= nShift;
    m_fStartLeft = m_fCurrentLeft;
    m_fStartRight = m_fCurrentRight;
}

void PDoseCurveView::ZoomStep()
{
    const float fWidth = static_cast<float>(m_nPlotWidth);
    if (m_nViewEnd == 0) {
        m_nViewStart = m_nSavedViewStart = 0;
        m_nViewEnd = m_nSavedViewEnd = m_nLength;
        m_fZoom = m_nLength / fWidth;
    }
    if (m_nViewEnd <= m_nViewStart)
        return;
    if (m_fZoom <= 0.0f)
        m_fZoom = (m_nViewEnd - m_nViewStart) / fWidth;
    // Spreading the fingers makes both positive and zooms in.
    const float fLeft = (m_fStartLeft - m_fCurrentLeft) / fWidth;
    const float fRight = (m_fCurrentRight - m_fStartRight) / fWidth;
    // At the narrowest view only a movement that widens it counts; one finger
    // resting while the other spreads must not narrow it either.
    if (m_fZoom <= PDoseCurveScale::kFinestZoom && fLeft >= 0.0f && fRight >= 0.0f)
        return;
    if (m_fZoom <= PDoseCurveScale::kFineZoom)
        ZoomFine(fLeft, fRight);
    else
        ZoomMinutes(fLeft, fRight);
}

void PDoseCurveView::ZoomMinutes(float fLeft, float fRight)
{
    if (m_lastStep == Step::Fine) {
        m_nSavedViewStart = m_nViewStart;
        m_nSavedViewEnd = m_nViewEnd;
        m_fBaseLeft = fLeft;
        m_fBaseRight = fRight;
    }
    m_lastStep = Step::Minute;
    const float fSpan = static_cast<float>(m_nSavedViewEnd - m_nSavedViewStart);
    const int nStart
        = std::max(0, m_nSavedViewStart + static_cast<int>(fSpan * (fLeft - m_fBaseLeft)));
    const int nEnd
        = std::min(m_nLength, m_nSavedViewEnd - static_cast<int>(fSpan * (fRight - m_fBaseRight)));
    if (nEnd - nStart < 1)
        return;
    const float fZoom = (nEnd - nStart) / static_cast<float>(m_nPlotWidth);
    if (fZoom < PDoseCurveScale::kFinestZoom && nEnd - nStart < m_nViewEnd - m_nViewStart)
        return;
    m_nViewStart = nStart;
    m_nViewEnd = nEnd;
    m_fZoom = fZoom;
}

void PDoseCurveView::ZoomFine(float fLeft, float fRight)
{
    const bool bReloaded = EnsureFine();
    if (bReloaded || m_lastStep == Step::Minute) {
        m_nSavedFineStart = m_nFineStart;
        m_nSavedFineEnd = m_nFineEnd;
        m_fFineBaseLeft = fLeft;
        m_fFineBaseRight = fRight;
    }
    m_lastStep = Step::Fine;
    const float fSpan = static_cast<float>(m_nSavedFineEnd - m_nSavedFineStart);
    const int nStart
        = std::max(0, m_nSavedFineStart + static_cast<int>(fSpan * (fLeft - m_fFineBaseLeft)));
    const int nEnd = std::min(
        kFineSlots, m_nSavedFineEnd - static_cast<int>(fSpan * (fRight - m_fFineBaseRight)));
    if (nEnd - nStart < kSlotsPerMinute)
        return;
    const int nViewStart = std::max(0, MinuteOfSlot(nStart));
    const int nViewEnd = std::min(m_nLength, MinuteOfSlot(nEnd));
    if (nViewEnd <= nViewStart)
        return;
    // The narrowest view is judged by the 2-second window itself; the whole
    // minutes of the view are too coarse for it.
    const float fSlotZoom
        = (nEnd - nStart) / static_cast<float>(kSlotsPerMinute) / static_cast<float>(m_nPlotWidth);
    if (fSlotZoom < PDoseCurveScale::kFinestZoom && nEnd - nStart < m_nFineEnd - m_nFineStart)
        return;
    const float fZoom = (nViewEnd - nViewStart) / static_cast<float>(m_nPlotWidth);
    m_nFineStart = nStart;
    m_nFineEnd = nEnd;
    m_nViewStart = m_nSavedViewStart = nViewStart;
    m_nViewEnd = m_nSavedViewEnd = nViewEnd;
    m_fZoom = fZoom;
}

bool PDoseCurveView::EnsureFine()
{
    int nHour0 = m_nViewStart / 60;
    int nHour1 = m_nViewEnd / 60;
    if (nHour0 == nHour1)
        nHour0 = nHour1 - 1;
    if (nHour0 < 0) {
        nHour0 += 1;
        nHour1 += 1;
    }
    if (HasFine() && !m_bFineStale && nHour0 == m_nFineHour0 && nHour1 == m_nFineHour1)
        return false;
    m_nFineHour0 = nHour0;
    m_nFineHour1 = nHour1;
    m_bFineStale = false;
    m_fine.fill(0.0f, kFineSlots);
    m_fFineMax = m_loader ? m_loader(nHour0, m_fine) : 0.0f;
    if (m_fine.size() != kFineSlots)
        m_fine.resize(kFineSlots);
    m_nFineStart = FineIndex(m_nViewStart, nHour0);
    m_nFineEnd = FineIndex(m_nViewEnd, nHour0);
    ClampFine(false);
    m_nSavedFineStart = m_nFineStart;
    m_nSavedFineEnd = m_nFineEnd;
    m_fFineBaseLeft = m_fFineBaseRight = 0.0f;
    return true;
}

void PDoseCurveView::ClampFine(bool bKeepWidth)
{
    // The buffer holds two hours. A window pushed past an edge keeps its
    // width; a view reaching past the loaded hours shows its part inside.
    const int nWidth = std::min(kFineSlots, std::max(1, m_nFineEnd - m_nFineStart));
    if (bKeepWidth) {
        if (m_nFineStart < 0) {
            m_nFineStart = 0;
            m_nFineEnd = nWidth;
        } else if (m_nFineEnd > kFineSlots) {
            m_nFineEnd = kFineSlots;
            m_nFineStart = kFineSlots - nWidth;
        }
    }
    m_nFineStart = std::max(0, std::min(m_nFineStart, kFineSlots - 1));
    m_nFineEnd = std::min(kFineSlots, std::max(m_nFineEnd, m_nFineStart + 1));
}
