#include "realtime/RRegionDoseModel.h"

#include "database/RRegionCatalogue.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "realtime/PColorLine.h"
#include "realtime/RAlarmState.h"

#include <QColor>
#include <QStringList>
#include <QtGlobal>

namespace {

// Translated where shown (RRealDoseModel::headerData), in this class's context.
const char* const kHeaders[] = {QT_TRANSLATE_NOOP("RRegionDoseModel", "ID"),
    QT_TRANSLATE_NOOP("RRegionDoseModel", "Location"),
    QT_TRANSLATE_NOOP("RRegionDoseModel", "H*(10) µRad/h"),
    QT_TRANSLATE_NOOP("RRegionDoseModel", "Show Curve"),
    QT_TRANSLATE_NOOP("RRegionDoseModel", "Curve Color")};

} // namespace

RRegionDoseModel::RRegionDoseModel(
    RRegionCatalogue* pCatalogue, int kind, QObject* parent, SClock* pClock)
    : RRealDoseModel(pCatalogue, kind, parent, pClock)
{
    PColorLine::Register();
    m_nColumnCount = 5;
    m_pHeaders = kHeaders;
}

QColor RRegionDoseModel::SelectionMark()
{
    return QColor(150, 200, 255);
}

QColor RRegionDoseModel::ProblemColour()
{
    return QColor(255, 170, 0);
}

void RRegionDoseModel::SetAlarmState(const RAlarmState* pAlarmState)
{
    if (m_pAlarmState)
        disconnect(m_pAlarmState.data(), nullptr, this, nullptr);
    m_pAlarmState = pAlarmState;
    if (!pAlarmState)
        return;
    // An alarm's look and its flash phase are told at once, not with the
    // readings' coalesced updates: the table turns with the plan and the gauge.
    connect(pAlarmState, &RAlarmState::LookChanged, this, [this](int nId) {
        const int row = RowOfId(nId);
        if (row >= 0 && row < m_nRowCount)
            RowsChanged(row, row);
        else if (nId == 0 && m_nRowCount > 0)
            RowsChanged(0, m_nRowCount - 1);
        FlushChanges();
    });
    connect(pAlarmState, &RAlarmState::FlashChanged, this, [this]() {
        if (m_nRowCount > 0)
            RowsChanged(0, m_nRowCount - 1);
        FlushChanges();
    });
}

int RRegionDoseModel::LookAt(int row) const
{
    // Only what the alarm state holds, and so the journal: no reading alone
    // paints an alarm.
    return m_pAlarmState ? m_pAlarmState->LookOf(IdAt(row)) : RAlarmState::NoAlarm;
}

QString RRegionDoseModel::ProblemText(int row) const
{
    const RRegion* pRegion = m_pCatalogue->Find(IdAt(row));
    if (!pRegion || pRegion->nProblems == 0)
        return QString();
    QStringList lines;
    if (pRegion->nProblems & RRegionCatalogue::NoDisplayRow)
        lines << tr("No alarm threshold and no curve colour are stored for this region: it "
                    "never alarms.");
    else if (pRegion->nProblems & RRegionCatalogue::NoThreshold)
        lines << tr("The stored alarm threshold is %1: this region never alarms.")
                     .arg(pRegion->nAlarmValue);
    if (pRegion->nProblems & RRegionCatalogue::AnotherEntry)
        lines << tr("This region is registered again at position %1; that entry is ignored.")
                     .arg(pRegion->nOtherSub);
    if (pRegion->nProblems & RRegionCatalogue::SharedPosition)
        lines << tr("Region %1 is registered at the same position and is not shown.")
                     .arg(pRegion->nOtherId);
    return lines.join(QLatin1Char('\n'));
}

void RRegionDoseModel::SetLinkUp(bool bUp)
{
    m_bLinkUp = bUp;
    if (m_nRowCount > 0)
        RowsChanged(0, m_nRowCount - 1);
}

bool RRegionDoseModel::IsStale(int row) const
{
    return row >= 0 && row < m_nRowCount && !IsOutOfService(row)
        && (!m_bLinkUp || OnlineAt(row) == OffLine);
}

bool RRegionDoseModel::IsOutOfService(int row) const
{
    return m_pAlarmState && m_pAlarmState->IsOutOfService(IdAt(row));
}

RRegionDoseModel::~RRegionDoseModel() = default;

QString RRegionDoseModel::DoseText(float dose)
{
    // Always µRad/h (the unit is in the header), so that the rows of the
    // column compare at a glance: no 999.00 next to 1.00 of another unit.
    return QString::number(static_cast<double>(dose), 'f', 2);
}

void RRegionDoseModel::LoadRegionColours()
{
    m_ids.clear();
    m_alarm.clear();
    m_colours.clear();
    for (const RRegion& region : m_pCatalogue->Regions()) {
        const int nId = region.nId;
        m_colours.append(QVariant::fromValue(PColorLine(region.colour)));
        m_ids.append(nId);
        m_alarm.append(AlarmOffLine);
    }
}

void RRegionDoseModel::UpdateDose(int id, float dose)
{
    const int i = m_ids.indexOf(id);
    if (i < 0 || i >= m_nRowCount)
        return;
    m_values[i] = dose;
    m_online[i] = OnLine;
    m_seen[i] = true;
    m_readingTimes.insert(id, m_pClock->Now());
    if (i < m_wentOffline.size() && m_wentOffline.at(i)) {
        m_wentOffline[i] = false;
        emit OnlineChanged(id, true);
    }
    // Whether it is in alarm is the station's to say (RRegionWatch and the
    // alarm state); the row only shows it.
    m_alarm[i] = Normal;
    emit ItemAchieveData(id);
    RowsChanged(i, i);
}

QVariant RRegionDoseModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || index.row() >= m_nRowCount)
        return QVariant();
    const int row = index.row();
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return row < m_ids.size() ? QVariant(QString::number(m_ids.at(row))) : QVariant();
        case 1:
            return row < m_names.size() ? QVariant(m_names.at(row)) : QVariant();
        case 2: {
            // Whatever it reads now is no measurement of the room.
            if (IsOutOfService(row))
                return tr("Out of service");
            if (!HasReading(row))
                return QString(QChar(0x2014));
            const QDateTime read = m_readingTimes.value(IdAt(row));
            // A stale value says when it was read, so it never passes for a current one.
            if (IsStale(row) && read.isValid())
                return DoseText(m_values.at(row)) + read.toString(QStringLiteral(" (hh:mm:ss)"));
            return DoseText(m_values.at(row));
        }
        case 3:
            return QVariant();
        case 4:
            return row < m_colours.size() ? m_colours.at(row) : QVariant();
        default:
            Log(LogLevel::Warning, "data: invalid display value column %d\n", index.column());
            return QVariant();
        }
    }
    // Numbers of one unit line up on their decimal point.
    if (role == Qt::TextAlignmentRole && index.column() == 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() <= 2) {
        QStringList lines;
        if (index.column() == 2 && !HasReading(row))
            lines << tr("no data");
        const QString strProblem = ProblemText(row);
        if (!strProblem.isEmpty())
            lines << strProblem;
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    if (role == Qt::ForegroundRole) {
        switch (index.column()) {
        case 3:
            // A lost link makes every region stale at once, not after the
            // silence rule has run out for each.
            if (IsOutOfService(row))
                return RAlarmState::OutOfServiceColour();
            return QColor(IsStale(row) ? Qt::red : Qt::green);
        case 4:
            return AlarmData(row, index.column(), role);
        case 2:
            if (IsStale(row) || !HasReading(row))
                return QColor(140, 140, 140);
            return QColor(Qt::white);
        default:
            if (!ProblemText(row).isEmpty())
                return ProblemColour();
            return QColor(Qt::white);
        }
    }
    if (role == Qt::ToolTipRole)
        return LampTip(row, index.column());
    if (role == Qt::BackgroundRole || role == AlarmLookRole)
        return AlarmData(row, index.column(), role);
    return QVariant();
}

QVariant RRegionDoseModel::AlarmData(int row, int column, int role) const
{
    const int nLook = LookAt(row);
    if (role == AlarmLookRole)
        return nLook;
    // Flashing between the alarm colour and its dark phase: an alarm in
    // either phase, never the normal look.
    const bool bBright
        = nLook != RAlarmState::ActiveUnacknowledged || !m_pAlarmState || m_pAlarmState->FlashOn();
    const bool bActive
        = nLook == RAlarmState::ActiveUnacknowledged || nLook == RAlarmState::ActiveAcknowledged;
    if (role == Qt::BackgroundRole) {
        // The delegate hatches a shelved row over its grey.
        if (nLook == RAlarmState::Shelved)
            return RAlarmState::ShelvedColour();
        if (nLook == RAlarmState::OutOfService)
            return RAlarmState::OutOfServiceColour();
        return bActive ? QVariant(RAlarmState::AlarmColour(bBright)) : QVariant();
    }
    if (column != 4 || role != Qt::ForegroundRole)
        return QVariant();
    // The alarm lamp: the alarm colour (the delegate draws a cleared one as a
    // ring), green when normal, grey while nothing can be said.
    if (nLook == RAlarmState::Shelved)
        return RAlarmState::ShelvedColour();
    if (nLook == RAlarmState::OutOfService)
        return RAlarmState::OutOfServiceColour();
    if (nLook != RAlarmState::NoAlarm)
        return RAlarmState::AlarmColour(bBright);
    const RRegion* pRegion = m_pCatalogue->Find(IdAt(row));
    if (!HasReading(row) || !pRegion || (pRegion->nProblems & RRegionCatalogue::NoThreshold))
        return QColor(128, 128, 128);
    return QColor(Qt::green);
}

QVariant RRegionDoseModel::LampTip(int row, int nColumn) const
{
    if (nColumn == 3) {
        if (IsOutOfService(row))
            return tr("Out of service: silence is expected");
        if (!m_bLinkUp)
            return tr("No link to the data server: the value is not current");
        return OnlineAt(row) == OffLine ? tr("Off line: no reading from this monitor")
                                        : tr("On line: readings arrive");
    }
    if (nColumn != 4)
        return QVariant();
    const bool bChattering = m_pAlarmState && m_pAlarmState->IsChattering(IdAt(row));
    switch (LookAt(row)) {
    case RAlarmState::OutOfService: {
        const RInstrumentOutage outage = m_pAlarmState->OutageOf(IdAt(row));
        return tr("Out of service since %1 by %2: %3")
            .arg(outage.since.toString(QStringLiteral("yyyy-MM-dd hh:mm")), outage.strAccount,
                outage.strReason);
    }
    case RAlarmState::Shelved: {
        const RAlarmShelf shelf = m_pAlarmState->ShelfOf(IdAt(row));
        return tr("Shelved until %1 by %2: %3")
            .arg(shelf.until.toString(QStringLiteral("yyyy-MM-dd hh:mm")), shelf.strAccount,
                shelf.strReason);
    }
    case RAlarmState::ActiveUnacknowledged:
        if (bChattering)
            return tr("Alarm, chattering, not acknowledged");
        return tr("Alarm, not acknowledged");
    case RAlarmState::ActiveAcknowledged:
        if (bChattering)
            return tr("Alarm, chattering, acknowledged");
        return tr("Alarm, acknowledged");
    case RAlarmState::ClearedUnacknowledged:
        return tr("Alarm over, not acknowledged");
    default:
        return HasReading(row) ? tr("No alarm") : tr("No reading yet");
    }
}

bool RRegionDoseModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (index.isValid() && index.row() < m_colours.size()
        && data(index, Qt::DisplayRole).canConvert<PColorLine>()) {
        // Only a colour line may replace a colour line; anything else would
        // leave a cell the delegate cannot paint.
        if (!value.canConvert<PColorLine>())
            return false;
        m_colours[index.row()] = QVariant::fromValue(value.value<PColorLine>());
        emit dataChanged(index, index);
        return true;
    }
    return RRealDoseModel::setData(index, value, role);
}
