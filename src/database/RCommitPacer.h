#pragma once

#include <QObject>

#include <functional>

class QTimer;
class SClock;

// Gets a write that must outlive a crash (a journal event, an audit row) into
// the file within a second: asks for the long transaction to be committed,
// at most once a second, so that a burst of writes shares one commit.
// GUI thread.
class RCommitPacer final : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 GapMs = 1000;

    // pClock: the pacing's elapsed time (system clock when null). Not owned.
    // nGapMs: the shortest time between two commits; 0 commits every write.
    explicit RCommitPacer(
        SClock* pClock = nullptr, QObject* pParent = nullptr, qint64 nGapMs = GapMs);
    ~RCommitPacer() override;

    // Commits the open transaction and opens the next; the aggregator's
    // commit in the program. Without one, nothing is committed early.
    void SetCommitter(std::function<void()> commit) { m_commit = std::move(commit); }

    // A write was made: commit now, or a second after the last commit.
    void Soon();

private:
    Q_DISABLE_COPY(RCommitPacer)

    void CommitNow();

    SClock* m_pClock;
    std::function<void()> m_commit;
    QTimer* m_pTimer;
    qint64 m_nLastCommitMs = -1;
    qint64 m_nGapMs;
};
