// The Windows host's wait for messages, run under Wine inside
// vidider-tests.exe: with the real headers' QS_ values and the real
// MsgWaitForMultipleObjects, which a Linux test cannot have.
#include <gtest/gtest.h>

#include <vector>

#include "windows/message_wait.h"

namespace windows {
namespace {

// What a stand-in for the system's wait was asked, and what it answers.
struct Recorded {
    DWORD answer = WAIT_TIMEOUT;
    std::vector<DWORD> masks;
    std::vector<DWORD> waits;
    std::vector<DWORD> sleeps;
};
Recorded* recorded = nullptr;  // the stand-ins are plain function pointers

DWORD WINAPI RecordedWait(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD mask)
{
    EXPECT_EQ(count, 0u) << "the saver waits for its messages only";
    recorded->masks.push_back(mask);
    recorded->waits.push_back(milliseconds);
    return recorded->answer;
}

void WINAPI RecordedSleep(DWORD milliseconds) { recorded->sleeps.push_back(milliseconds); }

class MessageWait : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded = &calls;
        WNDCLASSA c{};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "message wait test";
        RegisterClassA(&c);
        window = CreateWindowExA(0, c.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, c.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        Drain();
    }
    void TearDown() override
    {
        DestroyWindow(window);
        Drain();
        recorded = nullptr;
    }
    static void Drain()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }

    Recorded calls;
    HWND window = nullptr;
};

TEST_F(MessageWait, TheMaskHoldsEveryInputTheSaverAnswersAndNothingOldSystemsRefuse)
{
    WaitForMessages(20, RecordedWait, RecordedSleep);
    ASSERT_EQ(calls.masks.size(), 1u);
    const DWORD mask = calls.masks[0];
    // Windows 95 and NT 4 know the eight classes of the low byte; QS_RAWINPUT,
    // QS_TOUCH and QS_POINTER make them refuse the wait.
    EXPECT_EQ(mask & ~DWORD(0xFF), 0u) << std::hex << mask;
    for (DWORD needed : {DWORD(QS_KEY), DWORD(QS_MOUSEMOVE), DWORD(QS_MOUSEBUTTON), DWORD(QS_POSTMESSAGE),
                         DWORD(QS_SENDMESSAGE), DWORD(QS_TIMER), DWORD(QS_PAINT)})
        EXPECT_EQ(mask & needed, needed) << "the saver would sleep through input class " << std::hex << needed;
    EXPECT_EQ(calls.waits[0], 20u);
}

TEST_F(MessageWait, AFailedWaitIsAMillisecondsSleepNotAMessage)
{
    calls.answer = WAIT_FAILED;
    EXPECT_EQ(WaitForMessages(5000, RecordedWait, RecordedSleep), Wake::Failed);
    EXPECT_EQ(calls.sleeps, std::vector<DWORD>{1});
    calls.answer = WAIT_TIMEOUT;
    EXPECT_EQ(WaitForMessages(5000, RecordedWait, RecordedSleep), Wake::TimeOut);
    calls.answer = WAIT_OBJECT_0;
    EXPECT_EQ(WaitForMessages(5000, RecordedWait, RecordedSleep), Wake::Message);
    EXPECT_EQ(calls.sleeps.size(), 1u) << "only the failed wait sleeps";
}

TEST_F(MessageWait, WakesForAPostedMessageAndATimerAndRunsOutOtherwise)
{
    // A wait that did not wake would run out after 10 s: the answer says.
    EXPECT_EQ(WaitForMessages(30), Wake::TimeOut) << "nothing came";
    PostMessageA(window, WM_USER, 0, 0);
    EXPECT_EQ(WaitForMessages(10000), Wake::Message) << "a posted message (WM_QUIT is one)";
    Drain();
    SetTimer(window, 1, 10, nullptr);
    EXPECT_EQ(WaitForMessages(10000), Wake::Message) << "a timer";
    KillTimer(window, 1);
    Drain();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    Drain();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(WaitForMessages(10000), Wake::Message) << "a paint";
}

}  // namespace
}  // namespace windows
