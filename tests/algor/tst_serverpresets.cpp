#include "preset/PresetTestFiles.h"

#include "SPresetContent.h"
#include "algor/PServerConnect.h"
#include "algor/RPresetComServer.h"
#include "algor/RPresetCurveColor.h"
#include "algor/RPresetNetServer.h"
#include "message/SMessage.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace PresetTestFiles;

class TestServerPresets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultsWithoutFiles();
    void floatSettingSurvivesReload();
    void integerItems_data();
    void integerItems();
    void hostileItems();

private:
    QString UserFile(const char* pName) const
    {
        return m_pDir->filePath(QStringLiteral("local/User/")) + QLatin1String(pName);
    }

    std::unique_ptr<QTemporaryDir> m_pDir;
};

void TestServerPresets::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    SPresetObject::SetDirectories(m_pDir->filePath("factory"), m_pDir->filePath("local"));
}

void TestServerPresets::defaultsWithoutFiles()
{
    auto* pContent = new SPresetContent;
    RegisterReceiver(pContent, 1001);
    pContent->Register(new RPresetNetServer);
    pContent->Register(new RPresetComServer);
    pContent->Register(new RPresetCurveColor);
    pContent->Register(new PServerConnect);
    QCOMPARE(SendSMessage(1001, 1514, 21, 0), qintptr(13141));
    QCOMPARE(SendSMessage(1001, 1517, 21, 0), qintptr(8000));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(SendSMessage(1001, 1514, 20, 0))),
        QByteArray("127.0.0.1"));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(SendSMessage(1001, 1517, 20, 0))),
        QByteArray("127.0.0.1"));
    QCOMPARE(*reinterpret_cast<const float*>(SendSMessage(1001, 1514, 32, 0)), 2.0f);
    QCOMPARE(SendSMessage(1001, 1515, 21 + 2 * 4, 0), qintptr(3));
    QCOMPARE(SendSMessage(1001, 1516, 23, 0), qintptr(170));
    QCOMPARE(SendSMessage(1001, 1516, 29, 0), qintptr(200));
    auto* pColors = static_cast<RPresetCurveColor*>(SPresetContent::Find(1516));
    QCOMPARE(pColors->Color(1), QColor(255, 200, 0));
    for (const char* pName : {"NetServer.dat", "ComServer.dat", "CurveColor.dat", "ServerAddr.dat"})
        QVERIFY2(QFile::exists(UserFile(pName)), pName);
    delete pContent;
}

void TestServerPresets::floatSettingSurvivesReload()
{
    {
        RPresetNetServer holder;
        const float fValue = 42.75f;
        QCOMPARE(holder.Command(26, reinterpret_cast<qintptr>(&fValue)), qintptr(42));
        const float fOther = 0.5f;
        QCOMPARE(holder.Command(31, reinterpret_cast<qintptr>(&fOther)), qintptr(0));
        QCOMPARE(holder.Command(29, 0), qintptr(0));
        QCOMPARE(holder.Command(22, 9100), qintptr(9100));
        QCOMPARE(holder.Command(0, 0), qintptr(1));
    }
    RPresetNetServer reloaded;
    QCOMPARE(*reinterpret_cast<const float*>(reloaded.Command(25, 0)), 42.75f);
    QCOMPARE(*reinterpret_cast<const float*>(reloaded.Command(32, 0)), 0.5f);
    QCOMPARE(reloaded.Setting(5), 2.0f);
    QCOMPARE(reloaded.Port(), 9100);
}

void TestServerPresets::integerItems_data()
{
    QTest::addColumn<int>("holder");
    QTest::addColumn<int>("items");
    QTest::newRow("serial-port server") << 1515 << 6;
    QTest::newRow("curve colours") << 1516 << 9;
}

void TestServerPresets::integerItems()
{
    QFETCH(int, holder);
    QFETCH(int, items);
    const auto make = [holder]() -> std::unique_ptr<SPresetObject> {
        if (holder == 1515)
            return std::make_unique<RPresetComServer>();
        return std::make_unique<RPresetCurveColor>();
    };
    std::unique_ptr<SPresetObject> pHolder = make();
    for (int k = 0; k < items; ++k)
        QCOMPARE(pHolder->Command(20 + 2 * k, 1000 + k), qintptr(1000 + k));
    QCOMPARE(pHolder->Command(21 + 2 * items, 0), qintptr(0));
    QCOMPARE(pHolder->Command(0, 0), qintptr(1));
    pHolder = make();
    for (int k = 0; k < items; ++k)
        QCOMPARE(pHolder->Command(21 + 2 * k, 0), qintptr(1000 + k));
}

void TestServerPresets::hostileItems()
{
    // An address filling its slot must still end in a terminator.
    QVERIFY(Put(UserFile("ServerAddr.dat"),
        File(1517, Item(0, QByteArray(32, '7')) + Item(1, Word(8123)) + EndMarker())));
    PServerConnect connect;
    QCOMPARE(connect.Port(), 8123);
    QCOMPARE(qstrlen(connect.Address()), 31u);
    // A port item of the wrong size makes the file unusable.
    QVERIFY(Put(UserFile("NetServer.dat"), File(1514, Item(1, Word(1) + Word(2)) + EndMarker())));
    RPresetNetServer server;
    QCOMPARE(server.Port(), 13141);
}

QTEST_GUILESS_MAIN(TestServerPresets)
#include "tst_serverpresets.moc"
