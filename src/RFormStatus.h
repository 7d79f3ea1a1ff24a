#pragma once

#include <QDateTime>
#include <QFrame>

class QLabel;

// The status strip under the page stack: two lines, each a caption and a
// message, showing the state of the link to the data server, and the lines
// that must not be missed (link lost, storage problem, no sound).
class RFormStatus : public QFrame
{
    Q_OBJECT

public:
    explicit RFormStatus(QWidget* parent = nullptr);

    // The texts arrive untranslated (constant texts of their senders).
    void SetMessage(const char* pText);
    void SetSecondMessage(const char* pText);
    void ShowSecondLine(bool bShow);
    // A storage problem, shown in red until it is cleared with an empty text.
    void SetStorageProblem(const QString& strText);

    QString Message() const;
    QString SecondMessage() const;
    bool IsSecondLineShown() const;
    QString StorageProblem() const;
    // A warning about the stored settings (levels out of order); hidden when
    // empty.
    void SetSettingsWarning(const QString& strText);
    QString SettingsWarning() const;
    // The site database's line ("N minutes behind", not reached); hidden
    // when empty.
    void SetSiteDbStatus(const QString& strText);
    // The plant interface: how many Modbus clients read the map (-1: the
    // server is off) and the MQTT publisher's state (empty: off).
    void SetPlantStatus(int nModbusClients, bool bMqttConnected, const QString& strMqtt);
    // Why mail notifications cannot be sent; empty hides the line.
    void SetMailProblem(const QString& strProblem);
    // Calibrations or function tests overdue; empty hides the line.
    void SetInstrumentProblem(const QString& strProblem);
    QString MailStatus() const;
    QString InstrumentStatus() const;
    QString PlantStatus() const;
    QString SiteDbStatus() const;
    // The "Sound muted" note, shown while the alarm sound is silenced.
    void SetMuted(bool bMuted);
    bool IsMutedShown() const;
    // While the link is down the link's message is red; lostAt, when valid,
    // is when an established connection was lost, shown on a red line of
    // its own until the link is back.
    void SetLinkDown(bool bDown, const QDateTime& lostAt = QDateTime());
    bool IsLinkDown() const { return m_bLinkDown; }
    QString LinkLost() const;
    // No audio output: alarms are not heard, for as long as the program runs.
    void SetSoundMissing(bool bMissing);
    bool IsSoundMissingShown() const;

private:
    Q_DISABLE_COPY(RFormStatus)

    QLabel* m_pLabelCaption;
    QLabel* m_pLabelMessage;
    QLabel* m_pLabelCaption2;
    QLabel* m_pLabelMessage2;
    QLabel* m_pLabelStorage;
    QLabel* m_pLabelMuted;
    QLabel* m_pLabelNoSound;
    QLabel* m_pLabelLinkLost;
    QLabel* m_pLabelSiteDb = nullptr;
    QLabel* m_pLabelPlant = nullptr;
    QLabel* m_pLabelInstruments = nullptr;
    QLabel* m_pLabelMail = nullptr;
    QLabel* m_pLabelSettings = nullptr;
    bool m_bLinkDown = false;
};
