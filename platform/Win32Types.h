#pragma once
// Values of the Win32 API that cross the seam. They are the documented numbers, so both adapters and the
// code above the seam agree on them without <windows.h>.
#include <cstdint>

namespace ulv {

using FileTime = std::uint64_t; // 100-ns intervals since 1601-01-01, as FILETIME holds them

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;

constexpr std::uint32_t kFileShareRead = 0x1;
constexpr std::uint32_t kFileShareWrite = 0x2;
constexpr std::uint32_t kFileShareDelete = 0x4;

constexpr std::uint32_t kCreateNew = 1;
constexpr std::uint32_t kCreateAlways = 2;
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kOpenAlways = 4;
constexpr std::uint32_t kTruncateExisting = 5;

constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
constexpr std::uint32_t kFileAttributeHidden = 0x2;
constexpr std::uint32_t kFileAttributeSystem = 0x4;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kFileAttributeNormal = 0x80;
constexpr std::uint32_t kFileAttributeReparsePoint = 0x400; // a junction or symbolic link
constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kFileFlagSequentialScan = 0x08000000u;
constexpr std::uint32_t kFileFlagBackupSemantics = 0x02000000u;  // lets CreateFileA open a folder
constexpr std::uint32_t kFileFlagOpenReparsePoint = 0x00200000u; // a link at the name is opened itself
constexpr std::uint32_t kDeleteAccess = 0x00010000u;             // DELETE
constexpr std::uint32_t kReadControl = 0x00020000u;              // READ_CONTROL: the owner may be read
constexpr std::uint32_t kFileAddSubdirectory = 0x0004u;          // a folder may be made in this one

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNoMoreFiles = 18;
constexpr std::uint32_t kErrorNotReady = 21;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorHandleDiskFull = 39;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorBadPathname = 161;
constexpr std::uint32_t kErrorDirectoryName = 267;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorMoreData = 234;
constexpr std::uint32_t kErrorInvalidAcl = 1336;

constexpr std::uint32_t kVerPlatformWin32s = 0;
constexpr std::uint32_t kVerPlatformWin32Windows = 1;
constexpr std::uint32_t kVerPlatformWin32Nt = 2;

constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbIconHand = 0x10;
constexpr std::uint32_t kMbIconExclamation = 0x30;
constexpr std::uint32_t kMbIconInformation = 0x40;

constexpr std::uint32_t kWmSetIcon = 0x80;
constexpr std::uintptr_t kIconSmall = 0;
constexpr std::uintptr_t kIconBig = 1;

} // namespace ulv
