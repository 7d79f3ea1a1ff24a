#pragma once

#include <QWidget>

class RCheckBox;

// Show-curve cell of the region table: one centred check box, relaying its
// state changes.
class RWidget final : public QWidget
{
    Q_OBJECT
public:
    explicit RWidget(Qt::CheckState state, QWidget* parent = nullptr);
    ~RWidget() override;

    Qt::CheckState CheckState() const;
    RCheckBox* CheckBox() const { return m_pCheckBox; }

signals:
    void ChangeCheckState(int state);

private:
    Q_DISABLE_COPY(RWidget)

    RCheckBox* m_pCheckBox;
};
