#include "Kestal.h"
#include "PInstallPaths.h"
#include "PQuitOnSignal.h"
#include "PSingleApplication.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"

#include <QFile>
#include <QMessageBox>
#include <QTranslator>

#include <memory>

#include <csignal>

int main(int argc, char** argv)
{
    PLogRecord::RouteQtMessages();
    PSingleApplication app(QStringLiteral("KESTAL 1.0"), argc, argv);
    app.setAutoSipEnabled(true);

    // The desktop launcher starts the program with this option: its working
    // directory would otherwise be wherever the desktop puts it, and the
    // database, log and site files belong in one place per user.
    if (QCoreApplication::arguments().contains(QStringLiteral("--user-dir"))) {
        QString strError;
        if (!PInstallPaths::EnterUserDataDirectory(&strError)) {
            QMessageBox box(QMessageBox::Critical, QString(), strError);
            box.exec();
            return 1;
        }
    }

    QTranslator translator;
    QTranslator qtTranslator;
    const QString strTranslation = PInstallPaths::TranslationFile(QLocale());
    // The locale follows the translation in use, whatever the machine's: the
    // navigation images with their Chinese labels and the calendars' month
    // and day names come with it, and so do Qt's own dialogs and buttons.
    if (!strTranslation.isEmpty()
        && translator.load(strTranslation, QString(), QString(), QString())) {
        const QLocale locale(translator.language());
        QLocale::setDefault(locale);
        if (PInstallPaths::LoadQtTranslation(&qtTranslator, locale))
            QCoreApplication::installTranslator(&qtTranslator);
        else
            Log(LogLevel::Warning, "no Qt translation for %s: Qt's dialogs stay in English\n",
                qPrintable(locale.name()));
    }
    QCoreApplication::installTranslator(&translator);

    app.setStyleSheet(PInstallPaths::StyleSheet(QStringLiteral("default_blue.qss")));

    if (app.IsRunning()) {
        QMessageBox box(
            QMessageBox::Critical, QString(), QStringLiteral("new instance is running!"));
        return box.exec();
    }

    int nExitCode = 0;
    {
        PLogRecord log(".viewer");
        Log(LogLevel::Notice, "System start begin\n");
        Log(LogLevel::Notice, "current software version: %s, build date: %s\n", "45", "2015/03/04");

        PQuitOnSignal quitOnSignal;
        auto pWindow = std::make_unique<Kestal>();
        QObject::connect(
            &quitOnSignal, &PQuitOnSignal::SignalReceived, pWindow.get(), [&pWindow](int nSignal) {
                pWindow->SetStopReason(QString::fromLatin1(nSignal == SIGTERM ? "SIGTERM"
                        : nSignal == SIGINT                                   ? "SIGINT"
                                                                              : "signal"));
            });
        pWindow->setWindowFlags(pWindow->windowFlags() & ~Qt::WindowCloseButtonHint);
        pWindow->showMaximized();
        nExitCode = QApplication::exec();
        pWindow.reset();
        // Readings that the file refused until the end are gone: a service
        // manager or a script must see that this stop was not clean.
        if (nExitCode == 0 && RStorageWriter::Shared().LostAtClose() > 0)
            nExitCode = 1;
    }
    return nExitCode;
}
