/* Included first in every file of the MSVC-mode compile check
   (cmake/toolchain-msvc-check.cmake): what mingw-w64's C and C++ library
   headers expect of GCC and clang-cl does not give in Microsoft's mode. */
#ifndef KIVO_MSVC_CHECK_PRELUDE_H
#define KIVO_MSVC_CHECK_PRELUDE_H

/* The headers take their GCC branches. */
#define __GNUC__ 4
#define __GNUC_MINOR__ 9
/* GCC's name of the 128-bit integer type, which libstdc++ checks for. */
#define __GLIBCXX_TYPE_INT_N_0 __int128
#define __GLIBCXX_BITSIZE_INT_N_0 128
/* <atomic>: always lock-free on x64. */
#define __GCC_ATOMIC_BOOL_LOCK_FREE 2
#define __GCC_ATOMIC_CHAR_LOCK_FREE 2
#define __GCC_ATOMIC_CHAR16_T_LOCK_FREE 2
#define __GCC_ATOMIC_CHAR32_T_LOCK_FREE 2
#define __GCC_ATOMIC_WCHAR_T_LOCK_FREE 2
#define __GCC_ATOMIC_SHORT_LOCK_FREE 2
#define __GCC_ATOMIC_INT_LOCK_FREE 2
#define __GCC_ATOMIC_LONG_LOCK_FREE 2
#define __GCC_ATOMIC_LLONG_LOCK_FREE 2
#define __GCC_ATOMIC_POINTER_LOCK_FREE 2
#define __GCC_ATOMIC_TEST_AND_SET_TRUEVAL 1
/* _mingw.h declares imported data (__MINGW_IMPORT) only where __declspec is
   a macro, as GCC has it; here it is a keyword, named by a macro of itself. */
#define __declspec __declspec

/* Microsoft's headers deprecate the C runtime's unsafe functions (warning
   C4996). mingw-w64 marks them so on request, and memcpy, memmove, wmemcpy and
   wmemmove too, which Microsoft's headers leave alone. So the headers that
   declare those come first without the marks, the marks go on for every later
   header, and the unsafe functions of the first headers get theirs here. */
#include <string.h>
#include <memory.h>
#include <wchar.h>
#undef __MINGW_ATTRIB_DEPRECATED_STR
#define __MINGW_ATTRIB_DEPRECATED_STR(X) __attribute__((__deprecated__(X)))
#ifdef __cplusplus
// A list of declarations, laid out as a list.
// clang-format off
#define KIVO_UNSAFE(f) \
    extern "C" __attribute__((__deprecated__(__MINGW_SEC_WARN_STR))) decltype(f) f;
#define KIVO_UNSAFE_IMPORTED(f) \
    extern "C" __declspec(dllimport) __attribute__((__deprecated__(__MINGW_SEC_WARN_STR))) decltype(f) f;
KIVO_UNSAFE(strcpy) KIVO_UNSAFE(strcat) KIVO_UNSAFE(strncpy) KIVO_UNSAFE(strncat)
KIVO_UNSAFE(strtok) KIVO_UNSAFE(strerror) KIVO_UNSAFE(_strset)
KIVO_UNSAFE(wcscpy) KIVO_UNSAFE(wcscat) KIVO_UNSAFE(wcsncpy) KIVO_UNSAFE(wcsncat)
KIVO_UNSAFE(_wctime)
KIVO_UNSAFE_IMPORTED(_strerror) KIVO_UNSAFE_IMPORTED(_strlwr) KIVO_UNSAFE_IMPORTED(_strupr)
KIVO_UNSAFE_IMPORTED(_strnset) KIVO_UNSAFE_IMPORTED(_wcserror) KIVO_UNSAFE_IMPORTED(__wcserror)
KIVO_UNSAFE_IMPORTED(_wcslwr) KIVO_UNSAFE_IMPORTED(_wcsupr) KIVO_UNSAFE_IMPORTED(_wcsset)
KIVO_UNSAFE_IMPORTED(_wcsnset) KIVO_UNSAFE_IMPORTED(_wfopen) KIVO_UNSAFE_IMPORTED(_wfreopen)
KIVO_UNSAFE_IMPORTED(_wgetenv) KIVO_UNSAFE_IMPORTED(_wtmpnam)
// clang-format on
#undef KIVO_UNSAFE
#undef KIVO_UNSAFE_IMPORTED
#endif

#endif
