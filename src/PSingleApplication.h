#pragma once

#include <QApplication>

#include <memory>

class PLocalPeer;
class QWidget;

// The application object that knows whether another instance of the same
// user already runs.
class PSingleApplication : public QApplication
{
    Q_OBJECT

public:
    PSingleApplication(const QString& appId, int& argc, char** argv);
    ~PSingleApplication() override;

    bool IsRunning();
    PLocalPeer* Peer() const { return m_pPeer.get(); }
    void SetActivationWindow(QWidget* pWindow) { m_pActivationWindow = pWindow; }

signals:
    void MessageReceived(const QString& strMsg);

public slots:
    bool SendMessage(const QString& strMsg, int nTimeout);
    bool SendMessage(const QString& strMsg);
    void ActivateWindow();

private:
    Q_DISABLE_COPY(PSingleApplication)

    std::unique_ptr<PLocalPeer> m_pPeer;
    QWidget* m_pActivationWindow = nullptr;
};
