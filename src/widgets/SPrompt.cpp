#include "widgets/SPrompt.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString title()
{
    return QCoreApplication::translate("Kestal", "Orvane-Monitor");
}

bool ask(QMessageBox::Icon icon, QWidget* pParent, const QString& strText, const QString& strInfo,
    const QString& strAccept, const QString& strReject)
{
    QMessageBox box(icon, title(), strText, QMessageBox::NoButton, pParent);
    box.setInformativeText(strInfo);
    QPushButton* pAccept = box.addButton(strAccept, QMessageBox::ActionRole);
    box.addButton(strReject, QMessageBox::ActionRole);
    box.exec();
    return box.clickedButton() == pAccept;
}

QLineEdit* passwordEdit(QDialog* pDialog)
{
    auto* pEdit = new QLineEdit(pDialog);
    pEdit->setEchoMode(QLineEdit::Password);
    return pEdit;
}

// OK and Cancel under the form; true when the dialog ends with OK.
bool runForm(QDialog* pDialog, QFormLayout* pForm)
{
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, pDialog);
    pForm->addRow(pButtons);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, pDialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, pDialog, &QDialog::reject);
    return pDialog->exec() == QDialog::Accepted;
}

} // namespace

SPrompt::~SPrompt() = default;

bool SPrompt::Ask(QWidget* pParent, const QString& strText, const QString& strInfo,
    const QString& strAccept, const QString& strReject)
{
    return ask(QMessageBox::Question, pParent, strText, strInfo, strAccept, strReject);
}

bool SPrompt::AskWarning(QWidget* pParent, const QString& strText, const QString& strInfo,
    const QString& strAccept, const QString& strReject)
{
    return ask(QMessageBox::Warning, pParent, strText, strInfo, strAccept, strReject);
}

void SPrompt::Tell(QWidget* pParent, const QString& strText, const QString& strButton)
{
    QMessageBox box(QMessageBox::Information, title(), strText, QMessageBox::NoButton, pParent);
    box.addButton(strButton, QMessageBox::ActionRole);
    box.exec();
}

QString SPrompt::AskSaveFileName(QWidget* pParent, const QString& strCaption,
    const QString& strDefault, const QString& strFilter)
{
    return QFileDialog::getSaveFileName(pParent, strCaption, strDefault, strFilter);
}

bool SPrompt::AskLogin(QWidget* pParent, const QString& strText, QString* pName, QString* pPassword)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    auto* pNameEdit = new QLineEdit(*pName, &dialog);
    QLineEdit* pPasswordEdit = passwordEdit(&dialog);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Name"), pNameEdit);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Password"), pPasswordEdit);
    if (!pName->isEmpty())
        pPasswordEdit->setFocus();
    if (!runForm(&dialog, pForm))
        return false;
    *pName = pNameEdit->text().trimmed();
    *pPassword = pPasswordEdit->text();
    return true;
}

bool SPrompt::AskNewAccount(QWidget* pParent, const QStringList& grades, QString* pName,
    int* pGrade, QString* pPassword, QString* pRepeat)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(QCoreApplication::translate("SPrompt", "New account"), &dialog));
    auto* pNameEdit = new QLineEdit(&dialog);
    auto* pGradeBox = new QComboBox(&dialog);
    pGradeBox->addItems(grades);
    pGradeBox->setCurrentIndex(qBound(0, *pGrade, grades.size() - 1));
    QLineEdit* pPasswordEdit = passwordEdit(&dialog);
    QLineEdit* pRepeatEdit = passwordEdit(&dialog);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Name"), pNameEdit);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Grade"), pGradeBox);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Password"), pPasswordEdit);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Password again"), pRepeatEdit);
    if (!runForm(&dialog, pForm))
        return false;
    *pName = pNameEdit->text().trimmed();
    *pGrade = pGradeBox->currentIndex();
    *pPassword = pPasswordEdit->text();
    *pRepeat = pRepeatEdit->text();
    return true;
}

bool SPrompt::AskNewPassword(
    QWidget* pParent, const QString& strText, QString* pPassword, QString* pRepeat)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    QLineEdit* pPasswordEdit = passwordEdit(&dialog);
    QLineEdit* pRepeatEdit = passwordEdit(&dialog);
    pForm->addRow(QCoreApplication::translate("SPrompt", "New password"), pPasswordEdit);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Password again"), pRepeatEdit);
    if (!runForm(&dialog, pForm))
        return false;
    *pPassword = pPasswordEdit->text();
    *pRepeat = pRepeatEdit->text();
    return true;
}

bool SPrompt::AskChoice(
    QWidget* pParent, const QString& strText, const QStringList& choices, int* pIndex)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    auto* pBox = new QComboBox(&dialog);
    pBox->addItems(choices);
    pBox->setCurrentIndex(qBound(0, *pIndex, choices.size() - 1));
    pForm->addRow(new QLabel(strText, &dialog));
    pForm->addRow(pBox);
    if (!runForm(&dialog, pForm))
        return false;
    *pIndex = pBox->currentIndex();
    return true;
}

SPrompt* SPrompt::Default()
{
    static SPrompt prompt;
    return &prompt;
}

bool SPrompt::AskShelve(QWidget* pParent, const QString& strText, const QDateTime& now,
    qint64 nMaxSecs, QString* pReason, QDateTime* pUntil)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    auto* pReasonEdit = new QLineEdit(*pReason, &dialog);
    auto* pUntilEdit = new QDateTimeEdit(*pUntil, &dialog);
    pUntilEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm"));
    pUntilEdit->setDateTimeRange(now.addSecs(60), now.addSecs(nMaxSecs));
    pForm->addRow(QCoreApplication::translate("SPrompt", "Reason"), pReasonEdit);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Until"), pUntilEdit);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    pForm->addRow(pButtons);
    QPushButton* pOk = pButtons->button(QDialogButtonBox::Ok);
    pOk->setEnabled(!pReasonEdit->text().trimmed().isEmpty());
    // No shelving without a reason.
    QObject::connect(pReasonEdit, &QLineEdit::textChanged, pOk,
        [pOk](const QString& strReason) { pOk->setEnabled(!strReason.trimmed().isEmpty()); });
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *pReason = pReasonEdit->text().trimmed();
    *pUntil = pUntilEdit->dateTime();
    return true;
}

bool SPrompt::AskReason(QWidget* pParent, const QString& strText, QString* pReason)
{
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    auto* pReasonEdit = new QLineEdit(*pReason, &dialog);
    pForm->addRow(QCoreApplication::translate("SPrompt", "Reason"), pReasonEdit);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    pForm->addRow(pButtons);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *pReason = pReasonEdit->text().trimmed();
    return true;
}
