// A stand-in for the 9x family's PASSWORD.CPL, for the tests under Wine: its
// VerifyScreenSavePwd refuses while C:\vidider-refuse exists, and notes every
// call as a line in C:\vidider-password.log.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND)
{
    HANDLE log = CreateFileA("C:\\vidider-password.log", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(log, "asked\n", 6, &written, nullptr);
        CloseHandle(log);
    }
    return GetFileAttributesA("C:\\vidider-refuse") == INVALID_FILE_ATTRIBUTES;
}
