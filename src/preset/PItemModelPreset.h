#pragma once

#include <QObject>
#include <QStringList>

class QStandardItemModel;

// An editable list of registered items over a QStandardItemModel, loaded from
// and saved to the database. It notes whether the operator changed anything
// since the last load. GUI thread only.
class PItemModelPreset : public QObject
{
    Q_OBJECT
public:
    // Save() results besides a conflict's row: written, or not (see
    // LastError()).
    enum { Saved = -1, Failed = -2 };

    // The two ids of the preset holders that mirror this list.
    PItemModelPreset(int nPresetId, int nOtherPresetId, QObject* pParent = nullptr);
    ~PItemModelPreset() override;

    QStandardItemModel* Model() const { return m_pModel; }
    bool IsModified() const { return m_bModified; }
    void SetModified(bool bModified) { m_bModified = bModified; }
    int PresetId() const { return m_nPresetId; }
    int OtherPresetId() const { return m_nOtherPresetId; }
    const QString& LastError() const { return m_strLastError; }

    virtual void LoadFromDatabase() = 0;
    virtual void AddRow(int nId) = 0;
    virtual void AddDefaultRow() = 0;
    // Saved, Failed, or the row of the first conflict (nothing written then).
    virtual int Save() = 0;
    virtual int ColumnCount() const = 0;
    virtual QStringList ColumnTitles() const = 0;

protected:
    // Clears the rows and sets the column titles.
    void ResetRows();
    void SetLastError(const QString& strError) { m_strLastError = strError; }

private:
    Q_DISABLE_COPY(PItemModelPreset)

    QStandardItemModel* m_pModel;
    int m_nPresetId;
    int m_nOtherPresetId;
    bool m_bModified = false;
    QString m_strLastError;
};
