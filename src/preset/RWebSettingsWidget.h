#pragma once

#include "web/RWebConfig.h"

#include <QGroupBox>

class QLineEdit;
class QSpinBox;

// The web view's part of System Settings: checked, the station serves the
// read-only web view on the address and port given here; with a certificate
// and key it serves HTTPS on its own port, and the plain port only sends
// viewers there.
class RWebSettingsWidget final : public QGroupBox
{
    Q_OBJECT
public:
    explicit RWebSettingsWidget(QWidget* pParent = nullptr);

    void Load();
    RWebConfig Config() const;
    // Empty when the entries can be used, else why not, for the page.
    QString Problem() const;

private:
    Q_DISABLE_COPY(RWebSettingsWidget)

    QLineEdit* m_pEditWebAddress;
    QSpinBox* m_pEditWebPort;
    QSpinBox* m_pEditWebTlsPort;
    QLineEdit* m_pEditWebCert;
    QLineEdit* m_pEditWebKey;
};
