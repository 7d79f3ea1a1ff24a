#include "preset/PFieldGrid.h"

#include <QGridLayout>
#include <QLabel>

void PFieldGrid::LayOut(QWidget* pGroup, const QList<QPair<QString, QWidget*>>& fields)
{
    auto* pGrid = new QGridLayout(pGroup);
    for (int i = 0; i < fields.size(); ++i) {
        if (!fields.at(i).first.isEmpty())
            pGrid->addWidget(new QLabel(fields.at(i).first, pGroup), i / 2, i % 2 * 2);
        if (fields.at(i).second)
            pGrid->addWidget(fields.at(i).second, i / 2, i % 2 * 2 + 1);
    }
    pGrid->setColumnStretch(1, 1);
    pGrid->setColumnStretch(3, 1);
    // The rows at the top, however tall the group is made by its neighbours.
    pGrid->setRowStretch((fields.size() + 1) / 2, 1);
}
