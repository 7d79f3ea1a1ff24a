#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>

// The rooms of one site picture. A room is what a fill from a region's seed
// reaches: the 4-connected open pixels (label 0) around it, or the seed pixel
// alone when it lies on a wall. They are found once when the picture or the
// seeds change, so that a reading recolours its room from a list of pixel runs
// instead of filling again, and a click is one look-up.
//
// Two seeds in one open area (a room that is not closed) share the room;
// a click there yields the seed listed first.
class RSiteRooms final
{
public:
    // One row segment of a room, x0..x1 inclusive.
    struct Run
    {
        int nY;
        int nX0;
        int nX1;
    };

    // labels: one byte per pixel, row after row, 0 on open area.
    // seeds: region id and seed pixel, in position order.
    void Build(
        const QByteArray& labels, const QSize& size, const QVector<QPair<int, QPoint>>& seeds);
    void Clear();

    // The region whose room holds the pixel; false when there is none.
    bool RegionAt(const QPoint& pixel, int* pId) const;
    // The runs and bounding rectangle of a region's room; null when the
    // region has no room.
    const QVector<Run>* Runs(int nId) const;
    QRect Bounds(int nId) const;
    int RoomCount() const { return m_rooms.size(); }

private:
    struct Room
    {
        QVector<Run> runs;
        QRect bounds;
        int nClickId = 0; // the first seed's region
        int nSeeds = 0;
        bool bReachesEdge = false;
        QPoint seed;
    };

    void Fill(const QByteArray& labels, int nStart, quint16 nMark, Room* pRoom);
    void CollectRuns();

    QSize m_size;
    // Per pixel: room index + 1; 0 outside every room.
    QVector<quint16> m_room;
    QVector<Room> m_rooms;
    QHash<int, int> m_roomOfId;
};
