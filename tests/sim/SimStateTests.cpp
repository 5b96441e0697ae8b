// The camera's state machine, its errors and the announced client processes.
#include "SimTestSupport.h"

TEST_F(CSimTest, GoesThroughTheStatesInOrder)
{
    EXPECT_EQ(SERVERSTATE_CLOSED, GetState());
    EXPECT_EQ(S_OK, m_pCamera->Stop()) << "stopping a closed camera is harmless";
    EXPECT_EQ(SERVERSTATE_CLOSED, GetState());

    ASSERT_EQ(S_OK, m_pCamera->Open());
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Open());
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());
    EXPECT_EQ(S_OK, m_pCamera->Update());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    EXPECT_EQ(SERVERSTATE_INITIALIZED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    EXPECT_EQ(SERVERSTATE_STARTED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    EXPECT_EQ(SERVERSTATE_STARTED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Stop());
    EXPECT_EQ(SERVERSTATE_STOPPED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Stop());
    EXPECT_EQ(SERVERSTATE_STOPPED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Start()) << "a stopped camera starts again";
    EXPECT_EQ(SERVERSTATE_STARTED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Stop());
    ASSERT_EQ(S_OK, m_pCamera->Init()) << "a stopped camera may be initialised again";
    EXPECT_EQ(SERVERSTATE_INITIALIZED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    ASSERT_EQ(S_OK, m_pCamera->Reset());
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->Close());
    EXPECT_EQ(SERVERSTATE_CLOSED, GetState());
    EXPECT_EQ(0, GetErrorNumber());
}

TEST_F(CSimTest, WrongStateCommandsFailAndRecordTheError)
{
    EXPECT_EQ(0, GetErrorNumber());
    EXPECT_EQ(L"No error", GetErrorTextOf(m_pCamera.Get()));

    EXPECT_EQ(SimErrorHr(1), m_pCamera->Init());
    EXPECT_EQ(SERVERSTATE_CLOSED, GetState());
    EXPECT_EQ(1, GetErrorNumber());
    EXPECT_EQ(L"Camera is not open", GetErrorTextOf(m_pCamera.Get()));
    EXPECT_EQ(SimErrorHr(1), m_pCamera->Start());
    EXPECT_EQ(SimErrorHr(1), m_pCamera->Reset());
    EXPECT_EQ(SimErrorHr(1), m_pCamera->Update());

    // The error stays through successful commands until cleared.
    ASSERT_EQ(S_OK, m_pCamera->Open());
    EXPECT_EQ(1, GetErrorNumber());
    ASSERT_EQ(S_OK, m_pCamera->ClearError());
    EXPECT_EQ(0, GetErrorNumber());
    EXPECT_EQ(L"No error", GetErrorTextOf(m_pCamera.Get()));

    EXPECT_EQ(SimErrorHr(2), m_pCamera->Start());
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());
    EXPECT_EQ(2, GetErrorNumber());
    EXPECT_EQ(L"Camera is not initialized", GetErrorTextOf(m_pCamera.Get()));

    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    EXPECT_EQ(SimErrorHr(3), m_pCamera->Init());
    EXPECT_EQ(SERVERSTATE_STARTED, GetState());
    EXPECT_EQ(3, GetErrorNumber());
    EXPECT_EQ(L"Camera is running", GetErrorTextOf(m_pCamera.Get()));

    // Every connection sees the camera's error; Reset clears it.
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    EXPECT_EQ(L"Camera is running", GetErrorTextOf(pOther.Get()));
    ASSERT_EQ(S_OK, pOther->Reset());
    EXPECT_EQ(0, GetErrorNumber());
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());
}

TEST_F(CSimTest, OpensForAnAnnouncedProcess)
{
    EXPECT_EQ(E_INVALIDARG, m_pCamera->OpenForProcess(0));
    EXPECT_EQ(SERVERSTATE_CLOSED, GetState());
    ASSERT_EQ(S_OK, m_pCamera->OpenForProcess(GetCurrentProcessId()));
    EXPECT_EQ(SERVERSTATE_OPENED, GetState());

    EXPECT_EQ(S_OK, m_pCamera->RegisterClientProcess(GetCurrentProcessId()));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->RegisterClientProcess(0));
    // A process id that is not running (ids are multiples of 4).
    EXPECT_EQ(E_INVALIDARG, m_pCamera->RegisterClientProcess(0xFFFFFFF1u));
}
