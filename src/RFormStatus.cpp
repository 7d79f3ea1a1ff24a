#include "RFormStatus.h"

#include <QHBoxLayout>
#include <QLabel>

RFormStatus::RFormStatus(QWidget* parent)
    : QFrame(parent),
      m_pLabelCaption(new QLabel(tr("IoT_Cloud:"), this)),
      m_pLabelMessage(new QLabel(tr("Message"), this)),
      m_pLabelCaption2(new QLabel(tr("IoT_Cloud_2:"), this)),
      m_pLabelMessage2(new QLabel(tr("Message"), this))
{
    setWindowTitle(tr("Frame"));
    setObjectName(QStringLiteral("RFormStatus"));
    m_pLabelMessage->setObjectName(QStringLiteral("labelMessage"));
    m_pLabelMessage2->setObjectName(QStringLiteral("labelMessage2"));

    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(9, 2, 9, 2);
    pLayout->addWidget(m_pLabelCaption);
    pLayout->addWidget(m_pLabelMessage, 1);
    pLayout->addWidget(m_pLabelCaption2);
    pLayout->addWidget(m_pLabelMessage2, 1);
}

void RFormStatus::SetMessage(const char* pText)
{
    m_pLabelMessage->setText(tr(pText));
}

void RFormStatus::SetSecondMessage(const char* pText)
{
    m_pLabelMessage2->setText(tr(pText));
}

void RFormStatus::ShowSecondLine(bool bShow)
{
    m_pLabelCaption2->setVisible(bShow);
}

QString RFormStatus::Message() const
{
    return m_pLabelMessage->text();
}

QString RFormStatus::SecondMessage() const
{
    return m_pLabelMessage2->text();
}

bool RFormStatus::IsSecondLineShown() const
{
    return !m_pLabelCaption2->isHidden();
}
