#pragma once

#include <QString>

class QPainter;
class QRect;

// What a live view draws over itself while its values are stale (the link
// is down): a grey veil, so no colour passes for a current one, and a note
// saying when the values were read.
class PStaleOverlay final
{
public:
    static void Paint(QPainter& painter, const QRect& area, const QString& strNote);

private:
    PStaleOverlay() = delete;
};
