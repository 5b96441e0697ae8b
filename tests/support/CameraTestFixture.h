// CameraTestFixture.h: a connected client and the test server's script.
#pragma once

#include "KivoTestSupport.h"
#include "TestCameraServer.h"

class CameraTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Script().Reset();
        m_client.Connect();
        Script().Reset();   // forget the connection's own calls
    }
    void TearDown() override
    {
        Script().Reset();
        EXPECT_NO_THROW(m_client.Stop(0));
        m_client.Disconnect();
    }
    CTestCameraScript& Script() { return TestServer().Script(); }

    // Methods the server saw since the last reset, except the registration.
    std::vector<std::string> Methods() { return Script().GetMethods(); }

    CTestableClient m_client;
};
