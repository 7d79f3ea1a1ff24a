#include "IdServerStub.h"

#include "algor/PSocketGetId.h"
#include "algor/RAdditionalDose.h"
#include "message/SBus.h"
#include "message/SMessage.h"

#include "PSimDataServer.h"
#include "PSimIdServer.h"

#include <QTcpSocket>
#include <QtTest>

namespace {

QByteArray hex(const char* pText)
{
    return QByteArray::fromHex(pText);
}

} // namespace

class TestLinkCompanions : public QObject
{
    Q_OBJECT

private slots:
    void echoFrameLayout_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("tip");
        QTest::addColumn<QByteArray>("frame");
        // Wrong byte order of the index or a checksum over the wrong span shows here.
        QTest::newRow("documented") << 5 << 0x102 << 3 << hex("A40900000102FF21050327FC");
        // Sums: 21^AB^00 = 8A; 89^AB^CD^EF^FF^21^AB^00^8A = FF.
        QTest::newRow("high index, wide id")
            << 0x1AB << int(0x89ABCDEF) << 0 << hex("A40989ABCDEFFF21AB008AFF");
    }

    void echoFrameLayout()
    {
        QFETCH(int, id);
        QFETCH(int, index);
        QFETCH(int, tip);
        QFETCH(QByteArray, frame);
        QCOMPARE(RAdditionalDose::EchoFrame(id, index, tip).toHex(' '), frame.toHex(' '));
    }

    void echoReachesServerOnlyWhenConnected()
    {
        PSimDataServer server;
        QVERIFY(server.Listen());
        QTcpSocket socket;
        RAdditionalDose echo;
        echo.SetSocket(&socket);
        // Not connected yet: the echo is lost, nothing crashes, nothing queues up.
        echo.EchoTargeDose(1, 1, 1);
        socket.connectToHost(QStringLiteral("127.0.0.1"), server.Port());
        QVERIFY(socket.waitForConnected(5000));
        QTRY_COMPARE(server.ClientCount(), 1);
        echo.EchoTargeDose(5, 0x102, 3);
        QTRY_COMPARE(server.Echoes().size(), 1);
        const PSimDataServer::Echo seen = server.Echoes()[0];
        QCOMPARE((QList<qint64> {seen.nIndex, seen.nId, seen.nTip, server.JunkBytes()}),
            (QList<qint64> {0x102, 5, 3, 0}));
    }

    void replyParsing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("two records") << hex("0102000003020000") << QStringList {"1", "3"};
        QTest::newRow("id above 127") << hex("90000000") << QStringList {"144"};
        QTest::newRow("partial record dropped") << hex("07000000ff00") << QStringList {"7"};
        QTest::newRow("empty") << QByteArray() << QStringList {};
    }

    void replyParsing()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, ids);
        QCOMPARE(PSocketGetId::ParseReply(reply), ids);
    }

    void queryAsksHolderAndListsIds()
    {
        IdServerStub stub({4, 17, 144, 120});
        QVERIFY(stub.IsListening());
        PSimIdServer& server = stub.Server();
        QObject page;
        auto* pQuery = new PSocketGetId(&page);
        pQuery->SetIntervals(5000, 20);
        QSignalSpy spy(pQuery, &PSocketGetId::ItemIdLists);
        pQuery->ConnectSocket();
        QCOMPARE(stub.Store().Firsts(SBus::NetServer),
            (QList<qintptr> {SBus::CmdAddress, SBus::CmdPort}));
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toStringList(), (QStringList {"4", "17", "144", "120"}));
        // The server saw exactly one well-formed 255-byte request, and the reply ended the query.
        QCOMPARE(server.Queries(), 1);
        QTRY_COMPARE(server.OpenConnections(), 0);
        // A second query on the same object works the same way.
        pQuery->ConnectSocket();
        QTRY_COMPARE(spy.size(), 2);
        QCOMPARE(server.Queries(), 2);
    }

    void badServerEndsTheQuery_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("lists");
        QTest::newRow("oversized reply") << false << 1;
        QTest::newRow("no reply") << true << 0;
    }

    // The socket is closed instead of being left open; an oversized reply
    // gives one list of bounded length, no reply no list at all.
    void badServerEndsTheQuery()
    {
        QFETCH(bool, silent);
        QFETCH(int, lists);
        PSimIdServer server;
        server.SetExtraRecords(1000);
        server.SetSilent(silent);
        QVERIFY(server.Listen());
        PSocketGetId query(nullptr);
        query.SetIntervals(2000, 20);
        QSignalSpy spy(&query, &PSocketGetId::ItemIdLists);
        query.ConnectToHost(QStringLiteral("127.0.0.1"), server.Port());
        QTRY_COMPARE(server.Queries(), 1);
        QTRY_COMPARE(server.OpenConnections(), 0);
        // The rest of the reply must not come back as a second list.
        QCoreApplication::processEvents();
        QCOMPARE(spy.size(), lists);
        if (lists)
            QCOMPARE(spy[0][0].toStringList().size(), PSocketGetId::MAX_RECORDS);
    }
};

QTEST_GUILESS_MAIN(TestLinkCompanions)
#include "tst_linkcompanions.moc"
