// A stand-in for the game, for the end-to-end tests and the demo. It is set up
// through environment variables, so that its command line stays free for the
// tests of what the launcher passes on:
//
//   FAKEGAME_ECHO    file that receives this process's GetCommandLineA(), raw
//   FAKEGAME_EXIT    exit status (default 0)
//   FAKEGAME_LOG     file that receives one line per event (see Log)
//   FAKEGAME_LAYOUT  the error window's descendants: first, after, nested,
//                    nearmiss, empty, two, labels (default first)
//   FAKEGAME_MODE    exit     no window; end after FAKEGAME_DELAY ms
//                    close    show the error window after FAKEGAME_DELAY ms,
//                             close it on the click, end FAKEGAME_AFTER ms later
//                    stay     show it and keep it open for FAKEGAME_HOLD ms
//                    hang     show it, then stop handling messages for
//                             FAKEGAME_HOLD ms
//                    rebuild  destroy and rebuild it every FAKEGAME_PERIOD ms
//                             for FAKEGAME_HOLD ms, with FAKEGAME_LABELS labels
//                             before its button; then, if FAKEGAME_FINAL is
//                             set, show it once more for that many ms
//                    random   show it FAKEGAME_COUNT times, each after a random
//                             pause of FAKEGAME_MIN..FAKEGAME_MAX ms, closing it
//                             on the click
//   FAKEGAME_TITLE   the error window's title (default "BF2 Error")
//
// Every button logs each message that reaches it by a send from another
// thread, outermost call only (a button sends itself messages while it
// handles one), so a test sees exactly what the launcher sent, in order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

FILE* logFile = nullptr;
LARGE_INTEGER frequency;
std::map<HWND, std::string> buttonNames;
std::map<HWND, WNDPROC> buttonProcs;
int sendDepth = 0;
HWND errorWindow = nullptr;
bool closeOnClick = false;
int presses = 0;

std::string Env(const char* name, const char* fallback = "") {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string(fallback);
}

int EnvInt(const char* name, int fallback) {
    const std::string value = Env(name);
    return value.empty() ? fallback : std::atoi(value.c_str());
}

// Milliseconds on the system-wide performance counter, so that the times of
// different processes compare.
double Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One line per event: "<ms> <event> <details>".
void Log(const std::string& line) {
    if (logFile == nullptr) return;
    std::fprintf(logFile, "%.3f %s\n", Now(), line.c_str());
    std::fflush(logFile);
}

const char* MessageName(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
        case WM_LBUTTONUP: return "WM_LBUTTONUP";
        case BM_SETSTATE: return "BM_SETSTATE";
        case WM_GETTEXT: return "WM_GETTEXT";
        case WM_GETTEXTLENGTH: return "WM_GETTEXTLENGTH";
        default: return nullptr;
    }
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool outermost = sendDepth == 0;
    if (outermost && (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) == ISMEX_SEND) {
        const char* name = MessageName(msg);
        char line[160];
        if (name != nullptr)
            std::snprintf(line, sizeof line, "send %s %s %lu %ld", buttonNames[hwnd].c_str(), name,
                          static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        else
            std::snprintf(line, sizeof line, "send %s 0x%04x %lu %ld", buttonNames[hwnd].c_str(),
                          msg, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        Log(line);
        if (msg == WM_LBUTTONDOWN) ++presses;
    }
    ++sendDepth;
    const LRESULT result = CallWindowProcA(buttonProcs[hwnd], hwnd, msg, wParam, lParam);
    --sendDepth;
    return result;
}

LRESULT CALLBACK ErrorWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        const std::string& name = buttonNames[reinterpret_cast<HWND>(lParam)];
        Log("clicked " + name);
        if (closeOnClick) DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY && hwnd == errorWindow) {
        errorWindow = nullptr;
        Log("closed");
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Child(HWND parent, const char* cls, const std::string& text, int y, DWORD style = 0) {
    return CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 10, y, 200, 24,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void Button(HWND parent, const std::string& text, const std::string& name, int y) {
    const HWND button = Child(parent, "BUTTON", text, y, BS_PUSHBUTTON);
    buttonNames[button] = name;
    buttonProcs[button] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ButtonProc)));
}

// Lays out the error window's descendants; the button names are what the
// log calls them.
void Layout(HWND window, const std::string& layout, int labels) {
    if (layout == "after") {
        Child(window, "STATIC", "The game has met an error.", 10);
        Button(window, "&Quit", "quit", 40);
        Button(window, "&Continue", "continue", 70);
    } else if (layout == "nested") {
        Child(window, "STATIC", "The game has met an error.", 10);
        const HWND outer = Child(window, "STATIC", "outer", 40);
        Child(outer, "STATIC", "details", 0);
        const HWND inner = Child(outer, "STATIC", "inner", 0);
        Button(inner, "&Continue", "nested", 0);
        Button(window, "&Quit", "quit", 100);
    } else if (layout == "nearmiss") {
        const char* const misses[] = {"&continue", "Continue", "&Continue ", "&Continue...",
                                      "&CONTINUE"};
        int y = 10;
        for (const char* miss : misses) {
            Button(window, miss, std::string("miss:") + miss, y);
            y += 30;
        }
        Button(window, "&Continue", "continue", y);
    } else if (layout == "empty") {
        Child(window, "STATIC", "", 10);
        Button(window, "&Continue", "continue", 40);
    } else if (layout == "two") {
        Button(window, "&Continue", "first", 10);
        Button(window, "&Continue", "second", 40);
    } else if (layout == "labels") {
        for (int i = 0; i < labels; ++i) Child(window, "STATIC", "label " + std::to_string(i), 10);
        Button(window, "&Continue", "continue", 40);
    } else {  // first
        Button(window, "&Continue", "continue", 10);
        Button(window, "&Quit", "quit", 40);
    }
}

HWND ShowErrorWindow(const std::string& title, const std::string& layout, int labels) {
    errorWindow =
        CreateWindowExA(0, "FakeGameError", title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        100, 100, 260, 260, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Layout(errorWindow, layout, labels);
    ShowWindow(errorWindow, SW_SHOWNORMAL);
    Log("shown");
    return errorWindow;
}

// Handles messages until `deadline` (ms since start), or until the error
// window has closed when `untilClosed` is set.
void Pump(double deadline, bool untilClosed) {
    while (Now() < deadline && !(untilClosed && errorWindow == nullptr)) {
        const double left = deadline - Now();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left > 1 ? static_cast<DWORD>(left) : 1,
                                  QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace

int main() {
    QueryPerformanceFrequency(&frequency);

    const std::string echo = Env("FAKEGAME_ECHO");
    if (!echo.empty()) {
        if (FILE* f = std::fopen(echo.c_str(), "wb")) {
            const char* line = GetCommandLineA();
            std::fwrite(line, 1, std::strlen(line), f);
            std::fclose(f);
        }
    }
    const std::string logPath = Env("FAKEGAME_LOG");
    if (!logPath.empty()) logFile = std::fopen(logPath.c_str(), "ab");

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ErrorWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FakeGameError";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);

    const std::string mode = Env("FAKEGAME_MODE", "exit");
    const std::string title = Env("FAKEGAME_TITLE", "BF2 Error");
    const std::string layout = Env("FAKEGAME_LAYOUT", "first");
    const int labels = EnvInt("FAKEGAME_LABELS", 0);
    const int delay = EnvInt("FAKEGAME_DELAY", 0);
    const int hold = EnvInt("FAKEGAME_HOLD", 0);
    Log("started " + mode);

    if (mode == "close") {
        Pump(Now() + delay, false);
        closeOnClick = true;
        ShowErrorWindow(title, layout, labels);
        Pump(Now() + EnvInt("FAKEGAME_WAIT", 60000), true);
        Pump(Now() + EnvInt("FAKEGAME_AFTER", 0), false);
    } else if (mode == "stay") {
        Pump(Now() + delay, false);
        ShowErrorWindow(title, layout, labels);
        Pump(Now() + hold, false);
    } else if (mode == "hang") {
        ShowErrorWindow(title, layout, labels);
        Pump(Now() + 50, false);
        Log("hanging");
        Sleep(static_cast<DWORD>(hold));
    } else if (mode == "rebuild") {
        const double end = Now() + hold;
        const int period = EnvInt("FAKEGAME_PERIOD", 5);
        int builds = 0;
        while (Now() < end) {
            ShowErrorWindow(title, "labels", labels);
            ++builds;
            Pump(Now() + period, false);
            DestroyWindow(errorWindow);
        }
        Log("rebuilt " + std::to_string(builds) + " presses " + std::to_string(presses));
        const int final = EnvInt("FAKEGAME_FINAL", 0);
        if (final > 0) {
            ShowErrorWindow(title, "labels", labels);
            Log("final");
            Pump(Now() + final, false);
        }
    } else if (mode == "random") {
        closeOnClick = true;
        std::srand(static_cast<unsigned>(EnvInt("FAKEGAME_SEED", 1)));
        const int count = EnvInt("FAKEGAME_COUNT", 5);
        const int low = EnvInt("FAKEGAME_MIN", 100);
        const int high = EnvInt("FAKEGAME_MAX", 1000);
        for (int i = 0; i < count; ++i) {
            Pump(Now() + low + std::rand() % (high - low + 1), false);
            ShowErrorWindow(title, layout, labels);
            Pump(Now() + EnvInt("FAKEGAME_WAIT", 10000), true);
            if (errorWindow != nullptr) DestroyWindow(errorWindow);
        }
        Pump(Now() + EnvInt("FAKEGAME_AFTER", 0), false);
    } else {
        Pump(Now() + delay, false);
    }

    const int status = EnvInt("FAKEGAME_EXIT", 0);
    Log("exit " + std::to_string(status));
    if (logFile != nullptr) std::fclose(logFile);
    return status;
}
