#include "PInstallPaths.h"

#include "message/PConfigFile.h"

#include "message/PLogRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include <unistd.h>

#ifndef KESTAL_SHARE_FROM_BIN
#error "KESTAL_SHARE_FROM_BIN (the share directory relative to the program's) must be defined"
#endif

namespace {

const char* const s_pTranslation = "kestal_zh.qm";

QString& shareOverride()
{
    static QString s_strShare;
    return s_strShare;
}

QString withSlash(QString strDirectory)
{
    if (!strDirectory.isEmpty() && !strDirectory.endsWith(QLatin1Char('/')))
        strDirectory += QLatin1Char('/');
    return strDirectory;
}

} // namespace

QString PInstallPaths::ShareDirectory()
{
    if (!shareOverride().isEmpty())
        return shareOverride();
    return withSlash(QDir::cleanPath(PConfigFile::ExecutableDirectory() + QLatin1Char('/')
        + QStringLiteral(KESTAL_SHARE_FROM_BIN)));
}

void PInstallPaths::SetShareDirectory(const QString& strDirectory)
{
    shareOverride() = withSlash(strDirectory);
}

QString PInstallPaths::UserDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/kestal");
}

bool PInstallPaths::EnterUserDataDirectory(QString* pError)
{
    const QString strDirectory = UserDataDirectory();
    if (!QDir().mkpath(strDirectory)) {
        *pError = QStringLiteral("cannot create %1").arg(strDirectory);
        return false;
    }
    if (!QDir::setCurrent(strDirectory)) {
        *pError = QStringLiteral("cannot work in %1").arg(strDirectory);
        return false;
    }
    return true;
}

QString PInstallPaths::WorkingOrShared(const QString& strName)
{
    if (QFileInfo::exists(strName))
        return strName;
    const QString strShared = ShareDirectory() + strName;
    return QFileInfo::exists(strShared) ? strShared : strName;
}

namespace {

bool readSheet(const QString& strFileName, QString* pSheet)
{
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    const int nNul = bytes.indexOf('\0');
    if (nNul >= 0)
        bytes.truncate(nNul);
    *pSheet = QString::fromLatin1(bytes);
    return true;
}

} // namespace

QString PInstallPaths::StyleSheet(const QString& strName)
{
    const QString strFile = WorkingOrShared(strName);
    QString strSheet;
    if (QFileInfo::exists(strFile)) {
        if (readSheet(strFile, &strSheet))
            return strSheet;
        Log(LogLevel::Warning, "style sheet %s cannot be read: the built-in theme is used\n",
            qPrintable(strFile));
    }
    readSheet(QLatin1String(BuiltInStyleSheet), &strSheet);
    return strSheet;
}

QString PInstallPaths::TranslationFile(const QLocale& locale)
{
    const QString strName = QString::fromLatin1(s_pTranslation);
    if (QFileInfo::exists(strName))
        return strName;
    const QString strShared = ShareDirectory() + QStringLiteral("translations/") + strName;
    if (locale.language() == QLocale::Chinese && QFileInfo::exists(strShared))
        return strShared;
    return QString();
}

bool PInstallPaths::LoadQtTranslation(QTranslator* pTranslator, const QLocale& locale)
{
    // "qt" loads the catalogues of every Qt module that has one.
    return pTranslator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
        QLibraryInfo::location(QLibraryInfo::TranslationsPath));
}
