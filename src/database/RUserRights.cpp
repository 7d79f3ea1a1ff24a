#include "database/RUserRights.h"

namespace {

struct Right
{
    RUserRights::Action eAction;
    int nWeakestGrade; // the highest grade number that may
};

// Thresholds, devices and settings change what the alarms do, so they need a
// radiation protection officer; an operator only answers alarms and takes
// records out.
constexpr Right s_rights[] = {
    {RUserRights::Action::Accounts, RUserRights::Administrator},
    {RUserRights::Action::Thresholds, RUserRights::Officer},
    {RUserRights::Action::Devices, RUserRights::Officer},
    {RUserRights::Action::SystemSettings, RUserRights::Officer},
    {RUserRights::Action::DayDelete, RUserRights::Officer},
    {RUserRights::Action::ViewAudit, RUserRights::Officer},
    {RUserRights::Action::Acknowledge, RUserRights::Operator},
    {RUserRights::Action::Mute, RUserRights::Operator},
    {RUserRights::Action::Export, RUserRights::Operator},
    // Taking an alarm out of service is as weighty as changing its threshold.
    {RUserRights::Action::Shelve, RUserRights::Officer},
    // The records an inspector asks for, and a monitor out of service, are
    // the officer's; a note anyone on shift may leave.
    {RUserRights::Action::Instruments, RUserRights::Officer},
    {RUserRights::Action::InstrumentNote, RUserRights::Operator},
};

} // namespace

bool RUserRights::May(int nGrade, Action eAction)
{
    if (!IsGrade(nGrade))
        return false;
    for (const Right& right : s_rights) {
        if (right.eAction == eAction)
            return nGrade <= right.nWeakestGrade;
    }
    return false;
}
