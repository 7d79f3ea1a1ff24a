#pragma once

#include "database/RAlarmFilterStore.h"

#include <QWidget>

#include <functional>

class RRegionCatalogue;

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTableView;
class QTimer;

// Sets the alarm threshold (µRad/h) of one region or of all: stores it and
// asks the data server to send it to the devices. Threshold notices from the
// devices show in a table for five seconds. Receives the notices on the bus
// as the threshold page.
class RPresetAlarmThresholdWidget final : public QWidget
{
    Q_OBJECT
public:
    explicit RPresetAlarmThresholdWidget(RRegionCatalogue* pCatalogue, QWidget* parent = nullptr);
    ~RPresetAlarmThresholdWidget() override;

    // Nearest multiple of 100, halves up, as the devices take it.
    // The top of the range a detector takes.
    static constexpr int MaxThreshold = 6553500;
    static int RoundThreshold(int nValue);
    // Why nValue cannot be an alarm threshold (it would silence the alarm);
    // empty when it can.
    // nTyped: what the box holds, before the rounding.
    static QString ThresholdProblem(int nTyped);
    // What a typed value is set as, when the rounding changes it; empty
    // when it is set as typed.
    static QString SetAsText(int nTyped);
    // Asked before a threshold goes out (nId 0: all regions), with the
    // value before (-1 for several) and after; false stops it. None: allowed.
    using Authorize = std::function<bool(int nId, int nOld, int nNew)>;
    void SetAuthorize(Authorize authorize) { m_authorize = std::move(authorize); }
    // Asked before an alarm filter is changed, with what is changed; false
    // stops it. None: allowed.
    using Confirm = std::function<bool(const QString& strWhat)>;
    void SetConfirm(Confirm confirm) { m_confirm = std::move(confirm); }

    // Refills the region ids from the catalogue.
    void LoadRegionIds();
    // The region chosen (its id); -1 when none is.
    int CurrentRegionId() const;
    QStandardItemModel* NoticeModel() const { return m_pNoticeModel; }
    // The filter editors of the region chosen and of all regions.
    struct FilterEditors
    {
        QSpinBox* pOnDelay = nullptr;
        QDoubleSpinBox* pDeadband = nullptr;
        QSpinBox* pOffDelay = nullptr;
        QPushButton* pSet = nullptr;
    };
    const FilterEditors& RegionFilter() const { return m_regionFilter; }
    const FilterEditors& AllFilter() const { return m_allFilter; }
    QTimer* NoticeTimer() const { return m_pNoticeTimer; }

signals:
    void SendMessage(const QString& strMessage);

private slots:
    void OnClicked();
    void OnParaClicked();
    void OnAllButtonClicked();
    void OnCurrentIndexChanged(const QString& strText);
    void OnTimeout();
    void OnFilterClicked();
    void OnAllFilterClicked();

protected:
    bool event(QEvent* pEvent) override;

private:
    RRegionCatalogue* m_pCatalogue;
    // False, with the reason shown, when nValue may not go out for nId.
    // nTyped: the box's value; the rounded one is what is authorised.
    bool MaySend(int nId, int nOld, int nTyped);

    Authorize m_authorize;
    Confirm m_confirm;
    Q_DISABLE_COPY(RPresetAlarmThresholdWidget)

    void BuildWidgets();
    FilterEditors BuildFilterRow(int nRow, const QString& strLabel, const char* pName);
    static RAlarmFilterSettings FilterOf(const FilterEditors& editors);
    static void ShowFilter(const FilterEditors& editors, const RAlarmFilterSettings& settings);
    // Tells every reader of the settings, the region page's model among them.
    void FilterStored(
        const QString& strObject, const QString& strOld, const RAlarmFilterSettings& settings);
    void SetNoticeHeaders();
    void ShowNotice(int nId);

    QComboBox* m_pComboBoxAlarm = nullptr;
    QSpinBox* m_pSpinBoxAlarm = nullptr;
    QPushButton* m_pPushButtonSet = nullptr;
    QSpinBox* m_pSpinBoxAll = nullptr;
    QPushButton* m_pPushButtonAll = nullptr;
    QLabel* m_pLabelPara = nullptr;
    QLabel* m_pLabelRoundAlarm = nullptr;
    QLabel* m_pLabelRoundAll = nullptr;
    QDoubleSpinBox* m_pDoubleSpinBoxPara = nullptr;
    QPushButton* m_pPushButtonPara = nullptr;
    FilterEditors m_regionFilter;
    FilterEditors m_allFilter;
    QTableView* m_pTableView = nullptr;
    QStandardItemModel* m_pNoticeModel = nullptr;
    QTimer* m_pNoticeTimer = nullptr;
};
