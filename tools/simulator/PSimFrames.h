#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QVector>

#include <array>

// Encoders of the frames the data server sends, and decoders of the commands
// it receives. Multi-byte fields are big-endian; every frame starts with 0xFF.
class PSimFrames final
{
public:
    // 0x02, 9 bytes; value is 24-bit.
    static QByteArray Reading(quint8 nCounter, quint16 nId, quint32 nValue);
    // 0x03, 18 bytes; values belong to nBase + 1000 .. nBase + 4000.
    static QByteArray FourValue(
        quint8 nCounter, quint16 nBase, const std::array<quint32, 4>& values);
    // 0x04, 7 bytes.
    static QByteArray Short(quint8 nId, quint32 nValue);
    // 0x01, 7 bytes: a device confirms its alarm threshold.
    static QByteArray AlarmNotice(quint8 nId);
    // 0x0A, 13 bytes; date and time in BCD, seconds dropped.
    static QByteArray Routing(quint8 nRoutId, quint8 nRoomId, const QDateTime& when, quint32 nDose);
    // 0x21, 36 bytes.
    static QByteArray TargetDose(
        quint32 nY, quint8 nX, quint8 nZ, const std::array<quint32, 8>& values = {});
    // 0x1D, 32 bytes; the checksum treats every EE EE EE run as zeros.
    static QByteArray Block(quint32 nId, quint8 nGroup, const std::array<quint32, 8>& values = {});

    // One 4-byte record of the id-list reply.
    static QByteArray IdRecord(int nId);

    // The same frame with its checksum byte flipped.
    static QByteArray Corrupted(const QByteArray& frame);

    static quint8 Xor(const QByteArray& bytes, int nFrom, int nTo);

    // Commands from the client, taken from the front of a receive buffer.
    enum class Kind { Threshold, Echo, Junk };
    struct Command
    {
        Kind eKind = Kind::Junk;
        int nCode = 0; // threshold command code
        int nId = 0; // device id (threshold) or echo id
        int nArgument = 0; // 16-bit threshold word (threshold / 100)
        quint32 nIndex = 0; // echo index
        int nTip = 0; // echo tip
        QByteArray raw;
    };
    // Removes whole commands from the front of pending; bytes that start no
    // valid command come back as Junk one byte at a time. An incomplete
    // command is left in place.
    static QVector<Command> TakeCommands(QByteArray& pending);

private:
    PSimFrames() = delete;
};
