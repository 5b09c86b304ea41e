#include "DllLoading.h"
#include "Win32Convert.h"
#include "Win32Platform.h"

namespace ulv::win32 {
namespace {

HANDLE ToHandle(std::uintptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

void ToFindData(const WIN32_FIND_DATAA& w, TFindData& found) {
    found.Attributes = w.dwFileAttributes;
    found.CreationTime = FromFiletime(w.ftCreationTime);
    found.LastAccessTime = FromFiletime(w.ftLastAccessTime);
    found.LastWriteTime = FromFiletime(w.ftLastWriteTime);
    found.Size = static_cast<std::uint64_t>(w.nFileSizeHigh) << 32 | w.nFileSizeLow;
    found.Name = w.cFileName;
}

} // namespace

Win32Files::Win32Files()
    : GetTempPath2Entry(MappedSystemExport<GetTempPath2Fn>("kernel32.dll", "GetTempPath2A")),
      SetFileInformationByHandleEntry(
          MappedSystemExport<SetFileInformationByHandleFn>("kernel32.dll", "SetFileInformationByHandle")),
      NtSetInformationFileEntry(
          MappedSystemExport<NtSetInformationFileFn>("ntdll.dll", "NtSetInformationFile")),
      RtlNtStatusToDosErrorEntry(
          MappedSystemExport<RtlNtStatusToDosErrorFn>("ntdll.dll", "RtlNtStatusToDosError")) {}

FileHandle Win32Files::CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                                   std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
    HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes, nullptr);
    return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

bool Win32Files::WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) {
    DWORD done = 0;
    BOOL ok = ::WriteFile(ToHandle(file), data, size, &done, nullptr);
    written = done;
    return ok && done == size;
}

bool Win32Files::ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) {
    DWORD done = 0;
    BOOL ok = ::ReadFile(ToHandle(file), data, size, &done, nullptr);
    read = done;
    return ok != FALSE;
}

bool Win32Files::SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                             const FileTime* lastWrite) {
    FILETIME c{}, a{}, w{};
    if (creation) c = ToFiletime(*creation);
    if (lastAccess) a = ToFiletime(*lastAccess);
    if (lastWrite) w = ToFiletime(*lastWrite);
    return ::SetFileTime(ToHandle(file), creation ? &c : nullptr, lastAccess ? &a : nullptr,
                         lastWrite ? &w : nullptr) != FALSE;
}

bool Win32Files::GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) {
    FILETIME c{}, a{}, w{};
    if (!::GetFileTime(ToHandle(file), &c, &a, &w)) return false;
    if (creation) *creation = FromFiletime(c);
    if (lastAccess) *lastAccess = FromFiletime(a);
    if (lastWrite) *lastWrite = FromFiletime(w);
    return true;
}

std::optional<std::uint64_t> Win32Files::GetFileSize(FileHandle file) {
    DWORD high = 0;
    DWORD low = ::GetFileSize(ToHandle(file), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return std::nullopt;
    return static_cast<std::uint64_t>(high) << 32 | low;
}

bool Win32Files::CloseHandle(FileHandle file) {
    return ::CloseHandle(ToHandle(file)) != FALSE;
}

bool Win32Files::GetFileInformationByHandle(FileHandle file, TFileInformation& info) {
    BY_HANDLE_FILE_INFORMATION w{};
    if (!::GetFileInformationByHandle(ToHandle(file), &w)) return false;
    info = TFileInformation{w.dwFileAttributes, FromFiletime(w.ftLastWriteTime),
                            static_cast<std::uint64_t>(w.nFileSizeHigh) << 32 | w.nFileSizeLow,
                            w.nNumberOfLinks};
    return true;
}

bool Win32Files::DeleteFileA(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Files::CreateDirectoryA(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Files::RemoveDirectoryA(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

std::uint32_t Win32Files::GetFileAttributesA(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool Win32Files::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

FindHandle Win32Files::FindFirstFileA(const std::string& pattern, TFindData& found) {
    WIN32_FIND_DATAA w{};
    HANDLE h = ::FindFirstFileA(pattern.c_str(), &w);
    if (h == INVALID_HANDLE_VALUE) return kNoFind;
    ToFindData(w, found);
    return reinterpret_cast<FindHandle>(h);
}

bool Win32Files::FindNextFileA(FindHandle find, TFindData& found) {
    WIN32_FIND_DATAA w{};
    if (!::FindNextFileA(ToHandle(find), &w)) return false;
    ToFindData(w, found);
    return true;
}

bool Win32Files::FindClose(FindHandle find) {
    return ::FindClose(ToHandle(find)) != FALSE;
}

std::uint32_t Win32Files::LastError() const {
    return ::GetLastError();
}

} // namespace ulv::win32
