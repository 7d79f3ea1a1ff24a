#include "Kestal.h"
#include "PInstallPaths.h"
#include "PQuitOnSignal.h"
#include "PSingleApplication.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "station/RStation.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QTranslator>

#include <memory>

#include <csignal>

namespace {

QString option(const QStringList& arguments, const QString& strName)
{
    const int i = arguments.indexOf(strName);
    return i >= 0 && i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
}

// The station without a window: acquisition, storage, alarms and their
// journal, the archive, the site database and the log, until SIGTERM.
// --db FILE and --audit-key FILE name the file and the trail's key (a
// service keeps both in its own directory).
int runHeadless(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    PLogRecord log(".station");
    // Under the service manager its journal shows what the log file holds.
    PLogRecord::EchoToStandardError(static_cast<int>(LogLevel::Notice));
    Log(LogLevel::Notice, "headless station start\n");
    PQuitOnSignal quitOnSignal;
    QString strHow = QStringLiteral("exit");
    QObject::connect(&quitOnSignal, &PQuitOnSignal::SignalReceived, &app, [&strHow](int nSignal) {
        strHow = QStringLiteral("signal=")
            + QLatin1String(nSignal == SIGTERM ? "SIGTERM"
                    : nSignal == SIGINT        ? "SIGINT"
                                               : "signal");
    });
    RStation::Options options;
    options.strDatabaseFile = option(arguments, QStringLiteral("--db"));
    options.strAuditKeyPath = option(arguments, QStringLiteral("--audit-key"));
    options.bHeadless = true;
    int nExitCode = 0;
    {
        RStation station(options);
        station.SetFailureReport([](const QString& strTitle, const QString& strText) {
            Log(LogLevel::Critical, "%s: %s\n", qPrintable(strTitle), qPrintable(strText));
        });
        QString strError;
        if (!station.Open(&strError)) {
            Log(LogLevel::Critical, "%s\n", qPrintable(strError));
            return 2;
        }
        station.Start();
        nExitCode = QCoreApplication::exec();
        station.Stop(strHow);
        if (nExitCode == 0 && station.LostAtClose() > 0)
            nExitCode = 1;
    }
    Log(LogLevel::Notice, "headless station stopped (%s)\n", qPrintable(strHow));
    return nExitCode;
}

} // namespace

int main(int argc, char** argv)
{
    PLogRecord::RouteQtMessages();
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--headless") == 0)
            return runHeadless(argc, argv);
    }
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

    QString strRunning;
    if (RStation::IsRunningOn(QString(), &strRunning)) {
        QMessageBox box(QMessageBox::Critical, QString(), strRunning);
        box.exec();
        return 1;
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
        // Readings that the file refused until the end are gone: a service
        // manager or a script must see that this stop was not clean.
        const qint64 nLost = pWindow->Shutdown();
        pWindow.reset();
        if (nExitCode == 0 && nLost > 0)
            nExitCode = 1;
    }
    return nExitCode;
}
