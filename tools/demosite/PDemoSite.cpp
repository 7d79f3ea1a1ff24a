#include "PDemoSite.h"

#include "database/RConnectDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int PDemoSite::Open(RStorageWriter& writer, const QString& strFile, QTextStream& err)
{
    const QFileInfo target(strFile);
    if (target.fileName() != QLatin1String("DataBase.sqlite")
        || !QDir().mkpath(target.absolutePath())) {
        err << "the site database must be called DataBase.sqlite\n";
        return 2;
    }
    QDir::setCurrent(target.absolutePath());
    RConnectDatabase database(&writer);
    database.SetFailureReport([&err](const QString& strTitle, const QString& strText) {
        err << strTitle << ": " << strText << "\n";
    });
    return database.OpenDatabase() ? 0 : 1;
}
