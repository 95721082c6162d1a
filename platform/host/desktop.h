// The simulated desktop: the Windows operations of platform/winapi.h, played
// on the host against scripted windows, a scripted child process and scripted
// system texts. Every call is recorded, so a test sees exactly what the
// launcher did, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace sim {

// Thrown by ExitProcess, so that nothing after it runs.
struct ProcessExit {
    UINT code;
};

struct Window {
    std::string text;       // title of a top-level window, caption of a descendant
    std::string label;      // the name it goes by in the call record
    HWND parent = nullptr;  // null for a top-level window
    std::vector<HWND> children;
    bool alive = true;
    DWORD readError = 0;  // nonzero: reading its text fails with this code
};

struct Desktop {
    // Scripted inputs.
    std::string commandLine;
    std::set<BYTE> leadBytes;                  // what IsDBCSLeadByte reports as lead bytes
    DWORD createError = 0;                     // nonzero: CreateProcessA fails with this code
    int timeoutsBeforeExit = 0;                // waits that time out before the child ends
    bool waitFails = false;                    // the wait that ends the watch fails instead
    std::map<DWORD, std::string> systemTexts;  // FormatMessageA's texts by code
    DWORD formatSetsError = 0;                 // FormatMessageA leaves this code pending
    DWORD messageBoxSetsError = 0;             // MessageBoxA leaves this code pending
    // Called with the wait's index (0 first) before each wait returns: the
    // place to open and close windows between passes.
    std::function<void(int)> beforeWait;
    // Called before each text read, with the window being read.
    std::function<void(HWND)> beforeRead;

    // State.
    std::vector<Window> windows;  // a window's handle is its index + 1
    DWORD lastError = 0;
    int waits = 0;
    bool childRunning = false;
    WNDENUMPROC lastEnumProc = nullptr;

    // What happened.
    std::vector<std::string> calls;
    std::string boxText, boxCaption;
    UINT boxType = 0;
    bool boxOwnerNull = false;
    std::vector<DWORD> waitTimeouts;
};

// The desktop the operations act on. Reset() gives a new, empty one.
Desktop& desktop();
void Reset();

// Windows. A top-level window when parent is null; label defaults to the text.
HWND AddWindow(const std::string& text, HWND parent = nullptr, const std::string& label = "");
void DestroyWindow(HWND hwnd);  // the window and all its descendants
Window& WindowOf(HWND hwnd);

// The recorded calls whose function name is one of `names`, in order.
std::vector<std::string> CallsTo(const std::set<std::string>& names);

// Calls `entry` as the process would run it and returns the status that
// ExitProcess was given, or nothing when `entry` returned without exiting.
std::optional<UINT> RunProcess(const std::function<void()>& entry);

}  // namespace sim
