#pragma once

#include <QHash>
#include <QObject>
#include <QVector>

class QTcpServer;
class QTcpSocket;

// The network server's id list: answers the 255-byte request 01 02 .. FF with
// one 4-byte record per known id. Listens on 127.0.0.1 only.
class PSimIdServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PSimIdServer)
public:
    explicit PSimIdServer(QObject* pParent = nullptr);

    bool Listen(quint16 nPort = 0);
    quint16 Port() const { return m_nPort; }

    void SetIds(const QVector<int>& ids) { m_ids = ids; }
    // Faults: never answer (connection kept open), or pad the reply with
    // nExtra further records.
    void SetSilent(bool bSilent) { m_bSilent = bSilent; }
    void SetExtraRecords(int nExtra) { m_nExtra = nExtra; }

    int Queries() const { return m_nQueries; }
    int OpenConnections() const { return m_received.size(); }

signals:
    void Answered(int nRecords);

private:
    void OnNewConnection();
    void OnData(QTcpSocket* pClient);

    QTcpServer* m_pServer;
    QHash<QTcpSocket*, QByteArray> m_received;
    QVector<int> m_ids;
    quint16 m_nPort = 0;
    int m_nExtra = 0;
    int m_nQueries = 0;
    bool m_bSilent = false;
};
