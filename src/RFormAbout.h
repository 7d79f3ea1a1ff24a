#pragma once

#include <QWidget>

class QLabel;

// Page 3: what the product is, and its revision.
class RFormAbout : public QWidget
{
    Q_OBJECT

public:
    explicit RFormAbout(QWidget* parent = nullptr);

    QString Revision() const;

private:
    Q_DISABLE_COPY(RFormAbout)

    QLabel* m_pLabelText;
    QLabel* m_pLabelRevision;
};
