// The launcher: starts the game, watches for its error window and presses
// that window's "&Continue" button while the game runs.
#include "launcher.h"

namespace {

const char kErrorWindowTitle[] = "BF2 Error";
const char kContinueCaption[] = "&Continue";
const char kFailureCaption[] = "Failed.";

// The wait on the game is the pause between passes: 2 ms while an error
// window is showing, growing by 2 ms a pass up to 100 ms while none is.
const DWORD kMinPollMs = 2;
const DWORD kPollStepMs = 2;
const DWORD kMaxPollMs = 100;

// A button of a hung window must not hold the launcher for long, or the end
// of the game would go unnoticed.
const UINT kSendTimeoutMs = 1000;

// Sizes of the zero-filled text buffers, terminator included: a window's
// text, and the failure message and the system's text for it.
const size_t kWindowTextSize = 128;
const size_t kMessageSize = 260;

bool SameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Copies `text` to `buffer` from `used` on, stopping at `limit`; returns the
// new length. The caller's zero-filled buffer keeps its terminator.
size_t AppendText(char* buffer, size_t used, size_t limit, const char* text) {
    while (*text != '\0' && used < limit) buffer[used++] = *text++;
    return used;
}

}  // namespace

void FailWithLastError(LPCSTR what) {
    char systemText[kMessageSize] = {};
    char message[kMessageSize] = {};
    // Taken first: every call below may change the pending code.
    const DWORD code = GetLastError();

    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, systemText,
                       sizeof systemText - 1, nullptr) == 0)
        systemText[0] = '\0';

    size_t used = AppendText(message, 0, sizeof message - 1, what);
    used = AppendText(message, used, sizeof message - 1, ": ");
    AppendText(message, used, sizeof message - 1, systemText);

    MessageBoxA(nullptr, message, kFailureCaption, MB_ICONWARNING | MB_OK);
    ExitProcess(code != ERROR_SUCCESS ? code : 1);
}

BOOL CALLBACK PressContinueProc(HWND hwnd, LPARAM /*lParam*/) {
    char text[kWindowTextSize] = {};
    SetLastError(ERROR_SUCCESS);
    if (GetWindowTextA(hwnd, text, sizeof text) == 0) {
        // No pending code: the text is empty. An invalid handle: the window
        // closed while we walked its parent. Neither is the button.
        const DWORD error = GetLastError();
        if (error == ERROR_SUCCESS || error == ERROR_INVALID_WINDOW_HANDLE) return TRUE;
        FailWithLastError("GetWindowText failed");
    }
    if (!SameText(text, kContinueCaption)) return TRUE;

    SendMessageTimeoutA(hwnd, WM_LBUTTONDOWN, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    SendMessageTimeoutA(hwnd, WM_LBUTTONUP, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    SendMessageTimeoutA(hwnd, BM_SETSTATE, 1, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    return FALSE;
}

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine,
                   int /*nShowCmd*/) {
    DWORD poll = kMinPollMs;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};

    SetProcessWorkingSetSize(CURRENT_PROCESS_HANDLE, static_cast<SIZE_T>(-1),
                             static_cast<SIZE_T>(-1));

    if (!CreateProcessA(nullptr, lpCmdLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        FailWithLastError("CreateProcess failed");

    // Any result but a time-out ends the watch: the game has ended, or the
    // wait itself failed.
    while (WaitForSingleObject(process.hProcess, poll) == WAIT_TIMEOUT) {
        const HWND errorWindow = FindWindowA(nullptr, kErrorWindowTitle);
        if (errorWindow != nullptr) {
            EnumChildWindows(errorWindow, PressContinueProc, 0);
            poll = kMinPollMs;
        } else {
            poll += kPollStepMs;
        }
        if (poll > kMaxPollMs) poll = kMaxPollMs;
    }

    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 0;
}
