// KivoServerStateName.cpp: the camera's server state in words.
#include "KivoServerStateName.h"

LPCWSTR GetServerStateName(tagEServerState eState)
{
    switch (eState)
    {
    case SERVERSTATE_CLOSED:      return L"closed";
    case SERVERSTATE_OPENED:      return L"opened";
    case SERVERSTATE_INITIALIZED: return L"initialised";
    case SERVERSTATE_STARTED:     return L"started";
    case SERVERSTATE_STOPPED:     return L"stopped";
    case SERVERSTATE_ERROR:       return L"in error";
    default:                      return L"unknown";
    }
}
