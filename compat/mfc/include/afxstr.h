// afxstr.h - CString, the Unicode string of MFC (TCHAR = wchar_t).
//
// The object is a single pointer to the characters; a hidden header in front of
// them holds the length and capacity. Every allocation and release happens
// inside the MFC library, so strings may be passed freely between modules.
#pragma once
#ifndef __AFXSTR_H__
#define __AFXSTR_H__

#ifndef __AFX_H__
#include <afx.h>
#endif

// Defining _ATL_CSTRING_EXPLICIT_CONSTRUCTORS makes the converting
// constructors explicit, as in ATL.
#ifdef _ATL_CSTRING_EXPLICIT_CONSTRUCTORS
#define CSTRING_EXPLICIT explicit
#else
#define CSTRING_EXPLICIT
#endif

class KIVOMFC_API CString
{
public:
    // Constructors
    CString();
    CString(const CString& strSrc);
    CString(LPCWSTR pszSrc);                   // NULL gives an empty string
    CSTRING_EXPLICIT CString(LPCSTR pszSrc);   // converted from the ANSI code page
    CSTRING_EXPLICIT CString(wchar_t ch, int nRepeat = 1);
    CString(LPCWSTR pch, int nLength);
    ~CString();

    // Assignment
    CString& operator=(const CString& strSrc);
    CString& operator=(LPCWSTR pszSrc);
    CString& operator=(LPCSTR pszSrc);
    CString& operator=(wchar_t ch);

    // Attributes
    operator LPCWSTR() const { return m_pszData; }
    LPCWSTR GetString() const { return m_pszData; }
    int GetLength() const;
    bool IsEmpty() const;
    void Empty();

    wchar_t GetAt(int iChar) const;   // iChar may address the terminator
    void SetAt(int iChar, wchar_t ch);
    wchar_t operator[](int iChar) const;

    // Concatenation
    CString& operator+=(const CString& str);
    CString& operator+=(LPCWSTR psz);
    CString& operator+=(wchar_t ch);

    // Comparison
    int Compare(LPCWSTR psz) const;
    int CompareNoCase(LPCWSTR psz) const;
    int Collate(LPCWSTR psz) const;

    // Formatting (MSVC printf rules: %s is a wide string, %S a narrow one)
    void AFX_CDECL Format(LPCWSTR pszFormat, ...);
    void FormatV(LPCWSTR pszFormat, va_list args);
    void AFX_CDECL AppendFormat(LPCWSTR pszFormat, ...);

    // BSTR support
    BSTR AllocSysString() const;
    BSTR SetSysString(BSTR* pbstr) const;

    // Direct buffer access
    LPWSTR GetBuffer();
    LPWSTR GetBuffer(int nMinBufferLength);
    LPWSTR GetBufferSetLength(int nLength);
    void ReleaseBuffer(int nNewLength = -1);

    // Extraction
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;

    // Searching
    int Find(wchar_t ch, int iStart = 0) const;
    int Find(LPCWSTR pszSub, int iStart = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Modification
    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();
    CString& Trim(wchar_t chTarget);
    CString& Trim(LPCWSTR pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(wchar_t chTarget);
    CString& TrimLeft(LPCWSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(wchar_t chTarget);
    CString& TrimRight(LPCWSTR pszTargets);
    int Replace(wchar_t chOld, wchar_t chNew);
    int Replace(LPCWSTR pszOld, LPCWSTR pszNew);
    int Insert(int iIndex, wchar_t ch);
    int Insert(int iIndex, LPCWSTR psz);
    int Delete(int iIndex, int nCount = 1);

    // Resources: the application is searched first, then the extension
    // libraries, then MFC itself.
    BOOL LoadString(UINT nID);
    BOOL LoadString(HINSTANCE hInstance, UINT nID);

private:
    LPWSTR m_pszData;
};

inline CString operator+(const CString& str1, const CString& str2)
{
    CString s(str1);
    s += str2;
    return s;
}
inline CString operator+(const CString& str1, LPCWSTR psz2)
{
    CString s(str1);
    s += psz2;
    return s;
}
inline CString operator+(LPCWSTR psz1, const CString& str2)
{
    CString s(psz1);
    s += str2;
    return s;
}
inline CString operator+(const CString& str1, wchar_t ch2)
{
    CString s(str1);
    s += ch2;
    return s;
}
inline CString operator+(wchar_t ch1, const CString& str2)
{
    CString s(ch1);
    s += str2;
    return s;
}

inline bool operator==(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) == 0;
}
inline bool operator==(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) == 0;
}
inline bool operator==(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) == 0;
}
inline bool operator!=(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) != 0;
}
inline bool operator!=(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) != 0;
}
inline bool operator!=(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) != 0;
}
inline bool operator<(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) < 0;
}
inline bool operator<(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) < 0;
}
inline bool operator<(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) > 0;
}
inline bool operator>(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) > 0;
}
inline bool operator>(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) > 0;
}
inline bool operator>(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) < 0;
}
inline bool operator<=(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) <= 0;
}
inline bool operator<=(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) <= 0;
}
inline bool operator<=(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) >= 0;
}
inline bool operator>=(const CString& str1, const CString& str2)
{
    return str1.Compare(str2) >= 0;
}
inline bool operator>=(const CString& str1, LPCWSTR psz2)
{
    return str1.Compare(psz2) >= 0;
}
inline bool operator>=(LPCWSTR psz1, const CString& str2)
{
    return str2.Compare(psz1) <= 0;
}

#endif   // __AFXSTR_H__
