#pragma once

#include <QFile>
#include <QString>

// The one way a file the user keeps (a preset, a CSV export, a report) is
// replaced: written to a temporary file beside the target, flushed and
// synced, then renamed over it, so the target is either the old file whole or
// the new one whole. The target keeps its permission mode; a new one gets
// that of any new file (0666 less the umask). A target that exists but is not
// a regular file (a device such as /dev/full, a folder, a pipe) is refused
// and left alone: the rename would put a file in its place. A symbolic link
// is followed and stays a link. Without Commit() the target is untouched.
class SAtomicFile final
{
public:
    explicit SAtomicFile(const QString& strTarget);
    // Removes the temporary file unless it was committed.
    ~SAtomicFile();

    // Creates the temporary file, open for writing; false with the reason in
    // pError when the target is refused or nothing can be written beside it.
    bool Open(QString* pError);
    // The temporary file, for writers that write through a QIODevice.
    QFile& File() { return m_file; }
    // Its name, for writers that open files by name (libxlsxwriter); they
    // close their own handle before Commit().
    QString TemporaryName() const { return m_strTemporary; }
    // Flushes, syncs and renames; false with the reason in pError, the
    // target then as it was and the temporary file gone. Call once.
    bool Commit(QString* pError);

    // Why strTarget may not be replaced; empty when it may.
    static QString Refusal(const QString& strTarget);
    // "cannot write <target>: <reason>", for a writer's own failures.
    QString Failure(const QString& strReason) const;

private:
    Q_DISABLE_COPY(SAtomicFile)

    // Writes the rest after a short write until all is in or the system
    // says why not (a full disk): QFile would report the short count alone,
    // and a file cut short would be published.
    class Device final : public QFile
    {
    public:
        // Some write failed: the file is not whole.
        bool m_bFailed = false;

    protected:
        qint64 writeData(const char* pData, qint64 nLength) override;
    };

    void Discard();

    const QString m_strTarget;
    // The file the rename replaces: the target, or what its link names.
    QString m_strReplaced;
    // Empty when there is none (before Open, after Commit).
    QString m_strTemporary;
    Device m_file;
};
