#include "realtime/RWidget.h"

#include "realtime/RCheckBox.h"

#include <QHBoxLayout>

RWidget::RWidget(Qt::CheckState state, QWidget* parent)
    : QWidget(parent)
    , m_pCheckBox(new RCheckBox(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_pCheckBox->setFixedSize(74, 26);
    m_pCheckBox->setCheckState(state);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pCheckBox, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    connect(m_pCheckBox, &RCheckBox::ChangeCheckState, this, &RWidget::ChangeCheckState);
}

RWidget::~RWidget() = default;

Qt::CheckState RWidget::CheckState() const
{
    return m_pCheckBox->checkState();
}
