#pragma once

#include "realtime/RRealDoseModel.h"

#include <QHash>
#include <QVariant>

class RTimer;

// The region table: ID, Location, H*(10), Show Curve, Curve Color. Applies
// each reading against the region's alarm threshold and counts alarm
// episodes per region and day in RegionLinkDoseInfo.
class RRegionDoseModel final : public RRealDoseModel
{
    Q_OBJECT
public:
    RRegionDoseModel(int kind, QObject* parent, SClock* pClock = nullptr);
    ~RRegionDoseModel() override;

    void UpdateDose(int id, float dose);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    void LoadRegionColours() override;

    // Display text of a dose rate in µRad/h, switching to mRad/h and Rad/h.
    static QString DoseText(float dose);

    RTimer* EpisodeTimer(int id) const { return m_episodeTimers.value(id); }

public slots:
    void OnTimeEnded(int id, const QString& start, const QString& end);

private:
    Q_DISABLE_COPY(RRegionDoseModel)

    QList<QVariant> m_colours;
    QHash<int, RTimer*> m_episodeTimers;
};
