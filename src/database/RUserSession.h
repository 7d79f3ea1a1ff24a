#pragma once

#include <QDateTime>

// The login log of the accounts in UserPermission and UserLoginTimeInfo. The
// tables belong to the installed database file and are filled by another
// writer; this program only closes the logged-in account's session.
class RUserSession final
{
public:
    // Writes now as the Logouttime of the latest session of the first
    // account whose state is 1; nothing when there is none. Failures are
    // ignored: shut-down goes on.
    static void CloseLastLogin(const QDateTime& now);

private:
    RUserSession() = delete;
};
