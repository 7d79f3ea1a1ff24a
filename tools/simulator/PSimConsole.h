#pragma once

#include <QMultiMap>
#include <QObject>
#include <QStringList>

class PSimDataServer;
class PSimIdServer;
class QSocketNotifier;

// The console program's driver: runs the two servers and turns typed lines or
// scheduled faults ("stall@10") into simulator actions.
class PSimConsole final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PSimConsole)
public:
    explicit PSimConsole(QObject* pParent = nullptr);

    // Parses the command line; false (after printing why) when it is unusable.
    bool Setup(const QStringList& arguments);

    // Runs one command line such as "drop" or "burst 5000"; false if unknown.
    bool Execute(const QString& strLine);

    static QString Help();

private:
    void OnTick();
    void OnStdin();

    PSimDataServer* m_pData;
    PSimIdServer* m_pIds;
    QSocketNotifier* m_pStdin = nullptr;
    QMultiMap<quint64, QString> m_schedule; // period -> command
    quint64 m_nPeriod = 0;
};
