#include "preset/SPresetObject.h"

#include "PInstallPaths.h"
#include "io/SAtomicFile.h"
#include "io/SFileStream.h"
#include "io/SMemoryStream.h"
#include "message/PConfigFile.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace {

struct Directories
{
    bool bLoaded = false;
    QString strFactory;
    QString strLocal;
};

Directories& directories()
{
    static Directories s_directories;
    return s_directories;
}

QString withSlash(QString strDirectory)
{
    if (!strDirectory.isEmpty() && !strDirectory.endsWith(QLatin1Char('/')))
        strDirectory += QLatin1Char('/');
    return strDirectory;
}

void loadDirectories()
{
    if (!directories().bLoaded)
        SPresetObject::LoadDirectories();
}

} // namespace

void SPresetObject::LoadDirectories()
{
    Directories& d = directories();
    d.bLoaded = true;
    // Factory copies ship with the program; local copies are the user's own.
    const QString strFactory = PInstallPaths::ShareDirectory() + QStringLiteral("preset/factory");
    const QString strLocal = PInstallPaths::UserDataDirectory() + QStringLiteral("/preset/local");
    const PConfigFile& config = PConfigFile::Instance();
    d.strFactory = withSlash(QString::fromStdString(
        config.GetValue("PRESET", "FACTORY", withSlash(strFactory).toStdString())));
    d.strLocal = withSlash(QString::fromStdString(
        config.GetValue("PRESET", "LOCAL", withSlash(strLocal).toStdString())));
}

SPresetObject::SPresetObject(int nId, const QString& strSubFolder, const QString& strFileName)
    : m_strSubFolder(strSubFolder)
    , m_strFileName(strFileName)
    , m_nId(nId)
    , m_strLocalDirectory(DefaultLocalDirectory())
{
    std::memset(&m_header, 0, sizeof m_header);
    m_header.nOwnerId = static_cast<quint32>(nId);
    m_header.nFormat = FormatWord;
}

SPresetObject::~SPresetObject() = default;

QString SPresetObject::FactoryDirectory()
{
    loadDirectories();
    return directories().strFactory;
}

QString SPresetObject::DefaultLocalDirectory()
{
    loadDirectories();
    return directories().strLocal;
}

void SPresetObject::SetDirectories(const QString& strFactory, const QString& strLocal)
{
    Directories& d = directories();
    d.bLoaded = true;
    d.strFactory = withSlash(strFactory);
    d.strLocal = withSlash(strLocal);
}

void SPresetObject::SetLocalDirectory(const QString& strDirectory)
{
    m_strLocalDirectory = withSlash(strDirectory);
}

QString SPresetObject::LocalPath() const
{
    return m_strLocalDirectory + m_strSubFolder + m_strFileName;
}

QString SPresetObject::FactoryPath() const
{
    return FactoryDirectory() + m_strSubFolder + m_strFileName;
}

quint32 SPresetObject::Checksum(const char* pData, qint64 nLength)
{
    quint32 nSum = 0;
    for (qint64 i = 0; i < nLength; ++i)
        nSum += static_cast<quint32>(static_cast<quint8>(pData[i])) << (8 * (i % 4));
    return nSum;
}

void SPresetObject::AddItem(quint32 nKey, quint32 nSize, void* pAddress)
{
    m_items.append(Item {nKey, nSize, pAddress});
}

bool SPresetObject::ReadWord(SIOStream* pStream, quint32* pWord)
{
    char bytes[4];
    if (pStream->Read(bytes, 4) != 4)
        return false;
    *pWord = qFromLittleEndian<quint32>(bytes);
    return true;
}

bool SPresetObject::WriteWord(SIOStream* pStream, quint32 nWord)
{
    char bytes[4];
    qToLittleEndian(nWord, bytes);
    return pStream->Write(bytes, 4) == 4;
}

bool SPresetObject::WriteBlock(SIOStream* pStream, quint32 nKey, const void* pData, quint32 nSize)
{
    if (!WriteWord(pStream, nKey) || !WriteWord(pStream, nSize))
        return false;
    return nSize == 0 || pStream->Write(static_cast<const char*>(pData), nSize) == nSize;
}

bool SPresetObject::Read(SIOStream* pStream)
{
    return ReadItems(pStream);
}

bool SPresetObject::Write(SIOStream* pStream)
{
    char header[HeaderSize];
    qToLittleEndian(m_header.nOwnerId, header);
    qToLittleEndian(m_header.nFormat, header + 4);
    qToLittleEndian(m_header.nChecksum, header + 8);
    std::memcpy(header + 12, m_header.byReserved, sizeof m_header.byReserved);
    if (pStream->Write(header, HeaderSize) != HeaderSize)
        return false;
    BeforeWrite();
    return WriteItems(pStream) && WriteWord(pStream, EndKey) && WriteWord(pStream, 0);
}

bool SPresetObject::ReadItems(SIOStream* pStream)
{
    // Every item must be whole and the end marker present: a file cut short
    // is as unusable as one with a wrong checksum.
    for (;;) {
        quint32 nKey = 0;
        quint32 nLength = 0;
        if (!ReadWord(pStream, &nKey) || !ReadWord(pStream, &nLength))
            return false;
        if (nKey == EndKey) {
            if (nLength != 0)
                return false;
            break;
        }
        if (nLength > pStream->Remaining())
            return false;
        if (!ReadItem(pStream, nKey, nLength))
            return false;
    }
    AfterLoad();
    return true;
}

bool SPresetObject::WriteItems(SIOStream* pStream)
{
    for (const Item& item : qAsConst(m_items)) {
        if (!WriteBlock(pStream, item.nKey, item.pAddress, item.nSize))
            return false;
    }
    return true;
}

bool SPresetObject::ReadItem(SIOStream* pStream, quint32 nKey, quint32 nLength)
{
    if (m_items.isEmpty())
        return pStream->Seek(nLength, 0, true);
    for (const Item& item : qAsConst(m_items)) {
        if (item.nKey != nKey)
            continue;
        if (item.nSize != nLength)
            return false;
        return pStream->Read(static_cast<char*>(item.pAddress), nLength) == nLength;
    }
    return false;
}

bool SPresetObject::LoadFile(const QString& strPath)
{
    const QByteArray strName = QFile::encodeName(strPath);
    SFileStream file(SFileStream::ModeRead);
    file.SetFileName(strName.constData());
    if (!file.Open())
        return false;
    char header[HeaderSize];
    if (file.Read(header, HeaderSize) != HeaderSize)
        return false;
    if (qFromLittleEndian<quint32>(header) != static_cast<quint32>(m_nId))
        return false;
    const qint64 n = file.Remaining();
    if (n > MaxBodySize)
        return false;
    // The body is checked and parsed from one copy, so the file cannot change
    // between the two.
    QByteArray body(static_cast<int>(n), '\0');
    if (file.Read(body.data(), n) != n)
        return false;
    file.Close();
    if (Checksum(body.constData(), n) != qFromLittleEndian<quint32>(header + 8))
        return false;

    // A file may fail after some of its items were taken: keep the current
    // items to put them back.
    QByteArray backup;
    SMemoryStream backupStream(&backup);
    backupStream.Open();
    WriteItems(&backupStream);
    WriteWord(&backupStream, EndKey);
    WriteWord(&backupStream, 0);

    SMemoryStream bodyStream(&body);
    bodyStream.Open();
    if (!Read(&bodyStream)) {
        backupStream.SeekBegin();
        Read(&backupStream);
        return false;
    }
    // The format word and the reserved bytes are not interpreted; a save
    // writes 1 and zeros again.
    m_header.nChecksum = qFromLittleEndian<quint32>(header + 8);
    return true;
}

bool SPresetObject::Load()
{
    if (LoadFile(LocalPath())) {
        m_bFromFactory = false;
        return true;
    }
    m_bFromFactory = true;
    return LoadFile(FactoryPath());
}

bool SPresetObject::LoadFactory()
{
    if (!LoadFile(FactoryPath()))
        return false;
    m_bFromFactory = true;
    return true;
}

bool SPresetObject::Restore()
{
    const bool bLoaded = Load();
    if (!bLoaded || m_bFromFactory) {
        Save();
        m_bFromFactory = false;
    }
    return bLoaded;
}

bool SPresetObject::Save()
{
    const QString strDirectory = m_strLocalDirectory + m_strSubFolder;
    if (!QDir().mkpath(strDirectory))
        return false;

    QByteArray bytes;
    SMemoryStream memory(&bytes);
    memory.Open();
    if (!Write(&memory) || bytes.size() < static_cast<int>(HeaderSize))
        return false;
    const quint32 nChecksum
        = Checksum(bytes.constData() + HeaderSize, bytes.size() - static_cast<int>(HeaderSize));
    m_header.nChecksum = nChecksum;
    m_header.nOwnerId = static_cast<quint32>(m_nId);
    qToLittleEndian(m_header.nOwnerId, bytes.data());
    qToLittleEndian(nChecksum, bytes.data() + 8);

    // A failed save leaves the previous local copy whole. A failed write
    // leaves its error on the file, and the commit fails with it.
    SAtomicFile file(LocalPath());
    QString strError;
    if (file.Open(&strError)) {
        file.File().write(bytes);
        if (file.Commit(&strError))
            return true;
    }
    Log(LogLevel::Warning, "preset %d not saved: %s\n", m_nId, strError.toLocal8Bit().constData());
    return false;
}

qintptr SPresetObject::Command(int nCmd, qintptr nArg)
{
    switch (nCmd) {
    case SBus::CmdSave:
        return Save() ? 1 : 0;
    case SBus::CmdLoad:
        return Load() ? 1 : 0;
    case SBus::CmdLoadFactory:
        return LoadFactory() ? 1 : 0;
    case SBus::CmdSignature:
        return m_nId + 9191;
    case SBus::CmdSetLocalDirectory:
        if (!nArg)
            return 0;
        SetLocalDirectory(QString::fromUtf8(reinterpret_cast<const char*>(nArg)));
        return 1;
    case SBus::CmdRestore:
        return Restore() ? 1 : 0;
    default:
        return 0;
    }
}

qintptr SPresetObject::IntegerItemCommand(qint32* pItems, int nCount, int nCmd, qintptr nArg)
{
    const int k = (nCmd - SBus::CmdSetItem0) / 2;
    if (nCmd < SBus::CmdSetItem0 || k >= nCount)
        return SPresetObject::Command(nCmd, nArg);
    if ((nCmd - SBus::CmdSetItem0) % 2 == 0) {
        pItems[k] = static_cast<qint32>(nArg);
        return nArg;
    }
    return pItems[k];
}
