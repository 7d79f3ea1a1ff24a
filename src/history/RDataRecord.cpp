#include "history/RDataRecord.h"

#include "database/RRoutingRecords.h"
#include "io/SCsvWriter.h"
#include "message/SClock.h"
#include "realtime/RCheckBox.h"
#include "realtime/RWidget.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"
#include "widgets/SPrompt.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// The records and their CSV keep the interval labels as they are ("moring"
// included); the table names them in the operator's language.
const char* const kIntervals[][2] = {{"moring", QT_TRANSLATE_NOOP("RDataRecord", "morning")},
    {"afternoon", QT_TRANSLATE_NOOP("RDataRecord", "afternoon")}};

QString intervalName(const QString& strInterval)
{
    for (const auto& interval : kIntervals) {
        if (strInterval == QLatin1String(interval[0]))
            return RDataRecord::tr(interval[1]);
    }
    return strInterval;
}

// The file keeps ISO 8601 ("2014-05-03T08:10:00"); the table reads as a
// date and a time.
QString shownTime(const QString& strTime)
{
    QString strShown = strTime;
    return strShown.replace(QLatin1Char('T'), QLatin1Char(' '));
}

QTableView* makeTable(QStandardItemModel* pModel, QWidget* pParent)
{
    auto* pView = new QTableView(pParent);
    pView->setModel(pModel);
    pView->verticalHeader()->hide();
    pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    pView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pView->horizontalHeader()->setStretchLastSection(true);
    return pView;
}

} // namespace

RDataRecord::RDataRecord(QWidget* parent, SClock* pClock)
    : QWidget(parent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pPrompt(SPrompt::Default())
    , m_pStaffModel(new QStandardItemModel(this))
    , m_pRoomModel(new QStandardItemModel(this))
    , m_pRecordModel(new QStandardItemModel(this))
    , m_respond(300, m_pClock)
{
    setObjectName(QStringLiteral("RDataRecord"));
    m_pStaffModel->setHorizontalHeaderLabels({tr("Id"), tr("Manufacturing number"), tr("Check")});
    m_pRoomModel->setHorizontalHeaderLabels({tr("Id"), tr("Room"), tr("Check")});
    m_pRecordModel->setHorizontalHeaderLabels(RecordLabels());
    m_pStaffView = makeTable(m_pStaffModel, this);
    m_pRoomView = makeTable(m_pRoomModel, this);
    m_pRecordView = makeTable(m_pRecordModel, this);

    m_pCalendar = new RCalendarWidget(this, m_pClock);
    m_pCalendar->setSelectedDate(m_pClock->Now().date());
    m_pCalendar->setMaximumHeight(260);
    const QDate today = m_pClock->Now().date();
    m_pDateFrom = new RDateEdit(this);
    m_pDateTo = new RDateEdit(this);
    for (RDateEdit* pEdit : {m_pDateFrom, m_pDateTo}) {
        pEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        pEdit->setDate(today);
    }
    m_pButtonExport = new QPushButton(tr("Export"), this);
    m_pButtonExport->setObjectName(QStringLiteral("m_pButtonExport"));
    m_pButtonExport->setMinimumHeight(36);
    m_pEmptyNote = new QLabel(tr("No records for the ticked staff, rooms and days"), this);
    m_pEmptyNote->setObjectName(QStringLiteral("m_pEmptyNote"));
    m_pEmptyNote->setAlignment(Qt::AlignCenter);
    m_pEmptyNote->setWordWrap(true);
    m_pEmptyNote->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Lists on the left; calendar and range above the table on the right.
    auto* pLists = new QVBoxLayout;
    pLists->addWidget(new QLabel(tr("Routing staff"), this));
    pLists->addWidget(m_pStaffView, 1);
    pLists->addWidget(new QLabel(tr("Inspection rooms"), this));
    pLists->addWidget(m_pRoomView, 1);
    auto* pRange = new QVBoxLayout;
    pRange->addWidget(new QLabel(tr("from"), this));
    pRange->addWidget(m_pDateFrom);
    pRange->addWidget(new QLabel(tr("to"), this));
    pRange->addWidget(m_pDateTo);
    pRange->addStretch(1);
    pRange->addWidget(m_pButtonExport);
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(m_pCalendar, 1);
    pTop->addLayout(pRange);
    // The note lies over the table, headers included, while it is empty.
    auto* pTable = new QGridLayout;
    pTable->addWidget(m_pRecordView, 0, 0);
    pTable->addWidget(m_pEmptyNote, 0, 0);
    auto* pRight = new QVBoxLayout;
    pRight->addLayout(pTop);
    pRight->addLayout(pTable, 1);
    auto* pOuter = new QHBoxLayout(this);
    pOuter->addLayout(pLists, 1);
    pOuter->addLayout(pRight, 3);

    connect(
        m_pCalendar, &QCalendarWidget::selectionChanged, this, &RDataRecord::OnSelectionChanged);
    connect(m_pCalendar, &QCalendarWidget::currentPageChanged, this,
        &RDataRecord::OnCurrentPageChanged);
    connect(m_pDateFrom, &QDateEdit::dateChanged, this, &RDataRecord::OnFromChanged);
    connect(m_pDateTo, &QDateEdit::dateChanged, this, &RDataRecord::OnToChanged);
    m_pCalendar->SetRange(today, today);
    connect(m_pButtonExport, &QPushButton::clicked, this, &RDataRecord::OnExportButtonClicked);
}

RDataRecord::~RDataRecord() = default;

QStringList RDataRecord::RecordLabels() const
{
    return {tr("Interval"), tr("Time"), tr("Room"), tr("Manufacturing number"), tr("Dose (µRad)"),
        tr("Export")};
}

bool RDataRecord::CheckPermission()
{
    if (m_bSearchEnabled)
        return true;
    const QRect frame = m_pRecordView->frameGeometry();
    QToolTip::showText(mapToGlobal(frame.center()), tr("Without Permission!"), this);
    return false;
}

RWidget* RDataRecord::CheckCell(QTableView* pView, int nRow) const
{
    const QAbstractItemModel* pModel = pView->model();
    return qobject_cast<RWidget*>(
        pView->indexWidget(pModel->index(nRow, pModel->columnCount() - 1)));
}

RWidget* RDataRecord::AddCheckRow(
    QTableView* pView, QStandardItemModel* pModel, const QStringList& texts, Qt::CheckState state)
{
    QList<QStandardItem*> items;
    for (const QString& strText : texts) {
        auto* pItem = new QStandardItem(strText);
        pItem->setTextAlignment(Qt::AlignCenter);
        items << pItem;
    }
    items << new QStandardItem;
    pModel->appendRow(items);
    auto* pCheck = new RWidget(state);
    pView->setIndexWidget(pModel->index(pModel->rowCount() - 1, texts.size()), pCheck);
    return pCheck;
}

void RDataRecord::FillLists()
{
    const RRoutingRecords records;
    for (QStandardItemModel* pModel : {m_pStaffModel, m_pRoomModel})
        pModel->removeRows(0, pModel->rowCount());
    const auto fill = [this](QTableView* pView, QStandardItemModel* pModel,
                          const QList<RRoutingRecords::Item>& items) {
        for (const RRoutingRecords::Item& item : items) {
            RWidget* pCheck = AddCheckRow(
                pView, pModel, {QString::number(item.nId), item.strName}, Qt::Unchecked);
            connect(pCheck, &RWidget::ChangeCheckState, this, &RDataRecord::OnChangeCheckState);
        }
    };
    fill(m_pStaffView, m_pStaffModel, records.Staff());
    fill(m_pRoomView, m_pRoomModel, records.Rooms());
}

QList<int> RDataRecord::TickedIds(QTableView* pView, QStandardItemModel* pModel) const
{
    QList<int> ids;
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        RWidget* pCheck = CheckCell(pView, nRow);
        if (pCheck && pCheck->CheckState() == Qt::Checked)
            ids << pModel->item(nRow, 0)->text().toInt();
    }
    return ids;
}

void RDataRecord::RebuildRecords()
{
    // Patrol readings arrive every few seconds and each rebuilds the table:
    // a line the user took out of the export stays out.
    QSet<QString> setLeftOut;
    for (int nRow = 0; nRow < m_pRecordModel->rowCount(); ++nRow) {
        const RWidget* pExport = CheckCell(m_pRecordView, nRow);
        if (pExport && pExport->CheckState() != Qt::Checked)
            setLeftOut.insert(RecordKey(nRow));
    }
    m_pRecordModel->clear();
    m_pRecordModel->setHorizontalHeaderLabels(RecordLabels());
    m_nRecordCount = 0;
    m_lines.clear();
    const QList<int> rooms = TickedIds(m_pRoomView, m_pRoomModel);
    const QSet<int> setRooms(rooms.begin(), rooms.end());
    const QList<QDate> days = RRoutingRecords::RangeDays(From(), To());
    RRoutingRecords records;
    for (int nStaffId : TickedIds(m_pStaffView, m_pStaffModel)) {
        for (const RRoutingRecords::Line& line : records.Lines(nStaffId, days, setRooms)) {
            m_lines.append(line);
            AddCheckRow(m_pRecordView, m_pRecordModel,
                {intervalName(line.strInterval), shownTime(line.strTime), line.strRoom,
                    line.strStaff, line.strDose},
                Qt::Checked);
            if (setLeftOut.contains(RecordKey(m_nRecordCount)))
                CheckCell(m_pRecordView, m_nRecordCount)->CheckBox()->setCheckState(Qt::Unchecked);
            ++m_nRecordCount;
        }
    }
    // Headers too: an empty table must not show them cut off.
    for (int nColumn = 0; nColumn < 4; ++nColumn)
        m_pRecordView->resizeColumnToContents(nColumn);
    m_pEmptyNote->setVisible(m_nRecordCount == 0);
}

QString RDataRecord::RecordKey(int nRow) const
{
    // Time, room and staff name a reading; the dose of its minute may change.
    QStringList parts;
    for (int nColumn = 1; nColumn <= 3; ++nColumn)
        parts << m_pRecordModel->item(nRow, nColumn)->text();
    return parts.join(QLatin1Char('\n'));
}

void RDataRecord::MarkMonth(int nYear, int nMonth)
{
    m_pCalendar->SetMarkedDates(RRoutingRecords().DaysWithData(nYear, nMonth));
}

void RDataRecord::Reload()
{
    const bool bTicked = !TickedIds(m_pStaffView, m_pStaffModel).isEmpty()
        || !TickedIds(m_pRoomView, m_pRoomModel).isEmpty();
    if (!bTicked) {
        FillLists();
        // The first staff member's readings are what a first look shows; his
        // box is ticked so that they stay through later rebuilds.
        if (m_pStaffModel->rowCount() > 0) {
            RWidget* pFirst = CheckCell(m_pStaffView, 0);
            const QSignalBlocker blocker(pFirst->CheckBox());
            pFirst->CheckBox()->setCheckState(Qt::Checked);
        }
        m_pStaffView->resizeColumnsToContents();
        m_pRoomView->resizeColumnsToContents();
        if (m_bSearchEnabled) {
            const QDate today = m_pClock->Now().date();
            Select(today, today);
            return;
        }
    }
    RebuildRecords();
    MarkMonth(m_pCalendar->yearShown(), m_pCalendar->monthShown());
}

QDate RDataRecord::From() const
{
    return m_pDateFrom->date();
}

QDate RDataRecord::To() const
{
    return m_pDateTo->date();
}

void RDataRecord::Select(const QDate& from, const QDate& to)
{
    {
        const QSignalBlocker blockFrom(m_pDateFrom);
        const QSignalBlocker blockTo(m_pDateTo);
        const QSignalBlocker blockCalendar(m_pCalendar);
        m_pDateFrom->setDate(from);
        m_pDateTo->setDate(to);
        // Selecting turns the calendar to the month of "from" when needed.
        if (m_pCalendar->selectedDate() != from)
            m_pCalendar->setSelectedDate(from);
        m_pCalendar->SetRange(from, to);
    }
    RebuildRecords();
    MarkMonth(m_pCalendar->yearShown(), m_pCalendar->monthShown());
}

void RDataRecord::OnChangeCheckState(int)
{
    if (!CheckPermission())
        return;
    RebuildRecords();
}

void RDataRecord::OnSelectionChanged()
{
    if (!CheckPermission())
        return;
    const QDate day = m_pCalendar->selectedDate();
    Select(day, day);
}

void RDataRecord::OnFromChanged(QDate date)
{
    if (!CheckPermission())
        return;
    // "to" follows a "from" moved past it, so the range never turns empty.
    Select(date, qMax(date, m_pDateTo->date()));
}

void RDataRecord::OnToChanged(QDate date)
{
    if (!CheckPermission())
        return;
    Select(qMin(date, m_pDateFrom->date()), date);
}

void RDataRecord::OnCurrentPageChanged(int year, int month)
{
    if (!CheckPermission())
        return;
    MarkMonth(year, month);
}

void RDataRecord::SearchEnable(bool able)
{
    m_bSearchEnabled = able;
}

void RDataRecord::OnExportButtonClicked()
{
    if (!CheckPermission() || !m_respond.CheckInterval())
        return;
    if (m_exportGate && !m_exportGate(tr("Log in to export the patrol records.")))
        return;
    QString strFile = m_pPrompt->AskSaveFileName(this, tr("Save File"),
        QDir::home().filePath(QStringLiteral("patrol-%1-%2.csv")
                                  .arg(From().toString(QStringLiteral("yyyyMMdd")),
                                      To().toString(QStringLiteral("yyyyMMdd")))),
        tr("CSV files (*.csv)"));
    if (strFile.isEmpty())
        return;
    if (!strFile.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        strFile += QLatin1String(".csv");
    QString strError;
    if (!WriteCsv(strFile, &strError))
        m_pPrompt->Tell(this, tr("The table was not exported: %1").arg(strError), tr("OK"));
}

bool RDataRecord::WriteCsv(const QString& strFile, QString* pError) const
{
    SCsvWriter writer(strFile);
    if (!writer.Open(pError))
        return false;
    writer.WriteRow(RRoutingRecords::CsvHeader());
    for (int nRow = 0; nRow < m_lines.size(); ++nRow) {
        const RWidget* pExport = CheckCell(m_pRecordView, nRow);
        if (pExport && pExport->CheckState() != Qt::Checked)
            continue;
        writer.WriteRow(RRoutingRecords::CsvFields(m_lines.at(nRow)));
    }
    return writer.Commit(pError);
}
