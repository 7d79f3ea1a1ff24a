#include "realtime/RAlarmJournalView.h"

#include "database/RAlarmJournal.h"
#include "database/RRegionCatalogue.h"
#include "io/SCsvWriter.h"
#include "message/SClock.h"
#include "realtime/RAlarmState.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/SPrompt.h"
#include "widgets/SRecordTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The journal file and its CSV keep the events' keys; the table names them
// in the operator's language.
const char* const kEvents[] = {QT_TRANSLATE_NOOP("RAlarmJournalView", "alarm"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "clear"), QT_TRANSLATE_NOOP("RAlarmJournalView", "ack"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "online"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "offline"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "link-up"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "link-down"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "chattering"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "chatter-end"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "shelve"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "unshelve"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "flood"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "flood-end"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "out-of-service"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "in-service"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "overdue"),
    QT_TRANSLATE_NOOP("RAlarmJournalView", "link-switch")};

QString eventName(const QString& strEvent)
{
    for (const char* pEvent : kEvents) {
        if (strEvent == QLatin1String(pEvent))
            return RAlarmJournalView::tr(pEvent);
    }
    return strEvent;
}

} // namespace

RAlarmJournalView::RAlarmJournalView(RRegionCatalogue* pCatalogue, QWidget* parent, SClock* pClock)
    : QDialog(parent)
    , m_pCatalogue(pCatalogue)
    , m_pComboRegion(new QComboBox(this))
    , m_pDateFrom(new QDateEdit(this))
    , m_pDateTo(new QDateEdit(this))
    , m_pTable(new QTableView(this))
    , m_pButtonExport(new QPushButton(tr("Export"), this))
    , m_pCheckPriority(new QCheckBox(tr("Most urgent first"), this))
    , m_pModel(new QStandardItemModel(0, 8, this))
    , m_pPrompt(SPrompt::Default())
{
    setWindowTitle(tr("Alarm journal"));
    resize(1000, 560);
    m_pComboRegion->setObjectName(QStringLiteral("m_pComboRegion"));
    m_pComboRegion->addItem(tr("All"), 0);
    for (const RRegion& region : m_pCatalogue->Regions())
        m_pComboRegion->addItem(
            QStringLiteral("%1 %2").arg(region.nId).arg(region.strName), region.nId);
    const QDate today = (pClock ? pClock : SClock::System())->Now().date();
    for (QDateEdit* pEdit : {m_pDateFrom, m_pDateTo}) {
        pEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        pEdit->setCalendarPopup(true);
        // The program's one calendar, with its heading in the locale's order.
        pEdit->setCalendarWidget(new RCalendarWidget(pEdit, pClock));
        pEdit->setDate(today);
    }
    m_pDateFrom->setDate(today.addDays(-6));
    m_pButtonExport->setObjectName(QStringLiteral("m_pButtonExport"));
    m_pModel->setHorizontalHeaderLabels({tr("Time"), tr("ID"), tr("Location"), tr("Event"),
        tr("Dose (µRad/h)"), tr("Threshold (µRad/h)"), tr("Operator"), tr("Detail")});
    m_pCheckPriority->setObjectName(QStringLiteral("m_pCheckPriority"));
    m_pCheckPriority->setToolTip(tr("A lost link first, then alarms by how far over their "
                                    "threshold (10 times, twice, at all), each group the "
                                    "earliest first; then the other events"));
    m_pTable->setModel(m_pModel);
    SRecordTable::Setup(m_pTable);

    auto* pFilter = new QHBoxLayout;
    pFilter->addWidget(new QLabel(tr("Region:"), this));
    pFilter->addWidget(m_pComboRegion);
    pFilter->addWidget(new QLabel(tr("From:"), this));
    pFilter->addWidget(m_pDateFrom);
    pFilter->addWidget(new QLabel(tr("To:"), this));
    pFilter->addWidget(m_pDateTo);
    pFilter->addWidget(m_pCheckPriority);
    pFilter->addStretch(1);
    pFilter->addWidget(m_pButtonExport);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pFilter);
    pLayout->addWidget(m_pTable, 1);

    connect(m_pComboRegion, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &RAlarmJournalView::Reload);
    connect(m_pDateFrom, &QDateEdit::dateChanged, this, &RAlarmJournalView::Reload);
    connect(m_pDateTo, &QDateEdit::dateChanged, this, &RAlarmJournalView::Reload);
    connect(m_pButtonExport, &QPushButton::clicked, this, &RAlarmJournalView::Export);
    connect(m_pCheckPriority, &QCheckBox::toggled, this, &RAlarmJournalView::Reload);
    Reload();
}

RAlarmJournalView::~RAlarmJournalView() = default;

void RAlarmJournalView::SetRange(const QDate& from, const QDate& to, int nId)
{
    const QSignalBlocker blockFrom(m_pDateFrom);
    const QSignalBlocker blockTo(m_pDateTo);
    const QSignalBlocker blockRegion(m_pComboRegion);
    m_pDateFrom->setDate(from);
    m_pDateTo->setDate(to);
    m_pComboRegion->setCurrentIndex(qMax(0, m_pComboRegion->findData(nId)));
    Reload();
}

void RAlarmJournalView::Follow(const RAlarmJournal* pJournal)
{
    connect(pJournal, &RAlarmJournal::Written, this, [this](const RAlarmEvent& event) {
        const QDate day = event.time.date();
        if (day >= m_pDateFrom->date() && day <= m_pDateTo->date())
            Reload();
    });
}

void RAlarmJournalView::Reload()
{
    m_pModel->removeRows(0, m_pModel->rowCount());
    const int nId = m_pComboRegion->currentData().toInt();
    QVector<RAlarmEvent> events = RAlarmJournal::Read(m_pDateFrom->date(), m_pDateTo->date(), nId);
    // During a flood the first and the worst alarms come first.
    if (m_pCheckPriority->isChecked())
        RAlarmState::SortByPriority(&events);
    for (const RAlarmEvent& event : qAsConst(events)) {
        const RRegion* pRegion = m_pCatalogue->Find(event.nId);
        const QStringList fields = RAlarmJournal::CsvFields(event);
        // Id 0 is the link, which has no region; only an alarm and its
        // clearing (and a chattering's start and end) hold a dose and a
        // threshold. The file keeps its zeros.
        const bool bLink = event.nId == 0;
        const bool bMeasured = event.strEvent == QLatin1String("alarm")
            || event.strEvent == QLatin1String("clear")
            || event.strEvent.startsWith(QLatin1String("chatter"));
        const QString strNone = QStringLiteral("\u2014");
        const bool bSite = bLink && event.strEvent.startsWith(QLatin1String("flood"));
        const QString strPlace = bSite ? tr("Whole site")
            : bLink                    ? tr("Data server")
            : pRegion                  ? pRegion->strName
                                       : QString();
        QList<QStandardItem*> items;
        // The file's ISO time, read as a date and a time.
        const QString strTime = QString(fields.at(0)).replace(QLatin1Char('T'), QLatin1Char(' '));
        for (const QString& strText : {strTime, bLink ? strNone : fields.at(1), strPlace,
                 eventName(fields.at(2)), bMeasured ? fields.at(3) : strNone,
                 bMeasured ? fields.at(4) : strNone, fields.at(5), event.strDetail}) {
            auto* pItem = new QStandardItem(strText);
            // The whole text, for a column the window is too narrow for.
            pItem->setToolTip(strText);
            items << pItem;
        }
        // Alarms, the link's loss among them, stand out as they do on the page.
        if (RAlarmState::Priority(event) <= 3) {
            for (QStandardItem* pItem : qAsConst(items))
                pItem->setForeground(QColor(200, 0, 0));
        }
        m_pModel->appendRow(items);
    }
    m_pTable->resizeColumnsToContents();
    // The measured width leaves no room for the cell's margins with every
    // font (CJK texts came out cut): a little more, eliding past that.
    const int nMargin = m_pTable->fontMetrics().averageCharWidth();
    for (int nColumn = 0; nColumn < m_pModel->columnCount(); ++nColumn)
        m_pTable->setColumnWidth(nColumn, m_pTable->columnWidth(nColumn) + nMargin);
}

void RAlarmJournalView::Export()
{
    if (m_exportGate && !m_exportGate(tr("Log in to export the alarm journal.")))
        return;
    QString strFile = m_pPrompt->AskSaveFileName(this, tr("Save File"),
        QDir::home().filePath(QStringLiteral("alarms-%1-%2.csv")
                                  .arg(m_pDateFrom->date().toString(QStringLiteral("yyyyMMdd")),
                                      m_pDateTo->date().toString(QStringLiteral("yyyyMMdd")))),
        tr("CSV (*.csv)"));
    if (strFile.isEmpty())
        return;
    if (!strFile.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        strFile += QLatin1String(".csv");
    SCsvWriter writer(strFile);
    QString strError;
    if (writer.Open(&strError)) {
        writer.WriteRow(RAlarmJournal::CsvHeader());
        for (const RAlarmEvent& event : RAlarmJournal::Read(
                 m_pDateFrom->date(), m_pDateTo->date(), m_pComboRegion->currentData().toInt()))
            writer.WriteRow(RAlarmJournal::CsvFields(event));
        if (writer.Commit(&strError))
            return;
    }
    m_pPrompt->Tell(this, tr("The journal could not be exported: %1").arg(strError), tr("Ok"));
}
