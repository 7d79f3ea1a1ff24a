#pragma once

#include "database/RUserRights.h"
#include "station/RStationSnapshot.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class PAlarmCue;
class PDoseThread;
class PLockedFile;
class QTimer;
class RAlarmJournal;
class RAlarmState;
class RInstrumentWatch;
struct RInstrumentCalibration;
struct RInstrumentTest;
class RAuditTrail;
class RConnectDatabase;
class RLoginSession;
class RPlantModbus;
class RPlantMqtt;
class RNotifier;
class RWebServer;
class RRegionCatalogue;
class RRegionWatch;
class RRegularSave;
class RSiteLink;
class RSlotArchive;
class RStorageWriter;
class SClock;

// The station: builds, owns and wires everything that monitors, stores and
// records, with or without a window. Out of it come typed signals and a
// snapshot; into it go the actions, each checked against the session's
// rights and audited here, whoever asks. GUI thread.
class RStation final : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        SClock* pClock = nullptr; // not owned; the system clock when null
        QString strAuditKeyPath; // the per-user data directory when empty
        QString strDatabaseFile; // DataBase.sqlite in the working directory when empty
        // Without a window the station receives the bus messages the window
        // would (readings, link texts, threshold commands).
        bool bHeadless = false;
    };

    enum class Outcome { Done, NotLoggedIn, NotAllowed, Refused };

    explicit RStation(const Options& options, QObject* pParent = nullptr);
    // Stops as Stop() does when nobody did.
    ~RStation() override;

    // Opens the file and builds the services; acquisition waits for Start().
    // False when another station (a window or a headless one) holds the
    // file: pError says so and nothing was opened.
    bool Open(QString* pError);
    // Whether a station runs on strDatabaseFile (empty: DataBase.sqlite in
    // the working directory) now; pError names it.
    static bool IsRunningOn(const QString& strDatabaseFile, QString* pError);
    // Failures met while opening (the database, the trail) go here as
    // title and text; the log has them in any case.
    void SetFailureReport(std::function<void(const QString&, const QString&)> report);
    // The alarm state comes back from the file, then the link starts.
    void Start();
    // The end, in the order that keeps every reading and row: the link
    // stops, the state and the stop reach the journal, the last commit,
    // the logout record. strHow: "exit" or "signal=NAME". Once.
    void Stop(const QString& strHow);

    SClock* Clock() const { return m_pClock; }
    // The station file's one writer, and the regions as registered; the
    // pages are handed them.
    RStorageWriter* Writer() const { return m_pWriter.get(); }
    RRegionCatalogue* Catalogue() const { return m_pCatalogue.get(); }
    // Readings the file had not taken when Stop() ended; they are lost.
    qint64 LostAtClose() const { return m_nLostAtClose; }
    RConnectDatabase* Database() const { return m_pDatabase; }
    RSlotArchive* Archive() const { return m_pArchive; }
    PDoseThread* Link() const { return m_pLink; }
    RRegularSave* Aggregator() const { return m_pAggregator.get(); }
    RRegionWatch* Watch() const { return m_pWatch; }
    RAlarmJournal* Journal() const { return m_pJournal; }
    RAlarmState* AlarmState() const { return m_pAlarmState; }
    PAlarmCue* Cue() const { return m_pCue; }
    RAuditTrail* Audit() const { return m_pAudit; }
    RLoginSession* Session() const { return m_pSession; }
    RSiteLink* SiteLink() const { return m_pSiteLink; }
    RPlantModbus* Modbus() const { return m_pModbus; }
    RPlantMqtt* Mqtt() const { return m_pMqtt; }
    RWebServer* Web() const { return m_pWeb; }
    RNotifier* Notifier() const { return m_pNotifier; }
    RInstrumentWatch* Instruments() const { return m_pInstruments; }
    bool IsOpen() const { return m_bOpen; }

    // The reading road: one raw reading from the decoder (bus 1003).
    void StoreReading(int nId, int nCount);
    // Devices or settings changed (bus 1035): the link closes, the lists
    // are read again, reloadPages runs between, the link reconnects.
    void ReloadDevices(const std::function<void()>& reloadPages = {});
    // Thresholds or alarm filters changed (bus 1036).
    void ReloadThresholds();

    // Whether the session's account may take eAction (false when nobody is
    // logged in).
    bool May(RUserRights::Action eAction) const;

    // Actions. nId 0: every region.
    Outcome Acknowledge(int nId);
    Outcome SetMuted(bool bMuted);
    Outcome Shelve(int nId, const QDateTime& until, const QString& strReason);
    Outcome Unshelve(int nId, const QString& strReason);
    // Instrument records, entered by the session's account now. A
    // calibration that sets a coefficient records the one in use before and
    // converts the monitor's readings with it from now on.
    Outcome TakeOutOfService(int nId, const QString& strReason);
    Outcome ReturnToService(int nId, const QString& strReason);
    Outcome RecordCalibration(const RInstrumentCalibration& calibration);
    Outcome RecordTest(const RInstrumentTest& test);
    Outcome RecordNote(int nId, const QString& strText);
    // A threshold on its way to nId (0: all) was confirmed; the trail's rows.
    Outcome RecordThreshold(int nId, int nOld, int nNew);
    Outcome RecordDayDelete(const QString& strObject, int nRows);
    // A change of a settings page, in the trail under the session's account.
    void RecordChange(const QString& strAction, const QString& strObject, const QString& strOld,
        const QString& strNew);

    RStationSnapshot Snapshot() const;
    RStationRegion RegionState(int nId) const;

signals:
    void ReadingStored(const RStationReading& reading);
    void MinuteClosed(const QDate& date, int nMinute, const QHash<int, double>& values);
    // nId's alarm look, acknowledgement or shelving changed: its whole state.
    void AlarmStateChanged(int nId, const RStationRegion& region);
    void LinkChanged(bool bUp);
    void StorageChanged(const QString& strProblem);
    void SessionChanged(const QString& strAccount, int nGrade);
    void FloodChanged(bool bFlood, int nAlarms);
    // nId's instrument records changed.
    void InstrumentsChanged(int nId);

protected:
    bool event(QEvent* pEvent) override;

private:
    Q_DISABLE_COPY(RStation)

    static std::unique_ptr<PLockedFile> Lock(const QString& strDatabaseFile, QString* pError);
    void Report(const QString& strTitle, const QString& strText);
    Outcome Check(RUserRights::Action eAction) const;
    void OnLookChanged(int nId);
    // Start, restart or stop the plant interface and the web view as their
    // settings say.
    void ApplyPlant();
    void ApplyWeb();
    void ApplyNotify();

    Options m_options;
    SClock* m_pClock;
    std::unique_ptr<PLockedFile> m_pLock;
    std::unique_ptr<RStorageWriter> m_pWriter;
    std::unique_ptr<RRegionCatalogue> m_pCatalogue;
    std::function<void(const QString&, const QString&)> m_report;
    RConnectDatabase* m_pDatabase = nullptr;
    RSlotArchive* m_pArchive = nullptr;
    PDoseThread* m_pLink = nullptr;
    std::unique_ptr<RRegularSave> m_pAggregator;
    RRegionWatch* m_pWatch = nullptr;
    RAlarmJournal* m_pJournal = nullptr;
    RAlarmState* m_pAlarmState = nullptr;
    PAlarmCue* m_pCue = nullptr;
    RAuditTrail* m_pAudit = nullptr;
    RLoginSession* m_pSession = nullptr;
    QTimer* m_pIdleTimer = nullptr;
    RSiteLink* m_pSiteLink = nullptr;
    RPlantModbus* m_pModbus = nullptr;
    RPlantMqtt* m_pMqtt = nullptr;
    QTimer* m_pMqttKeep = nullptr;
    RWebServer* m_pWeb = nullptr;
    QString m_strWebApplied;
    RNotifier* m_pNotifier = nullptr;
    RInstrumentWatch* m_pInstruments = nullptr;
    QTimer* m_pInstrumentTimer = nullptr;
    QString m_strNotifyApplied;
    // The settings each plant interface runs with.
    QString m_strPlantApplied;
    QString m_strMqttApplied;
    qint64 m_nJournalAtStart = -1; // the journal's last row before the start's own
    qint64 m_nLostAtClose = 0;
    bool m_bOpen = false;
    bool m_bStarted = false;
    bool m_bStopped = false;
};
