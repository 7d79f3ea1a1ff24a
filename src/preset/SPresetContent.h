#pragma once

#include <QMap>
#include <QObject>

#include <memory>
#include <vector>

class SPresetObject;

// The preset store on the bus: a bus message whose type is a holder id runs that holder's
// Command(first word, second word) and answers its result. The registry is
// process-wide, so every preset content answers for every registered holder.
// GUI thread only.
class SPresetContent final : public QObject
{
    Q_OBJECT
public:
    explicit SPresetContent(QObject* pParent = nullptr);
    // Deletes the holders this content registered.
    ~SPresetContent() override;

    // Takes ownership; a holder with the same id replaces the earlier one in
    // the registry.
    void Register(SPresetObject* pObject);
    // Creates the client's eight holders and registers them; each loads or
    // writes its file on creation.
    void RegisterHolders();
    void SaveAll();
    static SPresetObject* Find(int nId);

    bool event(QEvent* pEvent) override;

private:
    Q_DISABLE_COPY(SPresetContent)

    static QMap<int, SPresetObject*>& Registry();

    std::vector<std::unique_ptr<SPresetObject>> m_owned;
};
