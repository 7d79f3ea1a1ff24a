#pragma once

#include "PLockedFile.h"

#include <QObject>
#include <QString>

class QLocalServer;

// The instance check: the first process of a user takes a write lock on a
// per-user lock file and listens on a local socket; later processes find the
// lock taken and may send the first one a text message.
class PLocalPeer : public QObject
{
    Q_OBJECT

public:
    // Messages above this size are refused before anything is allocated.
    static constexpr quint32 MaxMessageBytes = 1024 * 1024;

    PLocalPeer(QObject* parent, const QString& appId);

    bool IsClient();
    bool SendMessage(const QString& strMsg, int nTimeout);

    QString SocketName() const { return m_strSocketName; }
    QString LockFileName() const { return m_lockFile.fileName(); }

    // The socket name for an id: "TALMERIC-SYS-", the CRC-16 of the id's
    // UTF-8 bytes and the user id, both in lower-case hexadecimal.
    static QString SocketNameFor(const QString& appId);

signals:
    void MessageReceived(const QString& strMsg);

private slots:
    void ReceiveConnection();

private:
    Q_DISABLE_COPY(PLocalPeer)

    QString m_strId;
    QString m_strSocketName;
    QLocalServer* m_pServer;
    PLockedFile m_lockFile;
};
