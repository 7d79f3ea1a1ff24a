#pragma once

#include "database/RUserRights.h"
#include "widgets/RespondButtonClicked.h"

#include <QModelIndex>
#include <QWidget>

class QFrame;
class QGridLayout;
class QLabel;
class SMessageLine;
class QListView;
class QPushButton;
class QStackedLayout;
class QTimer;
class PCategoryFilterModel;
class PCategoryModel;
class POptionPage;
class SClock;
class SFilterEdit;
class SPrompt;

// The settings page: the categories of the registered option pages on the
// left with a filter above, the chosen category's editor on the right, and
// "OK", which applies every category at once after a confirmation.
class RFormSetting final : public QWidget
{
    Q_OBJECT
public:
    // pClock paces the "OK" debouncer (system clock when null). Not owned.
    explicit RFormSetting(QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RFormSetting() override;

    // Shows text in the message line until the message timer runs out.
    void ShowMessage(const QString& strText);
    // The questions and notices of this window and its pages; the default
    // shows message boxes. Not owned.
    void SetPrompt(SPrompt* pPrompt);

    QString Message() const;
    POptionPage* CurrentPage() const { return m_pCurrentPage; }
    // The current category is one the grade logged in may not change.
    bool IsDenied() const;

signals:
    void TheUserPower(int nGrade);
    void AddUserFinished();

public slots:
    void SetLoginWidgetInfo();
    void UpdateRights(int nGrade);

private slots:
    void Apply();
    void OkMessageBox(const QString& strText, const QString& strInfo);
    void OK();
    void Cancel();
    void CurrentChanged(const QModelIndex& index);
    void Filter(const QString& strFilter);
    void EnsureAllCateWidgets();

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    // No restriction until the window says who is logged in.
    int m_nGrade = RUserRights::Administrator;
    Q_DISABLE_COPY(RFormSetting)

    void BuildWidgets();
    // The editor of the category in nRow, created on first use.
    QWidget* EnsureWidget(int nRow);
    // Shows the current category's editor, or why it is not shown.
    void ShowCurrent();

    QFrame* m_pMainFrame = nullptr;
    SFilterEdit* m_pFilterEdit = nullptr;
    QListView* m_pCategoryList = nullptr;
    QLabel* m_pHeaderLabel = nullptr;
    SMessageLine* m_pLabelMsg = nullptr;
    QLabel* m_pDenied = nullptr;
    QPushButton* m_pButtonOK = nullptr;
    QPushButton* m_pButtonCancel = nullptr;
    QPushButton* m_pButtonApply = nullptr;
    QGridLayout* m_pGridLayout = nullptr;
    QStackedLayout* m_pStackedLayout = nullptr;
    PCategoryModel* m_pModel;
    PCategoryFilterModel* m_pFilterModel;
    RespondButtonClicked m_respondOk;
    POptionPage* m_pCurrentPage = nullptr;
    SPrompt* m_pPrompt;
};
