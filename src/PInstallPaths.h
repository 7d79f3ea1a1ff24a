#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

// Where an installed program finds the files it ships and where a start from
// the desktop menu works. A build-tree run finds nothing shipped and so keeps
// to its working directory.
class PInstallPaths final
{
public:
    // The program's share directory (<prefix>/share/kestal/), found from the
    // executable's own place so that an unpacked package works where it lies.
    // Ends in "/".
    static QString ShareDirectory();
    // For tests: replaces the share directory.
    static void SetShareDirectory(const QString& strDirectory);

    // $XDG_DATA_HOME/kestal, by default ~/.local/share/kestal.
    static QString UserDataDirectory();
    // Creates the user data directory when missing and makes it the working
    // directory; on failure says why and leaves the working directory alone.
    static bool EnterUserDataDirectory(QString* pError);

    // strName in the working directory when it is there, else the shipped
    // copy when that is there, else strName (which then opens nothing).
    static QString WorkingOrShared(const QString& strName);
    // The style sheet strName (working directory, else the installed one),
    // up to its first NUL byte; the built-in theme when there is none or it
    // cannot be read (logged), so the pages never lose their look.
    static QString StyleSheet(const QString& strName);
    static constexpr const char* BuiltInStyleSheet = ":/Kestal/default_blue.qss";
    // The translation to load: "kestal_zh.qm" in the working directory
    // whatever the locale, else the shipped one for a Chinese locale, else
    // empty.
    static QString TranslationFile(const QLocale& locale);
    // Loads Qt's own translation for locale (its dialogs' and standard
    // buttons' texts) from Qt's translations directory; false when that
    // language has none installed (package qttranslations5-l10n).
    static bool LoadQtTranslation(QTranslator* pTranslator, const QLocale& locale);

private:
    PInstallPaths() = delete;
};
