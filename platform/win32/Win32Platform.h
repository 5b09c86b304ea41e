#pragma once
#include "Win32Shell.h"
#include "platform/Platform.h"

#include <mutex>

#include <windows.h>

#include <restartmanager.h>

namespace ulv::win32 {

class Win32Files final : public IFiles {
public:
    Win32Files();
    FileHandle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t flagsAndAttributes) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) override;
    bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                     const FileTime* lastWrite) override;
    bool GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) override;
    std::optional<std::uint64_t> GetFileSize(FileHandle file) override;
    bool CloseHandle(FileHandle file) override;
    bool GetFileInformationByHandle(FileHandle file, TFileInformation& info) override;
    std::optional<std::string> GetOwnerSid(FileHandle file) override;
    std::optional<std::string> GetSecuritySddl(FileHandle file) override;
    bool DeleteByHandle(FileHandle file) override;
    bool DeleteFileA(const std::string& path) override;
    bool CreateDirectoryA(const std::string& path) override;
    bool CreateDirectoryWithSddl(const std::string& path, const std::string& sddl) override;
    bool RemoveDirectoryA(const std::string& path) override;
    std::uint32_t GetFileAttributesA(const std::string& path) override;
    bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
    FindHandle FindFirstFileA(const std::string& pattern, TFindData& found) override;
    bool FindNextFileA(FindHandle find, TFindData& found) override;
    bool FindClose(FindHandle find) override;
    bool MoveFileExA(const std::string& from, const std::string& to, std::uint32_t flags) override;
    bool DeviceIoControl(FileHandle device, std::uint32_t controlCode, const void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t& returned) override;
    std::string GetCurrentDirectoryA() override;
    bool SetCurrentDirectoryA(const std::string& path) override;
    std::optional<std::string> GetFullPathNameA(const std::string& path) override;
    std::string GetTempPathA() override;
    std::uint32_t LastError() const override;

private:
    // Entry points of later systems, looked up once at construction; nullptr on a system without them.
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPSTR);
    const GetTempPath2Fn GetTempPath2Entry; // Windows 11, and Windows 10 updated
    using SetFileInformationByHandleFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
    const SetFileInformationByHandleFn SetFileInformationByHandleEntry; // Windows Vista
    // ntdll's, for the disposition where kernel32 has no call for it (Windows 2000 and XP).
    using NtSetInformationFileFn = LONG(WINAPI*)(HANDLE, PVOID, PVOID, ULONG, ULONG);
    const NtSetInformationFileFn NtSetInformationFileEntry;
    using RtlNtStatusToDosErrorFn = ULONG(WINAPI*)(LONG);
    const RtlNtStatusToDosErrorFn RtlNtStatusToDosErrorEntry;
};

class Win32Clock final : public IClock {
public:
    TSystemTime GetLocalTime() override;
    void Sleep(std::uint32_t milliseconds) override;
    bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) override;
    bool LocalFileTimeToFileTime(FileTime local, FileTime& utc) override;
    bool FileTimeToDosDateTime(FileTime time, std::uint16_t& dosDate, std::uint16_t& dosTime) override;
    bool DosDateTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, FileTime& time) override;
};

class Win32System final : public ISystem {
public:
    bool GetVersionExA(TOsVersionInfo& info) override;
    int MessageBoxA(WindowHandle owner, const std::string& text, const std::optional<std::string>& caption,
                    std::uint32_t style) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool SetWindowTextA(WindowHandle window, const std::string& text) override;
    bool EnumWindows(const std::function<bool(WindowHandle)>& callback) override;
    std::uintptr_t GetPropA(WindowHandle window, const std::string& name) override;
    std::uint32_t WinExec(const std::string& commandLine, std::uint32_t showCommand) override;
    std::uint32_t CreateProcessA(const std::string& commandLine, const std::string& currentDirectory,
                                 std::uint32_t showCommand) override;
    KernelHandle CreateMutexA(const std::string& name, std::uint32_t& lastError) override;
    bool CloseHandle(KernelHandle handle) override;
    std::string ProcessUserSid() override;
    std::optional<std::uint32_t> TokenElevationType() override;
    bool InAdministratorsGroup() override;
    bool EnableRedirectionGuard() override;
};

class Win32Module final : public IModule {
public:
    ~Win32Module() override;
    std::optional<std::span<const std::uint8_t>> FindResourceData(const char* name,
                                                                  const char* type) override;
    IconHandle LoadIconA(int resourceId) override;
    WindowHandle ApplicationWindow() override;

private:
    HWND AppWindow = nullptr;
};

class Win32Drives final : public IDrives {
public:
    Win32Drives();
    std::uint32_t GetDriveTypeA(const std::string& root) override;
    std::uint32_t GetLogicalDrives() override;
    std::optional<TDiskFreeSpace> GetDiskFreeSpaceA(const std::string& root) override;
    std::optional<std::string> GetVolumePathNameA(const std::string& path) override;
    std::optional<TVolumeInformation> GetVolumeInformationA(const std::string& root) override;
    std::uint32_t SetErrorMode(std::uint32_t mode) override;
    std::optional<std::string> WNetGetConnectionA(const std::string& localName) override;
    std::optional<TDiskFreeSpaceEx> GetDiskFreeSpaceExA(const std::string& directory) override;

private:
    using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    // kernel32's entry point, looked up by name once at construction; nullptr on a system without it.
    const GetDiskFreeSpaceExFn GetDiskFreeSpaceExEntry;

    using WNetGetConnectionFn = DWORD(WINAPI*)(LPCSTR, LPSTR, LPDWORD);
    // mpr.dll's entry point, resolved on first use; nullptr when the library or the export is missing.
    WNetGetConnectionFn WNetGetConnection();

    std::once_flag MprLoaded;
    WNetGetConnectionFn WNetGetConnectionEntry = nullptr;
};

class Win32Text final : public IText {
public:
    void CharUpperBuffA(std::string& text) override;
    void CharLowerBuffA(std::string& text) override;
    using IText::CompareStringA;
    int CompareStringA(Lcid locale, std::uint32_t flags, const std::string& a, const std::string& b) override;
    using IText::LCMapSortKeyA;
    bool LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text, std::string& key) override;
};

class Win32Registry final : public IRegistry {
public:
    std::int32_t RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                               RegKey& result) override;
    std::int32_t RegCreateKeyExA(RegKey parent, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, RegKey& result) override;
    std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t& size) override;
    std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t RegCloseKey(RegKey key) override;
    std::int32_t RegDeleteKeyA(RegKey parent, const std::string& subKey) override;
};

class Win32RestartManager final : public IRestartManager {
public:
    std::uint32_t RmStartSession(RmSessionHandle& session) override;
    std::uint32_t RmRegisterResources(RmSessionHandle session,
                                      const std::vector<std::string>& files) override;
    std::uint32_t RmGetList(RmSessionHandle session, std::vector<TRmProcessInfo>& processes,
                            std::uint32_t& rebootReasons) override;
    std::uint32_t RmEndSession(RmSessionHandle session) override;

private:
    // rstrtmgr.dll's entry points, resolved on first use (the library exists from Windows Vista on); false
    // when the library or one of them is missing.
    bool Loaded();

    // The types only: naming the calls in decltype imports nothing.
    std::once_flag LoadOnce;
    decltype(&::RmStartSession) StartSessionEntry = nullptr;
    decltype(&::RmRegisterResources) RegisterResourcesEntry = nullptr;
    decltype(&::RmGetList) GetListEntry = nullptr;
    decltype(&::RmEndSession) EndSessionEntry = nullptr;
};

// The real machine. Construct it after RestrictDllSearchPath: the shell adapter loads a DLL.
class Win32Machine {
public:
    [[nodiscard]] TPlatform Platform() {
        return TPlatform{Files, Clock, System, Module, Drives, Shell, Text, Registry, RestartManager};
    }

    Win32Files Files;
    Win32Clock Clock;
    Win32System System;
    Win32Module Module;
    Win32Drives Drives;
    Win32Shell Shell;
    Win32Text Text;
    Win32Registry Registry;
    Win32RestartManager RestartManager;
};

} // namespace ulv::win32
