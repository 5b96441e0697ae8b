// Modules of the process as MFC sees them: the application, the extension
// libraries (CDynLinkLibrary list) and this library, and the string resources
// looked up through them.
#include "AfxImpl.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

// One state for the process: all modules share this library's globals.
class AFX_MODULE_STATE
{
};

namespace
{
AFX_MODULE_STATE s_moduleState;

// Guards the list; taken by DllMain of extension libraries and by any thread
// loading a string.
SRWLOCK s_lockLibraries = SRWLOCK_INIT;
CDynLinkLibrary* s_pFirstLibrary = nullptr;

class CLibraryListLock
{
public:
    explicit CLibraryListLock(bool bExclusive)
        : m_bExclusive(bExclusive)
    {
        if (m_bExclusive)
            ::AcquireSRWLockExclusive(&s_lockLibraries);
        else
            ::AcquireSRWLockShared(&s_lockLibraries);
    }
    ~CLibraryListLock()
    {
        if (m_bExclusive)
            ::ReleaseSRWLockExclusive(&s_lockLibraries);
        else
            ::ReleaseSRWLockShared(&s_lockLibraries);
    }

private:
    bool m_bExclusive;
};
}   // namespace

AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState()
{
    return &s_moduleState;
}

// Nothing of this library waits for it: the module list and the handle maps
// are set up when the DLL loads. The application's instance handle is the
// one GetModuleHandle(NULL) gives.
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR, int)
{
    return hInstance != nullptr;
}

/////////////////////////////////////////////////////////////////////////////
// Extension libraries

IMPLEMENT_DYNAMIC(CDynLinkLibrary, CObject)

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule)
    , m_hResource(state.hResource)
    , m_bSystem(bSystem)
{
    // Newest first: a later library's resources take precedence.
    CLibraryListLock lock(true);
    m_pNextDLL = s_pFirstLibrary;
    s_pFirstLibrary = this;
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    CLibraryListLock lock(true);
    for (CDynLinkLibrary** ppLibrary = &s_pFirstLibrary; *ppLibrary != nullptr; ppLibrary = &(*ppLibrary)->m_pNextDLL)
    {
        if (*ppLibrary == this)
        {
            *ppLibrary = m_pNextDLL;
            break;
        }
    }
}

BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule)
{
    if (!state.bInitialized)
    {
        state.bInitialized = TRUE;
        state.hModule = hModule;
        state.hResource = hModule;
    }
    return TRUE;
}

void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll)
{
    if (!state.bInitialized)
        return;
    // Unlink under the lock, delete outside it (the destructor locks again).
    CDynLinkLibrary* pDoomed = nullptr;
    {
        CLibraryListLock lock(true);
        CDynLinkLibrary** ppLibrary = &s_pFirstLibrary;
        while (*ppLibrary != nullptr)
        {
            CDynLinkLibrary* pLibrary = *ppLibrary;
            if (bAll || pLibrary->m_hModule == state.hModule)
            {
                *ppLibrary = pLibrary->m_pNextDLL;
                pLibrary->m_pNextDLL = pDoomed;
                pDoomed = pLibrary;
            }
            else
            {
                ppLibrary = &pLibrary->m_pNextDLL;
            }
        }
    }
    while (pDoomed != nullptr)
    {
        CDynLinkLibrary* pNext = pDoomed->m_pNextDLL;
        pDoomed->m_pNextDLL = nullptr;
        delete pDoomed;
        pDoomed = pNext;
    }
}

/////////////////////////////////////////////////////////////////////////////
// String resources

HINSTANCE AfxGetLibraryInstance()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

LPCWSTR AfxGetStringResource(HINSTANCE hInstance, UINT nID, int* pnLength)
{
    // Strings are stored in blocks of 16, each a length-prefixed run of UTF-16.
    HRSRC hResource = ::FindResource(hInstance, MAKEINTRESOURCE((nID >> 4) + 1), RT_STRING);
    HGLOBAL hGlobal = (hResource != nullptr) ? ::LoadResource(hInstance, hResource) : nullptr;
    const WORD* pw = (hGlobal != nullptr) ? static_cast<const WORD*>(::LockResource(hGlobal)) : nullptr;
    if (pw == nullptr)
        return nullptr;
    const WORD* pwEnd = pw + ::SizeofResource(hInstance, hResource) / sizeof(WORD);
    for (UINT nIndex = nID & 0x0F; nIndex > 0 && pw < pwEnd; nIndex--)
        pw += 1 + *pw;
    if (pw >= pwEnd || *pw == 0 || pw + 1 + *pw > pwEnd)
        return nullptr;
    *pnLength = *pw;
    return reinterpret_cast<LPCWSTR>(pw + 1);
}

HINSTANCE AfxFindStringResourceHandle(UINT nID)
{
    int nLength;
    HINSTANCE hApplication = ::GetModuleHandle(nullptr);
    if (AfxGetStringResource(hApplication, nID, &nLength) != nullptr)
        return hApplication;
    {
        CLibraryListLock lock(false);
        for (int nPass = 0; nPass < 2; nPass++)   // ordinary libraries, then system ones
        {
            for (CDynLinkLibrary* pLibrary = s_pFirstLibrary; pLibrary != nullptr; pLibrary = pLibrary->m_pNextDLL)
            {
                if ((pLibrary->m_bSystem != FALSE) == (nPass == 1) && pLibrary->m_hResource != nullptr
                    && AfxGetStringResource(pLibrary->m_hResource, nID, &nLength) != nullptr)
                {
                    return pLibrary->m_hResource;
                }
            }
        }
    }
    HINSTANCE hLibrary = AfxGetLibraryInstance();
    return (AfxGetStringResource(hLibrary, nID, &nLength) != nullptr) ? hLibrary : nullptr;
}
