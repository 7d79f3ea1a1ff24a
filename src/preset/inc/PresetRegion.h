#pragma once

#include <QtGlobal>

// One record of a region list file (60 bytes, host byte order as written).
// Only the first five words are read back; the rest is carried unchanged.
struct PresetRegion
{
    qint32 nField[5];
    quint8 byReserved[40];
};

static_assert(sizeof(PresetRegion) == 60, "region records are 60 bytes in the file");
