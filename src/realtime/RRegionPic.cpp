#include "realtime/RRegionPic.h"

RRegionPic::RRegionPic(QWidget* parent)
    : QWidget(parent)
{
    resize(400, 400);
}

RRegionPic::~RRegionPic() = default;

void RRegionPic::LoadRegions()
{
}

void RRegionPic::LoadThresholds()
{
}

void RRegionPic::ShowRegion(int, float)
{
}
