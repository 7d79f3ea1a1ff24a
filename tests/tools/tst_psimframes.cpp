#include "PSimFrames.h"

#include <QtTest>

namespace {

const QByteArray kThreshold = QByteArray::fromHex("A40A00000000FF0103000200FF");
const QByteArray kEcho = QByteArray::fromHex("A40900000102FF21050327FC");

// "T<id>:<word>", "E<index>:<id>:<tip>" or "J<bytes>" per command.
QStringList describe(const QVector<PSimFrames::Command>& commands, bool bJunk = true)
{
    QStringList list;
    for (const PSimFrames::Command& c : commands) {
        if (c.eKind == PSimFrames::Kind::Threshold)
            list << QString("T%1:%2").arg(c.nId).arg(c.nArgument);
        else if (c.eKind == PSimFrames::Kind::Echo)
            list << QString("E%1:%2:%3").arg(c.nIndex).arg(c.nId).arg(c.nTip);
        else if (bJunk)
            list << QString("J%1").arg(c.raw.size());
    }
    return list;
}

} // namespace

// The simulator's command log is what the link tests assert on, so its parser
// must neither invent nor lose commands.
class TestPSimFrames : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("both kinds") << kThreshold + kEcho << QStringList {"T3:2", "E258:5:3"};
        QTest::newRow("junk first")
            << QByteArray::fromHex("0102A4") + kThreshold << QStringList {"J3", "T3:2"};
        QTest::newRow("bad threshold sum")
            << PSimFrames::Corrupted(kThreshold) << QStringList {"J13"};
        QTest::newRow("bad echo sum") << PSimFrames::Corrupted(kEcho) << QStringList {"J12"};
    }
    void commands()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, commands);
        QByteArray pending = bytes;
        QCOMPARE(describe(PSimFrames::TakeCommands(pending)), commands);
        QVERIFY(pending.isEmpty());
        // Split at every offset, the same commands come out, none before its end.
        const QStringList whole = describe(PSimFrames::TakeCommands(pending = bytes), false);
        for (int nCut = 1; nCut < bytes.size(); ++nCut) {
            pending = bytes.left(nCut);
            QStringList seen = describe(PSimFrames::TakeCommands(pending), false);
            pending += bytes.mid(nCut);
            QCOMPARE(seen + describe(PSimFrames::TakeCommands(pending), false), whole);
        }
    }
};

QTEST_GUILESS_MAIN(TestPSimFrames)
#include "tst_psimframes.moc"
