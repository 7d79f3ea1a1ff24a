#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QStringList>
#include <QWidget>

class RStorageWriter;

class QPushButton;
class RInstrumentPanel;
class RStation;
class QTableView;
class PSocketGetId;
class RItemModelPresetRegion;
class RSeekItems;
class SClock;

// The device list editor: "Location" and "ID" rows, "Add", "Delete", and
// "Search", which offers the ids the network server knows for adding.
class RFramePresetRegionWidget final : public QWidget
{
    Q_OBJECT
public:
    // nMode 0: region monitors; 1: inspection rooms. pClock paces the button
    // debouncer (system clock when null); not owned. With pStation (not
    // owned) the chosen monitor's instrument records show below the list.
    explicit RFramePresetRegionWidget(RStorageWriter* pWriter, int nMode, QWidget* parent = nullptr,
        SClock* pClock = nullptr, RStation* pStation = nullptr);
    ~RFramePresetRegionWidget() override;

    RItemModelPresetRegion* ItemModel() const { return m_pItemModel; }
    RSeekItems* Picker() const { return m_pSeekItems; }
    PSocketGetId* IdQuery() const { return m_pGetId; }
    QTableView* Table() const { return m_pTableView; }
    RInstrumentPanel* Instruments() const { return m_pInstruments; }

signals:
    void SendMessage(const QString& strMessage);

public slots:
    void Add();
    void Delete();
    void SetAsDefault();
    void Reset();
    void Search();
    void OnItemIdLists(const QStringList& list);
    void OnOkButtonClicked();
    void OnCancelButtonClicked();

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RFramePresetRegionWidget)

    QTableView* m_pTableView;
    QPushButton* m_pButtonSearch;
    QPushButton* m_pButtonAdd;
    QPushButton* m_pButtonDelete;
    RItemModelPresetRegion* m_pItemModel;
    RespondButtonClicked m_respond;
    RSeekItems* m_pSeekItems;
    PSocketGetId* m_pGetId;
    RInstrumentPanel* m_pInstruments = nullptr;
};
