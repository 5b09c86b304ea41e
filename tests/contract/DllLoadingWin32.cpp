// The DLL defences of systems without SetDefaultDllDirectories, run where they can be: each DLL loaded
// ahead is mapped from the system folder, so that a load by name finds that copy.
#include "platform/win32/DllLoading.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace ulv::contract {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(DllLoadingWin32, DllsLoadedByNameAreMappedFromTheSystemFolderFirst) {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string system = Lower(std::string(folder, length) + "\\");
    const std::vector<std::string> loaded = win32::PreloadSystemLibraries();
    // Every Windows (and Wine) has these two.
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), "version.dll"), loaded.end());
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), "oleaut32.dll"), loaded.end());
    for (const std::string& name : loaded) {
        HMODULE module = GetModuleHandleA(name.c_str());
        ASSERT_NE(module, nullptr) << name;
        char path[MAX_PATH];
        DWORD size = GetModuleFileNameA(module, path, MAX_PATH);
        ASSERT_GT(size, 0u) << name;
        EXPECT_EQ(Lower(std::string(path, size)), system + name);
    }
}

} // namespace
} // namespace ulv::contract
