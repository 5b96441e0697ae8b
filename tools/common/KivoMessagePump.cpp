// KivoMessagePump.cpp: the message loop of a program's window thread.
#include "KivoMessagePump.h"
#include "KivoFrameCounter.h"

bool PumpKivoMessagesUntil(const std::function<bool()>& fnDone, double dTimeoutMs, DWORD dwPollMs)
{
    const double dEnd = KivoFrameClockMs() + dTimeoutMs;
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (fnDone())
            return true;
        const double dLeft = dEnd - KivoFrameClockMs();
        if (dLeft <= 0.0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dLeft < dwPollMs ? 1 : dwPollMs, QS_ALLINPUT);
    }
}
