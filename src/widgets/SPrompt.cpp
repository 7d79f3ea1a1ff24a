#include "widgets/SPrompt.h"

#include "database/RInstrumentStore.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
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

namespace {

QDateEdit* dayEdit(const QDate& day, QWidget* pParent)
{
    auto* pEdit = new QDateEdit(day, pParent);
    pEdit->setCalendarPopup(true);
    pEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return pEdit;
}

// A form dialog with OK and Cancel; true when accepted.
bool runForm(QDialog& dialog, QFormLayout* pForm)
{
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    pForm->addRow(pButtons);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool SPrompt::AskCalibration(
    QWidget* pParent, const QString& strText, RInstrumentCalibration* pCalibration)
{
    const auto tr = [](const char* pText) { return QCoreApplication::translate("SPrompt", pText); };
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    QDateEdit* pDate = dayEdit(pCalibration->date, &dialog);
    pForm->addRow(tr("Date"), pDate);
    auto* pFactor = new QDoubleSpinBox(&dialog);
    pFactor->setDecimals(4);
    pFactor->setRange(0.0001, 100.0);
    pFactor->setValue(pCalibration->dFactor > 0.0 ? pCalibration->dFactor : 1.0);
    pForm->addRow(tr("Calibration factor"), pFactor);
    auto* pCertificate = new QLineEdit(pCalibration->strCertificate, &dialog);
    pForm->addRow(tr("Certificate number"), pCertificate);
    auto* pLaboratory = new QLineEdit(pCalibration->strLaboratory, &dialog);
    pForm->addRow(tr("Laboratory"), pLaboratory);
    QDateEdit* pNext = dayEdit(pCalibration->nextDue, &dialog);
    pForm->addRow(tr("Next due"), pNext);
    auto* pCoefficient = new QDoubleSpinBox(&dialog);
    pCoefficient->setDecimals(6);
    pCoefficient->setRange(0.0, 1000.0);
    pCoefficient->setSpecialValueText(tr("unchanged"));
    pCoefficient->setValue(pCalibration->dCoefficient);
    pCoefficient->setToolTip(tr("The detector coefficient of this monitor from now on; "
                                "\"unchanged\" keeps the conversion as it is."));
    pForm->addRow(tr("New coefficient"), pCoefficient);
    if (!runForm(dialog, pForm))
        return false;
    pCalibration->date = pDate->date();
    pCalibration->dFactor = pFactor->value();
    pCalibration->strCertificate = pCertificate->text().trimmed();
    pCalibration->strLaboratory = pLaboratory->text().trimmed();
    pCalibration->nextDue = pNext->date();
    pCalibration->dCoefficient = pCoefficient->value();
    return true;
}

bool SPrompt::AskFunctionTest(QWidget* pParent, const QString& strText, RInstrumentTest* pTest)
{
    const auto tr = [](const char* pText) { return QCoreApplication::translate("SPrompt", pText); };
    QDialog dialog(pParent);
    dialog.setWindowTitle(title());
    auto* pForm = new QFormLayout(&dialog);
    pForm->addRow(new QLabel(strText, &dialog));
    QDateEdit* pDate = dayEdit(pTest->date, &dialog);
    pForm->addRow(tr("Date"), pDate);
    auto* pKind = new QComboBox(&dialog);
    pKind->addItems({tr("Check source"), tr("Alarm test")});
    pKind->setCurrentIndex(pTest->nKind == RInstrumentTest::AlarmTest ? 1 : 0);
    pForm->addRow(tr("Kind"), pKind);
    auto* pResult = new QComboBox(&dialog);
    pResult->addItems({tr("Pass"), tr("Fail")});
    pResult->setCurrentIndex(pTest->bPass ? 0 : 1);
    pForm->addRow(tr("Result"), pResult);
    auto* pValue = new QDoubleSpinBox(&dialog);
    pValue->setDecimals(2);
    pValue->setRange(0.0, 1.0e9);
    pValue->setSuffix(QStringLiteral(" µRad/h"));
    pValue->setValue(pTest->dValue);
    pForm->addRow(tr("Value seen"), pValue);
    QDateEdit* pNext = dayEdit(pTest->nextDue, &dialog);
    pForm->addRow(tr("Next due"), pNext);
    if (!runForm(dialog, pForm))
        return false;
    pTest->date = pDate->date();
    pTest->nKind
        = pKind->currentIndex() == 1 ? RInstrumentTest::AlarmTest : RInstrumentTest::CheckSource;
    pTest->bPass = pResult->currentIndex() == 0;
    pTest->dValue = pValue->value();
    pTest->nextDue = pNext->date();
    return true;
}
