// KivoTestMain.cpp: main of the client library's test programs. The main thread
// is a single-threaded apartment, as an application's window thread would be;
// the test camera server runs in the multithreaded apartment of this process.
#include "KivoTestSupport.h"
#include "TestCameraServer.h"
#include "KivoComInit.h"

namespace
{
CTestCameraServer* s_pServer = nullptr;
}

CTestCameraServer& TestServer()
{
    return *s_pServer;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CKIVOComInit com(COINIT_APARTMENTTHREADED);   // ends after the server
    CTestCameraServer server;
    if (!server.IsRegistered())
    {
        fprintf(stderr, "the test camera server could not be registered\n");
        return 2;
    }
    s_pServer = &server;
    const int nResult = RUN_ALL_TESTS();
    s_pServer = nullptr;
    return nResult;
}
