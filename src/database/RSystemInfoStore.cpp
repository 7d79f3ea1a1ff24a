#include "database/RSystemInfoStore.h"

#include "database/PSavepoint.h"
#include "database/PSqlExec.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <iterator>

namespace {

// Numbers keep six significant digits, as they were shown: the value bound is
// the one parsed back from that text, so 0.00049 is stored as 0.00049 and not
// as the float nearest to it.
QVariant sixDigits(double dValue)
{
    return PSqlExec::Number(static_cast<float>(dValue)).toDouble();
}

} // namespace

RSystemInfo RSystemInfoStore::Load()
{
    RSystemInfo info;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select IP, Port, Thre_A, Thre_B, Thre_C, Ceff_P, Ceff_R from SystemInfo "
                       "where Unit_P = 0"));
    if (query.next()) {
        info.bMainFound = true;
        info.strIp = query.value(0).toString();
        info.nPort = query.value(1).toInt();
        info.dThreA = query.value(2).toDouble();
        info.dThreB = query.value(3).toDouble();
        info.dThreC = query.value(4).toDouble();
        info.dCeffP = query.value(5).toDouble();
        info.dCeffR = query.value(6).toDouble();
    }
    query = PSqlExec::Select(QStringLiteral("select Ip, Port from SystemInfo where Unit_P = 1"));
    if (query.next()) {
        info.bSecondFound = true;
        info.strIp2 = query.value(0).toString();
        info.nPort2 = query.value(1).toInt();
    }
    return info;
}

RSystemValues RSystemInfoStore::Values()
{
    RSystemValues values;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Thre_A, Thre_B, Thre_C, Ceff_P, Ceff_R from SystemInfo"));
    if (query.next()) {
        values.bFound = true;
        values.dThreA = query.value(0).toDouble();
        values.dThreB = query.value(1).toDouble();
        values.dThreC = query.value(2).toDouble();
        values.dCeffP = query.value(3).toDouble();
        values.dCeffR = query.value(4).toDouble();
    }
    values.dStoredA = values.dThreA;
    values.dStoredB = values.dThreB;
    values.dStoredC = values.dThreC;
    values.bLevelsInOrder
        = !values.bFound || LevelsInOrder(values.dThreA, values.dThreB, values.dThreC);
    // A gauge or plan with bands out of order would paint a dose in alarm
    // green: they always rise.
    double levels[] = {values.dThreA, values.dThreB, values.dThreC};
    std::sort(std::begin(levels), std::end(levels));
    values.dThreA = levels[0];
    values.dThreB = levels[1];
    values.dThreC = levels[2];
    return values;
}

bool RSystemInfoStore::LevelsInOrder(double dA, double dB, double dC)
{
    return dA > 0.0 && dA < dB && dB < dC;
}

RServerAddress RSystemInfoStore::ServerAddress(int nUnit)
{
    RServerAddress address;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select IP, Port from SystemInfo where Unit_P = ?"), {nUnit});
    if (query.next()) {
        address.bFound = true;
        address.strHost = query.value(0).toString();
        address.port = query.value(1);
    }
    return address;
}

bool RSystemInfoStore::StoredCeffR(double* pCeffR)
{
    const RSystemValues values = Values();
    if (!values.bFound)
        return false;
    *pCeffR = values.dCeffR;
    return true;
}

bool RSystemInfoStore::Save(const RSystemInfo& info, QString* pError)
{
    PSavepoint savepoint(QStringLiteral("system_info"));
    if (!savepoint.IsOpen()) {
        *pError = QStringLiteral("cannot start the change");
        return false;
    }
    const bool bOk = PSqlExec::Exec(QStringLiteral("delete from SystemInfo where 1=1"), {}, pError)
        && PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Thre_A, Thre_B, Thre_C, "
                                         "Ceff_P, Ceff_R) values(?, ?, ?, ?, ?, ?, ?)"),
            {info.strIp, info.nPort, sixDigits(info.dThreA), sixDigits(info.dThreB),
                sixDigits(info.dThreC), sixDigits(info.dCeffP), sixDigits(info.dCeffR)},
            pError)
        && PSqlExec::Exec(
            QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values(?, ?, ?)"),
            {info.strIp2, info.nPort2, 1}, pError);
    if (!bOk)
        return false; // the savepoint rolls back
    if (!savepoint.Release()) {
        *pError = QStringLiteral("cannot keep the change");
        return false;
    }
    return true;
}
