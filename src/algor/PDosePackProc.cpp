#include "algor/PDosePackProc.h"

#include "algor/PDataBuffer.h"

PDosePackProc::PDosePackProc(PDataBuffer* pBuffer)
    : m_pBuffer(pBuffer)
{
}

PDosePackProc::~PDosePackProc() = default;

bool PDosePackProc::Write(const unsigned char* pData, unsigned nNum)
{
    return m_pBuffer != nullptr && m_pBuffer->Write(pData, nNum);
}
