#include "platform/host/desktop.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>

namespace sim {
namespace {

Desktop* current = nullptr;

// Handles the simulated child process gets.
HANDLE const kProcessHandle = reinterpret_cast<HANDLE>(0x100);
HANDLE const kThreadHandle = reinterpret_cast<HANDLE>(0x104);
const DWORD kProcessId = 0x200;
const DWORD kThreadId = 0x204;

// System error codes the simulated calls leave pending.
const DWORD kErrorInvalidHandle = 6;
const DWORD kErrorInsufficientBuffer = 122;
const DWORD kErrorMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND

std::string Quoted(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

std::string HandleName(HANDLE h) {
    if (h == kProcessHandle) return "process";
    if (h == kThreadHandle) return "thread";
    if (h == CURRENT_PROCESS_HANDLE) return "self";
    std::ostringstream out;
    out << h;
    return out.str();
}

std::string SizeName(SIZE_T n) { return n == static_cast<SIZE_T>(-1) ? "~0" : std::to_string(n); }

Window* Find(HWND hwnd) {
    const auto index = reinterpret_cast<uintptr_t>(hwnd);
    if (index == 0 || index > current->windows.size()) return nullptr;
    return &current->windows[index - 1];
}

std::string WindowName(HWND hwnd) {
    if (hwnd == nullptr) return "null";
    const Window* w = Find(hwnd);
    return w ? w->label : "bad-hwnd";
}

std::string MessageName(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
        case WM_LBUTTONUP: return "WM_LBUTTONUP";
        case BM_SETSTATE: return "BM_SETSTATE";
        default: return std::to_string(msg);
    }
}

void Record(const std::string& call) { current->calls.push_back(call); }

void Descendants(HWND parent, std::vector<HWND>& out) {
    for (HWND child : Find(parent)->children) {
        if (!Find(child)->alive) continue;
        out.push_back(child);
        Descendants(child, out);
    }
}

// True when `s` holds no byte other than zero.
bool AllZero(const void* s, size_t n) {
    const auto* p = static_cast<const unsigned char*>(s);
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

}  // namespace

Desktop& desktop() {
    if (current == nullptr) current = new Desktop();
    return *current;
}

void Reset() { desktop() = Desktop(); }

HWND AddWindow(const std::string& text, HWND parent, const std::string& label) {
    Desktop& d = desktop();
    Window w;
    w.text = text;
    w.label = label.empty() ? text : label;
    w.parent = parent;
    d.windows.push_back(w);
    HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(d.windows.size()));
    if (parent != nullptr) Find(parent)->children.push_back(hwnd);
    return hwnd;
}

void DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    w->alive = false;
    for (HWND child : w->children) DestroyWindow(child);
}

Window& WindowOf(HWND hwnd) {
    desktop();
    return *Find(hwnd);
}

std::vector<std::string> CallsTo(const std::set<std::string>& names) {
    std::vector<std::string> out;
    const std::vector<std::string>& calls = desktop().calls;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](const std::string& call) {
        return names.count(call.substr(0, call.find('('))) != 0;
    });
    return out;
}

std::optional<UINT> RunProcess(const std::function<void()>& entry) {
    try {
        entry();
    } catch (const ProcessExit& exit) {
        return exit.code;
    }
    return std::nullopt;
}

}  // namespace sim

using sim::desktop;
using sim::Record;

extern "C" {

LPSTR WINAPI GetCommandLineA(void) {
    Record("GetCommandLineA()");
    return desktop().commandLine.data();
}

BOOL WINAPI IsDBCSLeadByte(BYTE c) { return desktop().leadBytes.count(c) != 0; }

BOOL WINAPI SetProcessWorkingSetSize(HANDLE h, SIZE_T minimum, SIZE_T maximum) {
    Record("SetProcessWorkingSetSize(" + sim::HandleName(h) + ", " + sim::SizeName(minimum) + ", " +
           sim::SizeName(maximum) + ")");
    return TRUE;
}

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                           SECURITY_ATTRIBUTES* processAttributes,
                           SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles,
                           DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                           STARTUPINFOA* startup, PROCESS_INFORMATION* process) {
    std::ostringstream call;
    call << "CreateProcessA(" << sim::Quoted(applicationName) << ", " << sim::Quoted(commandLine)
         << ", " << (processAttributes ? "attrs" : "null") << ", "
         << (threadAttributes ? "attrs" : "null") << ", " << inheritHandles << ", " << creationFlags
         << ", " << (environment ? "env" : "null") << ", " << sim::Quoted(currentDirectory) << ", ";
    if (startup == nullptr)
        call << "null";
    else if (startup->cb == sizeof(STARTUPINFOA) &&
             sim::AllZero(reinterpret_cast<char*>(startup) + sizeof startup->cb,
                          sizeof(STARTUPINFOA) - sizeof startup->cb))
        call << "startup{cb}";
    else
        call << "startup{other}";
    call << ", "
         << (process == nullptr                       ? "null"
             : sim::AllZero(process, sizeof *process) ? "process{0}"
                                                      : "process{other}")
         << ")";
    Record(call.str());

    sim::Desktop& d = desktop();
    if (d.createError != 0) {
        d.lastError = d.createError;
        return FALSE;
    }
    process->hProcess = sim::kProcessHandle;
    process->hThread = sim::kThreadHandle;
    process->dwProcessId = sim::kProcessId;
    process->dwThreadId = sim::kThreadId;
    d.childRunning = true;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE h, DWORD milliseconds) {
    Record("WaitForSingleObject(" + sim::HandleName(h) + ", " + std::to_string(milliseconds) + ")");
    sim::Desktop& d = desktop();
    d.waitTimeouts.push_back(milliseconds);
    const int index = d.waits++;
    if (d.beforeWait) d.beforeWait(index);
    if (h != sim::kProcessHandle) {
        d.lastError = sim::kErrorInvalidHandle;
        return WAIT_FAILED;
    }
    if (index < d.timeoutsBeforeExit) return WAIT_TIMEOUT;
    if (d.waitFails) {
        d.lastError = sim::kErrorInvalidHandle;
        return WAIT_FAILED;
    }
    d.childRunning = false;
    return WAIT_OBJECT_0;
}

BOOL WINAPI CloseHandle(HANDLE h) {
    Record("CloseHandle(" + sim::HandleName(h) + ")");
    return TRUE;
}

DWORD WINAPI GetLastError(void) {
    Record("GetLastError()");
    return desktop().lastError;
}

void WINAPI SetLastError(DWORD code) {
    Record("SetLastError(" + std::to_string(code) + ")");
    desktop().lastError = code;
}

DWORD WINAPI FormatMessageA(DWORD flags, const void* source, DWORD code, DWORD language,
                            LPSTR buffer, DWORD size, void* arguments) {
    std::ostringstream call;
    call << "FormatMessageA(0x" << std::hex << flags << std::dec << ", "
         << (source ? "source" : "null") << ", " << code << ", " << language << ", buffer, " << size
         << ", " << (arguments ? "args" : "null") << ")";
    Record(call.str());
    sim::Desktop& d = desktop();
    const auto text = d.systemTexts.find(code);
    if (text == d.systemTexts.end()) {
        d.lastError = d.formatSetsError ? d.formatSetsError : sim::kErrorMessageNotFound;
        return 0;
    }
    if (text->second.size() + 1 > size) {
        d.lastError = sim::kErrorInsufficientBuffer;
        return 0;
    }
    std::memcpy(buffer, text->second.c_str(), text->second.size() + 1);
    if (d.formatSetsError) d.lastError = d.formatSetsError;
    return static_cast<DWORD>(text->second.size());
}

void WINAPI ExitProcess(UINT code) {
    Record("ExitProcess(" + std::to_string(code) + ")");
    throw sim::ProcessExit{code};
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    sim::Desktop& d = desktop();
    HWND found = nullptr;
    for (size_t i = 0; i < d.windows.size() && found == nullptr; ++i) {
        const sim::Window& w = d.windows[i];
        if (w.alive && w.parent == nullptr && windowName != nullptr && w.text == windowName)
            found = reinterpret_cast<HWND>(i + 1);
    }
    Record("FindWindowA(" + sim::Quoted(className) + ", " + sim::Quoted(windowName) +
           ") = " + sim::WindowName(found));
    return found;
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    Record("EnumChildWindows(" + sim::WindowName(parent) + ", proc, " + std::to_string(lParam) +
           ")");
    sim::Desktop& d = desktop();
    d.lastEnumProc = proc;
    // Like the system, take the list first: windows destroyed during the
    // walk are still visited, and their reads fail.
    std::vector<HWND> list;
    if (sim::Find(parent) != nullptr) sim::Descendants(parent, list);
    for (HWND child : list)
        if (!proc(child, lParam)) break;
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    sim::Desktop& d = desktop();
    if (d.beforeRead) d.beforeRead(hwnd);
    const sim::Window* w = sim::Find(hwnd);
    int result = 0;
    if (w == nullptr || !w->alive) {
        d.lastError = ERROR_INVALID_WINDOW_HANDLE;
    } else if (w->readError != 0) {
        d.lastError = w->readError;
    } else if (size > 0) {
        const size_t n = std::min(w->text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        result = static_cast<int>(n);
    }
    Record("GetWindowTextA(" + sim::WindowName(hwnd) + ", " + std::to_string(size) +
           ") = " + std::to_string(result));
    return result;
}

LRESULT WINAPI SendMessageTimeoutA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                   UINT timeout, DWORD_PTR* result) {
    Record("SendMessageTimeoutA(" + sim::WindowName(hwnd) + ", " + sim::MessageName(msg) + ", " +
           std::to_string(wParam) + ", " + std::to_string(lParam) + ", " +
           (flags == SMTO_ABORTIFHUNG ? std::string("SMTO_ABORTIFHUNG") : std::to_string(flags)) +
           ", " + std::to_string(timeout) + ")");
    if (result != nullptr) *result = 0;
    return 1;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    Record("MessageBoxA(" + sim::WindowName(owner) + ", " + sim::Quoted(text) + ", " +
           sim::Quoted(caption) + ", " + std::to_string(type) + ")");
    sim::Desktop& d = desktop();
    d.boxText = text;
    d.boxCaption = caption;
    d.boxType = type;
    d.boxOwnerNull = owner == nullptr;
    if (d.messageBoxSetsError) d.lastError = d.messageBoxSetsError;
    return 1;  // IDOK
}

}  // extern "C"
