#pragma once

#include <QImage>
#include <QWidget>

// The site plan. For now only the interface the region page drives: it is
// created hidden, and readings, reloads and clicks pass through without
// effect until the plan pictures are drawn here.
class RRegionPic final : public QWidget
{
    Q_OBJECT
public:
    explicit RRegionPic(QWidget* parent = nullptr);
    ~RRegionPic() override;

    void LoadRegions();
    void LoadThresholds();
    void ShowRegion(int id, float dose);
    void SetClickable(bool bClickable) { m_bClickable = bClickable; }
    bool IsClickable() const { return m_bClickable; }
    // Size of the plan picture in pixels (null while none is loaded).
    QSize ImageSize() const { return m_srcImage.size(); }

signals:
    void RegionClicked(int nId);
    void ImageChanged(bool flag);

private:
    Q_DISABLE_COPY(RRegionPic)

    QImage m_srcImage;
    bool m_bClickable = false;
};
