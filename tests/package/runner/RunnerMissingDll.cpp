// A DLL that the runner test keeps away from the program that imports it.
#include <windows.h>

extern "C" __declspec(dllexport) int KivoRunnerTestValue()
{
    return 7;
}
