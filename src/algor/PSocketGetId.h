#pragma once

#include <QObject>
#include <QStringList>

class QTcpSocket;
class QTimer;

// One-shot query of the network server for the ids of the items it knows.
// Every ConnectSocket() starts a query; the reply (or the give-up timer) ends
// it with an abort. Main thread only.
class PSocketGetId final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PSocketGetId)
public:
    // Replies are 4-byte records; longer replies are cut at this many.
    static constexpr int MAX_RECORDS = 255;

    explicit PSocketGetId(QObject* pParent);

    // Server address and port from the network-server preset holder.
    void ConnectSocket();
    void ConnectToHost(const QString& strHost, quint16 nPort);

    // A query without any reply within nMs is abandoned (default 5000 ms);
    // once bytes arrive, nSettleMs of quiet ends the reply (default 200 ms).
    void SetIntervals(int nTimeoutMs, int nSettleMs);

    // The ids of a reply: first byte of every whole record. Device ids run
    // 0..255, so the byte is read unsigned.
    static QStringList ParseReply(const QByteArray& reply);

signals:
    void ItemIdLists(QStringList list);

public slots:
    void ReadData();
    void WriteHeadIds();

private:
    void Finish();

    QTcpSocket* m_pSocket;
    QTimer* m_pTimeout;
    QTimer* m_pSettle;
    QByteArray m_reply;
};
