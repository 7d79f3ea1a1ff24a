#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;
struct RInstrumentCalibration;
struct RInstrumentTest;

// The program's modal questions and notices, all titled with the program's
// name. Pages hold a pointer to one; the default shows a message box, tests
// install a double that answers at once, so no test waits on a modal box.
class SPrompt
{
public:
    virtual ~SPrompt();

    // True when the user chooses strAccept rather than strReject.
    virtual bool Ask(QWidget* pParent, const QString& strText, const QString& strInfo,
        const QString& strAccept, const QString& strReject);
    // Ask() about a step that cannot be undone: the box shows a warning.
    virtual bool AskWarning(QWidget* pParent, const QString& strText, const QString& strInfo,
        const QString& strAccept, const QString& strReject);
    // A notice with one button.
    virtual void Tell(QWidget* pParent, const QString& strText, const QString& strButton);
    // A file name to save under, strDefault offered; empty when cancelled.
    virtual QString AskSaveFileName(QWidget* pParent, const QString& strCaption,
        const QString& strDefault, const QString& strFilter);

    // A name and a password, strText saying why; false when cancelled.
    // pName holds the name offered.
    virtual bool AskLogin(
        QWidget* pParent, const QString& strText, QString* pName, QString* pPassword);

    // A new account: its name, its grade (an index into grades, which the
    // dialog offers) and its password typed twice; false when cancelled.
    virtual bool AskNewAccount(QWidget* pParent, const QStringList& grades, QString* pName,
        int* pGrade, QString* pPassword, QString* pRepeat);
    // A new password typed twice, strText saying whose; false when cancelled.
    virtual bool AskNewPassword(
        QWidget* pParent, const QString& strText, QString* pPassword, QString* pRepeat);
    // One of choices, *pIndex offered first; false when cancelled.
    virtual bool AskChoice(
        QWidget* pParent, const QString& strText, const QStringList& choices, int* pIndex);
    // Why and until when a region's alarm goes out of service: a reason
    // (not empty) and an end between now and nMaxSecs from now (pUntil holds
    // the end offered); false when cancelled.
    virtual bool AskShelve(QWidget* pParent, const QString& strText, const QDateTime& now,
        qint64 nMaxSecs, QString* pReason, QDateTime* pUntil);
    // A reason, strText saying for what; false when cancelled.
    virtual bool AskReason(QWidget* pParent, const QString& strText, QString* pReason);

    // A calibration or a function test as entered, *p holding what is
    // offered (the monitor, today, a next due date); false when cancelled.
    virtual bool AskCalibration(
        QWidget* pParent, const QString& strText, RInstrumentCalibration* pCalibration);
    virtual bool AskFunctionTest(QWidget* pParent, const QString& strText, RInstrumentTest* pTest);

    // The message-box prompt shared by every page.
    static SPrompt* Default();
};
