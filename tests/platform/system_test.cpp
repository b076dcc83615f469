// The identity, folder, module and time calls behave alike on the simulated machine and
// on Windows (Wine).

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/errors.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/system.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;
using platformtest::Narrow;

constexpr Dword kUntouched = 0xDEADBEEF;

TEST(SystemTest, VersionCallsCheckTheSizeField) {
    OsVersionInfoW w{};
    w.osVersionInfoSize = sizeof w;
    ASSERT_TRUE(GetVersionExW(&w));
    EXPECT_EQ(kVerPlatformWin32Nt, w.platformId);
    EXPECT_GE(w.majorVersion, 5u);
    OsVersionInfoA a{};
    a.osVersionInfoSize = sizeof a;
    ASSERT_TRUE(GetVersionExA(&a));
    EXPECT_EQ(w.majorVersion, a.majorVersion);
    EXPECT_EQ(w.minorVersion, a.minorVersion);
    EXPECT_EQ(w.buildNumber, a.buildNumber);
    EXPECT_EQ(w.platformId, a.platformId);

    // A size that is neither form of the structure is refused. Windows says why with
    // ERROR_INSUFFICIENT_BUFFER; Wine 8's GetVersionExW (not its GetVersionExA) fails
    // without setting the last error.
    const bool errorSet = !testsupport::UnderWine();
    for (Dword size : {Dword{0}, Dword{sizeof w - 1}, Dword{sizeof a}}) {
        SCOPED_TRACE(size);
        OsVersionInfoW wrong{};
        wrong.osVersionInfoSize = size;
        SetLastError(kUntouched);
        EXPECT_FALSE(GetVersionExW(&wrong));
        EXPECT_EQ(errorSet ? kErrInsufficientBuffer : kUntouched, GetLastError());
    }
    OsVersionInfoA wrongA{};
    wrongA.osVersionInfoSize = sizeof w;
    SetLastError(kUntouched);
    EXPECT_FALSE(GetVersionExA(&wrongA));
    EXPECT_EQ(kErrInsufficientBuffer, GetLastError());
}

TEST(SystemTest, FolderCallsGiveTheSizeNeededWhenTheBufferIsSmall) {
    struct Case {
        const char* what;
        Dword (*call)(char16_t*, Dword);
    };
    const Case cases[] = {
        {"GetWindowsDirectoryW", &GetWindowsDirectoryW},
        {"GetSystemDirectoryW", &GetSystemDirectoryW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char16_t buffer[kMaxPath] = {};
        Dword n = c.call(buffer, kMaxPath);
        ASSERT_GT(n, 3u);
        EXPECT_EQ(n, std::u16string(buffer).size());
        EXPECT_EQ(u':', buffer[1]);
        EXPECT_NE(u'\\', buffer[n - 1]);
        // Room for the text but not its NUL is too small; the answer counts the NUL.
        EXPECT_EQ(n + 1, c.call(buffer, n));
        EXPECT_EQ(n + 1, c.call(nullptr, 0));
        EXPECT_EQ(n, c.call(buffer, n + 1));
    }
    char16_t windows[kMaxPath], system[kMaxPath];
    ASSERT_NE(0u, GetWindowsDirectoryW(windows, kMaxPath));
    ASSERT_NE(0u, GetSystemDirectoryW(system, kMaxPath));
    EXPECT_EQ(0u, std::u16string(system).find(std::u16string(windows) + u"\\")) << Narrow(system);
}

TEST(SystemTest, ModuleFileNameIsCutInASmallBuffer) {
    char16_t full[kMaxPath] = {};
    SetLastError(kUntouched);
    Dword n = GetModuleFileNameW(nullptr, full, kMaxPath);
    ASSERT_GT(n, 5u);
    EXPECT_EQ(n, std::u16string(full).size());
    EXPECT_EQ(u':', full[1]) << Narrow(full);

    // Too small: the path is cut, the buffer's size is the answer.
    char16_t small[6];
    SetLastError(kUntouched);
    EXPECT_EQ(6u, GetModuleFileNameW(nullptr, small, 6));
    EXPECT_EQ(kErrInsufficientBuffer, GetLastError());
    EXPECT_EQ(Narrow(std::u16string(full, 5)), Narrow(std::u16string(small, 5)));
    // Windows (since Vista) ends the cut path with a NUL in the buffer's last place;
    // Wine 8 fills all six places with the path, as Windows XP did.
    if (!testsupport::UnderWine()) {
        EXPECT_EQ(u'\0', small[5]);
    }
    SetLastError(kUntouched);
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, small, 0));
}

TEST(SystemTest, CommandLineStartsWithTheProgram) {
    std::u16string line = GetCommandLineW();
    ASSERT_FALSE(line.empty());
    // The first argument by the platform's rules: quoted up to the next quote, else up
    // to the first blank.
    std::u16string first;
    if (line[0] == u'"') {
        first = line.substr(1, line.find(u'"', 1) - 1);
    } else {
        first = line.substr(0, line.find_first_of(u" \t"));
    }
    char16_t module[kMaxPath] = {};
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, module, kMaxPath));
    // The creator writes the program as it likes: a full or relative path, with or
    // without ".exe". Its last name is the program's.
    auto lastName = [](std::u16string path) {
        path = path.substr(path.find_last_of(u"\\/") + 1);
        std::string name = Narrow(path);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
        return name;
    };
    EXPECT_EQ(lastName(module), lastName(first)) << Narrow(line);
}

TEST(SystemTest, LibraryFunctionsFoundByName) {
    Module kernel = LoadLibraryW(u"kernel32.dll");
    ASSERT_NE(nullptr, kernel);
    EXPECT_EQ(kernel, GetModuleHandleW(u"KERNEL32"));

    auto systemWindows = reinterpret_cast<GetSystemWindowsDirectoryWFn>(
        GetProcAddress(kernel, "GetSystemWindowsDirectoryW"));
    ASSERT_NE(nullptr, systemWindows);
    char16_t shared[kMaxPath] = {}, windows[kMaxPath] = {};
    unsigned n = systemWindows(shared, kMaxPath);
    ASSERT_GT(n, 0u);
    ASSERT_NE(0u, GetWindowsDirectoryW(windows, kMaxPath));
    // One user per machine: the shared Windows folder is the user's one.
    EXPECT_EQ(Narrow(windows), Narrow(shared));

    auto uiLanguage = reinterpret_cast<GetUserDefaultUILanguageFn>(GetProcAddress(kernel, "GetUserDefaultUILanguage"));
    ASSERT_NE(nullptr, uiLanguage);
    EXPECT_NE(0, uiLanguage());

    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(kernel, "IsWow64Process"));
    ASSERT_NE(nullptr, isWow64);
    int wow64 = -1;
    EXPECT_NE(0, isWow64(GetCurrentProcess(), &wow64));
    // This test program is a 64-bit one.
    EXPECT_EQ(0, wow64);

    SetLastError(kUntouched);
    EXPECT_EQ(nullptr, GetProcAddress(kernel, "KavrinNoSuchFunction"));
    EXPECT_EQ(kErrProcNotFound, GetLastError());
    EXPECT_TRUE(FreeLibrary(kernel));

    SetLastError(kUntouched);
    EXPECT_EQ(nullptr, LoadLibraryW(u"kavrin_no_such_library.dll"));
    EXPECT_EQ(kErrModNotFound, GetLastError());
}

TEST(SystemTest, OldSystemsLackNewerFunctions) {
    if (!testsupport::CanChangeMachine()) GTEST_SKIP() << "needs a machine whose Windows version can be set";
    struct Case {
        const char* what;
        const char* platform;
        const char* major;
        const char* minor;
        bool systemWindowsDirectory;
        bool isWow64;
    };
    const Case cases[] = {
        {"Windows 95 family", "1", "4", "10", false, false},
        {"NT 4.0", "2", "4", "0", false, false},
        {"Windows 2000", "2", "5", "0", true, false},
        {"Windows XP", "2", "5", "1", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::ScopedMachineSetting platform("os_platform", c.platform);
        testsupport::ScopedMachineSetting major("os_major", c.major);
        testsupport::ScopedMachineSetting minor("os_minor", c.minor);
        Module kernel = LoadLibraryW(u"kernel32.dll");
        ASSERT_NE(nullptr, kernel);
        EXPECT_EQ(c.systemWindowsDirectory, GetProcAddress(kernel, "GetSystemWindowsDirectoryW") != nullptr);
        SetLastError(kUntouched);
        EXPECT_EQ(c.isWow64, GetProcAddress(kernel, "IsWow64Process") != nullptr);
        if (!c.isWow64) {
            EXPECT_EQ(kErrProcNotFound, GetLastError());
        }
        FreeLibrary(kernel);
    }
}

TEST(SystemTest, LocalTimeIsPlausible) {
    SystemTime t{};
    GetLocalTime(&t);
    EXPECT_GE(t.year, 2020);
    EXPECT_LT(t.year, 2200);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LE(t.dayOfWeek, 6);
    EXPECT_LE(t.hour, 23);
    EXPECT_LE(t.minute, 59);
    EXPECT_LE(t.second, 59);
    EXPECT_LE(t.milliseconds, 999);
}

}  // namespace
