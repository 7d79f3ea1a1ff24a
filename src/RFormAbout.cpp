#include "RFormAbout.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
const char* const s_pRevision = "45";
}

RFormAbout::RFormAbout(QWidget* parent)
    : QWidget(parent)
    , m_pLabelText(new QLabel(this))
    , m_pLabelRevision(new QLabel(this))
{
    setWindowTitle(tr("Form"));
    // Its picture and font come from the theme.
    m_pLabelText->setObjectName(QStringLiteral("labelAbout"));
    m_pLabelText->setWordWrap(true);
    m_pLabelText->setAlignment(Qt::AlignCenter);
    m_pLabelText->setMargin(40);
    m_pLabelText->setText(
        tr("Orvane-Monitor is the client of the radiation monitoring installation. It receives "
           "the readings of the fixed area monitors and of the patrol dosimeters from the data "
           "server, stores them, shows the dose rate of every monitored room in real time, "
           "raises alarms and keeps the history of every region and staff member."));
    m_pLabelRevision->setObjectName(QStringLiteral("labelRevision"));
    m_pLabelRevision->setText(
        tr("Revision:XX").replace(QLatin1String("XX"), QLatin1String(s_pRevision)));
    m_pLabelRevision->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pLabelText, 1);
    pLayout->addWidget(m_pLabelRevision);
}

QString RFormAbout::Revision() const
{
    return m_pLabelRevision->text();
}
