// CString. The object holds a pointer to the characters; a CStringData header
// sits in front of them. Empty strings share one static, never written buffer.
#include "AfxImpl.h"
#include <afxdisp.h>
#include <limits.h>
#include <stdio.h>
#include <wchar.h>
#include <wctype.h>

static_assert(sizeof(CString) == sizeof(void*), "CString must stay one pointer");

namespace
{
struct CStringData
{
    int nDataLength;    // characters, not counting the terminator
    int nAllocLength;   // capacity, not counting the terminator
};

struct CNilString
{
    CStringData data;
    wchar_t chNil;
};
CNilString s_nil = { { 0, 0 }, L'\0' };
LPWSTR const s_pszNil = &s_nil.chNil;

inline CStringData* GetData(LPCWSTR psz)
{
    return reinterpret_cast<CStringData*>(const_cast<LPWSTR>(psz)) - 1;
}

// Argument errors are reported as ATL does under MFC.
__declspec(noreturn) void ThrowInvalidArg()
{
    AfxThrowOleException(E_INVALIDARG);
}

// A writable buffer for nLength characters holding the empty string.
LPWSTR Allocate(int nLength)
{
    if (nLength < 0)
        ThrowInvalidArg();
    size_t cb = sizeof(CStringData) + ((size_t)nLength + 1) * sizeof(wchar_t);
    CStringData* pData = static_cast<CStringData*>(malloc(cb));
    if (pData == nullptr)
        AfxThrowMemoryException();
    pData->nDataLength = 0;
    pData->nAllocLength = nLength;
    LPWSTR psz = reinterpret_cast<LPWSTR>(pData + 1);
    psz[0] = L'\0';
    // The block lives on behind the characters; Release finds it from there.
    // cppcheck-suppress memleak
    return psz;
}

void Release(LPWSTR psz)
{
    if (psz != s_pszNil)
        free(GetData(psz));
}

void SetLength(LPWSTR psz, int nLength)
{
    if (psz == s_pszNil)
        return;   // only ever length 0
    GetData(psz)->nDataLength = nLength;
    psz[nLength] = L'\0';
}

// Replaces rpszData by a new buffer: safe when pch points into the old one.
void Adopt(LPWSTR& rpszData, LPWSTR pszNew)
{
    Release(rpszData);
    rpszData = pszNew;
}

void Assign(LPWSTR& rpszData, LPCWSTR pch, int nLength)
{
    if (nLength == 0)
    {
        Adopt(rpszData, s_pszNil);
        return;
    }
    LPWSTR psz = Allocate(nLength);
    wmemcpy(psz, pch, nLength);
    SetLength(psz, nLength);
    Adopt(rpszData, psz);
}

void AssignNarrow(LPWSTR& rpszData, LPCSTR psz)
{
    int nLength = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0) - 1;
    if (nLength <= 0)
    {
        Adopt(rpszData, s_pszNil);
        return;
    }
    LPWSTR pszNew = Allocate(nLength);
    ::MultiByteToWideChar(CP_ACP, 0, psz, -1, pszNew, nLength + 1);
    SetLength(pszNew, nLength);
    Adopt(rpszData, pszNew);
}

// Makes the buffer writable with room for nMinLength characters (at least the
// current length); the content is kept.
LPWSTR PrepareWrite(LPWSTR& rpszData, int nMinLength)
{
    if (nMinLength < 0)
        ThrowInvalidArg();
    CStringData* pData = GetData(rpszData);
    if (nMinLength < pData->nDataLength)
        nMinLength = pData->nDataLength;
    if (rpszData == s_pszNil || nMinLength > pData->nAllocLength)
    {
        LPWSTR psz = Allocate(nMinLength);
        wmemcpy(psz, rpszData, pData->nDataLength);
        SetLength(psz, pData->nDataLength);
        Adopt(rpszData, psz);
    }
    return rpszData;
}

// Inserts nCount characters at iIndex (0 <= iIndex <= length).
void InsertChars(LPWSTR& rpszData, int iIndex, LPCWSTR pch, int nCount)
{
    if (nCount <= 0)
        return;
    int nOldLength = GetData(rpszData)->nDataLength;
    if (nCount > INT_MAX - nOldLength)
        AfxThrowMemoryException();
    int nNewLength = nOldLength + nCount;
    if (rpszData != s_pszNil && iIndex == nOldLength && nNewLength <= GetData(rpszData)->nAllocLength)
    {
        wmemmove(rpszData + nOldLength, pch, nCount);   // appending in place
        SetLength(rpszData, nNewLength);
        return;
    }
    // Grow by half again when appending, so repeated += stays linear.
    int nAlloc = nNewLength;
    if (iIndex == nOldLength && nOldLength / 2 <= INT_MAX - nOldLength && nOldLength + nOldLength / 2 > nAlloc)
        nAlloc = nOldLength + nOldLength / 2;
    LPWSTR psz = Allocate(nAlloc);
    wmemcpy(psz, rpszData, iIndex);
    wmemcpy(psz + iIndex, pch, nCount);
    wmemcpy(psz + iIndex + nCount, rpszData + iIndex, nOldLength - iIndex);
    SetLength(psz, nNewLength);
    Adopt(rpszData, psz);
}

int SafeLength(LPCWSTR psz)
{
    return (psz == nullptr) ? 0 : (int)wcslen(psz);
}

// Length of the formatted text; va_list is consumed from a copy.
int FormattedLength(LPCWSTR pszFormat, va_list args)
{
    va_list argsCopy;
    va_copy(argsCopy, args);
    // msvcrt's own function: %s takes a wide string as in MSVC's CRT.
    int nLength = _vscwprintf(pszFormat, argsCopy);
    va_end(argsCopy);
    if (nLength < 0)
        ThrowInvalidArg();
    return nLength;
}

bool IsInSet(wchar_t ch, LPCWSTR pszTargets)
{
    return ch != L'\0' && pszTargets != nullptr && wcschr(pszTargets, ch) != nullptr;
}

template <class Pred>
void TrimRightIf(LPWSTR psz, Pred pred)
{
    int nLength = GetData(psz)->nDataLength;
    int nNewLength = nLength;
    while (nNewLength > 0 && pred(psz[nNewLength - 1]))
        nNewLength--;
    if (nNewLength != nLength)
        SetLength(psz, nNewLength);
}

template <class Pred>
void TrimLeftIf(LPWSTR psz, Pred pred)
{
    int nLength = GetData(psz)->nDataLength;
    int nSkip = 0;
    while (nSkip < nLength && pred(psz[nSkip]))
        nSkip++;
    if (nSkip != 0)
    {
        wmemmove(psz, psz + nSkip, nLength - nSkip);
        SetLength(psz, nLength - nSkip);
    }
}

bool IsSpace(wchar_t ch)
{
    return iswspace(ch) != 0;
}
}   // namespace

/////////////////////////////////////////////////////////////////////////////
// Construction and assignment

CString::CString()
    : m_pszData(s_pszNil)
{
}

CString::CString(const CString& strSrc)
    : m_pszData(s_pszNil)
{
    Assign(m_pszData, strSrc.m_pszData, strSrc.GetLength());
}

CString::CString(LPCWSTR pszSrc)
    : m_pszData(s_pszNil)
{
    // MAKEINTRESOURCE(nID) loads string nID, as in MFC.
    if (pszSrc != nullptr && IS_INTRESOURCE(pszSrc))
        LoadString(LOWORD((DWORD_PTR)pszSrc));
    else
        Assign(m_pszData, pszSrc, SafeLength(pszSrc));
}

CString::CString(LPCSTR pszSrc)
    : m_pszData(s_pszNil)
{
    if (pszSrc != nullptr && IS_INTRESOURCE(pszSrc))
        LoadString(LOWORD((DWORD_PTR)pszSrc));
    else if (pszSrc != nullptr)
        AssignNarrow(m_pszData, pszSrc);
}

CString::CString(wchar_t ch, int nRepeat)
    : m_pszData(s_pszNil)
{
    if (nRepeat > 0)
    {
        LPWSTR psz = Allocate(nRepeat);
        wmemset(psz, ch, nRepeat);
        SetLength(psz, nRepeat);
        m_pszData = psz;
    }
}

CString::CString(LPCWSTR pch, int nLength)
    : m_pszData(s_pszNil)
{
    if (nLength < 0 || (pch == nullptr && nLength != 0))
        ThrowInvalidArg();
    Assign(m_pszData, pch, nLength);
}

CString::~CString()
{
    Release(m_pszData);
}

CString& CString::operator=(const CString& strSrc)
{
    Assign(m_pszData, strSrc.m_pszData, strSrc.GetLength());
    return *this;
}

CString& CString::operator=(LPCWSTR pszSrc)
{
    Assign(m_pszData, pszSrc, SafeLength(pszSrc));
    return *this;
}

CString& CString::operator=(LPCSTR pszSrc)
{
    if (pszSrc == nullptr)
        Empty();
    else
        AssignNarrow(m_pszData, pszSrc);
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    Assign(m_pszData, &ch, 1);
    return *this;
}

/////////////////////////////////////////////////////////////////////////////
// Attributes

int CString::GetLength() const
{
    return GetData(m_pszData)->nDataLength;
}

bool CString::IsEmpty() const
{
    return GetLength() == 0;
}

void CString::Empty()
{
    Adopt(m_pszData, s_pszNil);
}

wchar_t CString::GetAt(int iChar) const
{
    if (iChar < 0 || iChar > GetLength())
        ThrowInvalidArg();
    return m_pszData[iChar];
}

void CString::SetAt(int iChar, wchar_t ch)
{
    if (iChar < 0 || iChar >= GetLength())
        ThrowInvalidArg();
    m_pszData[iChar] = ch;
}

wchar_t CString::operator[](int iChar) const
{
    return GetAt(iChar);
}

/////////////////////////////////////////////////////////////////////////////
// Concatenation and comparison

CString& CString::operator+=(const CString& str)
{
    InsertChars(m_pszData, GetLength(), str.m_pszData, str.GetLength());
    return *this;
}

CString& CString::operator+=(LPCWSTR psz)
{
    InsertChars(m_pszData, GetLength(), psz, SafeLength(psz));
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    InsertChars(m_pszData, GetLength(), &ch, 1);
    return *this;
}

int CString::Compare(LPCWSTR psz) const
{
    return wcscmp(m_pszData, psz);
}

int CString::CompareNoCase(LPCWSTR psz) const
{
    return _wcsicmp(m_pszData, psz);
}

int CString::Collate(LPCWSTR psz) const
{
    return wcscoll(m_pszData, psz);
}

/////////////////////////////////////////////////////////////////////////////
// Formatting

void CString::Format(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCWSTR pszFormat, va_list args)
{
    if (pszFormat == nullptr)
        ThrowInvalidArg();
    int nLength = FormattedLength(pszFormat, args);
    // A new buffer: the arguments may point into the current one.
    LPWSTR psz = Allocate(nLength);
    _vsnwprintf(psz, (size_t)nLength + 1, pszFormat, args);
    SetLength(psz, nLength);
    Adopt(m_pszData, psz);
}

void CString::AppendFormat(LPCWSTR pszFormat, ...)
{
    CString strAppend;
    va_list args;
    va_start(args, pszFormat);
    strAppend.FormatV(pszFormat, args);
    va_end(args);
    *this += strAppend;
}

/////////////////////////////////////////////////////////////////////////////
// BSTR support

BSTR CString::AllocSysString() const
{
    BSTR bstr = ::SysAllocStringLen(m_pszData, GetLength());
    if (bstr == nullptr)
        AfxThrowMemoryException();
    return bstr;
}

BSTR CString::SetSysString(BSTR* pbstr) const
{
    if (!::SysReAllocStringLen(pbstr, m_pszData, GetLength()))
        AfxThrowMemoryException();
    return *pbstr;
}

/////////////////////////////////////////////////////////////////////////////
// Direct buffer access

LPWSTR CString::GetBuffer()
{
    return PrepareWrite(m_pszData, 0);
}

LPWSTR CString::GetBuffer(int nMinBufferLength)
{
    return PrepareWrite(m_pszData, nMinBufferLength);
}

LPWSTR CString::GetBufferSetLength(int nLength)
{
    LPWSTR psz = PrepareWrite(m_pszData, nLength);
    SetLength(psz, nLength);
    return psz;
}

void CString::ReleaseBuffer(int nNewLength)
{
    int nAllocLength = GetData(m_pszData)->nAllocLength;
    if (nNewLength == -1)
        nNewLength = (int)wcsnlen(m_pszData, nAllocLength);
    if (nNewLength < 0 || nNewLength > nAllocLength)
        ThrowInvalidArg();
    SetLength(m_pszData, nNewLength);
}

/////////////////////////////////////////////////////////////////////////////
// Extraction and searching: out-of-range requests are clamped, as in MFC.

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    return (nCount >= GetLength()) ? *this : CString(m_pszData, nCount);
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    int nLength = GetLength();
    return (nCount >= nLength) ? *this : CString(m_pszData + nLength - nCount, nCount);
}

CString CString::Mid(int iFirst) const
{
    return Mid(iFirst, GetLength() - iFirst);
}

CString CString::Mid(int iFirst, int nCount) const
{
    int nLength = GetLength();
    if (iFirst < 0)
        iFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (iFirst > nLength)
        return CString();
    if (nCount > nLength - iFirst)
        nCount = nLength - iFirst;
    return CString(m_pszData + iFirst, nCount);
}

int CString::Find(wchar_t ch, int iStart) const
{
    if (iStart < 0 || iStart >= GetLength())
        return -1;
    LPCWSTR psz = wcschr(m_pszData + iStart, ch);
    return (psz == nullptr) ? -1 : (int)(psz - m_pszData);
}

int CString::Find(LPCWSTR pszSub, int iStart) const
{
    if (pszSub == nullptr || iStart < 0 || iStart > GetLength())
        return -1;
    LPCWSTR psz = wcsstr(m_pszData + iStart, pszSub);
    return (psz == nullptr) ? -1 : (int)(psz - m_pszData);
}

int CString::ReverseFind(wchar_t ch) const
{
    LPCWSTR psz = wcsrchr(m_pszData, ch);
    return (psz == nullptr) ? -1 : (int)(psz - m_pszData);
}

/////////////////////////////////////////////////////////////////////////////
// Modification

CString& CString::MakeUpper()
{
    if (!IsEmpty())
        _wcsupr(m_pszData);
    return *this;
}

CString& CString::MakeLower()
{
    if (!IsEmpty())
        _wcslwr(m_pszData);
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(wchar_t chTarget)
{
    return TrimRight(chTarget).TrimLeft(chTarget);
}

CString& CString::Trim(LPCWSTR pszTargets)
{
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

CString& CString::TrimLeft()
{
    TrimLeftIf(m_pszData, IsSpace);
    return *this;
}

CString& CString::TrimLeft(wchar_t chTarget)
{
    TrimLeftIf(m_pszData, [chTarget](wchar_t ch) { return ch == chTarget; });
    return *this;
}

CString& CString::TrimLeft(LPCWSTR pszTargets)
{
    TrimLeftIf(m_pszData, [pszTargets](wchar_t ch) { return IsInSet(ch, pszTargets); });
    return *this;
}

CString& CString::TrimRight()
{
    TrimRightIf(m_pszData, IsSpace);
    return *this;
}

CString& CString::TrimRight(wchar_t chTarget)
{
    TrimRightIf(m_pszData, [chTarget](wchar_t ch) { return ch == chTarget; });
    return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets)
{
    TrimRightIf(m_pszData, [pszTargets](wchar_t ch) { return IsInSet(ch, pszTargets); });
    return *this;
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    int nCount = 0;
    if (chOld == chNew)
        return 0;
    int nLength = GetLength();
    for (int i = 0; i < nLength; i++)
    {
        if (m_pszData[i] == chOld)
        {
            m_pszData[i] = chNew;
            nCount++;
        }
    }
    return nCount;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew)
{
    int nOldLength = SafeLength(pszOld);
    if (nOldLength == 0)
        return 0;
    int nNewLength = SafeLength(pszNew);

    int nCount = 0;
    for (LPCWSTR psz = wcsstr(m_pszData, pszOld); psz != nullptr; psz = wcsstr(psz + nOldLength, pszOld))
        nCount++;
    if (nCount == 0)
        return 0;

    long long nResultLength = GetLength() + (long long)nCount * (nNewLength - nOldLength);
    if (nResultLength > INT_MAX)
        AfxThrowMemoryException();
    LPWSTR pszResult = Allocate((int)nResultLength);
    LPWSTR pszOut = pszResult;
    LPCWSTR pszIn = m_pszData;
    for (LPCWSTR pszMatch = wcsstr(pszIn, pszOld); pszMatch != nullptr; pszMatch = wcsstr(pszIn, pszOld))
    {
        wmemcpy(pszOut, pszIn, pszMatch - pszIn);
        pszOut += pszMatch - pszIn;
        wmemcpy(pszOut, pszNew, nNewLength);
        pszOut += nNewLength;
        pszIn = pszMatch + nOldLength;
    }
    wmemcpy(pszOut, pszIn, m_pszData + GetLength() - pszIn);
    SetLength(pszResult, (int)nResultLength);
    Adopt(m_pszData, pszResult);
    return nCount;
}

int CString::Insert(int iIndex, wchar_t ch)
{
    return Insert(iIndex, CString(ch));
}

int CString::Insert(int iIndex, LPCWSTR psz)
{
    if (iIndex < 0)
        iIndex = 0;
    if (iIndex > GetLength())
        iIndex = GetLength();
    InsertChars(m_pszData, iIndex, psz, SafeLength(psz));
    return GetLength();
}

int CString::Delete(int iIndex, int nCount)
{
    int nLength = GetLength();
    if (iIndex < 0)
        iIndex = 0;
    if (nCount < 0)
        nCount = 0;
    if (nCount > nLength - iIndex)
        nCount = nLength - iIndex;
    if (nCount > 0)
    {
        wmemmove(m_pszData + iIndex, m_pszData + iIndex + nCount, nLength - iIndex - nCount);
        SetLength(m_pszData, nLength - nCount);
    }
    return GetLength();
}

/////////////////////////////////////////////////////////////////////////////
// Resources

BOOL CString::LoadString(UINT nID)
{
    HINSTANCE hInstance = AfxFindStringResourceHandle(nID);
    return hInstance != nullptr && LoadString(hInstance, nID);
}

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID)
{
    int nLength = 0;
    LPCWSTR pch = AfxGetStringResource(hInstance, nID, &nLength);
    if (pch == nullptr)
        return FALSE;
    Assign(m_pszData, pch, nLength);
    return TRUE;
}
