#pragma once

#include <QtGlobal>

// One record of a personal list file (116 bytes, host byte order as written).
struct PresetPersonal
{
    qint32 nField0; // offset 0
    qint32 nField1; // offset 4
    char szText[64]; // offset 8
    qint32 nField2; // offset 72
    quint8 byReserved[40];
};

static_assert(sizeof(PresetPersonal) == 116, "personal records are 116 bytes in the file");
