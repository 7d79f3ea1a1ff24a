#include "preset/PresetTestFiles.h"

#include "message/SBus.h"
#include "preset/PServerConnect.h"
#include "preset/RPresetComServer.h"
#include "preset/RPresetCurveColor.h"
#include "preset/RPresetNetServer.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace SBus;

using namespace PresetTestFiles;

class TestServerPresets : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_pDir;

    QString UserFile(const char* pName) const
    {
        return m_pDir->filePath(QStringLiteral("local/User/")) + QLatin1String(pName);
    }

private slots:
    void init()
    {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        SPresetObject::SetDirectories(m_pDir->filePath("factory"), m_pDir->filePath("local"));
    }

    // A first start leaves a file for each holder, so the next start and the
    // settings pages find one.
    void filesWrittenWhenAbsent()
    {
        {
            RPresetNetServer net;
            RPresetComServer com;
            RPresetCurveColor colours;
            PServerConnect connect;
        }
        for (const char* pName :
            {"NetServer.dat", "ComServer.dat", "CurveColor.dat", "ServerAddr.dat"})
            QVERIFY2(QFile::exists(UserFile(pName)), pName);
    }

    // A float setting is passed by address and must survive the file's round trip.
    void floatSettingSurvivesReload()
    {
        {
            RPresetNetServer holder;
            const float fValue = 42.75f;
            QCOMPARE(
                holder.Command(CmdSetSetting1, reinterpret_cast<qintptr>(&fValue)), qintptr(42));
            const float fOther = 0.5f;
            QCOMPARE(
                holder.Command(CmdSetSetting4, reinterpret_cast<qintptr>(&fOther)), qintptr(0));
            QCOMPARE(holder.Command(CmdSetSetting3, 0), qintptr(0));
            QCOMPARE(holder.Command(CmdSetPort, 9100), qintptr(9100));
            QCOMPARE(holder.Command(CmdSave, 0), qintptr(1));
        }
        RPresetNetServer reloaded;
        QCOMPARE(*reinterpret_cast<const float*>(reloaded.Command(CmdSetting1, 0)), 42.75f);
        QCOMPARE(*reinterpret_cast<const float*>(reloaded.Command(CmdSetting4, 0)), 0.5f);
        QCOMPARE(reloaded.Port(), 9100);
    }

    // Every item of the plain holders is written by its even command, read by
    // the odd one after it, and kept in the file; the item past the last reads 0.
    void integerItems_data()
    {
        QTest::addColumn<int>("holder");
        QTest::addColumn<int>("items");
        QTest::newRow("serial-port server") << int(ComServer) << 6;
        QTest::newRow("curve colours") << int(CurveColours) << 9;
    }
    void integerItems()
    {
        QFETCH(int, holder);
        QFETCH(int, items);
        const auto make = [holder]() -> std::unique_ptr<SPresetObject> {
            if (holder == ComServer)
                return std::make_unique<RPresetComServer>();
            return std::make_unique<RPresetCurveColor>();
        };
        std::unique_ptr<SPresetObject> pHolder = make();
        for (int k = 0; k < items; ++k)
            QCOMPARE(pHolder->Command(CmdSetItem0 + 2 * k, 1000 + k), qintptr(1000 + k));
        QCOMPARE(pHolder->Command(CmdItem0 + 2 * items, 0), qintptr(0));
        QCOMPARE(pHolder->Command(CmdSave, 0), qintptr(1));
        pHolder = make();
        for (int k = 0; k < items; ++k)
            QCOMPARE(pHolder->Command(CmdItem0 + 2 * k, 0), qintptr(1000 + k));
    }

    void hostileItems()
    {
        // An address filling its slot must still end in a terminator.
        QVERIFY(Put(UserFile("ServerAddr.dat"),
            File(ServerConnection,
                Item(0, QByteArray(32, '7')) + Item(1, Word(8123)) + EndMarker())));
        PServerConnect connect;
        QCOMPARE(connect.Port(), 8123);
        QCOMPARE(qstrlen(connect.Address()), 31u);
        // A port item of the wrong size makes the file unusable: the default stays.
        QVERIFY(Put(
            UserFile("NetServer.dat"), File(NetServer, Item(1, Word(1) + Word(2)) + EndMarker())));
        RPresetNetServer server;
        QCOMPARE(server.Port(), int(RPresetNetServer::DefaultPort));
    }
};

QTEST_GUILESS_MAIN(TestServerPresets)
#include "tst_serverpresets.moc"
