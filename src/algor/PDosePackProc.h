#pragma once

class PDataBuffer;

// The writer's handle on a packet buffer; does not own it.
class PDosePackProc
{
public:
    explicit PDosePackProc(PDataBuffer* pBuffer);
    virtual ~PDosePackProc();

    bool Write(const unsigned char* pData, unsigned nNum);

private:
    PDosePackProc(const PDosePackProc&) = delete;
    PDosePackProc& operator=(const PDosePackProc&) = delete;

    PDataBuffer* m_pBuffer;
};
