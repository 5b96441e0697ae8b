// Imports a DLL that is not beside it: Wine cannot start it.
extern "C" __declspec(dllimport) int KivoRunnerTestValue();

int main()
{
    return KivoRunnerTestValue();
}
