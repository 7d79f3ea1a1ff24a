#include "realtime/RSiteRooms.h"

#include "message/PLogRecord.h"

#include <limits>
#include <vector>

void RSiteRooms::Clear()
{
    m_size = QSize();
    m_room.clear();
    m_rooms.clear();
    m_roomOfId.clear();
}

void RSiteRooms::Build(
    const QByteArray& labels, const QSize& size, const QVector<QPair<int, QPoint>>& seeds)
{
    Clear();
    const int W = size.width();
    const int H = size.height();
    if (W <= 0 || H <= 0 || labels.size() != qint64(W) * H)
        return;
    m_size = size;
    m_room.fill(0, W * H);

    for (const QPair<int, QPoint>& seed : seeds) {
        const int nId = seed.first;
        const QPoint p = seed.second;
        if (p.x() < 0 || p.y() < 0 || p.x() >= W || p.y() >= H) {
            Log(LogLevel::Warning,
                "site picture: seed (%d, %d) of region %d lies outside the %dx%d picture\n", p.x(),
                p.y(), nId, W, H);
            continue;
        }
        const int nIndex = p.y() * W + p.x();
        if (m_room[nIndex] != 0) {
            const int nRoom = m_room[nIndex] - 1;
            m_roomOfId.insert(nId, nRoom);
            ++m_rooms[nRoom].nSeeds;
            continue;
        }
        // Room indices are stored in 16 bits; a site has far fewer regions.
        if (m_rooms.size() >= std::numeric_limits<quint16>::max()) {
            Log(LogLevel::Warning, "site picture: too many rooms, region %d has none\n", nId);
            continue;
        }
        Room room;
        room.nClickId = nId;
        room.nSeeds = 1;
        room.seed = p;
        const quint16 nMark = quint16(m_rooms.size() + 1);
        if (labels.at(nIndex) != 0) {
            // As a fill from a wall pixel: that pixel and nothing more.
            Log(LogLevel::Warning, "site picture: seed (%d, %d) of region %d lies on a wall\n",
                p.x(), p.y(), nId);
            m_room[nIndex] = nMark;
        } else {
            Fill(labels, nIndex, nMark, &room);
        }
        m_roomOfId.insert(nId, m_rooms.size());
        m_rooms.append(room);
    }
    CollectRuns();

    for (const Room& room : qAsConst(m_rooms)) {
        if (room.nSeeds > 1 || room.bReachesEdge) {
            Log(LogLevel::Warning,
                "site picture: the room of region %d at (%d, %d) is not closed (%s); it is "
                "coloured whole\n",
                room.nClickId, room.seed.x(), room.seed.y(),
                room.nSeeds > 1 ? "it holds several seeds" : "it reaches the picture's edge");
        }
    }
}

void RSiteRooms::Fill(const QByteArray& labels, int nStart, quint16 nMark, Room* pRoom)
{
    // An explicit stack: a room may hold millions of pixels.
    const int W = m_size.width();
    const int H = m_size.height();
    const char* pLabels = labels.constData();
    quint16* pRoomOf = m_room.data();
    std::vector<int> stack;
    stack.push_back(nStart);
    pRoomOf[nStart] = nMark;
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        const int x = i % W;
        const int y = i / W;
        if (x == 0 || y == 0 || x == W - 1 || y == H - 1)
            pRoom->bReachesEdge = true;
        const int neighbours[4] = {
            x > 0 ? i - 1 : -1, x < W - 1 ? i + 1 : -1, y > 0 ? i - W : -1, y < H - 1 ? i + W : -1};
        for (int n : neighbours) {
            if (n >= 0 && pLabels[n] == 0 && pRoomOf[n] == 0) {
                pRoomOf[n] = nMark;
                stack.push_back(n);
            }
        }
    }
}

void RSiteRooms::CollectRuns()
{
    const int W = m_size.width();
    const int H = m_size.height();
    const quint16* pRoomOf = m_room.constData();
    for (int y = 0; y < H; ++y) {
        const quint16* pRow = pRoomOf + qint64(y) * W;
        int x = 0;
        while (x < W) {
            const quint16 nMark = pRow[x];
            if (nMark == 0) {
                ++x;
                continue;
            }
            const int nX0 = x;
            while (x < W && pRow[x] == nMark)
                ++x;
            Room& room = m_rooms[nMark - 1];
            room.runs.append({y, nX0, x - 1});
            room.bounds |= QRect(nX0, y, x - nX0, 1);
        }
    }
}

bool RSiteRooms::RegionAt(const QPoint& pixel, int* pId) const
{
    if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= m_size.width()
        || pixel.y() >= m_size.height())
        return false;
    const quint16 nMark = m_room.at(pixel.y() * m_size.width() + pixel.x());
    if (nMark == 0)
        return false;
    *pId = m_rooms.at(nMark - 1).nClickId;
    return true;
}

const QVector<RSiteRooms::Run>* RSiteRooms::Runs(int nId) const
{
    const auto it = m_roomOfId.constFind(nId);
    return it == m_roomOfId.constEnd() ? nullptr : &m_rooms.at(*it).runs;
}

QRect RSiteRooms::Bounds(int nId) const
{
    const auto it = m_roomOfId.constFind(nId);
    return it == m_roomOfId.constEnd() ? QRect() : m_rooms.at(*it).bounds;
}
