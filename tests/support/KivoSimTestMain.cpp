// KivoSimTestMain.cpp: main of the test programs that talk to the camera
// simulator process; the main thread is a single-threaded apartment.
#include "KivoTestSupport.h"
#include "KivoComInit.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CKIVOComInit com(COINIT_APARTMENTTHREADED);
    return RUN_ALL_TESTS();
}
