#pragma once

// Fatal assertion for programming errors: one Critical log line, then abort.
[[noreturn]] void PAssertFailed(
    const char* pCondition, const char* pComment, const char* pFile, int nLine);

// The logged location is the assertion's own, its file named from "src/" on
// ("src/algor/PDataBuffer.cpp") wherever the tree was built.
#define P_ASSERT(cond, comment)                                                                    \
    do {                                                                                           \
        if (!(cond))                                                                               \
            PAssertFailed(#cond, comment, __FILE__, __LINE__);                                     \
    } while (false)
