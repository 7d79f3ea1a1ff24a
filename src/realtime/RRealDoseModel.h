#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QStringList>
#include <QVector>

class RRegionCatalogue;

class QTimer;
class SClock;

// Flat table of live monitors: latest dose rate (µRad/h), on-line state and
// the silence supervision. Subclasses add columns, the alarm rule and colours.
// Regions come from the region catalogue, one row each. GUI thread only.
class RRealDoseModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum State { OffLine = 0, OnLine = 1 };
    enum AlarmState { AlarmOffLine = 0, Normal = 1, Warning = 2 };

    static constexpr int kSupervisionMs = 5000;
    static constexpr qint64 kSilenceMs = 30000;
    static constexpr qint64 kLongSilenceMs = 60000;

    // pClock: source of elapsed time for the silence rule (the system clock
    // when null).
    RRealDoseModel(
        RRegionCatalogue* pCatalogue, int kind, QObject* parent, SClock* pClock = nullptr);
    ~RRealDoseModel() override;

    void Reload();

    QModelIndex index(
        int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    virtual void LoadRegionColours() = 0;

    int RowOfId(int iId) const { return m_ids.indexOf(iId); }
    int IdAt(int row) const { return row >= 0 && row < m_ids.size() ? m_ids.at(row) : 0; }
    float DoseAt(int row) const { return row >= 0 && row < m_values.size() ? m_values.at(row) : 0; }
    int OnlineAt(int row) const;
    // False until the row's first reading since the list was loaded: there
    // is no value to show, which is not a value of 0.
    bool HasReading(int row) const;
    int AlarmAt(int row) const;

    // Delivery of change notifications. Coalesced (the default): changes are
    // announced together at most once per interval (kUpdateMs), so 255 monitors
    // reading every 2 s cost the view a few repaints a second instead of one
    // per reading; the values shown are the same, at most one interval later.
    // Immediate: one notification per change, for comparison in the benchmark.
    static constexpr int kUpdateMs = 200;
    void SetCoalesceUpdates(bool bCoalesce) { m_bCoalesce = bCoalesce; }
    void SetUpdateInterval(int nMs);

signals:
    void ItemAchieveData(int iId);
    void IsVaild(bool bIsVaild);
    // A region went off line by the silence rule, or read again after that.
    void OnlineChanged(int nId, bool bOnline);

public slots:
    void OnTimeOut();
    void StartOneTime(int iId);

protected:
    // Announces that the visible values of the given rows changed.
    void RowsChanged(int nFirst, int nLast);
    void FlushChanges();

    RRegionCatalogue* m_pCatalogue;
    int m_nKind;
    int m_nColumnCount = 0;
    const char* const* m_pHeaders = nullptr;
    QVector<float> m_values;
    QStringList m_names;
    int m_nRowCount = 0;
    QList<int> m_ids;
    QList<int> m_online;
    QList<int> m_alarm;
    QTimer* m_pSupervisionTimer;
    // Clock time (ElapsedMs) of each row's last reading; -1 until its first.
    QVector<qint64> m_lastReading;
    QList<bool> m_seen;
    // Rows the silence rule took off line; their next reading brings them back.
    QVector<bool> m_wentOffline;
    SClock* m_pClock;

private:
    Q_DISABLE_COPY(RRealDoseModel)

    QTimer* m_pFlushTimer;
    bool m_bCoalesce = true;
    int m_nDirtyFirst = -1;
    int m_nDirtyLast = -1;
};
