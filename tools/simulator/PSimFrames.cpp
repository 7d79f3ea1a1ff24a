#include "PSimFrames.h"

namespace {

void put24(QByteArray& frame, int nAt, quint32 nValue)
{
    frame[nAt] = char((nValue >> 16) & 0xFF);
    frame[nAt + 1] = char((nValue >> 8) & 0xFF);
    frame[nAt + 2] = char(nValue & 0xFF);
}

void put32(QByteArray& frame, int nAt, quint32 nValue)
{
    frame[nAt] = char((nValue >> 24) & 0xFF);
    put24(frame, nAt + 1, nValue & 0xFFFFFF);
}

char bcd(int nValue)
{
    return char(((nValue / 10) << 4) | (nValue % 10));
}

QByteArray head(quint8 nType, int nLength)
{
    QByteArray frame(nLength, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(nType);
    return frame;
}

// The receiver zeroes EE EE EE runs starting in [nFrom, nTo] before it checks
// the sum, so the sender sums the same zeroed bytes.
quint8 xorZeroingRuns(const QByteArray& frame, int nFrom, int nTo, int nEnd)
{
    QByteArray copy = frame;
    for (int i = nFrom; i <= nTo && i + 2 <= nEnd;) {
        if (quint8(copy[i]) == 0xEE && quint8(copy[i + 1]) == 0xEE && quint8(copy[i + 2]) == 0xEE) {
            copy[i] = copy[i + 1] = copy[i + 2] = '\0';
            i += 3;
        } else {
            ++i;
        }
    }
    return PSimFrames::Xor(copy, 2, nEnd);
}

} // namespace

quint8 PSimFrames::Xor(const QByteArray& bytes, int nFrom, int nTo)
{
    quint8 n = 0;
    for (int i = nFrom; i <= nTo; ++i)
        n ^= quint8(bytes[i]);
    return n;
}

QByteArray PSimFrames::Reading(quint8 nCounter, quint16 nId, quint32 nValue)
{
    QByteArray frame = head(0x02, 9);
    frame[2] = char(nCounter);
    frame[3] = char(nId >> 8);
    frame[4] = char(nId & 0xFF);
    put24(frame, 5, nValue);
    frame[8] = char(Xor(frame, 1, 7));
    return frame;
}

QByteArray PSimFrames::FourValue(
    quint8 nCounter, quint16 nBase, const std::array<quint32, 4>& values)
{
    QByteArray frame = head(0x03, 18);
    frame[2] = char(nCounter);
    frame[3] = char(nBase >> 8);
    frame[4] = char(nBase & 0xFF);
    for (int k = 0; k < 4; ++k)
        put24(frame, 5 + 3 * k, values[k]);
    frame[17] = char(Xor(frame, 1, 16));
    return frame;
}

QByteArray PSimFrames::Short(quint8 nId, quint32 nValue)
{
    QByteArray frame = head(0x04, 7);
    frame[2] = char(nId);
    put24(frame, 3, nValue);
    frame[6] = char(Xor(frame, 1, 5));
    return frame;
}

QByteArray PSimFrames::AlarmNotice(quint8 nId)
{
    QByteArray frame = head(0x01, 7);
    frame[2] = char(nId);
    frame[6] = char(Xor(frame, 1, 5));
    return frame;
}

QByteArray PSimFrames::Routing(quint8 nRoutId, quint8 nRoomId, const QDateTime& when, quint32 nDose)
{
    QByteArray frame = head(0x0A, 13);
    frame[2] = char(nRoutId);
    frame[3] = char(nRoomId);
    frame[4] = bcd(when.date().year() % 100);
    frame[5] = bcd(when.date().month());
    frame[6] = bcd(when.date().day());
    frame[7] = bcd(when.time().hour());
    frame[8] = bcd(when.time().minute());
    put24(frame, 9, nDose);
    frame[12] = char(Xor(frame, 2, 11));
    return frame;
}

QByteArray PSimFrames::TargetDose(
    quint32 nY, quint8 nX, quint8 nZ, const std::array<quint32, 8>& values)
{
    QByteArray frame = head(0x21, 36);
    put32(frame, 2, nY);
    frame[6] = char(nX);
    frame[10] = char(nZ);
    for (int k = 0; k < 8; ++k)
        put24(frame, 11 + 3 * k, values[k]);
    // Checked before the receiver zeroes anything.
    frame[35] = char(Xor(frame, 2, 34));
    return frame;
}

QByteArray PSimFrames::Block(quint32 nId, quint8 nGroup, const std::array<quint32, 8>& values)
{
    QByteArray frame = head(0x1D, 32);
    put32(frame, 2, nId);
    frame[6] = char(nGroup);
    for (int k = 0; k < 8; ++k)
        put24(frame, 7 + 3 * k, values[k]);
    frame[31] = char(xorZeroingRuns(frame, 2, 29, 30));
    return frame;
}

QByteArray PSimFrames::IdRecord(int nId)
{
    QByteArray record(4, '\0');
    record[0] = char(nId & 0xFF);
    record[1] = char(0x02); // kind: area monitor
    return record;
}

QByteArray PSimFrames::Corrupted(const QByteArray& frame)
{
    QByteArray bad = frame;
    if (!bad.isEmpty())
        bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 0x5A);
    return bad;
}

QVector<PSimFrames::Command> PSimFrames::TakeCommands(QByteArray& pending)
{
    QVector<Command> commands;
    Command junk;
    auto flushJunk = [&]() {
        if (!junk.raw.isEmpty()) {
            commands.append(junk);
            junk = Command();
        }
    };
    int nAt = 0;
    while (nAt < pending.size()) {
        const quint8 nStart = quint8(pending[nAt]);
        if (nStart == 0xA4 && nAt + 1 >= pending.size())
            break;
        const quint8 nLen = nStart == 0xA4 ? quint8(pending[nAt + 1]) : 0;
        const int nTotal = nLen + 3;
        if (nStart == 0xA4 && (nLen == 0x0A || nLen == 0x09)) {
            if (nAt + nTotal > pending.size())
                break;
            const QByteArray raw = pending.mid(nAt, nTotal);
            Command c;
            c.raw = raw;
            bool bValid = false;
            if (nLen == 0x0A) {
                bValid = quint8(raw[6]) == 0xFF && quint8(raw[12]) == 0xFF
                    && Xor(raw, 7, 10) == quint8(raw[11]);
                c.eKind = Kind::Threshold;
                c.nCode = quint8(raw[7]);
                c.nId = quint8(raw[8]);
                c.nArgument = (quint8(raw[9]) << 8) | quint8(raw[10]);
            } else {
                bValid = quint8(raw[6]) == 0xFF && quint8(raw[7]) == 0x21
                    && Xor(raw, 7, 9) == quint8(raw[10]) && Xor(raw, 2, 10) == quint8(raw[11]);
                c.eKind = Kind::Echo;
                c.nIndex = (quint32(quint8(raw[2])) << 24) | (quint32(quint8(raw[3])) << 16)
                    | (quint32(quint8(raw[4])) << 8) | quint32(quint8(raw[5]));
                c.nId = quint8(raw[8]);
                c.nTip = quint8(raw[9]);
            }
            if (bValid) {
                flushJunk();
                commands.append(c);
                nAt += nTotal;
                continue;
            }
        }
        junk.raw.append(pending[nAt]);
        ++nAt;
    }
    flushJunk();
    pending.remove(0, nAt);
    return commands;
}
