#pragma once

#include "database/RUserRights.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class SPrompt;

// One category of the settings window: it creates its editor on first use
// and applies the editor's changes when the user confirms the settings.
class POptionPage : public QObject
{
    Q_OBJECT
public:
    // Apply() results besides a conflict's node number (>= 0).
    enum { Applied = -1, Refused = -2, Cancelled = -3 };

    explicit POptionPage(int nCategory, QObject* pParent = nullptr);
    ~POptionPage() override;

    virtual QString GetName() const = 0;
    virtual int GetCategory() const;
    // True when the keywords contain strPattern (pages without keywords: never).
    virtual bool IsMatch(const QString& strPattern) const;
    // Creates the editor (owned by pParent's stack) and remembers it.
    virtual QWidget* CreateWidget(QWidget* pParent) = 0;
    // Applied, Refused (nothing of this page changed; it said why through
    // RefusalText()), Cancelled (the operator declined a question the page
    // asked; nothing changed), or the number of a node in conflict.
    virtual int Apply() = 0;
    virtual void Finish() = 0;
    // Drops the editor's unsaved edits: it shows what is stored again.
    virtual void Discard();
    virtual bool GetFlag() const;
    virtual void UpdateLoginInfo();
    // bAllowed: whether the grade logged in may change what the page holds.
    virtual void UpdateRights(bool bAllowed);
    // The right that changing this page takes.
    virtual RUserRights::Action Right() const { return RUserRights::Action::SystemSettings; }

    QWidget* Widget() const { return m_pWidget; }
    // The questions a page asks; the message boxes by default. Not owned.
    void SetPrompt(SPrompt* pPrompt) { m_pPrompt = pPrompt; }
    SPrompt* Prompt() const { return m_pPrompt; }
    const QString& RefusalText() const { return m_strRefusal; }

    // The process-wide list of pages, in registration order. The list owns
    // them; the main window rebuilds it at start and clears it at shut-down.
    static void Register(POptionPage* pPage);
    static const std::vector<std::unique_ptr<POptionPage>>& Pages();
    static void ClearPages();

    // Where the pages' editors record what they changed: the audit trail
    // with the account logged in. None by default.
    using ChangeSink = std::function<void(const QString& strAction, const QString& strObject,
        const QString& strOld, const QString& strNew)>;
    static void SetChangeSink(ChangeSink sink);
    static void RecordChange(const char* pAction, const QString& strObject, const QString& strOld,
        const QString& strNew);

signals:
    void SendMessage(const QString& strMessage);
    // An account was added; the settings window passes it on.
    void AddUserFinished();

protected:
    void SetWidget(QWidget* pWidget) { m_pWidget = pWidget; }
    void SetRefusal(const QString& strText) { m_strRefusal = strText; }

    QString m_strKeywords;

private:
    Q_DISABLE_COPY(POptionPage)

    int m_nCategory;
    bool m_bFlag = false;
    // The editor lives in the settings window's stack and may go first.
    QPointer<QWidget> m_pWidget;
    QString m_strRefusal;
    SPrompt* m_pPrompt;
};
