#pragma once

#include <QMetaType>
#include <QString>

// What the sender tells its owner, as a value across threads.
struct RSiteReport
{
    enum class State {
        Connecting, // not connected yet
        Sending, // connected; the outbox is being sent
        Unreachable, // no connection (reason in strError); tried again later
        TooNew, // the schema is newer than this client: nothing is sent
        Failed, // connected, but a statement failed; tried again later
    };
    State eState = State::Connecting;
    // The last outbox sequence the site database holds; -1 before the first
    // connection told it.
    qint64 nMark = -1;
    QString strError;
    // The site database has never seen this file: its history may be
    // uploaded (the operator is asked once).
    bool bHistoryOffer = false;
    bool bHistoryRunning = false;
    qint64 nRowsSent = 0; // this run
};
Q_DECLARE_METATYPE(RSiteReport)
