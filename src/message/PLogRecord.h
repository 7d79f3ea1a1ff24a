#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

// The process log: standard output itself, redirected into one file per start
// day. Everything printed to stdout lands there, unbuffered.
class PLogRecord
{
public:
    explicit PLogRecord(const char* name);
    virtual ~PLogRecord();

    // The log directory for a configured base and a name: joined without a
    // separator, with one "/" added when missing. A base of at most one
    // character stands for the default "log".
    static QString Directory(const QString& strBase, const char* name);
    static QString FileName(const QString& strDirectory, const QDate& date);

    // Routes Qt's own messages (qDebug to qFatal) into Log at the mapped
    // levels; returns the handler that was in place. Call before the first
    // Qt object, so that no message of the start goes to the console only.
    static QtMessageHandler RouteQtMessages();
    // Lines from eLevel up (Notice: all but Debug) go to standard error too,
    // where a service manager keeps them; nothing goes there by default.
    static void EchoToStandardError(int nMostLevel);

    bool IsOpen() const { return m_bOpen; }
    QString Path() const { return m_strPath; }

private:
    Q_DISABLE_COPY(PLogRecord)

    const char* m_pName;
    QString m_strPath;
    bool m_bOpen = false;
};

// The levels of the log, most severe first. Qt's messages map onto them in
// order: qFatal Critical, qCritical Alert, qWarning Warning, qInfo Notice,
// qDebug Debug.
enum class LogLevel { Critical, Alert, Warning, Notice, Debug };

// The one way to write to the log: "[yyyy-MM-dd hh:mm:ss]  ", the level's tag
// and the formatted text to standard output. Returns the count of the text's
// vprintf, negative when it could not be written. Such a line is kept (up to
// 1000 of them, the rest counted) and written before the next one once
// writing works again. Any thread.
int Log(LogLevel eLevel, const char* format, ...) __attribute__((format(printf, 2, 3)));
