#include "database/RStaffListStore.h"

#include "database/PSqlExec.h"

#include <QSqlQuery>
#include <QVariant>

QVector<RStaffMember> RStaffListStore::Members(List eList)
{
    // Only these two names reach the statement text.
    const QString strTable
        = eList == Routing ? QStringLiteral("RoutingInfo") : QStringLiteral("PersonalInfo");
    const int nNum = PSqlExec::Scalar(QStringLiteral("select Num from %1").arg(strTable)).toInt();
    const QString strRow
        = QStringLiteral("select Id, Name, Position, Sex from %1 where Sub = ?").arg(strTable);
    QVector<RStaffMember> members;
    for (int nSub = 1; nSub <= nNum; ++nSub) {
        QSqlQuery query = PSqlExec::Select(strRow, {nSub});
        if (!query.next())
            continue;
        RStaffMember member;
        member.nId = query.value(0).toInt();
        member.strName = query.value(1).toString();
        member.strPosition = query.value(2).toString();
        member.strSex = query.value(3).toString();
        members.append(member);
    }
    return members;
}

int RStaffListStore::StaffCount()
{
    return PSqlExec::Scalar(QStringLiteral("select Num from PersonalInfo")).toInt();
}

QStringList RStaffListStore::StaffNames()
{
    QStringList names;
    QSqlQuery query = PSqlExec::Select(QStringLiteral("select Name from PersonalInfo"));
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}
