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

#endif
