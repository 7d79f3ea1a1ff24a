#pragma once

#include <QObject>
#include <QString>

// Whether readings reach the file: the database may be unusable from the
// start (not a database, corrupt, not writable), or commits may be failing
// (disk full, I/O error). Storage reports here; the main window shows the
// problem as a persistent line until it goes. GUI thread only.
class RStorageState final : public QObject
{
    Q_OBJECT

public:
    explicit RStorageState(QObject* pParent = nullptr);

    // Found at opening; nothing is stored for the rest of the run.
    void SetUnusable(const QString& strReason);
    bool IsUsable() const { return m_strUnusable.isEmpty(); }

    // The background check found damaged pages. Storing goes on (what the
    // file refuses is kept and retried); the line stays for the run.
    void SetDamaged(const QString& strReason);
    bool IsDamaged() const { return !m_strDamaged.isEmpty(); }

    // A commit or a storing statement failed; nLost readings are not in the
    // file and will not be.
    void CommitFailed(const QString& strReason);
    void ReadingsLost(qint64 nLost);
    // A later commit went through: the problem is over (the lost count stays
    // in the log, the line goes).
    void CommitSucceeded();
    bool IsFailing() const { return m_bFailing; }
    qint64 LostReadings() const { return m_nLost; }

    // The status line, empty while all is well.
    QString ProblemText() const;

    // Back to a healthy state (a new database was opened).
    void Reset();

signals:
    void Changed();

private:
    Q_DISABLE_COPY(RStorageState)

    QString m_strUnusable;
    QString m_strFailure;
    QString m_strDamaged;
    bool m_bFailing = false;
    qint64 m_nLost = 0;
};
