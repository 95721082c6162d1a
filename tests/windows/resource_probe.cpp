// Reads qm2.exe's resources through the system's own calls, as the shell and
// the version queries do, and checks what they report.
//   resource_probe.exe [path of qm2.exe]
// Without an argument it reads the qm2.exe beside itself. Prints one line per
// check and exits with the number of failed checks (0: all passed).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    if (!ok) ++failures;
}

const WORD kLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033

// The bytes of a resource under language 1033, or null.
const BYTE* Resource(HMODULE module, LPCSTR type, LPCSTR name, DWORD* size) {
    HRSRC found = FindResourceExA(module, type, name, kLanguage);
    if (found == nullptr) return nullptr;
    *size = SizeofResource(module, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

void CheckVersionQueries(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    Check(size != 0, "GetFileVersionInfoSizeA finds a version block");
    if (size == 0) return;
    static BYTE block[8192];
    Check(size <= sizeof block && GetFileVersionInfoA(path, 0, sizeof block, block),
          "GetFileVersionInfoA reads it");

    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, "\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO)) {
        const VS_FIXEDFILEINFO* f = static_cast<VS_FIXEDFILEINFO*>(value);
        Check(f->dwSignature == 0xFEEF04BD && f->dwStrucVersion == 0x00010000,
              "fixed part: signature and structure version");
        Check(f->dwFileVersionMS == 0x00000002 && f->dwFileVersionLS == 0x0002004A,
              "fixed part: file version 0.2.2.74");
        Check(f->dwProductVersionMS == 0x00000002 && f->dwProductVersionLS == 0x0002004A,
              "fixed part: product version 0.2.2.74");
        Check(f->dwFileFlagsMask == 0x17 && f->dwFileFlags == 0,
              "fixed part: flags mask 0x17, flags 0");
        Check(f->dwFileOS == 0x4 && f->dwFileType == 0x1 && f->dwFileSubtype == 0,
              "fixed part: OS 0x4, type application, subtype 0");
        Check(f->dwFileDateMS == 0 && f->dwFileDateLS == 0, "fixed part: date 0");
    } else {
        Check(false, "VerQueryValueA gives the fixed part");
    }

    if (VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &length) && length == 4) {
        const WORD* t = static_cast<WORD*>(value);
        Check(t[0] == 0x0809 && t[1] == 1200, "Translation 0x0809, 1200");
    } else {
        Check(false, "VerQueryValueA gives one Translation pair");
    }

    static const char* const kStrings[][2] = {
        {"CompanyName", "Quillmarsh Mod"},
        {"FileDescription", "Quillmarsh"},
        {"FileVersion", "0, 2, 8, 72"},
        {"InternalName", "Quillmarsh 2"},
        {"LegalCopyright", "Copyright (C) 2026 Quillmarsh Mod team"},
        {"OriginalFilename", "qm2.exe"},
        {"ProductName", "Quillmarsh 2"},
        {"ProductVersion", "0, 2, 8, 72"},
    };
    for (const auto& s : kStrings) {
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\080904b0\\%s", s[0]);
        char what[128];
        std::snprintf(what, sizeof what, "string %s is \"%s\"", s[0], s[1]);
        const bool found = VerQueryValueA(block, query, &value, &length) != 0;
        Check(found && std::strcmp(static_cast<char*>(value), s[1]) == 0, what);
        if (found && std::strcmp(static_cast<char*>(value), s[1]) != 0)
            std::printf("  got \"%s\"\n", static_cast<char*>(value));
    }
}

void CheckResources(HMODULE module) {
    DWORD named_size = 0, numbered_size = 0;
    const BYTE* named = Resource(module, RT_VERSION, "VS_VERSION_INFO", &named_size);
    const BYTE* numbered = Resource(module, RT_VERSION, MAKEINTRESOURCEA(1), &numbered_size);
    Check(named != nullptr, "version block named VS_VERSION_INFO, language 1033");
    Check(numbered != nullptr, "version block number 1, language 1033");
    Check(named != nullptr && numbered != nullptr && named_size == numbered_size &&
              std::memcmp(named, numbered, named_size) == 0,
          "the named block equals block 1 byte for byte");

    DWORD group_size = 0;
    const BYTE* group = Resource(module, RT_GROUP_ICON, "IDI_AAA_ICON", &group_size);
    Check(group != nullptr && group_size >= 6 && reinterpret_cast<const WORD*>(group)[2] == 6,
          "icon group IDI_AAA_ICON, language 1033, lists six images");
    if (group == nullptr) return;
    for (const int size : {16, 32, 48}) {
        char what[96];
        const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, size, size,
                                                   LR_DEFAULTCOLOR);
        // Which depth is picked depends on the display; the size must match.
        const int expected_24 = size / 16, expected_32 = size / 16 + 3;
        std::snprintf(what, sizeof what, "a %d px image is picked (icon %d)", size, id);
        Check(id == expected_24 || id == expected_32, what);
        DWORD image_size = 0;
        const BYTE* image = Resource(module, RT_ICON, MAKEINTRESOURCEA(id), &image_size);
        HICON icon = image == nullptr
                         ? nullptr
                         : CreateIconFromResourceEx(const_cast<BYTE*>(image), image_size, TRUE,
                                                    0x00030000, size, size, 0);
        ICONINFO info = {};
        BITMAP colour = {};
        const bool made = icon != nullptr && GetIconInfo(icon, &info) &&
                          GetObjectA(info.hbmColor, sizeof colour, &colour) != 0;
        std::snprintf(what, sizeof what, "icon %d becomes a %d x %d icon", id, size, size);
        Check(made && colour.bmWidth == size && colour.bmHeight == size, what);
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
        if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
        if (icon != nullptr) DestroyIcon(icon);
    }
}

}  // namespace

int main(int argc, char** argv) {
    char path[MAX_PATH];
    if (argc > 1) {
        std::snprintf(path, sizeof path, "%s", argv[1]);
    } else {
        const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        char* slash = std::strrchr(path, '\\');
        if (n == 0 || slash == nullptr || slash - path + 8 >= MAX_PATH) return 100;
        std::strcpy(slash + 1, "qm2.exe");
    }
    std::printf("reading %s\n", path);

    CheckVersionQueries(path);
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(module != nullptr, "the file loads as a data file");
    if (module != nullptr) {
        CheckResources(module);
        FreeLibrary(module);
    }
    std::printf("%d failed\n", failures);
    return failures;
}
