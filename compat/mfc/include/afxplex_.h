// afxplex_.h - CPlex, the block allocator behind the collection classes.
#pragma once
#ifndef __AFXPLEX_H__
#define __AFXPLEX_H__

#ifndef __AFX_H__
#include <afx.h>
#endif

struct KIVOMFC_API CPlex   // variable length: the elements follow the header
{
    CPlex* pNext;

    void* data() { return this + 1; }

    // Allocates a block of nMax elements of cbElement bytes (not zeroed) and
    // links it in front of pHead. Throws CMemoryException*.
    static CPlex* PASCAL Create(CPlex*& pHead, UINT_PTR nMax, UINT_PTR cbElement);

    void FreeDataChain();   // frees this block and all that follow
};

#endif   // __AFXPLEX_H__
