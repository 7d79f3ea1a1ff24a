#pragma once

#include "io/SIOStream.h"
#include "message/PAssert.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "preset/SPresetObject.h"

#include <QtEndian>

#include <cstring>
#include <memory>
#include <type_traits>

// UTF-16 code units in one entry name, zero-padded.
constexpr int PRESET_ITEM_NAME_LEN = 20;

// A list holder: up to MaxItems named records of type T, in the file under
// "database/". Invariant: a record exists for exactly the entries below
// m_nItemNum, so every record address handed out is valid.
template <typename T> class SPresetUserDef : public SPresetObject
{
    static_assert(std::is_trivially_copyable<T>::value, "records are copied as bytes");

public:
    enum { MaxItems = 50 };
    enum : quint32 { KeyCount = 0, KeyNames = 1, KeyRecords = 2, KeyValue = 3 };

    SPresetUserDef(int nId, const QString& strFileName)
        : SPresetObject(nId, QStringLiteral("database/"), strFileName)
    {
        std::memset(m_szNames, 0, sizeof m_szNames);
    }

    qintptr Command(int nCmd, qintptr nArg) override
    {
        switch (nCmd) {
        case SBus::CmdCount:
            return m_nItemNum;
        case SBus::CmdSetCount:
            return SetCount(nArg);
        case SBus::CmdCopyRecord:
            return CopyRecord(reinterpret_cast<const T*>(nArg));
        case SBus::CmdRecordAddress:
            return nArg >= 0 && nArg < m_nItemNum ? reinterpret_cast<qintptr>(m_pItems[nArg].get())
                                                  : 0;
        case SBus::CmdNameTable:
            return reinterpret_cast<qintptr>(&m_szNames[0][0]);
        case SBus::CmdIsIndex:
            return nArg >= 0 && nArg < m_nItemNum ? 1 : 0;
        case SBus::CmdAppendName:
            return AppendName(reinterpret_cast<const char16_t*>(nArg));
        case SBus::CmdRemove:
            return Remove(nArg);
        case SBus::CmdNameAddress:
            return nArg >= 0 && nArg < MaxItems ? reinterpret_cast<qintptr>(&m_szNames[nArg][0])
                                                : 0;
        case SBus::CmdClear:
            Clear();
            return 0;
        case SBus::CmdFreeValue:
            return m_nValue;
        case SBus::CmdSetFreeValue:
            m_nValue = static_cast<qint32>(nArg);
            return 0;
        default:
            return SPresetObject::Command(nCmd, nArg);
        }
    }

    bool WriteItems(SIOStream* pStream) override
    {
        const qint32 nCount = m_nItemNum;
        if (!WriteBlock(pStream, KeyCount, &nCount, 4)
            || !WriteBlock(pStream, KeyValue, &m_nValue, 4)
            || !WriteBlock(pStream, KeyNames, m_szNames, NameBytes(nCount)))
            return false;
        if (!WriteWord(pStream, KeyRecords) || !WriteWord(pStream, RecordBytes(nCount)))
            return false;
        for (int i = 0; i < nCount; ++i) {
            if (pStream->Write(reinterpret_cast<const char*>(m_pItems[i].get()), sizeof(T))
                != static_cast<qint64>(sizeof(T)))
                return false;
        }
        return true;
    }

    bool ReadItems(SIOStream* pStream) override
    {
        m_bSeenCount = m_bSeenNames = m_bSeenRecords = false;
        if (!SPresetObject::ReadItems(pStream))
            return false;
        // A count without its names and records would leave entries that do
        // not exist.
        return m_bSeenCount && m_bSeenNames && m_bSeenRecords;
    }

    bool ReadItem(SIOStream* pStream, quint32 nKey, quint32 nLength) override
    {
        switch (nKey) {
        case KeyCount: {
            qint32 nCount = 0;
            if (nLength != 4 || !ReadValue(pStream, &nCount) || nCount < 0 || nCount > MaxItems)
                return false;
            m_nItemNum = nCount;
            m_bSeenCount = true;
            m_bSeenNames = m_bSeenRecords = false;
            return true;
        }
        case KeyValue:
            return nLength == 4 && ReadValue(pStream, &m_nValue);
        case KeyNames:
            if (!m_bSeenCount || nLength != NameBytes(m_nItemNum))
                return false;
            std::memset(m_szNames, 0, sizeof m_szNames);
            m_bSeenNames = pStream->Read(reinterpret_cast<char*>(m_szNames), nLength) == nLength;
            return m_bSeenNames;
        case KeyRecords:
            if (!m_bSeenCount || nLength != RecordBytes(m_nItemNum))
                return false;
            for (int i = 0; i < MaxItems; ++i) {
                if (i >= m_nItemNum) {
                    m_pItems[i].reset();
                    continue;
                }
                if (!m_pItems[i])
                    m_pItems[i] = NewRecord();
                if (pStream->Read(reinterpret_cast<char*>(m_pItems[i].get()), sizeof(T))
                    != static_cast<qint64>(sizeof(T)))
                    return false;
            }
            m_bSeenRecords = true;
            return true;
        default:
            return false;
        }
    }

    // Every item is usable as read and written as held.
    void AfterLoad() override { }
    void BeforeWrite() override { }

    int Count() const { return m_nItemNum; }
    const T* Record(int nIndex) const
    {
        return nIndex >= 0 && nIndex < m_nItemNum ? m_pItems[nIndex].get() : nullptr;
    }
    const char16_t* Name(int nIndex) const
    {
        return nIndex >= 0 && nIndex < MaxItems ? m_szNames[nIndex] : nullptr;
    }

protected:
    // The 32-bit word at a byte offset of a record; 0 for no such entry.
    qint32 Word(int nIndex, int nOffset) const
    {
        const T* pRecord = Record(nIndex);
        if (!pRecord)
            return 0;
        qint32 nWord = 0;
        std::memcpy(&nWord, reinterpret_cast<const char*>(pRecord) + nOffset, 4);
        return nWord;
    }

    qintptr Address(int nIndex, int nOffset) const
    {
        const T* pRecord = Record(nIndex);
        return pRecord ? reinterpret_cast<qintptr>(reinterpret_cast<const char*>(pRecord) + nOffset)
                       : 0;
    }

private:
    static quint32 NameBytes(int nCount) { return static_cast<quint32>(nCount) * 40u; }
    static quint32 RecordBytes(int nCount) { return static_cast<quint32>(nCount * sizeof(T)); }

    static std::unique_ptr<T> NewRecord()
    {
        std::unique_ptr<T> pRecord(new T);
        std::memset(pRecord.get(), 0, sizeof(T));
        return pRecord;
    }

    static bool ReadValue(SIOStream* pStream, qint32* pValue)
    {
        char bytes[4];
        if (pStream->Read(bytes, 4) != 4)
            return false;
        *pValue = qFromLittleEndian<qint32>(bytes);
        return true;
    }

    qintptr SetCount(qintptr nCount)
    {
        if (nCount < 0 || nCount > MaxItems) {
            Log(LogLevel::Warning, "Preset %d: count %lld refused\n", Id(),
                static_cast<long long>(nCount));
            return -1;
        }
        m_nItemNum = static_cast<int>(nCount);
        for (int i = 0; i < MaxItems; ++i) {
            if (i >= m_nItemNum)
                m_pItems[i].reset();
            else if (!m_pItems[i])
                m_pItems[i] = NewRecord();
        }
        return 0;
    }

    qintptr CopyRecord(const T* pSource)
    {
        if (!pSource || m_nItemNum <= 0)
            return -1;
        std::unique_ptr<T> pRecord(new T);
        std::memcpy(pRecord.get(), pSource, sizeof(T));
        m_pItems[m_nItemNum - 1] = std::move(pRecord);
        return 0;
    }

    qintptr AppendName(const char16_t* pName)
    {
        if (!pName)
            return -1;
        if (m_nItemNum >= MaxItems) {
            Log(LogLevel::Warning, "Preset %d: list full, entry refused\n", Id());
            return -1;
        }
        // Longer names are cut to the slot.
        char16_t* pSlot = m_szNames[m_nItemNum];
        std::memset(pSlot, 0, sizeof m_szNames[0]);
        for (int i = 0; i < PRESET_ITEM_NAME_LEN && pName[i]; ++i)
            pSlot[i] = pName[i];
        m_pItems[m_nItemNum] = NewRecord();
        ++m_nItemNum;
        return 0;
    }

    qintptr Remove(qintptr nArg)
    {
        const int nIndex = static_cast<int>(nArg);
        P_ASSERT(nArg >= 0 && nArg < m_nItemNum, "no entry at that index");
        for (int i = nIndex; i + 1 < m_nItemNum; ++i) {
            std::memcpy(m_szNames[i], m_szNames[i + 1], sizeof m_szNames[0]);
            m_pItems[i] = std::move(m_pItems[i + 1]);
        }
        --m_nItemNum;
        std::memset(m_szNames[m_nItemNum], 0, sizeof m_szNames[0]);
        m_pItems[m_nItemNum].reset();
        return 0;
    }

    void Clear()
    {
        for (auto& pRecord : m_pItems)
            pRecord.reset();
        std::memset(m_szNames, 0, sizeof m_szNames);
        m_nItemNum = 0;
    }

    std::unique_ptr<T> m_pItems[MaxItems];
    char16_t m_szNames[MaxItems][PRESET_ITEM_NAME_LEN];
    qint32 m_nItemNum = 0;
    qint32 m_nValue = 0;
    bool m_bSeenCount = false;
    bool m_bSeenNames = false;
    bool m_bSeenRecords = false;
};
