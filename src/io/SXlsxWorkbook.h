#pragma once

#include "io/SAtomicFile.h"

#include <QDate>
#include <QHash>
#include <QString>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// A one-sheet .xlsx file written through libxlsxwriter, offering only what
// the reports need. Rows and columns count from 0. The workbook is built in
// SAtomicFile's temporary file and replaces the target by Save(), so an
// interrupted or failed write never leaves a half-written file under the
// target's name. Not thread-safe; one workbook per file.
class SXlsxWorkbook final
{
public:
    explicit SXlsxWorkbook(const QString& strTarget);
    ~SXlsxWorkbook();

    // Cells written after this are centred horizontally (or no longer).
    void SetCentred(bool bCentred);

    // strNumFormat is a spreadsheet number format ("0.00", "0.00%"); empty
    // for the general format.
    void SetText(int nRow, int nCol, const QString& strText);
    void SetNumber(int nRow, int nCol, double dValue, const QString& strNumFormat = QString());
    void SetDate(int nRow, int nCol, const QDate& date, const QString& strNumFormat);
    // A cell with no value that still carries the alignment.
    void SetBlank(int nRow, int nCol);
    // Merges columns nFirstCol..nLastCol of one row into a cell holding strText.
    void MergeRow(int nRow, int nFirstCol, int nLastCol, const QString& strText);

    // Heights in points, widths in characters of the default font.
    void SetRowHeight(int nRow, double dHeight);
    void SetColumnWidth(int nFirstCol, int nLastCol, double dWidth);

    // A line chart of one series: categories from nCategoryCol, labelled
    // with strCategoryFormat, values from nValueCol, rows nFirstRow..nLastRow;
    // the series is named by the cell (nNameRow, nValueCol). Its top left
    // corner sits on the cell (nAtRow, 0).
    void AddLineChart(int nFirstRow, int nLastRow, int nCategoryCol,
        const QString& strCategoryFormat, int nValueCol, int nNameRow, int nAtRow);

    // Writes the file and renames it to the target; false with the reason in
    // pError when any step failed, in which case no target file was made or
    // changed. Call once; the workbook is finished afterwards.
    bool Save(QString* pError);

private:
    Q_DISABLE_COPY(SXlsxWorkbook)

    lxw_format* Format(const QString& strNumFormat);
    // Records the first libxlsxwriter error; later ones would only echo it.
    void Check(int nError);

    SAtomicFile m_file;
    lxw_workbook* m_pWorkbook = nullptr;
    lxw_worksheet* m_pSheet = nullptr;
    QHash<QString, lxw_format*> m_hashFormats;
    bool m_bCentred = false;
    QString m_strError;
};
