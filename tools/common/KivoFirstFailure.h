// KivoFirstFailure.h: steps that must all be tried on the way out (stop the
// live picture, release the camera, write settings back). The first
// exception of type TException (thrown by pointer, as MFC's) is kept and
// thrown, as that type, once all were tried; others pass through.
#pragma once

#include <afx.h>

template <class TException>
class CKIVOFirstFailure
{
public:
    CKIVOFirstFailure()
        : m_pFirst(nullptr)
    {
    }
    virtual ~CKIVOFirstFailure()
    {
        if (m_pFirst != nullptr)
            m_pFirst->Delete();
    }
    CKIVOFirstFailure(const CKIVOFirstFailure&) = delete;
    CKIVOFirstFailure& operator=(const CKIVOFirstFailure&) = delete;

    template <typename TStep>
    void Run(TStep step)
    {
        try
        {
            step();
        }
        catch (TException* pException)
        {
            if (m_pFirst == nullptr)
                m_pFirst = pException;
            else
                OnLaterFailure(pException);
        }
    }

    // Throws the first failure kept, if any.
    void ThrowIfAny()
    {
        TException* pFirst = m_pFirst;
        m_pFirst = nullptr;
        if (pFirst != nullptr)
            throw pFirst;
    }

protected:
    // A failure after the first: ended here unless a program reports it.
    virtual void OnLaterFailure(TException* pException) { pException->Delete(); }

private:
    TException* m_pFirst;
};
