#pragma once

// What each grade of account may do: the one table of rights that the pages,
// the stores and the tools ask. Grades are the login log's numbers; a lower
// number may do everything a higher one may.
class RUserRights final
{
public:
    enum Grade { Administrator = 0, Officer = 1, Operator = 2 };
    // The grade while no one is logged in: view only.
    static constexpr int NoSession = -1;

    enum class Action {
        Accounts,
        Thresholds,
        Devices,
        SystemSettings,
        DayDelete,
        ViewAudit,
        Acknowledge,
        Mute,
        Export,
        Shelve,
        Instruments, // calibrations, function tests, out of service
        InstrumentNote,
    };

    static bool IsGrade(int nGrade) { return nGrade >= Administrator && nGrade <= Operator; }
    static bool May(int nGrade, Action eAction);

private:
    RUserRights() = delete;
};
