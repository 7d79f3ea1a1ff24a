#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a normal end of the event loop, so a stop
// from the session or the terminal runs the same shut-down as closing the
// window and nothing stored is lost.
class PQuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit PQuitOnSignal(QObject* parent = nullptr);
    ~PQuitOnSignal() override;

    bool IsInstalled() const { return m_pNotifier != nullptr; }

signals:
    void SignalReceived(int nSignal);

private:
    Q_DISABLE_COPY(PQuitOnSignal)

    void OnActivated();

    QSocketNotifier* m_pNotifier = nullptr;
};
