#include "message/PAssert.h"

#include "message/PLogRecord.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// __FILE__ is the path the compiler was given: absolute, or relative to the
// build directory. The last "/src/" in it starts the tree's own path.
const char* belowTree(const char* pFile)
{
    const char* pFound = pFile;
    for (const char* p = std::strstr(pFile, "/src/"); p; p = std::strstr(p + 1, "/src/"))
        pFound = p + 1;
    return pFound;
}

} // namespace

void PAssertFailed(const char* pCondition, const char* pComment, const char* pFile, int nLine)
{
    Log(LogLevel::Critical, "FileName: %s  Line: %d  Condition: %s  Comment: %s\n",
        belowTree(pFile), nLine, pCondition, pComment);
    fflush(stdout);
    std::abort();
}
