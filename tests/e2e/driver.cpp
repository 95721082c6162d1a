// Starts a program with an exact command line and reports how it ended, for
// the end-to-end tests. A program started from a Unix shell under Wine gets a
// command line rebuilt from its arguments; CreateProcessA here passes the
// bytes as they are. The command line comes hex-encoded, so that any byte
// survives the trip through the shell.
//
//   driver.exe --out FILE [--timeout MS] (--run HEX | --run-file PATH)
//       Runs the command line, given in hex or as the bytes of a file (for
//       lines longer than the driver's own command line may be). While it runs, a "Failed." box
//       that appears is read and dismissed. FILE receives lines:
//         exit <status>     or   exit timeout (the program was killed)
//         box <hex text>    the box's message, if one appeared
//         icon <0|1>        whether the box shows an icon
//         owner <0|1>       whether the box has an owner window
//         ended <ms>        when the program ended, on the performance counter
//   driver.exe --out FILE --format CODE
//       FILE receives "text <hex>": the system's text for CODE, as the
//       launcher fetches it (FORMAT_MESSAGE_FROM_SYSTEM, language 0).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const char* hex) {
    std::string out;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], '\0'};
        out += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return out;
}

double Now() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct BoxParts {
    std::string text;
    bool icon = false;
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        parts->icon = true;
        return TRUE;
    }
    char text[2048] = {};
    if (GetWindowTextA(child, text, sizeof text) > 0 && parts->text.empty()) parts->text = text;
    return TRUE;
}

int Run(FILE* out, const std::string& commandLine, DWORD timeout) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(out, "driver-error CreateProcessA %lu\n", GetLastError());
        return 2;
    }
    const DWORD start = GetTickCount();
    bool boxSeen = false;
    DWORD wait;
    while ((wait = WaitForSingleObject(process.hProcess, 10)) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > timeout) break;
        // The box is created hidden and untitled and filled in afterwards:
        // read it once it shows, then press its OK.
        const HWND box = FindWindowA(nullptr, "Failed.");
        if (box == nullptr || !IsWindowVisible(box)) continue;
        BoxParts parts;
        EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&parts));
        if (parts.text.empty()) continue;
        if (!boxSeen) {
            std::fprintf(out, "box %s\nicon %d\nowner %d\n", Hex(parts.text).c_str(),
                         parts.icon ? 1 : 0, GetWindow(box, GW_OWNER) != nullptr ? 1 : 0);
            boxSeen = true;
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    if (wait == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, 5000);
        std::fprintf(out, "exit timeout\n");
    } else {
        const double ended = Now();
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        std::fprintf(out, "exit %lu\nended %.3f\n", status, ended);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* outPath = nullptr;
    const char* run = nullptr;
    const char* format = nullptr;
    const char* runFile = nullptr;
    DWORD timeout = 60000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--out") == 0) outPath = argv[i + 1];
        if (std::strcmp(argv[i], "--run") == 0) run = argv[i + 1];
        if (std::strcmp(argv[i], "--format") == 0) format = argv[i + 1];
        if (std::strcmp(argv[i], "--run-file") == 0) runFile = argv[i + 1];
        if (std::strcmp(argv[i], "--timeout") == 0)
            timeout = std::strtoul(argv[i + 1], nullptr, 10);
    }
    std::string line;
    if (runFile != nullptr) {
        FILE* in = std::fopen(runFile, "rb");
        if (in == nullptr) return 2;
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) line.append(chunk, n);
        std::fclose(in);
    } else if (run != nullptr) {
        line = Unhex(run);
    }
    if (outPath == nullptr || (run == nullptr && runFile == nullptr) == (format == nullptr)) {
        std::fprintf(stderr,
                     "usage: driver --out FILE [--timeout MS] (--run HEX | --format CODE)\n");
        return 2;
    }
    FILE* out = std::fopen(outPath, "wb");
    if (out == nullptr) return 2;
    int result = 0;
    if (format != nullptr) {
        char text[260] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, std::strtoul(format, nullptr, 10), 0,
                       text, sizeof text - 1, nullptr);
        std::fprintf(out, "text %s\n", Hex(text).c_str());
    } else {
        result = Run(out, line, timeout);
    }
    std::fclose(out);
    return result;
}
