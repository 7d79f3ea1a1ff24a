#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

class RStorageWriter;

// One notification (table NotifyQueue): queued in the transaction of the
// journal row that causes it, so that a crash loses neither or both, and
// marked once the mail server has taken it.
struct RNotifyRow
{
    enum State {
        Queued = 0,
        Sent = 1,
        Held = 2, // kept back by a limit or a flood: told in a summary
        Refused = 3, // the server will never take it
    };
    qint64 nSeq = 0;
    QDateTime time; // when it was queued: the event's time
    QString strKind; // alarm, escalation, ack, link, link-back, flood, back, summary
    int nId = 0; // the region; 0 for the station
    int nLevel = 0; // the list told (0 on call, 1 officers, 2 the last)
    QString strTo; // addresses, comma separated
    QString strSubject;
    QString strBody;
    int nState = Queued;
    QDateTime sentTime;
    QString strAnswer; // the server's last answer
};

// The notifications' statements. Default connection, GUI thread; writes go
// through the station's one writer.
namespace RNotifyQueue {

QString TableStatement();
bool Add(RStorageWriter& writer, const RNotifyRow& row);
// The oldest row still queued; false when there is none.
bool Next(RNotifyRow* pRow);
void Mark(RStorageWriter& writer, qint64 nSeq, int nState, const QDateTime& time,
    const QString& strAnswer);
// Queued rows of these kinds become held; how many.
int HoldQueued(RStorageWriter& writer, const QStringList& kinds);
// Held rows after nAfterSeq, oldest first, for a summary.
QVector<RNotifyRow> HeldAfter(qint64 nAfterSeq);
qint64 LastSeq();
// The alarms told and not yet acknowledged: per region, the first row
// about it since its last acknowledgement (nLevel: the highest list told,
// strTo: everyone told).
QVector<RNotifyRow> OpenAlarms();
// Rows queued on days from..to, oldest first: the report.
QVector<RNotifyRow> Read(const QDate& from, const QDate& to);

} // namespace RNotifyQueue
