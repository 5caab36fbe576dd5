// Export.h - symbol visibility for the engine library.
//
// The library is built with hidden visibility; only what is marked KAZ_API is
// exported (the entry points, the file system and the math module initialiser).
// Part of the ground floor (kaz_base) with Log and StringUtil; builds on nothing.
#pragma once

#define KAZ_API __attribute__((visibility("default")))
#define KAZ_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
