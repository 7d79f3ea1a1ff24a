#include "TestDb.h"
#include "TestFiles.h"

#include "database/RRegionDataStore.h"
#include "database/RSiteOutbox.h"
#include "preset/RSiteDbSettingsWidget.h"
#include "site/RSiteConfig.h"
#include "site/RSiteLink.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

class TestSiteDbSettings : public QObject
{
    Q_OBJECT

private:
    template <typename T> T* Field(RSiteDbSettingsWidget& widget, const char* pName)
    {
        return widget.findChild<T*>(QLatin1String(pName));
    }
    void Fill(RSiteDbSettingsWidget& widget)
    {
        widget.setChecked(true);
        Field<QLineEdit>(widget, "m_pEditSiteName")->setText(QStringLiteral("North"));
        Field<QLineEdit>(widget, "m_pEditSiteHost")->setText(QStringLiteral("127.0.0.1"));
        Field<QSpinBox>(widget, "m_pEditSitePort")->setValue(5433);
        Field<QLineEdit>(widget, "m_pEditSiteDatabase")->setText(QStringLiteral("kestal"));
        Field<QLineEdit>(widget, "m_pEditSiteUser")->setText(QStringLiteral("sender"));
        Field<QComboBox>(widget, "m_pComboSiteSslMode")->setCurrentText(QStringLiteral("require"));
    }

    QTemporaryDir m_dir;

private slots:
    void init()
    {
        TestDb::Open();
        qputenv("PGPASSFILE", QFile::encodeName(m_dir.filePath(QStringLiteral("pgpass"))));
        QFile::remove(m_dir.filePath(QStringLiteral("pgpass")));
    }

    // The settings come back as saved; the password goes to the password file,
    // owner-only, and into no table; an entry typed again replaces the old one
    // and leaves the others.
    void savedWithoutPassword()
    {
        const QString strPassFile = m_dir.filePath(QStringLiteral("pgpass"));
        QVERIFY(TestFiles::Put(
            strPassFile, "otherhost:5432:*:someone:keep-me\n127.0.0.1:5433:kestal:sender:old\n"));
        RSiteDbSettingsWidget widget;
        Fill(widget);
        Field<QLineEdit>(widget, "m_pEditSitePassword")->setText(QStringLiteral("N3w:pass\\word"));
        QString strError;
        QVERIFY2(widget.Prepare(&strError), qPrintable(strError));
        QVERIFY(widget.Config().Save(&strError));

        const RSiteConfig config = RSiteConfig::Load();
        QVERIFY(config.bEnabled);
        QCOMPARE(config.strSite, QStringLiteral("North"));
        QCOMPARE(config.nPort, 5433);
        QCOMPARE(config.strSslMode, QStringLiteral("require"));
        QCOMPARE(TestFiles::Get(strPassFile),
            QByteArray("otherhost:5432:*:someone:keep-me\n127.0.0.1:5433:kestal:sender:N3w\\:"
                       "pass\\\\word\n"));
        QCOMPARE(QFile(strPassFile).permissions()
                & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                    | QFileDevice::WriteUser),
            QFileDevice::Permissions());
        QCOMPARE(PSqlExec::Scalar(QStringLiteral("select count(*) from ClientSettings where Value "
                                                 "like '%N3w%'"))
                     .toInt(),
            0);
        QVERIFY(Field<QLineEdit>(widget, "m_pEditSitePassword")->text().isEmpty());
    }
    void refusedEntries_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("no site name") << "m_pEditSiteName"
                                      << "";
        QTest::newRow("no host") << "m_pEditSiteHost"
                                 << " ";
        QTest::newRow("an option smuggled in") << "m_pEditSiteUser"
                                               << "u sslmode=disable";
    }

    // A refused entry writes neither the settings nor the password file.
    void refusedEntries()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        RSiteDbSettingsWidget widget;
        Fill(widget);
        widget.findChild<QLineEdit*>(field)->setText(value);
        Field<QLineEdit>(widget, "m_pEditSitePassword")->setText(QStringLiteral("secret"));
        QString strError;
        QVERIFY(!widget.Prepare(&strError));
        QVERIFY(!strError.isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("pgpass"))));
    }

    // Switched off (after having been on), the link runs nothing and a minute
    // written queues nothing.
    void disabledLeavesNoOutbox()
    {
        RSiteOutbox::Enable(TestDb::Writer());
        RSiteLink link(&TestDb::Writer());
        RSiteConfig config;
        config.bEnabled = false;
        link.Apply(config);
        QVERIFY(!link.IsRunning());
        QVERIFY(!RSiteOutbox::IsEnabled());
        RRegionDataStore(TestDb::Writer(), QDate(2026, 3, 1), 10).WriteMinute(1, 2.0);
        QCOMPARE(PSqlExec::Scalar(QStringLiteral("select count(*) from Outbox")).toInt(), 0);
        QVERIFY(link.StatusText().isEmpty());
    }
};

QTEST_MAIN(TestSiteDbSettings)
#include "tst_sitedbsettings.moc"
