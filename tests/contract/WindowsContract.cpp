#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace ulv::contract {
namespace {

// Not the word processor's own property: a copy of it running on the test machine must not disturb these
// cases, nor these cases make it look running. One name per test process (its scratch folder is its own):
// the cases run in several processes at once on one desktop, and each must count only its own windows.
const std::string& Marker() {
    static const std::string marker =
        "Ulvara Contract Marker " + std::to_string(std::hash<std::string>{}(Env().Scratch));
    return marker;
}

// A marked window that goes away at the end of the case, whatever its outcome.
class MarkedWindow {
public:
    explicit MarkedWindow(std::uintptr_t value) : Handle(MakeTopLevelWindowWithProp(Marker(), value)) {}
    ~MarkedWindow() {
        if (Handle) DestroyTopLevelWindow(Handle);
    }
    MarkedWindow(const MarkedWindow&) = delete;
    MarkedWindow& operator=(const MarkedWindow&) = delete;

    const WindowHandle Handle;
};

std::vector<WindowHandle> TopLevelWindows() {
    std::vector<WindowHandle> windows;
    bool completed = Env().Platform.System.EnumWindows([&](WindowHandle window) {
        windows.push_back(window);
        return true;
    });
    EXPECT_TRUE(completed) << "an enumeration nobody stops runs to its end";
    return windows;
}

// Every top-level window carrying the property, with its value.
std::map<WindowHandle, std::uintptr_t> WindowsWithProp(const std::string& name) {
    std::map<WindowHandle, std::uintptr_t> found;
    for (WindowHandle window : TopLevelWindows())
        if (std::uintptr_t value = Env().Platform.System.GetPropA(window, name)) found[window] = value;
    return found;
}

bool Contains(const std::vector<WindowHandle>& windows, WindowHandle window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

TEST(WindowsContract, EnumerationFindsTheWindowsCarryingAProperty) {
    MarkedWindow first(0x5EED), second(0xBEEF);
    ASSERT_NE(first.Handle, 0u);
    ASSERT_NE(second.Handle, 0u);
    auto marked = WindowsWithProp(Marker());
    EXPECT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[first.Handle], 0x5EEDu);
    EXPECT_EQ(marked[second.Handle], 0xBEEFu);
}

TEST(WindowsContract, PropertiesAreReadByNameWhateverItsCase) {
    MarkedWindow window(42);
    ASSERT_NE(window.Handle, 0u);
    ISystem& system = Env().Platform.System;
    EXPECT_EQ(system.GetPropA(window.Handle, Marker()), 42u);
    std::string upper = Marker(), lower = Marker();
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(system.GetPropA(window.Handle, upper), 42u) << "names are atoms";
    EXPECT_EQ(system.GetPropA(window.Handle, lower), 42u);
    EXPECT_EQ(system.GetPropA(window.Handle, Marker().substr(0, Marker().size() - 1)), 0u) << "another name";
    EXPECT_EQ(system.GetPropA(window.Handle, "1.x Vantor Kell"), 0u) << "another name";
}

TEST(WindowsContract, TheCallbackStopsTheEnumeration) {
    MarkedWindow first(1), second(2);
    ASSERT_NE(first.Handle, 0u);
    ASSERT_NE(second.Handle, 0u);
    ISystem& system = Env().Platform.System;
    int calls = 0;
    EXPECT_FALSE(system.EnumWindows([&](WindowHandle) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);

    WindowHandle found = 0;
    EXPECT_FALSE(system.EnumWindows([&](WindowHandle window) {
        if (system.GetPropA(window, Marker()) == 0) return true;
        found = window;
        return false;
    })) << "stopped at the first marked window";
    EXPECT_TRUE(found == first.Handle || found == second.Handle) << found;
}

TEST(WindowsContract, ADestroyedWindowIsNoLongerSeen) {
    WindowHandle window = MakeTopLevelWindowWithProp(Marker(), 7);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(Contains(TopLevelWindows(), window));
    DestroyTopLevelWindow(window);
    EXPECT_FALSE(Contains(TopLevelWindows(), window));
    EXPECT_TRUE(WindowsWithProp(Marker()).empty());
    EXPECT_EQ(Env().Platform.System.GetPropA(window, Marker()), 0u) << "a window that is gone";
    EXPECT_EQ(Env().Platform.System.GetPropA(0, Marker()), 0u) << "no window";
}

std::string Quoted(const std::string& path) {
    return '"' + path + '"';
}

TEST(WinExecContract, AMissingProgramIsNotFound) {
    ISystem& system = Env().Platform.System;
    EXPECT_EQ(system.WinExec(Quoted(Env().Scratch + "absent.exe"), kSwShow), kErrorFileNotFound);
    EXPECT_EQ(system.WinExec(Quoted(Env().Scratch + "absent.exe") + " -assoc adpr", kSwShow),
              kErrorFileNotFound);
    EXPECT_EQ(system.WinExec(Env().Scratch + "absent -x", kSwShow), kErrorFileNotFound) << "unquoted";
}

bool WriteFile(const std::string& path, std::string_view content) {
    IFiles& files = Env().Platform.Files;
    UniqueFile file(files, files.CreateFileA(path, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
    std::uint32_t written = 0;
    return file &&
           files.WriteFile(file.Get(), content.data(), static_cast<std::uint32_t>(content.size()), written) &&
           written == content.size();
}

// A vlmr.exe left half-copied is not started as if it were the word processor.
TEST(WinExecContract, WhatIsNoProgramDoesNotStart) {
    constexpr std::uint32_t kErrorBadFormat = 11;
    std::string text = Env().Scratch + "texte.exe";
    ASSERT_TRUE(WriteFile(text, "Ceci n'est pas un programme.\r\n"));
    ISystem& system = Env().Platform.System;
    EXPECT_EQ(system.WinExec(Quoted(text), kSwShow), kErrorBadFormat);
    std::string folder = Env().Scratch + "dossier.exe";
    ASSERT_TRUE(Env().Platform.Files.CreateDirectoryA(folder));
    EXPECT_EQ(system.WinExec(Quoted(folder), kSwShow), kErrorAccessDenied);
    EXPECT_EQ(system.WinExec("", kSwShow), kErrorFileNotFound) << "an empty line";
}

TEST(WinExecContract, AnExistingProgramStartsWithoutBeingWaitedFor) {
    std::string interpreter = CommandInterpreterPath();
    ASSERT_TRUE(interpreter.ends_with(".exe")) << interpreter;
    ISystem& system = Env().Platform.System;
    EXPECT_GT(system.WinExec(Quoted(interpreter) + " /c exit", kSwShow), 31u);
    std::string withoutExtension = interpreter.substr(0, interpreter.size() - 4);
    EXPECT_GT(system.WinExec(withoutExtension + " /c exit", kSwShow), 31u) << "\".exe\" is added";
}

} // namespace
} // namespace ulv::contract
