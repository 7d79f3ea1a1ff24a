#include "io/SXlsxWorkbook.h"

#include <QFile>

#include <xlsxwriter.h>

namespace {

// libxlsxwriter names the first sheet so; chart ranges refer to it by name.
const char* const s_pSheetName = "Sheet1";

} // namespace

SXlsxWorkbook::SXlsxWorkbook(const QString& strTarget)
    : m_file(strTarget)
{
    if (!m_file.Open(&m_strError))
        return;
    // The library writes the temporary file by its name.
    m_pWorkbook = workbook_new(QFile::encodeName(m_file.TemporaryName()).constData());
    if (m_pWorkbook)
        m_pSheet = workbook_add_worksheet(m_pWorkbook, s_pSheetName);
    if (!m_pSheet)
        m_strError = QStringLiteral("cannot create a workbook");
}

SXlsxWorkbook::~SXlsxWorkbook()
{
    // Never saved: the library's memory goes, and the temporary file with
    // m_file.
    if (m_pWorkbook)
        lxw_workbook_free(m_pWorkbook);
}

void SXlsxWorkbook::SetCentred(bool bCentred)
{
    m_bCentred = bCentred;
}

lxw_format* SXlsxWorkbook::Format(const QString& strNumFormat)
{
    const QString strKey = (m_bCentred ? QLatin1Char('c') : QLatin1Char('l')) + strNumFormat;
    lxw_format*& pFormat = m_hashFormats[strKey];
    if (!pFormat && m_pWorkbook) {
        pFormat = workbook_add_format(m_pWorkbook);
        if (pFormat && m_bCentred)
            format_set_align(pFormat, LXW_ALIGN_CENTER);
        if (pFormat && !strNumFormat.isEmpty())
            format_set_num_format(pFormat, strNumFormat.toUtf8().constData());
    }
    return pFormat;
}

void SXlsxWorkbook::Check(int nError)
{
    if (nError != LXW_NO_ERROR && m_strError.isEmpty())
        m_strError = QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(nError)));
}

void SXlsxWorkbook::SetText(int nRow, int nCol, const QString& strText)
{
    if (m_pSheet)
        Check(worksheet_write_string(
            m_pSheet, nRow, nCol, strText.toUtf8().constData(), Format(QString())));
}

void SXlsxWorkbook::SetNumber(int nRow, int nCol, double dValue, const QString& strNumFormat)
{
    if (m_pSheet)
        Check(worksheet_write_number(m_pSheet, nRow, nCol, dValue, Format(strNumFormat)));
}

void SXlsxWorkbook::SetDate(int nRow, int nCol, const QDate& date, const QString& strNumFormat)
{
    if (!m_pSheet)
        return;
    lxw_datetime datetime = {date.year(), date.month(), date.day(), 0, 0, 0.0};
    Check(worksheet_write_datetime(m_pSheet, nRow, nCol, &datetime, Format(strNumFormat)));
}

void SXlsxWorkbook::SetBlank(int nRow, int nCol)
{
    if (m_pSheet)
        Check(worksheet_write_blank(m_pSheet, nRow, nCol, Format(QString())));
}

void SXlsxWorkbook::MergeRow(int nRow, int nFirstCol, int nLastCol, const QString& strText)
{
    if (m_pSheet)
        Check(worksheet_merge_range(m_pSheet, nRow, nFirstCol, nRow, nLastCol,
            strText.toUtf8().constData(), Format(QString())));
}

void SXlsxWorkbook::SetRowHeight(int nRow, double dHeight)
{
    if (m_pSheet)
        Check(worksheet_set_row(m_pSheet, nRow, dHeight, nullptr));
}

void SXlsxWorkbook::SetColumnWidth(int nFirstCol, int nLastCol, double dWidth)
{
    if (m_pSheet)
        Check(worksheet_set_column(m_pSheet, nFirstCol, nLastCol, dWidth, nullptr));
}

void SXlsxWorkbook::AddLineChart(int nFirstRow, int nLastRow, int nCategoryCol,
    const QString& strCategoryFormat, int nValueCol, int nNameRow, int nAtRow)
{
    if (!m_pSheet)
        return;
    lxw_chart* pChart = workbook_add_chart(m_pWorkbook, LXW_CHART_LINE);
    lxw_chart_series* pSeries = pChart ? chart_add_series(pChart, nullptr, nullptr) : nullptr;
    if (!pSeries) {
        Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }
    chart_series_set_categories(
        pSeries, s_pSheetName, nFirstRow, nCategoryCol, nLastRow, nCategoryCol);
    chart_series_set_values(pSeries, s_pSheetName, nFirstRow, nValueCol, nLastRow, nValueCol);
    chart_series_set_name_range(pSeries, s_pSheetName, nNameRow, nValueCol);
    // Not every program takes the axis labels' format from the cells.
    if (!strCategoryFormat.isEmpty())
        chart_axis_set_num_format(pChart->x_axis, strCategoryFormat.toUtf8().constData());
    Check(worksheet_insert_chart(m_pSheet, nAtRow, 0, pChart));
}

bool SXlsxWorkbook::Save(QString* pError)
{
    if (m_pWorkbook && m_strError.isEmpty()) {
        // workbook_close frees the workbook whatever it returns.
        Check(workbook_close(m_pWorkbook));
        m_pWorkbook = nullptr;
        m_pSheet = nullptr;
    }
    if (m_strError.isEmpty())
        m_file.Commit(&m_strError);
    if (pError)
        *pError = m_strError;
    return m_strError.isEmpty();
}
