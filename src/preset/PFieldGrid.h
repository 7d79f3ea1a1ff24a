#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// The settings groups' layout: two label and field pairs a row, so that
// System Settings still fit the 768-pixel-high panel.
namespace PFieldGrid {

// Lays fields out in pGroup (which gets the grid); an empty label or a null
// field leaves its cell empty.
void LayOut(QWidget* pGroup, const QList<QPair<QString, QWidget*>>& fields);

// A field with the object name the tests and the style sheets find it by.
template <typename T> T* Named(QWidget* pParent, const char* pName)
{
    auto* pWidget = new T(pParent);
    pWidget->setObjectName(QLatin1String(pName));
    return pWidget;
}

} // namespace PFieldGrid
