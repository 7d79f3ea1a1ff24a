#include "database/PSavepoint.h"

#include "database/PSqlExec.h"

PSavepoint::PSavepoint(const QString& strName)
    : m_strName(strName)
    , m_bOpen(PSqlExec::Exec(QStringLiteral("savepoint ") + strName))
{
}

PSavepoint::~PSavepoint()
{
    Rollback();
}

bool PSavepoint::Release()
{
    if (!m_bOpen)
        return false;
    if (PSqlExec::Exec(QStringLiteral("release ") + m_strName)) {
        m_bOpen = false;
        return true;
    }
    Rollback();
    return false;
}

void PSavepoint::Rollback()
{
    if (!m_bOpen)
        return;
    PSqlExec::Exec(QStringLiteral("rollback to ") + m_strName);
    PSqlExec::Exec(QStringLiteral("release ") + m_strName);
    m_bOpen = false;
}
