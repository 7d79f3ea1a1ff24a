#include "PSingleApplication.h"

#include "PLocalPeer.h"

#include <QWidget>

PSingleApplication::PSingleApplication(const QString& appId, int& argc, char** argv)
    : QApplication(argc, argv)
    , m_pPeer(std::make_unique<PLocalPeer>(nullptr, appId))
{
    connect(
        m_pPeer.get(), &PLocalPeer::MessageReceived, this, &PSingleApplication::MessageReceived);
}

// The peer goes before the application object: its server must close while
// the event dispatcher still exists.
PSingleApplication::~PSingleApplication() = default;

bool PSingleApplication::IsRunning()
{
    return m_pPeer->IsClient();
}

bool PSingleApplication::SendMessage(const QString& strMsg, int nTimeout)
{
    return m_pPeer->SendMessage(strMsg, nTimeout);
}

bool PSingleApplication::SendMessage(const QString& strMsg)
{
    return SendMessage(strMsg, 5000);
}

void PSingleApplication::ActivateWindow()
{
    if (!m_pActivationWindow)
        return;
    m_pActivationWindow->setWindowState(m_pActivationWindow->windowState() & ~Qt::WindowMinimized);
    m_pActivationWindow->raise();
    m_pActivationWindow->activateWindow();
}
