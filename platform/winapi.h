// The Windows operations the launcher stands on, declared by hand from their
// documented signatures.
//
// Built for Windows (i686-w64-mingw32) these bind to the real KERNEL32 and
// USER32 exports through the toolchain's import libraries. Built on the host
// they bind to the simulated desktop in platform/host/, which has the same
// names and signatures and records every call.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define WINAPI __stdcall
#define WINIMPORT __declspec(dllimport)
#else
#define WINAPI
#define WINIMPORT
#endif
#define CALLBACK WINAPI

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HANDLE;
typedef void* LPVOID;
// Windows' own type tags, reserved identifiers as the platform names them.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uintptr_t SIZE_T;
typedef uintptr_t DWORD_PTR;

typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;

typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES;
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)

#define FALSE 0
#define TRUE 1

// The current-process pseudo-handle, as GetCurrentProcess() returns it.
#define CURRENT_PROCESS_HANDLE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_INVALID_WINDOW_HANDLE 1400u
#define ERROR_TIMEOUT 1460u

#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u

#define MB_OK 0x00000000u
#define MB_ICONWARNING 0x00000030u

#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define BM_SETSTATE 0x00F3u

#define SMTO_ABORTIFHUNG 0x0002u

#define SW_SHOWDEFAULT 10

#ifdef __cplusplus
extern "C" {
#endif

// KERNEL32
WINIMPORT LPSTR WINAPI GetCommandLineA(void);
WINIMPORT BOOL WINAPI IsDBCSLeadByte(BYTE TestChar);
WINIMPORT BOOL WINAPI SetProcessWorkingSetSize(HANDLE hProcess, SIZE_T dwMinimumWorkingSetSize,
                                               SIZE_T dwMaximumWorkingSetSize);
WINIMPORT BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                                     SECURITY_ATTRIBUTES* lpProcessAttributes,
                                     SECURITY_ATTRIBUTES* lpThreadAttributes, BOOL bInheritHandles,
                                     DWORD dwCreationFlags, LPVOID lpEnvironment,
                                     LPCSTR lpCurrentDirectory, STARTUPINFOA* lpStartupInfo,
                                     PROCESS_INFORMATION* lpProcessInformation);
WINIMPORT DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
WINIMPORT BOOL WINAPI CloseHandle(HANDLE hObject);
WINIMPORT DWORD WINAPI GetLastError(void);
WINIMPORT void WINAPI SetLastError(DWORD dwErrCode);
WINIMPORT DWORD WINAPI FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId,
                                      DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
                                      void* Arguments);
WINIMPORT __attribute__((noreturn)) void WINAPI ExitProcess(UINT uExitCode);

// USER32
WINIMPORT HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName);
WINIMPORT BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam);
WINIMPORT int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
WINIMPORT LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                             UINT fuFlags, UINT uTimeout, DWORD_PTR* lpdwResult);
WINIMPORT int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

#ifdef __cplusplus
}
#endif
