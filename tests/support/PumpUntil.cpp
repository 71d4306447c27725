#include "tests/support/PumpUntil.h"

#include <windows.h>

namespace {

void DispatchPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DispatchPending();
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(unsigned ms)
{
    PumpUntil([] { return false; }, ms);
}
