#pragma once

#include "TestFiles.h"
#include "preset/SPresetObject.h"

#include <QtEndian>

// Builders for preset files: little-endian words, keyed items, and a header
// with the owner id and the checksum of the body.
namespace PresetTestFiles {

inline QByteArray Word(quint32 nWord)
{
    char bytes[4];
    qToLittleEndian(nWord, bytes);
    return QByteArray(bytes, 4);
}

inline QByteArray Item(quint32 nKey, const QByteArray& data)
{
    return Word(nKey) + Word(static_cast<quint32>(data.size())) + data;
}

inline QByteArray EndMarker()
{
    return Word(0xFFFFFFFFu) + Word(0);
}

inline QByteArray File(quint32 nOwner, const QByteArray& body)
{
    const quint32 nSum = SPresetObject::Checksum(body.constData(), body.size());
    return Word(nOwner) + Word(1) + Word(nSum) + QByteArray(48, '\0') + body;
}

inline QByteArray Names(const QStringList& names)
{
    QByteArray bytes;
    for (const QString& strName : names)
        bytes += (QByteArray(reinterpret_cast<const char*>(strName.utf16()), strName.size() * 2)
            + QByteArray(40, '\0'))
                     .left(40);
    return bytes;
}

using TestFiles::Get;
using TestFiles::Put;

} // namespace PresetTestFiles
