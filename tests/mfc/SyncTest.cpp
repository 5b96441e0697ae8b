#include <gtest/gtest.h>
#include <afxmt.h>

namespace
{
const DWORD kWaitMs = 30000;

// Runs func on a new thread and returns its result.
template<class Func>
DWORD RunOnThread(Func func)
{
	struct CCall
	{
		static DWORD WINAPI Run(LPVOID pParam) { return (*static_cast<Func*>(pParam))(); }
	};
	HANDLE hThread = ::CreateThread(NULL, 0, &CCall::Run, &func, 0, NULL);
	DWORD dwExitCode = 0xDEAD;
	if (::WaitForSingleObject(hThread, kWaitMs) == WAIT_OBJECT_0)
		::GetExitCodeThread(hThread, &dwExitCode);
	::CloseHandle(hThread);
	return dwExitCode;
}

// Whether another thread could take the lock right now.
bool IsFreeForOthers(CCriticalSection& cs)
{
	return RunOnThread([&cs]() -> DWORD
	{
		if (!::TryEnterCriticalSection(&cs.m_sect))
			return 0;
		::LeaveCriticalSection(&cs.m_sect);
		return 1;
	}) == 1;
}
} // namespace

TEST(CCriticalSectionTest, IsRecursiveOnOneThread)
{
	CCriticalSection cs;
	EXPECT_TRUE(cs.Lock());
	EXPECT_TRUE(cs.Lock());
	EXPECT_FALSE(IsFreeForOthers(cs));
	cs.Unlock();
	EXPECT_FALSE(IsFreeForOthers(cs));   // still held once
	cs.Unlock();
	EXPECT_TRUE(IsFreeForOthers(cs));
	EXPECT_EQ(&cs.m_sect, static_cast<CRITICAL_SECTION*>(cs));
	EXPECT_EQ(nullptr, cs.m_hObject);
}

TEST(CCriticalSectionTest, BlocksAnotherThreadUntilReleased)
{
	CCriticalSection cs;
	HANDLE hTrying = ::CreateEvent(NULL, TRUE, FALSE, NULL);
	HANDLE hEntered = ::CreateEvent(NULL, TRUE, FALSE, NULL);
	struct CContext { CCriticalSection* pcs; HANDLE hTrying; HANDLE hEntered; } context = { &cs, hTrying, hEntered };

	cs.Lock();
	HANDLE hThread = ::CreateThread(NULL, 0, [](LPVOID pParam) -> DWORD
	{
		CContext* pContext = static_cast<CContext*>(pParam);
		::SetEvent(pContext->hTrying);
		CSingleLock lock(pContext->pcs, TRUE);
		::SetEvent(pContext->hEntered);
		return 0;
	}, &context, 0, NULL);
	ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hTrying, kWaitMs));
	EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(hEntered, 200));
	cs.Unlock();
	EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEntered, kWaitMs));
	EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hThread, kWaitMs));
	EXPECT_TRUE(IsFreeForOthers(cs));    // the thread's CSingleLock let go
	::CloseHandle(hThread);
	::CloseHandle(hEntered);
	::CloseHandle(hTrying);
}

TEST(CCriticalSectionTest, ExcludesConcurrentWriters)
{
	struct CShared
	{
		CCriticalSection cs;
		DWORD dwOwner = 0;
		long nCount = 0;
		long nViolations = 0;
	} shared;
	auto work = [&shared]() -> DWORD
	{
		for (int i = 0; i < 50000; i++)
		{
			CSingleLock lock(&shared.cs, TRUE);
			if (shared.dwOwner != 0)
				shared.nViolations++;
			shared.dwOwner = ::GetCurrentThreadId();
			shared.nCount++;
			shared.dwOwner = 0;
		}
		return 0;
	};
	struct CCall
	{
		static DWORD WINAPI Run(LPVOID pParam) { return (*static_cast<decltype(work)*>(pParam))(); }
	};
	HANDLE rghThreads[2];
	for (HANDLE& hThread : rghThreads)
		hThread = ::CreateThread(NULL, 0, &CCall::Run, &work, 0, NULL);
	ASSERT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, rghThreads, TRUE, kWaitMs));
	for (HANDLE hThread : rghThreads)
		::CloseHandle(hThread);
	EXPECT_EQ(100000, shared.nCount);
	EXPECT_EQ(0, shared.nViolations);
}

TEST(CSingleLockTest, ReleasesOnScopeExitAndOnException)
{
	CCriticalSection cs;
	{
		CSingleLock lock(&cs);
		EXPECT_FALSE(lock.IsLocked());
		EXPECT_TRUE(lock.Lock());
		EXPECT_TRUE(lock.IsLocked());
		EXPECT_FALSE(IsFreeForOthers(cs));
		EXPECT_TRUE(lock.Unlock());
		EXPECT_FALSE(lock.IsLocked());
		EXPECT_TRUE(IsFreeForOthers(cs));
		lock.Lock();
	}
	EXPECT_TRUE(IsFreeForOthers(cs));

	try
	{
		CSingleLock lock(&cs, TRUE);
		EXPECT_TRUE(lock.IsLocked());
		AfxThrowNotSupportedException();
	}
	catch (CException* e)
	{
		EXPECT_TRUE(IsFreeForOthers(cs));
		e->Delete();
	}
	EXPECT_TRUE(IsFreeForOthers(cs));
}

TEST(CSingleLockTest, WorksWithKernelObjects)
{
	CEvent event(FALSE, TRUE);            // manual reset, not signalled
	CSingleLock lockEvent(&event);
	EXPECT_FALSE(lockEvent.Lock(0));
	EXPECT_TRUE(event.SetEvent());
	EXPECT_TRUE(lockEvent.Lock(0));
	EXPECT_TRUE(lockEvent.Unlock());
	EXPECT_TRUE(event.ResetEvent());
	EXPECT_FALSE(lockEvent.Lock(0));

	CMutex mutex;
	HANDLE hMutex = mutex;
	auto isFreeForOthers = [hMutex]() -> DWORD
	{
		if (::WaitForSingleObject(hMutex, 0) != WAIT_OBJECT_0)
			return 0;
		::ReleaseMutex(hMutex);
		return 1;
	};
	{
		CSingleLock lockMutex(&mutex, TRUE);
		EXPECT_TRUE(lockMutex.IsLocked());
		EXPECT_EQ(0u, RunOnThread(isFreeForOthers));
	}
	EXPECT_EQ(1u, RunOnThread(isFreeForOthers));
}
