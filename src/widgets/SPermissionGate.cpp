#include "widgets/SPermissionGate.h"

#include <QLabel>

SPermissionGate::SPermissionGate(QWidget* pContent, QWidget* parent)
    : QStackedWidget(parent)
    , m_pContent(pContent)
    , m_pLabel(new QLabel(tr("Without Permission!"), this))
{
    m_pLabel->setObjectName(QStringLiteral("m_pLabelNoPermission"));
    m_pLabel->setAlignment(Qt::AlignCenter);
    QFont font = m_pLabel->font();
    font.setPointSize(18);
    m_pLabel->setFont(font);
    addWidget(m_pContent);
    addWidget(m_pLabel);
    // Nothing is shown before the window says who is logged in.
    setCurrentWidget(m_pLabel);
}

SPermissionGate::~SPermissionGate() = default;

void SPermissionGate::SetAllowed(bool bAllowed)
{
    setCurrentWidget(bAllowed ? m_pContent : static_cast<QWidget*>(m_pLabel));
}

bool SPermissionGate::IsAllowed() const
{
    return currentWidget() == m_pContent;
}
