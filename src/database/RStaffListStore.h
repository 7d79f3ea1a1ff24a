#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One entry of a staff list as stored.
struct RStaffMember
{
    int nId = 0;
    QString strName;
    QString strPosition;
    QString strSex;
};

// The staff lists the installation's records keep (PersonalInfo) and the
// patrol dosimeters (RoutingInfo), read on the default connection. This
// client shows them and never writes them.
class RStaffListStore final
{
public:
    enum List { Staff, Routing };

    // Positions 1..Num in order, the first row of each; a position without a
    // row is left out.
    static QVector<RStaffMember> Members(List eList);

    // The staff list as the real-time view counts it: Num of PersonalInfo (0
    // without a row), and every stored name in table order, whatever Num says.
    static int StaffCount();
    static QStringList StaffNames();

private:
    RStaffListStore() = delete;
};
