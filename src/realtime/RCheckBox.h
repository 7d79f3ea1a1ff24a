#pragma once

#include <QCheckBox>

// The show-curve box of one table row; reports every change of its state.
class RCheckBox final : public QCheckBox
{
    Q_OBJECT
public:
    explicit RCheckBox(QWidget* parent = nullptr);
    ~RCheckBox() override;

signals:
    void ChangeCheckState(int state);

private:
    Q_DISABLE_COPY(RCheckBox)
};
