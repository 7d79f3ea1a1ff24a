#include "realtime/RCheckBox.h"

RCheckBox::RCheckBox(QWidget* parent)
    : QCheckBox(parent)
{
    connect(this, &QCheckBox::stateChanged, this, &RCheckBox::ChangeCheckState);
}

RCheckBox::~RCheckBox() = default;
