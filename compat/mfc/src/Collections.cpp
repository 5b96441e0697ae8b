// Out-of-line parts of the collection templates: CPlex blocks and string hashes.
#include <afxtempl.h>

CPlex* PASCAL CPlex::Create(CPlex*& pHead, UINT_PTR nMax, UINT_PTR cbElement)
{
    if (nMax == 0 || cbElement == 0 || nMax > ((UINT_PTR)-1 - sizeof(CPlex)) / cbElement)
        AfxThrowInvalidArgException();
    CPlex* p = static_cast<CPlex*>(malloc(sizeof(CPlex) + nMax * cbElement));
    if (p == nullptr)
        AfxThrowMemoryException();
    p->pNext = pHead;
    pHead = p;   // blocks are chained newest first
    return p;
}

void CPlex::FreeDataChain()
{
    CPlex* p = this;
    while (p != nullptr)
    {
        CPlex* pNext = p->pNext;
        free(p);
        p = pNext;
    }
}

namespace
{
template <typename TChar>
UINT HashString(const TChar* key)
{
    ENSURE_ARG(key != nullptr);
    UINT nHash = 0;
    while (*key)
        nHash = (nHash << 5) + nHash + *key++;
    return nHash;
}
}

template <>
UINT AFXAPI HashKey<LPCWSTR>(LPCWSTR key)
{
    return HashString(key);
}

template <>
UINT AFXAPI HashKey<LPCSTR>(LPCSTR key)
{
    return HashString(key);
}
