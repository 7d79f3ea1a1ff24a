#include "PInstallPaths.h"
#include "preset/SPresetObject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestInstallPaths : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strOldDir = QDir::currentPath();
    QString m_strWork;
    QString m_strShare;

    static void Touch(const QString& strPath)
    {
        QVERIFY(QDir().mkpath(QFileInfo(strPath).absolutePath()));
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_strWork = m_dir.filePath(QStringLiteral("work-") + QTest::currentTestFunction());
        m_strShare = m_dir.filePath(QStringLiteral("share-") + QTest::currentTestFunction());
        QVERIFY(QDir().mkpath(m_strWork));
        QVERIFY(QDir().mkpath(m_strShare));
        QVERIFY(QDir::setCurrent(m_strWork));
        PInstallPaths::SetShareDirectory(m_strShare);
    }
    void cleanup() { QDir::setCurrent(m_strOldDir); }

    // A desktop start with no data directory yet: it is made, nested parents
    // and all, under XDG_DATA_HOME, and becomes the working directory.
    void userDirectoryIsCreatedAndEntered()
    {
        const QString strHome = m_dir.filePath(QStringLiteral("xdg/data"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(strHome));
        QString strError;
        QVERIFY2(PInstallPaths::EnterUserDataDirectory(&strError), qPrintable(strError));
        QCOMPARE(QDir::currentPath(), QDir(strHome + QStringLiteral("/kestal")).canonicalPath());
        // The local presets of a desktop start live in the same place.
        SPresetObject::LoadDirectories();
        QCOMPARE(SPresetObject::DefaultLocalDirectory(),
            strHome + QStringLiteral("/kestal/preset/local/"));
        qunsetenv("XDG_DATA_HOME");
    }

    // A data home that cannot be made leaves the working directory alone and
    // says which directory failed.
    void unusableUserDirectoryIsReported()
    {
        const QString strBlocker = m_dir.filePath(QStringLiteral("plainfile"));
        Touch(strBlocker);
        qputenv("XDG_DATA_HOME", QFile::encodeName(strBlocker));
        QString strError;
        QVERIFY(!PInstallPaths::EnterUserDataDirectory(&strError));
        QVERIFY2(strError.contains(strBlocker), qPrintable(strError));
        QCOMPARE(QDir::currentPath(), QDir(m_strWork).canonicalPath());
        qunsetenv("XDG_DATA_HOME");
    }

    // The working directory's style sheet wins; without one the shipped one
    // is used; with neither the name opens nothing, as before.
    void styleSheetFromWorkingDirectoryElseShared()
    {
        const QString strName = QStringLiteral("default_blue.qss");
        QCOMPARE(PInstallPaths::WorkingOrShared(strName), strName);
        QVERIFY(!QFile::exists(PInstallPaths::WorkingOrShared(strName)));
        Touch(m_strShare + QLatin1Char('/') + strName);
        QCOMPARE(PInstallPaths::WorkingOrShared(strName), m_strShare + QLatin1Char('/') + strName);
        Touch(strName);
        QCOMPARE(PInstallPaths::WorkingOrShared(strName), strName);
    }

    // The working directory's translation is loaded whatever the locale; the
    // shipped one only for a Chinese locale.
    void translationByPlaceAndLocale()
    {
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        const QLocale english(QLocale::English, QLocale::UnitedKingdom);
        QVERIFY(PInstallPaths::TranslationFile(chinese).isEmpty());
        const QString strShared = m_strShare + QStringLiteral("/translations/kestal_zh.qm");
        Touch(strShared);
        QCOMPARE(PInstallPaths::TranslationFile(chinese), strShared);
        QVERIFY(PInstallPaths::TranslationFile(english).isEmpty());
        Touch(QStringLiteral("kestal_zh.qm"));
        QCOMPARE(PInstallPaths::TranslationFile(english), QStringLiteral("kestal_zh.qm"));
        QCOMPARE(PInstallPaths::TranslationFile(chinese), QStringLiteral("kestal_zh.qm"));
    }
};

QTEST_GUILESS_MAIN(TestInstallPaths)
#include "tst_installpaths.moc"
