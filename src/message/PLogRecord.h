#pragma once

#include <QDate>
#include <QString>

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

    bool IsOpen() const { return m_bOpen; }
    QString Path() const { return m_strPath; }

private:
    Q_DISABLE_COPY(PLogRecord)

    const char* m_pName;
    QString m_strPath;
    bool m_bOpen = false;
};

// Writes "[yyyy-MM-dd hh:mm:ss]  ", the level's tag and the formatted text to
// standard output; returns the count of the text's vprintf, negative when it
// could not be written. Such a line is kept (up to 1000 of them, the rest
// counted) and written before the next one once writing works again.
int Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
int LogDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));
