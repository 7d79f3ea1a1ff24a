#pragma once

#include <QString>

// An all-or-nothing unit inside the long transaction the database keeps open:
// SAVEPOINT on construction, RELEASE on Release(), and ROLLBACK TO + RELEASE
// when it goes out of scope unreleased. Plain statements on the default
// connection, because Qt's transaction calls would end the long transaction.
class PSavepoint final
{
public:
    // strName: an identifier of our own, never user text.
    explicit PSavepoint(const QString& strName);
    ~PSavepoint();

    bool IsOpen() const { return m_bOpen; }
    // Keeps the changes; false (and rolled back) when the release fails.
    bool Release();
    void Rollback();

private:
    Q_DISABLE_COPY(PSavepoint)

    QString m_strName;
    bool m_bOpen;
};
