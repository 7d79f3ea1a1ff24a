#include "preset/RFramePresetRegion.h"

#include "database/RAuditTrail.h"
#include "database/RDeviceListStore.h"
#include "database/RRegionCatalogue.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/RFramePresetRegionWidget.h"
#include "preset/RInstrumentPanel.h"
#include "preset/RItemModelPresetRegion.h"
#include "widgets/SPrompt.h"

#include <QMap>

RFramePresetRegion::RFramePresetRegion(
    RStorageWriter* pWriter, int nCategory, RStation* pStation, QObject* pParent)
    : POptionPage(nCategory, pParent)
    , m_pWriter(pWriter)
    , m_pStation(pStation)
{
}

RFramePresetRegion::~RFramePresetRegion() = default;

QString RFramePresetRegion::GetName() const
{
    return GetCategory() == 1 ? tr("Device Management") : tr("Inspection room");
}

QWidget* RFramePresetRegion::CreateWidget(QWidget* pParent)
{
    const int nMode = GetCategory() == 1 ? 0 : 1;
    auto* pWidget = new RFramePresetRegionWidget(
        m_pWriter, nMode, pParent, nullptr, nMode == 0 ? m_pStation : nullptr);
    if (pWidget->Instruments())
        pWidget->Instruments()->SetPrompt(Prompt());
    connect(pWidget, &RFramePresetRegionWidget::SendMessage, this, &POptionPage::SendMessage);
    SetWidget(pWidget);
    return pWidget;
}

RFramePresetRegionWidget* RFramePresetRegion::Editor() const
{
    return static_cast<RFramePresetRegionWidget*>(Widget());
}

int RFramePresetRegion::Apply()
{
    if (!Editor())
        return Applied;
    RItemModelPresetRegion* pModel = Editor()->ItemModel();
    if (!pModel->IsModified())
        return Applied;
    int nResult = pModel->Check();
    if (nResult == RItemModelPresetRegion::Saved) {
        // The history of a removed device cannot be brought back: ask first.
        QStringList removed;
        for (int nId : pModel->RemovedIds())
            removed << QString::number(nId);
        if (!removed.isEmpty()
            && !Prompt()->Ask(Editor(),
                tr("The stored history of ID %1 will be deleted.")
                    .arg(removed.join(QStringLiteral(", "))),
                tr("Do you want to remove these devices and delete their history?"), tr("Delete"),
                tr("Cancel")))
            return Cancelled;
        const QVector<RDeviceRow> before = pModel->StoredRows();
        const QVector<RDeviceRow> after = pModel->Rows();
        nResult = pModel->Save();
        if (nResult == RItemModelPresetRegion::Saved)
            RecordChanges(before, after);
    }
    if (nResult == RItemModelPresetRegion::Failed) {
        SetRefusal(pModel->LastError());
        emit SendMessage(pModel->LastError());
        return Refused;
    }
    return nResult;
}

void RFramePresetRegion::RecordChanges(
    const QVector<RDeviceRow>& before, const QVector<RDeviceRow>& after)
{
    QMap<int, QString> oldNames;
    for (const RDeviceRow& row : before)
        oldNames.insert(row.nId, row.strName);
    QMap<int, QString> newNames;
    for (const RDeviceRow& row : after)
        newNames.insert(row.nId, row.strName);
    for (auto it = oldNames.cbegin(); it != oldNames.cend(); ++it) {
        const QString strObject = QStringLiteral("ID %1").arg(it.key());
        if (!newNames.contains(it.key())) {
            RecordChange(RAuditAction::DeviceRemove, strObject, it.value(), QString());
            RecordChange(RAuditAction::HistoryDelete, strObject, QString(), QString());
        } else if (newNames.value(it.key()) != it.value()) {
            RecordChange(
                RAuditAction::DeviceRename, strObject, it.value(), newNames.value(it.key()));
        }
    }
    for (auto it = newNames.cbegin(); it != newNames.cend(); ++it) {
        if (oldNames.contains(it.key()))
            continue;
        RecordChange(
            RAuditAction::DeviceAdd, QStringLiteral("ID %1").arg(it.key()), QString(), it.value());
        // The device gets the threshold the console holds for it, so that the
        // two agree from the start. Devices take hundreds: the table's default
        // (10) would reach them as 0, which never alarms, so it goes up to
        // the next hundred, here and there.
        const int nStored = RDeviceListStore::AlarmValue(it.key());
        const int nThreshold = qMax(100, (nStored + 99) / 100 * 100);
        if (nThreshold != nStored)
            RRegionCatalogue::StoreAlarmValue(it.key(), nThreshold);
        PostSMessage(SBus::MainWindow, SBus::SendThreshold, it.key(), nThreshold);
        RecordChange(RAuditAction::Threshold, QStringLiteral("region %1").arg(it.key()), QString(),
            QString::number(nThreshold));
    }
}

void RFramePresetRegion::Discard()
{
    if (Editor())
        Editor()->Reset();
}
