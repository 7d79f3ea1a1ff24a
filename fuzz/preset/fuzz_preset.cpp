// Feeds arbitrary bytes to every preset holder as its local file: once as
// the whole file, once as the body behind a valid header so that the item
// parser sees the bytes. A holder must survive any file and keep its entries
// consistent afterwards.
#include "message/SBus.h"
#include "preset/PServerConnect.h"
#include "preset/RPresetComServer.h"
#include "preset/RPresetCurveColor.h"
#include "preset/RPresetNetServer.h"
#include "preset/RPresetPersonal.h"
#include "preset/RPresetRegion.h"
#include "preset/SPresetObject.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QTemporaryDir* workDir()
{
    // tmpfs keeps the holders' fsync cheap.
    static QTemporaryDir s_dir(QFileInfo::exists(QStringLiteral("/dev/shm"))
            ? QStringLiteral("/dev/shm/kestal-fuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/kestal-fuzz-XXXXXX"));
    return &s_dir;
}

void put(const QString& strPath, const QByteArray& bytes)
{
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

template <typename List> void checkList(List* pList)
{
    const int n = static_cast<int>(pList->Command(1, 0));
    if (n < 0 || n > 50)
        __builtin_trap();
    for (int i = 0; i < n; ++i) {
        if (pList->Command(5, i) == 0)
            __builtin_trap();
        pList->Field(20, i);
        pList->Field(21, i);
    }
}

void checkText(const char* pText)
{
    if (std::strlen(pText) >= 32)
        __builtin_trap();
}

// A valid header for the holder in front of the bytes, so that even short
// inputs reach the item parser.
QByteArray withHeader(const QByteArray& body, int nId)
{
    QByteArray bytes(60, '\0');
    qToLittleEndian(static_cast<quint32>(nId), bytes.data());
    qToLittleEndian(1u, bytes.data() + 4);
    qToLittleEndian(SPresetObject::Checksum(body.constData(), body.size()), bytes.data() + 8);
    return bytes + body;
}

void runAll(const QByteArray& input, bool bHeader)
{
    const QString strLocal = workDir()->filePath(QStringLiteral("local/"));
    const auto file = [&](int nId, const char* pPath) {
        put(strLocal + QLatin1String(pPath), bHeader ? withHeader(input, nId) : input);
    };
    file(SBus::RegionList, "database/region");
    checkList(std::make_unique<RPresetRegion>(SBus::RegionList, QStringLiteral("region")).get());
    file(SBus::PersonalList, "database/personal");
    checkList(
        std::make_unique<RPresetPersonal>(SBus::PersonalList, QStringLiteral("personal")).get());
    file(SBus::NetServer, "User/NetServer.dat");
    checkText(std::make_unique<RPresetNetServer>()->Address());
    file(SBus::ComServer, "User/ComServer.dat");
    std::make_unique<RPresetComServer>();
    file(SBus::CurveColours, "User/CurveColor.dat");
    std::make_unique<RPresetCurveColor>()->Color(2);
    file(SBus::ServerConnection, "User/ServerAddr.dat");
    checkText(std::make_unique<PServerConnect>()->Address());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every missing factory copy is reported on stdout; keep the run quiet.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    QTemporaryDir* pDir = workDir();
    if (!pDir->isValid())
        __builtin_trap();
    SPresetObject::SetDirectories(
        pDir->filePath(QStringLiteral("factory")), pDir->filePath(QStringLiteral("local")));
    QDir().mkpath(pDir->filePath(QStringLiteral("local/database")));
    QDir().mkpath(pDir->filePath(QStringLiteral("local/User")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize > (1u << 16))
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(pData), static_cast<int>(nSize));
    runAll(input, false);
    runAll(input, true);
    return 0;
}
