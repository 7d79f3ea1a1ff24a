#pragma once

#include "site/RSiteConfig.h"
#include "site/RSiteReport.h"

#include <QObject>
#include <QPointer>
#include <QString>

class RStorageWriter;

class QThread;
class QTimer;
class RSiteSender;
class SClock;

// The site database as the GUI thread sees it: starts the sender on its
// worker thread, trims the outbox behind the sender's mark through the one
// writer, and turns the sender's reports and the outbox's age into the
// status strip's line ("site database: N minutes behind"). Off (no thread,
// no outbox) unless the settings enable it. GUI thread.
class RSiteLink final : public QObject
{
    Q_OBJECT

public:
    // Behind this long, the log gets an Alert (once, until caught up): an
    // hour of minutes is what an operator should hear about while the
    // outbox, bounded only by the disk, keeps every row.
    static constexpr int AlertMinutes = 60;
    // Less than this is the ordinary lag of the minute commit.
    static constexpr int QuietMinutes = 2;
    static constexpr int RefreshMs = 10000;
    // How long a settings change waits for the sender to stop.
    static constexpr int StopWaitMs = 200;

    // pClock: "now" of the lag (the system clock when null); not owned.
    explicit RSiteLink(
        RStorageWriter* pWriter, SClock* pClock = nullptr, QObject* pParent = nullptr);
    // Stops and waits for the sender.
    ~RSiteLink() override;

    // Starts (or restarts) with the file of the default connection; a
    // disabled config stops the sender and removes the outbox's triggers.
    void Apply(const RSiteConfig& config);
    // nFirstRetryMs: the sender's first retry (tests shorten it).
    void SetRetry(int nFirstMs, int nMaxMs);
    bool IsRunning() const { return m_pThread != nullptr; }

    // The operator's answer to HistoryOffered.
    void AnswerHistory(bool bUpload);

    const RSiteReport& Report() const { return m_report; }
    QString StatusText() const { return m_strStatus; }
    // Minutes the site database is behind the file, 0 when caught up.
    int MinutesBehind() const;

public slots:
    void Refresh();

signals:
    void StatusChanged(const QString& strText);
    // A first connection of this file: its history may be uploaded.
    void HistoryOffered();

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RSiteLink)

    // bWait: wait for a sender busy connecting (at the end); otherwise it
    // is left to finish on its own, so a settings change never waits on a
    // server that does not answer.
    void Stop(bool bWait = false);
    void OnReported(const RSiteReport& report);

    SClock* m_pClock;
    QThread* m_pThread = nullptr;
    RSiteSender* m_pSender = nullptr;
    // Senders stopped but still finishing a connect; waited for at the end.
    QList<QPointer<QThread>> m_retired;
    QTimer* m_pTimer;
    RSiteReport m_report;
    qint64 m_nTrimmed = 0;
    bool m_bOffered = false;
    bool m_bAlerted = false;
    int m_nFirstRetryMs = 0;
    int m_nMaxRetryMs = 0;
    QString m_strStatus;
};
