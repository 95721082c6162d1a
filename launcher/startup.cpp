// The process entry. The program carries no C run-time: this routine takes
// the command line itself, so that a byte of 0x80 or above in the program's
// own path (an accented folder name) is never mistaken for a blank.
#include "launcher.h"

#if defined(_WIN32)
// The linker's symbol for the start of our own image: the instance handle.
extern "C" char __ImageBase;
#define OWN_INSTANCE reinterpret_cast<HINSTANCE>(&__ImageBase)
#else
#define OWN_INSTANCE nullptr
#endif

LPSTR CommandLineTail(LPSTR line) {
    char* p = line;
    bool quoted = false;
    // The program's name ends at the first blank or control byte (1 to 32)
    // outside double quotes; a quote anywhere in it toggles.
    for (; *p != '\0'; ++p) {
        const BYTE c = static_cast<BYTE>(*p);
        if (c <= ' ' && !quoted) break;
        if (c == '"') {
            quoted = !quoted;
        } else if (IsDBCSLeadByte(c) && p[1] != '\0') {
            ++p;  // The trail byte belongs to the character, whatever it is.
        }
    }
    while (*p != '\0' && static_cast<BYTE>(*p) <= ' ') ++p;
    return p;
}

extern "C" void WinMainCRTStartup(void) {
    const int status =
        WinMain(OWN_INSTANCE, nullptr, CommandLineTail(GetCommandLineA()), SW_SHOWDEFAULT);
    ExitProcess(static_cast<UINT>(status));
}
