// KivoCameraTables.cpp: the measure and search tables of the camera. The two
// pairs of members differ only in the server operation and the name text.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoSafeArray.h"

void CKIVOClient::SetMeasureTab(int* pnValues, int nCount)
{
    SetTable(pnValues, nCount, &IKIVOCamera::SetMeasureTab, _T("SetMeasureTab"));
}

int CKIVOClient::GetMeasureTab(int* pnValues, int nCount)
{
    return GetTable(pnValues, nCount, &IKIVOCamera::GetMeasureTab, _T("GetMeasureTab"));
}

void CKIVOClient::SetSearchTab(int* pnValues, int nCount)
{
    SetTable(pnValues, nCount, &IKIVOCamera::SetSearchTab, _T("SetSearchTab"));
}

int CKIVOClient::GetSearchTab(int* pnValues, int nCount)
{
    return GetTable(pnValues, nCount, &IKIVOCamera::GetSearchTab, _T("GetSearchTab"));
}

void CKIVOClient::SetTable(int* pnValues, int nCount, SetTableCall pfnSet, LPCTSTR pszName)
{
    CheckConnection(pszName);
    // A negative count, or no values where some are announced, is the caller's error.
    if (nCount < 0 || (pnValues == nullptr && nCount > 0))
        HandleConnectionError(E_INVALIDARG, pszName);

    COleSafeArray table;
    table.CreateOneDim(VT_I4, static_cast<DWORD>(nCount));
    for (long i = 0; i < nCount; ++i)
        table.PutElement(&i, &pnValues[i]);
    HandleConnectionError((GetICamera()->*pfnSet)(table.parray), pszName);
}

int CKIVOClient::GetTable(int* pnValues, int nCount, GetTableCall pfnGet, LPCTSTR pszName)
{
    CheckConnection(pszName);
    if (nCount < 0 || (pnValues == nullptr && nCount > 0))
        HandleConnectionError(E_INVALIDARG, pszName);

    CKIVOSafeArrayHolder table;
    HandleConnectionError((GetICamera()->*pfnGet)(&table), pszName);
    // An array that is not a vector of 32-bit entries from index 0 is no
    // table: its bounds would claim entries that it does not hold; nor is one
    // whose count does not fit the result.
    int nEntries = 0;
    if (!table.IsVectorOf(sizeof(int)) || !table.GetCount(&nEntries) || !table.Lock())
        throw new CKIVOClientException(0, CEXC_NO_TABLE, pszName);
    CopyFromSafeArray(table, pnValues, nCount < nEntries ? nCount : nEntries, sizeof(int));
    return nEntries;
}
