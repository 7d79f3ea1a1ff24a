#include "widgets/SRecordTable.h"

#include <QHeaderView>
#include <QTableView>

void SRecordTable::Setup(QTableView* pTable)
{
    pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    pTable->verticalHeader()->hide();
    pTable->horizontalHeader()->setStretchLastSection(true);
    pTable->setTextElideMode(Qt::ElideRight);
    pTable->setWordWrap(false);
}
