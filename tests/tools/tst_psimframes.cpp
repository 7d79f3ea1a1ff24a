#include "PSimFrames.h"

#include <QtTest>

// The simulator's command log is what the link tests assert on, so its parser
// must neither invent nor lose commands.
class TestPSimFrames : public QObject
{
    Q_OBJECT

private slots:
    void commandsAcrossReads();
    void junkAndBadSums_data();
    void junkAndBadSums();
};

void TestPSimFrames::commandsAcrossReads()
{
    const QByteArray threshold = QByteArray::fromHex("A40A00000000FF0103000200FF");
    const QByteArray echo = QByteArray::fromHex("A40900000102FF21050327FC");
    QByteArray pending = threshold.left(5);
    QVERIFY(PSimFrames::TakeCommands(pending).isEmpty());
    QCOMPARE(pending.size(), 5);
    pending += threshold.mid(5) + echo.left(1);
    QVector<PSimFrames::Command> commands = PSimFrames::TakeCommands(pending);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(int(commands[0].eKind), int(PSimFrames::Kind::Threshold));
    QCOMPARE(commands[0].nId, 3);
    QCOMPARE(commands[0].nArgument, 2);
    QCOMPARE(pending, echo.left(1));
    pending += echo.mid(1);
    commands = PSimFrames::TakeCommands(pending);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(int(commands[0].eKind), int(PSimFrames::Kind::Echo));
    QCOMPARE(commands[0].nIndex, 0x102u);
    QCOMPARE(commands[0].nId, 5);
    QCOMPARE(commands[0].nTip, 3);
    QVERIFY(pending.isEmpty());
}

void TestPSimFrames::junkAndBadSums_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("commands");
    QTest::addColumn<int>("junk");
    const QByteArray threshold = QByteArray::fromHex("A40A00000000FF0103000200FF");
    QTest::newRow("junk first") << QByteArray::fromHex("0102A4") + threshold << 1 << 3;
    QTest::newRow("bad threshold sum") << PSimFrames::Corrupted(threshold) << 0 << 13;
    QTest::newRow("bad echo sum") << PSimFrames::Corrupted(
        QByteArray::fromHex("A40900000102FF21050327FC"))
                                  << 0 << 12;
}

void TestPSimFrames::junkAndBadSums()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, commands);
    QFETCH(int, junk);
    int nCommands = 0;
    int nJunk = 0;
    for (const PSimFrames::Command& c : PSimFrames::TakeCommands(bytes)) {
        if (c.eKind == PSimFrames::Kind::Junk)
            nJunk += c.raw.size();
        else
            ++nCommands;
    }
    QCOMPARE(nCommands, commands);
    QCOMPARE(nJunk, junk);
}

QTEST_GUILESS_MAIN(TestPSimFrames)
#include "tst_psimframes.moc"
