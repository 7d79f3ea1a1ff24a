#pragma once

#include <QLabel>

// A label that reports clicks, drawn without a background of its own.
class RLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit RLabel(QWidget* parent = nullptr);
    ~RLabel() override;

signals:
    void LabelClicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Q_DISABLE_COPY(RLabel)
};
