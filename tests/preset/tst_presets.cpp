#include "FileSizeLimit.h"
#include "preset/PresetTestFiles.h"

#include "message/PConfigFile.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/PServerConnect.h"
#include "preset/RPresetComServer.h"
#include "preset/RPresetCurveColor.h"
#include "preset/RPresetNetServer.h"
#include "preset/RPresetPersonal.h"
#include "preset/RPresetRegion.h"
#include "preset/SPresetContent.h"

#include <QtTest>

#include <memory>

using namespace SBus;

using namespace PresetTestFiles;

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        SPresetObject::SetDirectories(m_pDir->filePath("factory"), m_pDir->filePath("local"));
    }

    // Little-endian words summed with wrap-around, a short last word zero-padded.
    void checksum()
    {
        QCOMPARE(SPresetObject::Checksum("\x01\x02\x03\x04\x05", 5), 0x04030206u);
        QCOMPARE(SPresetObject::Checksum("\xff\xff\xff\xff\x02\x00\x00\x00", 8), 1u);
    }

    // An empty list is written byte for byte in the file format, without a
    // staging file left behind.
    void emptyListSavedAsExactBytes()
    {
        RPresetRegion holder(RegionList, "region");
        QCOMPARE(holder.Command(CmdCount, 0), qintptr(0));
        holder.Command(CmdSetFreeValue, 77);
        QCOMPARE(holder.Command(CmdSave, 0), qintptr(1));
        const QByteArray body
            = Item(0, Word(0)) + Item(3, Word(77)) + Item(1, {}) + Item(2, {}) + EndMarker();
        QCOMPARE(Get(LocalFile("region")).toHex(), File(RegionList, body).toHex());
        QCOMPARE(QDir(m_pDir->filePath("local/database")).entryList(QDir::Files | QDir::Hidden),
            QStringList({"region"}));
    }

    // A local copy with a bad checksum gives way to the factory copy, which
    // then replaces it; commands switch between the two.
    void corruptLocalFallsBackToFactory()
    {
        const QByteArray factory = File(RegionList,
            Item(0, Word(2)) + Item(3, Word(5)) + Item(1, Names({"Hall", "Lab"}))
                + Item(2, QByteArray(120, '\x07')) + EndMarker());
        QVERIFY(Put(FactoryFile("region"), factory));
        QByteArray local = factory;
        local[70] = local[70] ^ 0x01;
        QVERIFY(Put(LocalFile("region"), local));

        RPresetRegion holder(RegionList, "region");
        QCOMPARE(holder.Count(), 2);
        QCOMPARE(QString::fromUtf16(holder.Name(1)), QStringLiteral("Lab"));
        QCOMPARE(holder.Field(CmdRegionWord0, 1), qintptr(0x07070707));
        QVERIFY(!holder.IsFromFactory());
        QCOMPARE(Get(LocalFile("region")).toHex(), factory.toHex());
        QCOMPARE(holder.Command(CmdLoadFactory, 0), qintptr(1));
        QVERIFY(holder.IsFromFactory());
        QCOMPARE(holder.Command(CmdRestore, 0), qintptr(1));
        QVERIFY(!holder.IsFromFactory());
    }

    // Removing an entry closes the gap in names and records, also on disk.
    void removeMiddleEntry()
    {
        {
            RPresetRegion holder(RoutingRoomList, "room");
            QCOMPARE(AddEntry(&holder, "zero", 100), qintptr(0));
            QCOMPARE(AddEntry(&holder, "one", 101), qintptr(0));
            QCOMPARE(AddEntry(&holder, "two", 102), qintptr(0));
            QCOMPARE(holder.Command(CmdRemove, 1), qintptr(0));
            QCOMPARE(holder.Command(CmdCount, 0), qintptr(2));
            QCOMPARE(holder.Command(CmdIsIndex, 2), qintptr(0));
            QCOMPARE(holder.Command(CmdRecordAddress, 2), qintptr(0));
            QCOMPARE(holder.Command(CmdSave, 0), qintptr(1));
        }
        RPresetRegion reloaded(RoutingRoomList, "room");
        QCOMPARE(reloaded.Count(), 2);
        QCOMPARE(QString::fromUtf16(reloaded.Name(0)) + '/' + QString::fromUtf16(reloaded.Name(1)),
            QStringLiteral("zero/two"));
        QCOMPARE((QList<qintptr> {reloaded.Field(CmdRegionWord0, 1),
                     reloaded.Field(CmdRegionWord16, 1), reloaded.Field(CmdRegionWord0, 2)}),
            (QList<qintptr> {102, 1020, 0}));
    }

    void hostileFileRejected_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<quint32>("owner");
        // Count, then names and records of the given sizes.
        const auto list = [](quint32 nCount, int nNames, int nRecords) {
            return Item(0, Word(nCount)) + Item(1, QByteArray(nNames, 'a'))
                + Item(2, QByteArray(nRecords, 'r'));
        };
        const QByteArray end = EndMarker();
        QTest::newRow("other owner") << list(1, 40, 60) + end << 1513u;
        QTest::newRow("huge count") << list(0x7fffffff, 40, 60) + end << 1512u;
        QTest::newRow("negative count") << list(0xffffffffu - 4, 40, 60) + end << 1512u;
        QTest::newRow("51 entries") << list(51, 51 * 40, 51 * 60) + end << 1512u;
        QTest::newRow("names length") << list(1, 80, 60) + end << 1512u;
        QTest::newRow("records length") << list(1, 40, 59) + end << 1512u;
        QTest::newRow("truncated item") << list(1, 40, 60).left(70) << 1512u;
        QTest::newRow("length past end")
            << Item(0, Word(1)) + Word(1) + Word(0x7ffffff0) + end << 1512u;
        QTest::newRow("unknown key") << list(1, 40, 60) + Item(9, Word(0)) + end << 1512u;
        QTest::newRow("no end marker") << list(1, 40, 60) << 1512u;
        QTest::newRow("count without records") << list(1, 40, 60).left(60) + end << 1512u;
        QTest::newRow("names before count")
            << list(1, 40, 60).mid(12) + Item(0, Word(1)) + end << 1512u;
        QTest::newRow("empty body") << QByteArray() << 1512u;
    }

    // A hostile file is not used and is replaced by a good empty one.
    void hostileFileRejected()
    {
        QFETCH(QByteArray, body);
        QFETCH(quint32, owner);
        QVERIFY(Put(LocalFile("region"), File(owner, body)));
        RPresetRegion holder(RegionList, "region");
        QCOMPARE(holder.Count(), 0);
        QCOMPARE(holder.Command(CmdRecordAddress, 0), qintptr(0));
        // The unusable file was replaced by a good empty one.
        RPresetRegion reloaded(RegionList, "region");
        QCOMPARE(reloaded.Command(CmdLoad, 0), qintptr(1));
    }

    // A reload that fails half-way or a save that cannot write keeps what the
    // holder and the file had.
    void failedReloadOrSaveKeepsEntries()
    {
        RPresetRegion holder(RegionList, "region");
        AddEntry(&holder, "kept", 42);
        AddEntry(&holder, "also", 43);
        // Count and names are taken before the records turn out short.
        QVERIFY(Put(LocalFile("region"),
            File(RegionList,
                Item(0, Word(3)) + Item(1, Names({"a", "b", "c"})) + Item(2, QByteArray(60, 'r'))
                    + EndMarker())));
        QCOMPARE(holder.Command(CmdLoad, 0), qintptr(0));
        QCOMPARE(holder.Count(), 2);
        QCOMPARE(QString::fromUtf16(holder.Name(0)), QStringLiteral("kept"));
        QCOMPARE(holder.Field(CmdRegionWord0, 1), qintptr(43));
        QCOMPARE(holder.Command(CmdSave, 0), qintptr(1));
        const QByteArray before = Get(LocalFile("region"));
        // A disk that takes no more than a few bytes of the new file.
        AddEntry(&holder, "lost", 2);
        {
            FileSizeLimit limit(16);
            QCOMPARE(holder.Command(CmdSave, 0), qintptr(0));
        }
        QCOMPARE(Get(LocalFile("region")), before);
    }

    // Names are cut at 20 characters; a list holds 50 entries, no more.
    void listLimits()
    {
        RPresetPersonal holder(PersonalList, "personal");
        const QString strLong = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        QCOMPARE(
            holder.Command(CmdAppendName, reinterpret_cast<qintptr>(strLong.utf16())), qintptr(0));
        QCOMPARE(QString::fromUtf16(holder.Name(0), 20), strLong.left(20));
        QCOMPARE(holder.Name(1)[0], u'\0');
        for (int i = 1; i < 50; ++i)
            QCOMPARE(holder.Command(CmdAppendName, reinterpret_cast<qintptr>(u"n")), qintptr(0));
        QCOMPARE(holder.Command(CmdAppendName, reinterpret_cast<qintptr>(u"51st")), qintptr(-1));
        QCOMPARE(holder.Command(CmdCount, 0), qintptr(50));
        QCOMPARE(holder.Command(CmdSetCount, 51), qintptr(-1));
        QVERIFY(holder.Command(CmdRecordAddress, 49) != 0);
    }

    // Each field of a staff record answers its own command.
    void personalFields()
    {
        PresetPersonal record = {};
        record.nField0 = 11;
        record.nField1 = 22;
        qstrcpy(record.szText, "badge");
        record.nField2 = 33;
        QByteArray bytes(reinterpret_cast<const char*>(&record), sizeof record);
        QVERIFY(Put(LocalFile("rout"),
            File(RoutingStaffList,
                Item(0, Word(1)) + Item(3, Word(9)) + Item(1, Names({"Ann"})) + Item(2, bytes)
                    + EndMarker())));
        RPresetPersonal holder(RoutingStaffList, "rout");
        QCOMPARE((QList<qintptr> {holder.Field(CmdPersonalWord0, 0),
                     holder.Field(CmdPersonalWord4, 0), holder.Field(CmdPersonalWord72, 0),
                     holder.Field(CmdPersonalText8, 1), holder.Field(CmdFreeValue, 0)}),
            (QList<qintptr> {11, 22, 33, 0, 9}));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(holder.Field(CmdPersonalText8, 0))),
            QByteArray("badge"));
    }

    // The content routes bus commands to its holders, refuses unknown ones,
    // saves to another directory on request and is gone after deletion.
    void contentAnswersOnBus()
    {
        auto* pContent = new SPresetContent;
        RegisterReceiver(pContent, PresetStore);
        pContent->Register(new RPresetRegion(RegionList, "region"));
        pContent->Register(new RPresetPersonal(PersonalList, "personal"));
        QCOMPARE(
            SendSMessage(PresetStore, PersonalList, CmdSignature, 0), qintptr(PersonalList + 9191));
        QCOMPARE(SendSMessage(
                     PresetStore, RegionList, CmdAppendName, reinterpret_cast<qintptr>(u"Hall")),
            qintptr(0));
        QCOMPARE(SendSMessage(PresetStore, RegionList, CmdCount, 0), qintptr(1));

        // A second content answers from the same registry.
        SPresetContent second;
        SMessage ask(RegionList, CmdCount, 0);
        QVERIFY(second.event(&ask));
        QCOMPARE(SMessage::Reply(), qintptr(1));

        SMessage unknown(1600, CmdSignature, 0); // no holder has this id
        QVERIFY(!pContent->event(&unknown));
        QVERIFY(!unknown.isAccepted());
        QCOMPARE(SMessage::Reply(), qintptr(0));

        const QByteArray strOther = QFile::encodeName(m_pDir->filePath("other"));
        QCOMPARE(SendSMessage(PresetStore, PersonalList, CmdSetLocalDirectory,
                     reinterpret_cast<qintptr>(strOther.constData())),
            qintptr(1));
        pContent->SaveAll();
        QVERIFY(QFile::exists(m_pDir->filePath("other/database/personal")));
        delete pContent;
        QVERIFY(!SPresetContent::Find(RegionList));
        SMessage::SetReply(5);
        QCOMPARE(SendSMessage(PresetStore, RegionList, CmdCount, 0), qintptr(5));
    }

    // The directories come from config.ini; a header's format word and
    // reserved bytes are not checked on reading and written afresh.
    void configuredDirectoriesAndHeader()
    {
        const QString strConfig = m_pDir->filePath("config.ini");
        QVERIFY(Put(strConfig,
            QStringLiteral("[PRESET]\nFACTORY=%1\nLOCAL=%2\n")
                .arg(m_pDir->filePath("f"), m_pDir->filePath("l"))
                .toUtf8()));
        PConfigFile::Instance().SetFileName(strConfig);
        SPresetObject::LoadDirectories();
        QCOMPARE(SPresetObject::FactoryDirectory(), m_pDir->filePath("f") + "/");
        QCOMPARE(SPresetObject::DefaultLocalDirectory(), m_pDir->filePath("l") + "/");

        QByteArray local = File(PersonalList,
            Item(0, Word(0)) + Item(3, Word(0)) + Item(1, {}) + Item(2, {}) + EndMarker());
        local.replace(4, 4, Word(9));
        local.replace(12, 48, QByteArray(48, '\xaa'));
        QVERIFY(Put(m_pDir->filePath("l/database/personal"), local));
        RPresetPersonal holder(PersonalList, "personal");
        QCOMPARE(holder.Command(CmdLoad, 0), qintptr(1));
        QVERIFY(!holder.IsFromFactory());
        QCOMPARE(holder.Command(CmdSave, 0), qintptr(1));
        QCOMPARE(Get(m_pDir->filePath("l/database/personal")).mid(4, 56).toHex(),
            (Word(1) + local.mid(8, 4) + QByteArray(48, '\0')).toHex());
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

private:
    QString UserFile(const char* pName) const
    {
        return m_pDir->filePath(QStringLiteral("local/User/")) + QLatin1String(pName);
    }
    QString LocalFile(const char* pName) const
    {
        return m_pDir->filePath(QStringLiteral("local/database/")) + QLatin1String(pName);
    }
    QString FactoryFile(const char* pName) const
    {
        return m_pDir->filePath(QStringLiteral("factory/database/")) + QLatin1String(pName);
    }
    static qintptr AddEntry(SPresetObject* pHolder, const QString& strName, qint32 nFirst)
    {
        PresetRegion record = {};
        record.nField[0] = nFirst;
        record.nField[4] = nFirst * 10;
        const qintptr nResult
            = pHolder->Command(CmdAppendName, reinterpret_cast<qintptr>(strName.utf16()));
        if (nResult != 0)
            return nResult;
        return pHolder->Command(CmdCopyRecord, reinterpret_cast<qintptr>(&record));
    }

    std::unique_ptr<QTemporaryDir> m_pDir;
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
