#pragma once

#include "database/RInstrumentStore.h"
#include "message/SClock.h"
#include "widgets/SPrompt.h"

#include <QStringList>

// Answers every question at once with its accepting button unless told
// otherwise (answers, then bAccept), and records what was asked and told. With a clock, the user
// takes nAnswerMs to answer.
class FakePrompt final : public SPrompt
{
public:
    explicit FakePrompt(SManualClock* pClock = nullptr)
        : m_pClock(pClock)
    {
    }
    bool Ask(
        QWidget*, const QString& strText, const QString&, const QString&, const QString&) override
    {
        asked << strText;
        if (m_pClock)
            m_pClock->Advance(nAnswerMs);
        return answers.isEmpty() ? bAccept : answers.takeFirst();
    }
    bool AskWarning(QWidget* pParent, const QString& strText, const QString& strInfo,
        const QString& strAccept, const QString& strReject) override
    {
        warned << strText;
        return Ask(pParent, strText, strInfo, strAccept, strReject);
    }
    void Tell(QWidget*, const QString& strText, const QString&) override { told << strText; }
    QString AskSaveFileName(
        QWidget*, const QString&, const QString& strDefault, const QString&) override
    {
        offered << strDefault;
        return strSaveName;
    }

    // Takes the next of logins as typed; cancels when there is none.
    bool AskLogin(QWidget*, const QString& strText, QString* pName, QString* pPassword) override
    {
        loginAsked << strText;
        if (logins.isEmpty())
            return false;
        const QStringList login = logins.takeFirst();
        *pName = login.value(0);
        *pPassword = login.value(1);
        return true;
    }

    // Takes the next of accounts (name, grade index, password, repeat);
    // cancels when there is none.
    bool AskNewAccount(QWidget*, const QStringList&, QString* pName, int* pGrade,
        QString* pPassword, QString* pRepeat) override
    {
        if (accounts.isEmpty())
            return false;
        const QStringList account = accounts.takeFirst();
        *pName = account.value(0);
        *pGrade = account.value(1).toInt();
        *pPassword = account.value(2);
        *pRepeat = account.value(3);
        return true;
    }
    // Takes the next of passwords (password, repeat); cancels when none.
    bool AskNewPassword(
        QWidget*, const QString& strText, QString* pPassword, QString* pRepeat) override
    {
        asked << strText;
        if (passwords.isEmpty())
            return false;
        const QStringList password = passwords.takeFirst();
        *pPassword = password.value(0);
        *pRepeat = password.value(1);
        return true;
    }
    // Takes the next of choices; cancels when none.
    bool AskChoice(QWidget*, const QString& strText, const QStringList&, int* pIndex) override
    {
        asked << strText;
        if (choices.isEmpty())
            return false;
        *pIndex = choices.takeFirst();
        return true;
    }
    // Takes the next of shelvings (reason, minutes from now); cancels when
    // there is none.
    bool AskShelve(QWidget*, const QString& strText, const QDateTime& now, qint64, QString* pReason,
        QDateTime* pUntil) override
    {
        shelveAsked << strText;
        if (shelvings.isEmpty())
            return false;
        const QPair<QString, int> shelving = shelvings.takeFirst();
        *pReason = shelving.first;
        *pUntil = now.addSecs(shelving.second * 60);
        return true;
    }
    bool AskReason(QWidget*, const QString& strText, QString* pReason) override
    {
        asked << strText;
        if (reasons.isEmpty())
            return false;
        *pReason = reasons.takeFirst();
        return true;
    }

    // Take the next of calibrations or tests, the monitor kept as offered;
    // cancel when there is none.
    bool AskCalibration(QWidget*, const QString& strText, RInstrumentCalibration* p) override
    {
        asked << strText;
        if (calibrations.isEmpty())
            return false;
        const int nId = p->nId;
        *p = calibrations.takeFirst();
        p->nId = nId;
        return true;
    }
    bool AskFunctionTest(QWidget*, const QString& strText, RInstrumentTest* p) override
    {
        asked << strText;
        if (tests.isEmpty())
            return false;
        const int nId = p->nId;
        *p = tests.takeFirst();
        p->nId = nId;
        return true;
    }

    QList<RInstrumentCalibration> calibrations;
    QList<RInstrumentTest> tests;
    QStringList asked;
    QStringList loginAsked;
    QList<QStringList> accounts; // name, grade index, password, repeat
    QList<QStringList> passwords; // password, repeat
    QList<int> choices;
    QStringList shelveAsked;
    QList<QPair<QString, int>> shelvings; // reason and minutes, one shelving a row
    QStringList reasons; // answers to AskReason
    QList<QStringList> logins; // name and password, one login a row
    QStringList warned; // the questions asked with a warning, also in asked
    QStringList told;
    QStringList offered; // file names offered for saving
    QString strSaveName; // the answer to a save question; empty cancels
    bool bAccept = true;
    QList<bool> answers; // the next answers, before bAccept
    qint64 nAnswerMs = 1000;

private:
    SManualClock* m_pClock;
};
