#include "message/PConfigFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

PConfigFile::PConfigFile()
{
    SetFileName(ExecutableDirectory() + QStringLiteral("/config.ini"));
}

PConfigFile& PConfigFile::Instance()
{
    static PConfigFile s_instance;
    return s_instance;
}

void PConfigFile::SetFileName(const QString& strFileName)
{
    m_pSettings = std::make_unique<QSettings>(strFileName, QSettings::IniFormat);
}

QString PConfigFile::FileName() const
{
    return m_pSettings->fileName();
}

std::string PConfigFile::GetValue(
    const char* group, const char* key, const std::string& defaultValue) const
{
    const QString strKey = QString::fromLatin1(group) + QLatin1Char('/') + QString::fromLatin1(key);
    return m_pSettings->value(strKey, QString::fromStdString(defaultValue))
        .toString()
        .toStdString();
}

QString PConfigFile::ExecutableDirectory()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return QStringLiteral(".");
    return QFileInfo(QString::fromLocal8Bit(buffer, static_cast<int>(n))).absolutePath();
}
