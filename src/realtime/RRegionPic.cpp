#include "realtime/RRegionPic.h"

RRegionPic::RRegionPic(QWidget* parent)
    : QWidget(parent)
{
    resize(400, 400);
}

RRegionPic::~RRegionPic() = default;

void RRegionPic::LoadRegions()
{
    // The site plan is not drawn yet; the page feeds it already.
}

void RRegionPic::LoadThresholds()
{
    // Nothing is coloured until the site plan is drawn.
}

void RRegionPic::ShowRegion(int, float)
{
    // Nothing is coloured until the site plan is drawn.
}
