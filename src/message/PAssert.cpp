#include "message/PAssert.h"

#include "message/PLogRecord.h"

#include <cstdio>
#include <cstdlib>

void PAssertFailed(const char* pCondition, const char* pComment, const char* pFile, int nLine)
{
    Log(0, "FileName: %s  Line: %d  Condition: %s  Comment: %s\n", pFile, nLine, pCondition,
        pComment);
    fflush(stdout);
    std::abort();
}
