#include "widgets/SStyleEdit.h"

#include "widgets/SIconButton.h"

#include <QCursor>
#include <QMenu>
#include <QStyle>

struct SStyleEditPrivate
{
    SIconButton* m_pButton[2] = {nullptr, nullptr};
    QMenu* m_pMenu[2] = {nullptr, nullptr};
    bool m_bVisible[2] = {false, false};
    bool m_bAutoHide[2] = {false, false};
};

SStyleEdit::SStyleEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_pPrivate(std::make_unique<SStyleEditPrivate>())
{
    qRegisterMetaType<SStyleEdit::Side>("SStyleEdit::Side");
    for (int i = 0; i < 2; ++i) {
        SIconButton* pButton = new SIconButton(this);
        pButton->hide();
        connect(pButton, &SIconButton::clicked, this, &SStyleEdit::iconClicked);
        m_pPrivate->m_pButton[i] = pButton;
    }
    connect(this, &QLineEdit::textChanged, this, &SStyleEdit::checkButtons);
}

SStyleEdit::~SStyleEdit() = default;

QPixmap SStyleEdit::buttonPixmap(Side side) const
{
    return m_pPrivate->m_pButton[side]->pixmap();
}

void SStyleEdit::setButtonPixmap(Side side, const QPixmap& pixmap)
{
    m_pPrivate->m_pButton[side]->setPixmap(pixmap);
    UpdateMargins();
    UpdateButtonPositions();
}

QMenu* SStyleEdit::buttonMenu(Side side) const
{
    return m_pPrivate->m_pMenu[side];
}

void SStyleEdit::setButtonMenu(Side side, QMenu* pMenu)
{
    m_pPrivate->m_pMenu[side] = pMenu;
}

void SStyleEdit::setButtonToolTip(Side side, const QString& strTip)
{
    m_pPrivate->m_pButton[side]->setToolTip(strTip);
}

bool SStyleEdit::isButtonVisible(Side side) const
{
    return m_pPrivate->m_bVisible[side];
}

void SStyleEdit::setButtonVisible(Side side, bool bVisible)
{
    m_pPrivate->m_bVisible[side] = bVisible;
    m_pPrivate->m_pButton[side]->setVisible(bVisible);
    UpdateMargins();
    UpdateButtonPositions();
}

bool SStyleEdit::hasAutoHideButton(Side side) const
{
    return m_pPrivate->m_bAutoHide[side];
}

void SStyleEdit::setAutoHideButton(Side side, bool bAutoHide)
{
    m_pPrivate->m_bAutoHide[side] = bAutoHide;
    SIconButton* pButton = m_pPrivate->m_pButton[side];
    pButton->setAutoHide(bAutoHide);
    pButton->setIconOpacity(bAutoHide && text().isEmpty() ? 0.0f : 1.0f);
}

SIconButton* SStyleEdit::button(Side side) const
{
    return m_pPrivate->m_pButton[side];
}

void SStyleEdit::checkButtons(const QString& strText)
{
    // Only the moments the field becomes empty or stops being empty start a
    // fade; typing further characters leaves a running fade alone.
    if (m_strOldText.isEmpty() != strText.isEmpty()) {
        for (int i = 0; i < 2; ++i) {
            if (m_pPrivate->m_bAutoHide[i])
                m_pPrivate->m_pButton[i]->animateShow(!strText.isEmpty());
        }
    }
    m_strOldText = strText;
}

void SStyleEdit::iconClicked()
{
    const int nSide = sender() == m_pPrivate->m_pButton[Left] ? Left : Right;
    if (m_pPrivate->m_pMenu[nSide]) {
        m_pPrivate->m_pMenu[nSide]->exec(QCursor::pos());
        return;
    }
    const Side side = static_cast<Side>(nSide);
    emit buttonClicked(side);
    if (side == Left)
        emit leftButtonClicked();
    else
        emit rightButtonClicked();
}

void SStyleEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    UpdateButtonPositions();
}

void SStyleEdit::UpdateMargins()
{
    int nWidth[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        if (m_pPrivate->m_bVisible[i])
            nWidth[i] = m_pPrivate->m_pButton[i]->sizeHint().width();
    }
    const bool bRtl = layoutDirection() == Qt::RightToLeft;
    setTextMargins(bRtl ? nWidth[Right] : nWidth[Left], 0, bRtl ? nWidth[Left] : nWidth[Right], 0);
}

void SStyleEdit::UpdateButtonPositions()
{
    const int nFrame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const QRect inner = rect().adjusted(nFrame, nFrame, -nFrame, -nFrame);
    const bool bRtl = layoutDirection() == Qt::RightToLeft;
    for (int i = 0; i < 2; ++i) {
        SIconButton* pButton = m_pPrivate->m_pButton[i];
        const int nWidth = pButton->sizeHint().width();
        const bool bAtLeft = (i == Left) != bRtl;
        const int nX = bAtLeft ? inner.left() : inner.right() + 1 - nWidth;
        pButton->setGeometry(nX, inner.top(), nWidth, inner.height());
    }
}
