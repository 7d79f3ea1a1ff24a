// kestal-factory-presets DIR: writes the factory copies of the client's preset
// files into DIR, each holder writing its own defaults through its own save, so
// the shipped files always match what the program builds when it has none.
// Run at build time for the installed tree.

#include "message/SBus.h"
#include "preset/SPresetContent.h"
#include "preset/SPresetObject.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: kestal-factory-presets DIR\n";
        return 2;
    }
    const QString strTarget = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

    // The holders first load and write in an empty scratch directory, so
    // neither an older factory copy nor the user's own files can creep into
    // the defaults.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        err << "kestal-factory-presets: no scratch directory\n";
        return 1;
    }
    // Each holder reports every file it cannot open on standard output, and
    // here every file is missing on purpose.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    SPresetObject::SetDirectories(
        scratch.filePath(QStringLiteral("factory")), scratch.filePath(QStringLiteral("local")));
    SPresetContent content;
    content.RegisterHolders();

    int nWritten = 0;
    for (int nId = SBus::RegionList; nId <= SBus::RoutingRoomList; ++nId) {
        SPresetObject* pObject = SPresetContent::Find(nId);
        if (!pObject)
            continue;
        pObject->SetLocalDirectory(strTarget);
        if (!pObject->Save()) {
            err << "kestal-factory-presets: cannot write " << pObject->LocalPath() << "\n";
            return 1;
        }
        ++nWritten;
    }
    if (nWritten != SBus::RoutingRoomList - SBus::RegionList + 1) {
        err << "kestal-factory-presets: only " << nWritten << " holders\n";
        return 1;
    }
    return 0;
}
