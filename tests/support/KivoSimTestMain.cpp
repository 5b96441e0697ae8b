// KivoSimTestMain.cpp: main of the test programs that talk to the camera
// simulator process; the main thread is a single-threaded apartment.
#include "KivoTestSupport.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int nResult = RUN_ALL_TESTS();
    CoUninitialize();
    return nResult;
}
