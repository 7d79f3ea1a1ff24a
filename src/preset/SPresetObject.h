#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

class SIOStream;

// Base of every preset holder: one binary file of keyed items behind a 60-byte
// header. The file body is untrusted input: a file that fails any check is not
// used and leaves the holder as it was. Used from the GUI thread only.
class SPresetObject
{
public:
    enum : quint32 { HeaderSize = 60, FormatWord = 1, EndKey = 0xFFFFFFFFu };
    // No holder's file comes near this; anything larger is not a preset file.
    enum : qint64 { MaxBodySize = 1 << 20 };

    struct Header
    {
        quint32 nOwnerId;
        quint32 nFormat;
        quint32 nChecksum;
        quint8 byReserved[48];
    };

    SPresetObject(int nId, const QString& strSubFolder, const QString& strFileName);
    virtual ~SPresetObject();

    virtual bool Read(SIOStream* pStream);
    virtual bool Write(SIOStream* pStream);
    // Replaces the local copy whole (SAtomicFile); a failure is logged and
    // leaves the old copy.
    virtual bool Save();
    virtual qintptr Command(int nCmd, qintptr nArg);
    virtual bool ReadItems(SIOStream* pStream);
    virtual bool WriteItems(SIOStream* pStream);
    virtual bool ReadItem(SIOStream* pStream, quint32 nKey, quint32 nLength);
    // Runs after a file's items were read, before the load counts as done.
    virtual void AfterLoad() = 0;
    // Runs before the items are written.
    virtual void BeforeWrite() = 0;
    virtual bool LoadFactory();

    // Local copy, else factory copy.
    bool Load();
    // Load; a missing, unusable or factory-sourced local copy is then rewritten.
    bool Restore();

    int Id() const { return m_nId; }
    bool IsFromFactory() const { return m_bFromFactory; }
    QString LocalDirectory() const { return m_strLocalDirectory; }
    void SetLocalDirectory(const QString& strDirectory);
    QString LocalPath() const;
    QString FactoryPath() const;

    // Sum of the bytes as little-endian 32-bit words, a partial last word
    // padded with zeros, wrapping.
    static quint32 Checksum(const char* pData, qint64 nLength);

    // The process-wide preset directories, each ending in "/". Taken from
    // config.ini PRESET/FACTORY and PRESET/LOCAL on first use, else the
    // installed share directory and the user's data directory.
    static QString FactoryDirectory();
    static QString DefaultLocalDirectory();
    // Reads both from config.ini again.
    static void LoadDirectories();
    // For tests and tools: replaces both; holders created later use them.
    static void SetDirectories(const QString& strFactory, const QString& strLocal);

protected:
    // The get/set pairs of a holder of plain integer items: command 20 + 2k
    // sets item k, 21 + 2k answers it; other commands go to the base.
    qintptr IntegerItemCommand(qint32* pItems, int nCount, int nCmd, qintptr nArg);

    // Items of a holder with fixed items, written in the order added; the
    // address must stay valid for the holder's life.
    void AddItem(quint32 nKey, quint32 nSize, void* pAddress);

    static bool ReadWord(SIOStream* pStream, quint32* pWord);
    static bool WriteWord(SIOStream* pStream, quint32 nWord);
    static bool WriteBlock(SIOStream* pStream, quint32 nKey, const void* pData, quint32 nSize);

    Header m_header;
    QString m_strSubFolder;
    QString m_strFileName;
    bool m_bFromFactory = false;
    const int m_nId;
    QString m_strLocalDirectory;

private:
    Q_DISABLE_COPY(SPresetObject)

    struct Item
    {
        quint32 nKey;
        quint32 nSize;
        void* pAddress;
    };

    bool LoadFile(const QString& strPath);

    QVector<Item> m_items;
};
