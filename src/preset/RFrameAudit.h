#pragma once

#include "database/RAuditTrail.h"
#include "preset/POptionPage.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class RDateEdit;
class SClock;

// The "Audit trail" category, for officers and administrators, read-only:
// the rows of a day range, of one account or one action, oldest first as
// kestal-report lists them; Export writes the same CSV as kestal-report's
// audit command with the same filter, and Verify walks the chain of MACs.
class RFrameAudit final : public POptionPage
{
    Q_OBJECT
public:
    // pClock decides "today" (system clock when null). Not owned.
    explicit RFrameAudit(SClock* pClock = nullptr, QObject* pParent = nullptr);
    ~RFrameAudit() override;

    // The trail whose rows show as they are written and whose key Verify
    // uses. Not owned.
    void SetTrail(RAuditTrail* pTrail);

    QString GetName() const override;
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override { return Applied; }
    void Finish() override { }
    void UpdateRights(bool bAllowed) override;
    RUserRights::Action Right() const override { return RUserRights::Action::ViewAudit; }

    // The filter; an empty account or action takes all.
    void SetFilter(const QDate& from, const QDate& to, const QString& strAccount = QString(),
        const QString& strAction = QString());
    QStandardItemModel* Model() const { return m_pModel; }
    // What the last Verify found.
    QString CheckText() const;

    // An action as the operator reads it; the trail keeps the stored name.
    static QString ActionName(const QString& strAction);
    // A value or reason as the operator reads it: the fixed words the stores
    // write in the operator's language, a grade by its name.
    static QString ValueText(const QString& strValue);

public slots:
    void Reload();
    void Export();
    void Verify();

private:
    Q_DISABLE_COPY(RFrameAudit)

    QVector<RAuditEntry> Rows() const;
    // The accounts with rows, the one chosen kept.
    void FillAccounts();

    SClock* m_pClock;
    RAuditTrail* m_pTrail = nullptr;
    // What the grade logged in may see: nothing is read for any other.
    bool m_bAllowed = false;
    RDateEdit* m_pDateFrom = nullptr;
    RDateEdit* m_pDateTo = nullptr;
    QComboBox* m_pComboAccount = nullptr;
    QComboBox* m_pComboAction = nullptr;
    QPushButton* m_pButtonExport = nullptr;
    QPushButton* m_pButtonVerify = nullptr;
    QLabel* m_pLabelCheck = nullptr;
    QTableView* m_pTable = nullptr;
    QStandardItemModel* m_pModel = nullptr;
};
