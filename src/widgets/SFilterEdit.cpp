#include "widgets/SFilterEdit.h"

#include <QFile>
#include <QIcon>
#include <QPainter>

namespace {

// Last resort when neither the icon theme nor the resources have a clear
// icon: a grey disc with a white cross, 16 px.
QPixmap DrawnClearPixmap()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    return pixmap;
}

QPixmap ClearPixmap(Qt::LayoutDirection direction)
{
    const QString strName = direction == Qt::LeftToRight
        ? QStringLiteral("edit-clear-locationbar-rtl")
        : QStringLiteral("edit-clear-locationbar-ltr");
    QIcon icon = QIcon::fromTheme(strName, QIcon::fromTheme(QStringLiteral("edit-clear")));
    const QString strResource = QStringLiteral(":/widget/res/editclear.png");
    if (icon.isNull() && QFile::exists(strResource))
        icon = QIcon(strResource);
    if (icon.isNull())
        return DrawnClearPixmap();
    return icon.pixmap(16);
}

} // namespace

SFilterEdit::SFilterEdit(QWidget* parent)
    : SStyleEdit(parent)
{
    setButtonPixmap(Right, ClearPixmap(layoutDirection()));
    setButtonVisible(Right, true);
    setButtonToolTip(Right, tr("Clear text"));
    setAutoHideButton(Right, true);
    setPlaceholderText(tr("Filter"));
    connect(this, &SStyleEdit::rightButtonClicked, this, &QLineEdit::clear);
    connect(this, &QLineEdit::textChanged, this, &SFilterEdit::TextChanged);
}

SFilterEdit::~SFilterEdit() = default;

void SFilterEdit::TextChanged()
{
    const QString strText = text();
    if (strText == m_strLastText)
        return;
    m_strLastText = strText;
    emit FilterChanged(strText);
}
