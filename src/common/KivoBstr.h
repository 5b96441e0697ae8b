// KivoBstr.h: the owner of one BSTR, to and from the server.
#pragma once

#include <afx.h>
#include <oleauto.h>

class CKIVOBstr
{
public:
    CKIVOBstr() : m_bstr(NULL) {}
    // A string for the server, with every character of the text, embedded NULs included.
    explicit CKIVOBstr(const CString& str) : m_bstr(str.AllocSysString()) {}
    ~CKIVOBstr() { Reset(); }

    BSTR Get() const { return m_bstr; }
    void Reset()
    {
        SysFreeString(m_bstr);
        m_bstr = NULL;
    }
    // Out parameter for a string that the server hands over.
    BSTR* Receive()
    {
        Reset();
        return &m_bstr;
    }
    // The whole string as the server sent it: SysStringLen characters, so a
    // text with an embedded NUL keeps its full length.
    CString ToString() const
    {
        return m_bstr != NULL ? CString(m_bstr, static_cast<int>(SysStringLen(m_bstr))) : CString();
    }

private:
    CKIVOBstr(const CKIVOBstr&);
    CKIVOBstr& operator=(const CKIVOBstr&);

    BSTR m_bstr;
};
