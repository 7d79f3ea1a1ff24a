#include "widgets/SPrompt.h"

#include <QCoreApplication>
#include <QFileDialog>
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

SPrompt* SPrompt::Default()
{
    static SPrompt prompt;
    return &prompt;
}
