#pragma once

// Fatal assertion for programming errors: one level-0 log line, then abort.
[[noreturn]] void PAssertFailed(
    const char* pCondition, const char* pComment, const char* pFile, int nLine);

// The file and line are given explicitly where the logged location is part of
// the system's contract; P_ASSERT uses the real ones.
#define P_ASSERT_AT(cond, comment, file, line)                                                     \
    do {                                                                                           \
        if (!(cond))                                                                               \
            PAssertFailed(#cond, comment, file, line);                                             \
    } while (false)

#define P_ASSERT(cond) P_ASSERT_AT(cond, "", __FILE__, __LINE__)
