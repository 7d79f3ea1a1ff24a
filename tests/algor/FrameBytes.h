#pragma once

#include <QByteArray>

// Hand-built frames of the data server's stream, independent of the
// simulator's encoder. Multi-byte fields are big-endian.
namespace FrameBytes {

inline QByteArray be(quint32 nValue, int nBytes)
{
    QByteArray out;
    for (int i = nBytes - 1; i >= 0; --i)
        out.append(char(nValue >> (8 * i)));
    return out;
}

// Appends the XOR of bytes nFirst..end.
inline QByteArray sealed(QByteArray frame, int nFirst)
{
    char n = 0;
    for (int i = nFirst; i < frame.size(); ++i)
        n ^= frame.at(i);
    return frame + n;
}

inline QByteArray reading(quint32 nId, quint32 nValue)
{
    return sealed(QByteArray("\xFF\x02\x00", 3) + be(nId, 2) + be(nValue, 3), 1);
}

// Staff 5 in room nRoom; pDateTime: year, month, day, hour, minute in BCD.
inline QByteArray routing(quint8 nRoom, const char* pDateTime, quint32 nDose)
{
    return sealed(
        QByteArray("\xFF\x0A\x05") + char(nRoom) + QByteArray(pDateTime, 5) + be(nDose, 3), 2);
}

} // namespace FrameBytes
