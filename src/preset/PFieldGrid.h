#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// The settings groups' layout: two label and field pairs a row, so that
// System Settings still fit the 768-pixel-high panel.
namespace PFieldGrid {

// Lays fields out in pGroup (which gets the grid); an empty label leaves
// its cell empty.
void LayOut(QWidget* pGroup, const QList<QPair<QString, QWidget*>>& fields);

} // namespace PFieldGrid
