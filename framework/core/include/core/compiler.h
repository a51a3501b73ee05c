#pragma once
// Silencing one warning that GCC gives wrongly, over the few lines between the two macros:
//   LARK_GCC_FALSE_POSITIVE("-Wrestrict")  ...  LARK_GCC_FALSE_POSITIVE_END
// Each use says which of GCC's faults it is. Every other warning fails the build, so this is
// for a report shown wrong, never for a fault in the code. Nothing under other compilers.
#if defined(__GNUC__) && !defined(__clang__)
#define LARK_GCC_PRAGMA_(text) _Pragma(#text)
#define LARK_GCC_FALSE_POSITIVE(warning) \
    _Pragma("GCC diagnostic push") LARK_GCC_PRAGMA_(GCC diagnostic ignored warning)
#define LARK_GCC_FALSE_POSITIVE_END _Pragma("GCC diagnostic pop")
#else
#define LARK_GCC_FALSE_POSITIVE(warning)
#define LARK_GCC_FALSE_POSITIVE_END
#endif
