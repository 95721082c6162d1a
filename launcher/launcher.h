// The launcher's three routines and its start-up.
#pragma once

#include "../platform/winapi.h"

// Starts the program named by the command-line tail, presses "&Continue" in
// every "BF2 Error" window while it runs, and returns 0 once it has ended.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

// Enumeration callback: presses the descendant captioned exactly "&Continue"
// and stops the enumeration there; returns TRUE to go on to the next one.
BOOL CALLBACK PressContinueProc(HWND hwnd, LPARAM lParam);

// Shows the "Failed." box naming the failed call with the system's text for
// the pending error code, then ends the process with that code (1 when no
// code is pending, so a failure never exits as success). Never returns.
__attribute__((noreturn)) void FailWithLastError(LPCSTR what);

// The command-line tail: what follows the program's own name (the first
// token, quotes toggling, double-byte characters kept whole) and the blanks
// after it. Points into `line`.
LPSTR CommandLineTail(LPSTR line);

// The process entry: runs WinMain with the tail of GetCommandLineA() and ends
// the process with its result.
extern "C" __attribute__((noreturn)) void WinMainCRTStartup(void);
