#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QPushButton>

class SClock;

// A push button that ignores a press coming within 700 ms of the previous one,
// so a double click runs its action once.
class RPushButton final : public QPushButton
{
    Q_OBJECT
public:
    explicit RPushButton(QWidget* parent = nullptr, SClock* pClock = nullptr);
    RPushButton(const QString& strText, QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RPushButton() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    Q_DISABLE_COPY(RPushButton)

    RespondButtonClicked m_respond;
};
