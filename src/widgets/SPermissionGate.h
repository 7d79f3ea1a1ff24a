#pragma once

#include <QStackedWidget>

class QLabel;

// Shows a page's content to a grade that may see it, and "Without
// Permission!" in its place to any other, so the category stays in the
// settings window for everyone. Owns the content.
class SPermissionGate final : public QStackedWidget
{
    Q_OBJECT
public:
    explicit SPermissionGate(QWidget* pContent, QWidget* parent = nullptr);
    ~SPermissionGate() override;

    void SetAllowed(bool bAllowed);
    bool IsAllowed() const;

private:
    Q_DISABLE_COPY(SPermissionGate)

    QWidget* m_pContent;
    QLabel* m_pLabel;
};
