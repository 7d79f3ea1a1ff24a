#pragma once

#include <QSettings>

#include <memory>
#include <string>

// Reader of the optional config.ini beside the executable. A missing file is
// not an error: every lookup then yields its default.
class PConfigFile final
{
public:
    static PConfigFile& Instance();

    std::string GetValue(const char* group, const char* key, const std::string& defaultValue) const;

    // Reads another file instead (tests, tools); the path need not exist.
    void SetFileName(const QString& strFileName);
    QString FileName() const;

    // The directory of the running executable, read from the kernel: static
    // initialisers may ask before the application object exists.
    static QString ExecutableDirectory();

private:
    PConfigFile();
    Q_DISABLE_COPY(PConfigFile)

    std::unique_ptr<QSettings> m_pSettings;
};
