#pragma once

class QTableView;

// The look of a table of records (journal, audit trail, accounts): whole
// rows are chosen, nothing is edited in place, one line a row with the
// last column taking what is left.
class SRecordTable final
{
public:
    static void Setup(QTableView* pTable);

private:
    SRecordTable() = delete;
};
