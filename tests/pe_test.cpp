// The built vidider.scr itself: the header versions Windows 95 and NT 4
// read, the libraries it imports, and the resources the desktop and the
// saver use. Read with a small PE reader of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

class PeFile {
public:
    explicit PeFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        bytes_ = text.str();
        if (bytes_.size() < 0x40 || bytes_.compare(0, 2, "MZ") != 0) return;
        pe_ = U32(0x3C);
        if (bytes_.compare(pe_, 4, std::string("PE\0\0", 4)) != 0) return;
        machine = U16(pe_ + 4);
        std::size_t sections = U16(pe_ + 6), optionalSize = U16(pe_ + 20);
        optional_ = pe_ + 24;
        plus_ = U16(optional_) == 0x20B;
        for (std::size_t i = 0; i < sections; ++i) {
            std::size_t s = optional_ + optionalSize + 40 * i;
            sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 20)});
        }
        valid = true;
    }

    bool valid = false;
    unsigned machine = 0;

    unsigned Characteristics() const { return U16(pe_ + 22); }
    unsigned OsMajor() const { return U16(optional_ + 40); }
    unsigned OsMinor() const { return U16(optional_ + 42); }
    unsigned SubsystemMajor() const { return U16(optional_ + 48); }
    unsigned SubsystemMinor() const { return U16(optional_ + 50); }
    unsigned Subsystem() const { return U16(optional_ + 68); }

    // DLL name -> imported function names.
    std::map<std::string, std::set<std::string>> Imports() const
    {
        std::map<std::string, std::set<std::string>> imports;
        std::size_t table = Offset(Directory(1));
        for (std::size_t d = table; d != 0 && U32(d + 12) != 0; d += 20) {
            std::string dll = Upper(Text(Offset(U32(d + 12))));
            std::size_t thunk = Offset(U32(d) != 0 ? U32(d) : U32(d + 16));
            const std::size_t step = plus_ ? 8 : 4;
            for (;; thunk += step) {
                unsigned long long entry = plus_ ? (U32(thunk) | (static_cast<unsigned long long>(U32(thunk + 4)) << 32))
                                                 : U32(thunk);
                if (entry == 0) break;
                bool ordinal = plus_ ? (entry >> 63) != 0 : (entry >> 31) != 0;
                imports[dll].insert(ordinal ? "#ordinal" : Text(Offset(std::uint32_t(entry)) + 2));
            }
        }
        return imports;
    }

    // The data of resource type/name (an id, or a name in capitals) in its
    // first language; empty when there is none.
    std::string Resource(unsigned type, const std::string& name, unsigned id = 0) const
    {
        std::size_t root = Offset(Directory(2));
        if (root == 0) return {};
        std::size_t byType = Find(root, root, type, "");
        std::size_t byName = byType ? Find(root, byType, id, name) : 0;
        if (byName == 0) return {};
        std::size_t entry = root + (U32(byName + 16 + 4) & 0x7FFFFFFF);  // first language
        return bytes_.substr(Offset(U32(entry)), U32(entry + 4));
    }

    std::vector<unsigned> ResourceIds(unsigned type) const
    {
        std::vector<unsigned> ids;
        std::size_t root = Offset(Directory(2));
        std::size_t dir = root ? Find(root, root, type, "") : 0;
        if (dir == 0) return ids;
        std::size_t count = std::size_t(U16(dir + 12)) + U16(dir + 14);
        for (std::size_t i = 0; i < count; ++i) ids.push_back(U32(dir + 16 + 8 * i));
        return ids;
    }

private:
    struct Section {
        std::uint32_t rva, size, raw;
    };

    std::uint32_t U32(std::size_t at) const
    {
        if (at + 4 > bytes_.size()) return 0;
        return std::uint32_t(std::uint8_t(bytes_[at])) | (std::uint32_t(std::uint8_t(bytes_[at + 1])) << 8) |
               (std::uint32_t(std::uint8_t(bytes_[at + 2])) << 16) | (std::uint32_t(std::uint8_t(bytes_[at + 3])) << 24);
    }
    unsigned U16(std::size_t at) const
    {
        if (at + 2 > bytes_.size()) return 0;
        return unsigned(std::uint8_t(bytes_[at])) | (unsigned(std::uint8_t(bytes_[at + 1])) << 8);
    }
    std::string Text(std::size_t at) const { return at < bytes_.size() ? std::string(bytes_.c_str() + at) : ""; }
    static std::string Upper(std::string s)
    {
        for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }
    std::uint32_t Directory(int index) const { return U32(optional_ + (plus_ ? 112 : 96) + 8 * index); }
    std::size_t Offset(std::uint32_t rva) const
    {
        for (const Section& s : sections_)
            if (rva >= s.rva && rva < s.rva + s.size) return rva - s.rva + s.raw;
        return 0;
    }
    // The entry of `dir` for an id or a name; its subdirectory's offset.
    std::size_t Find(std::size_t root, std::size_t dir, unsigned id, const std::string& name) const
    {
        std::size_t named = U16(dir + 12), ids = U16(dir + 14);
        for (std::size_t i = 0; i < named + ids; ++i) {
            std::size_t e = dir + 16 + 8 * i;
            std::uint32_t key = U32(e);
            bool match = false;
            if ((key & 0x80000000u) != 0 && !name.empty()) {
                std::size_t s = root + (key & 0x7FFFFFFF);
                std::string text;
                for (unsigned k = 0; k < U16(s); ++k) text += char(U16(s + 2 + 2 * k));
                match = text == name;
            } else if ((key & 0x80000000u) == 0 && name.empty()) {
                match = key == id;
            }
            if (match) return root + (U32(e + 4) & 0x7FFFFFFF);
        }
        return 0;
    }

    std::string bytes_;
    std::size_t pe_ = 0, optional_ = 0;
    bool plus_ = false;
    std::vector<Section> sections_;
};

std::string Utf16(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string Saver32() { return std::string(VIDIDER_SOURCE_DIR) + "/build/win32/vidider.scr"; }

TEST(Executable, IsAWindowsFourGuiProgramFor32BitX86)
{
    PeFile pe(Saver32());
    ASSERT_TRUE(pe.valid) << Saver32() << " missing or not a PE file: build the win32 preset (make test does)";
    EXPECT_EQ(pe.machine, 0x14Cu);  // i386
    EXPECT_EQ(pe.OsMajor(), 4u);
    EXPECT_EQ(pe.OsMinor(), 0u);
    EXPECT_EQ(pe.SubsystemMajor(), 4u);
    EXPECT_EQ(pe.SubsystemMinor(), 0u);
    EXPECT_EQ(pe.Subsystem(), 2u);  // GUI
    EXPECT_NE(pe.Characteristics() & 0x0020u, 0u) << "large address aware: 4 GiB on 64-bit Windows";
}

// Every function the saver may import, by library: what Windows 98, ME,
// NT 4.0 and 2000 all have, and Windows 95 where msvcrt.dll was installed
// (it came with later installs and programs, not with the first 95).
// Anything newer is looked up at run time and never imported; a new import
// must be checked against those systems before it joins the list.
const std::map<std::string, std::set<std::string>> kAllowedImports = {
    {"ADVAPI32.DLL", {"RegCloseKey", "RegCreateKeyExA", "RegOpenKeyExA", "RegQueryValueExA"}},
    {"COMCTL32.DLL", {"InitCommonControls"}},
    {"GDI32.DLL",
     {"CreateFontA", "DeleteObject", "ExcludeClipRect", "GetDeviceCaps", "GetStockObject", "GetTextExtentPoint32A",
      "GetTextMetricsA", "IntersectClipRect", "RestoreDC", "SaveDC", "SelectObject", "SetBkColor", "SetDIBitsToDevice",
      "SetTextColor"}},
    {"KERNEL32.DLL",
     {"CloseHandle", "DeleteCriticalSection", "EnterCriticalSection", "FindResourceA", "FreeLibrary", "GetCommandLineA",
      "GetCurrentThreadId", "GetLastError", "GetModuleHandleA", "GetProcAddress", "GetStartupInfoA",
      "GetSystemDirectoryA", "GetVersionExA", "InitializeCriticalSection", "LeaveCriticalSection", "LoadLibraryA",
      "LoadResource", "LockResource", "ReleaseSemaphore", "SetLastError", "SetUnhandledExceptionFilter",
      "SizeofResource", "Sleep", "TlsAlloc", "TlsFree", "TlsGetValue", "TlsSetValue", "VirtualProtect", "VirtualQuery",
      "WaitForSingleObject",
      // Stubs that fail on 95, 98 and ME, imported by the GCC runtime and
      // harmless only because of how the saver runs:
      // - CreateSemaphoreW: the runtime's locks (the unwinder's, the emulated
      //   thread-local storage's) make one for threads that wait; a lock no
      //   other thread holds never uses it, and the saver has one thread.
      // - GetModuleHandleW, LoadLibraryW: the runtime's rand_s finds the
      //   system's with them; only std::random_device calls it, and the saver
      //   makes none.
      "CreateSemaphoreW", "GetModuleHandleW", "LoadLibraryW"}},
    {"MSVCRT.DLL",
     {"__getmainargs", "__initenv", "__p__acmdln", "__p__commode", "__p__fmode", "__set_app_type", "__setusermatherr",
      "_amsg_exit", "_cexit", "_close", "_errno", "_initterm", "_iob", "_onexit", "_read", "abort", "calloc", "exit",
      "fprintf", "free", "fwrite", "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc", "signal",
      "strcmp", "strlen", "strncmp", "vfprintf"}},
    {"USER32.DLL",
     {"AdjustWindowRectEx", "BeginPaint", "ClientToScreen", "CreateWindowExA", "DefWindowProcA", "DestroyWindow",
      "DispatchMessageA", "EnableWindow", "EndPaint", "EqualRect", "FillRect", "GetClassInfoExA", "GetClientRect", "GetCursorPos",
      "GetDC", "GetDlgItem", "GetForegroundWindow", "GetMessageA", "GetSysColor", "GetSysColorBrush",
      "GetSystemMetrics", "GetWindowLongA", "GetWindowRect", "InvalidateRect", "IsChild", "IsDialogMessageA", "IsWindow",
      "IsWindowVisible", "LoadCursorA", "LoadIconA", "MsgWaitForMultipleObjects", "PeekMessageA", "PostQuitMessage",
      "RegisterClassExA", "ReleaseDC", "ScreenToClient", "SendMessageA", "SetCursor", "SetFocus", "SetForegroundWindow",
      "SetWindowLongA", "SetWindowPos", "ShowCursor", "ShowWindow", "SystemParametersInfoA", "TranslateMessage",
      "UpdateWindow"}},
    {"WINMM.DLL", {"timeBeginPeriod", "timeEndPeriod", "timeGetTime"}},
};

TEST(Executable, ImportsOnlyFunctionsTheOldestWindowsHave)
{
    PeFile pe(Saver32());
    ASSERT_TRUE(pe.valid);
    auto imports = pe.Imports();
    ASSERT_TRUE(imports.count("USER32.DLL")) << "the import table was not read";
    for (const auto& [dll, functions] : imports) {
        auto allowed = kAllowedImports.find(dll);
        if (allowed == kAllowedImports.end()) {
            ADD_FAILURE() << "a library the oldest systems may lack: " << dll;
            continue;
        }
        for (const std::string& function : functions)
            EXPECT_TRUE(allowed->second.count(function)) << "not checked against the oldest Windows: " << dll << " "
                                                         << function;
    }
}

TEST(Executable, FitsIn272KiB)
{
    std::ifstream file(Saver32(), std::ios::binary | std::ios::ate);
    ASSERT_TRUE(file) << Saver32();
    EXPECT_LE(static_cast<long long>(file.tellg()), 272 * 1024) << "a runtime part came back (the verbose terminate "
                                                                  "handler, say), or the window code is built for speed";
}

TEST(Executable, CarriesItsNameIconVersionPicturesAndManifest)
{
    PeFile pe(Saver32());
    ASSERT_TRUE(pe.valid);
    // String 1 is the second string of block 1: a length, then UTF-16.
    std::string block = pe.Resource(6, "", 1);
    ASSERT_GE(block.size(), 4u);
    std::size_t first = std::uint8_t(block[0]) | std::uint8_t(block[1]) << 8;
    std::size_t at = 2 + 2 * first;
    std::size_t length = std::uint8_t(block[at]) | std::uint8_t(block[at + 1]) << 8;
    EXPECT_EQ(block.substr(at + 2, 2 * length), Utf16("vidider"));

    std::vector<unsigned> groups = pe.ResourceIds(14);
    ASSERT_EQ(groups.size(), 1u);
    std::string group = pe.Resource(14, "", groups[0]);
    ASSERT_GE(group.size(), 6u + 3 * 14u);
    std::set<int> sizes;
    for (int i = 0; i < (std::uint8_t(group[4]) | std::uint8_t(group[5]) << 8); ++i)
        sizes.insert(std::uint8_t(group[6 + 14 * i]));
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));

    std::string version = pe.Resource(16, "", 1);
    std::size_t fixed = version.find(std::string("\xBD\x04\xEF\xFE", 4));
    ASSERT_NE(fixed, std::string::npos);
    auto word = [&](std::size_t offset) {
        return unsigned(std::uint8_t(version[fixed + offset])) | unsigned(std::uint8_t(version[fixed + offset + 1])) << 8;
    };
    EXPECT_EQ(word(10), 0u);  // FileVersion 0.6.3.0: high word of MS, low word, high word of LS
    EXPECT_EQ(word(8), 6u);
    EXPECT_EQ(word(14), 3u);
    EXPECT_NE(version.find(Utf16("0.6.3")), std::string::npos);

    std::string manifest = pe.Resource(24, "", 1);
    // Per monitor on 8.1 (true/pm) and on 10 (PerMonitorV2, else PerMonitor
    // before 1703); system aware on Vista to 8, which read true.
    for (const char* needed : {">true/pm</dpiAware>", ">PerMonitorV2, PerMonitor</dpiAwareness>",
                               "Microsoft.Windows.Common-Controls",
                               "version=\"6.0.0.0\"", "level=\"asInvoker\""})
        EXPECT_NE(manifest.find(needed), std::string::npos) << needed;

    std::string title = pe.Resource(2, "TITLE"), sample = pe.Resource(2, "SAMPLE");
    ASSERT_GE(title.size(), 48u);
    ASSERT_GE(sample.size(), 40u + 1024u);
    auto dword = [](const std::string& s, std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, s.data() + at, 4);
        return v;
    };
    EXPECT_EQ(dword(title, 4), 320u);
    EXPECT_EQ(dword(title, 8), 240u);
    EXPECT_EQ(std::uint8_t(title[14]), 1);  // one bit a pixel
    EXPECT_EQ(dword(title, 24), 2834u);     // pixels a metre
    EXPECT_EQ(title.substr(40, 8), std::string("\xFF\xFF\xFF\0\0\0\0\0", 8));  // entry 0 white, entry 1 black
    EXPECT_EQ(dword(sample, 4), 184u);
    EXPECT_EQ(dword(sample, 8), 133u);
    EXPECT_EQ(std::uint8_t(sample[14]), 8);
    for (int k : {0, 1, 128, 255})
        EXPECT_EQ(sample.substr(40 + 4 * k, 3), std::string(3, char(k))) << "grey entry " << k;
}

}  // namespace
