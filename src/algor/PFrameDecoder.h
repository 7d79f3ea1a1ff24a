#pragma once

#include <QDate>
#include <QTime>
#include <QtGlobal>

#include <vector>

// Finds, checks and decodes the frames of the data server's byte stream:
// plain code over bytes, with no thread, bus or database. Bytes come in
// pieces of any size together with the time they arrived; what they decode
// to goes to the sink, in stream order.
//
// A frame whose head has come but not its whole body waits for it: a body
// that is complete within BODY_WAIT_MS of the moment the head was reached is
// decoded; otherwise the head is given up and the bytes behind it are read
// as a new stream position. Times are milliseconds of any steady clock.
class PFrameDecoder final
{
public:
    class Sink
    {
    public:
        virtual ~Sink() = default;
        // A reading: item id and raw 24-bit value.
        virtual void Reading(quint32 nId, quint32 nValue) = 0;
        // A device reports its alarm threshold.
        virtual void ThresholdNotice(quint32 nId) = 0;
        virtual void TargetDose(int nX, int nY, int nZ) = 0;
        // A patrol reading of one staff member in one room at one minute.
        virtual void Routing(
            int nRoutId, int nRoomId, const QDate& date, const QTime& time, int nDose)
            = 0;
        // Block-frame values (channel 10·k + group in the top byte) and the
        // value pairs of a target-dose frame of kind 3 (1 or 2 in the top byte).
        virtual void BlockValue(quint32 nId, quint32 nWord) = 0;
        virtual void TargetValue(quint32 nY, quint32 nWord) = 0;
        // The sender paces these value pairs: it expects a pause after each.
        virtual void PairDone() = 0;
    };

    static constexpr int READ_CHAR_NUM = 7;
    static constexpr int READ_CHAR_SPECIAL_NUM = 29;
    // Seven tries of 500 ms in the original wait loop.
    static constexpr qint64 BODY_WAIT_MS = 3500;

    explicit PFrameDecoder(Sink* pSink);

    // The link turns the full frame set on; without it only block and
    // target-dose frames are decoded.
    void SetExtendedProtocol(bool bExtended) { m_bExtended = bExtended; }
    bool IsExtendedProtocol() const { return m_bExtended; }

    // Decodes as far as the bytes go; the rest waits for the next piece.
    void Feed(const unsigned char* pData, size_t nSize, qint64 nNowMs);
    // Gives up a body that is overdue at nNowMs and decodes what follows it.
    void Advance(qint64 nNowMs);
    // When the body now awaited is given up, or -1 when none is awaited.
    qint64 Deadline() const;
    // Forgets every byte held.
    void Reset();

    // Bytes held for the next piece.
    size_t Held() const { return m_held.size() - m_nHeldPos; }
    // Short-frame searches that ran out of bytes and dropped their window;
    // only after one may a stream cut in pieces decode differently.
    quint64 DroppedSearches() const { return m_nDroppedSearches; }

private:
    Q_DISABLE_COPY(PFrameDecoder)

    // Decodes p[0..nSize) and returns how many bytes were used up.
    size_t Decode(const unsigned char* p, size_t nSize, qint64 nNowMs);
    size_t DecodeShort(const unsigned char* p, size_t nSize, size_t nPos);
    void DecodeBlock(const unsigned char* pFrame);
    void DecodeTargetDose(const unsigned char* pFrame);
    void DecodeRouting(const unsigned char* pFrame);
    void DecodeReading(const unsigned char* pFrame);
    void DecodeFourValues(const unsigned char* pFrame);
    void DecodeHeld(qint64 nNowMs);

    Sink* m_pSink;
    bool m_bExtended = false;
    // Bytes of an unfinished frame (or of a head still to be completed),
    // from m_nHeldPos on.
    std::vector<unsigned char> m_held;
    size_t m_nHeldPos = 0;
    // When the head now waiting for its body was reached, or -1.
    qint64 m_nWaitSince = -1;
    quint64 m_nDroppedSearches = 0;
};
