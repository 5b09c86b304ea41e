#include "Win32Platform.h"

namespace ulv::win32 {
namespace {

constexpr ULONG kFileDispositionInformation = 13; // FILE_INFORMATION_CLASS

struct TIoStatusBlock {
    void* Status; // NTSTATUS, in a union with a pointer
    ULONG_PTR Information;
};

} // namespace

bool Win32Files::DeleteByHandle(FileHandle file) {
    HANDLE handle = reinterpret_cast<HANDLE>(file);
    if (SetFileInformationByHandleEntry) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        return SetFileInformationByHandleEntry(handle, FileDispositionInfo, &disposition,
                                               sizeof disposition) != FALSE;
    }
    if (!NtSetInformationFileEntry || !RtlNtStatusToDosErrorEntry) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    TIoStatusBlock io{};
    BOOLEAN deleteFile = TRUE;
    LONG status =
        NtSetInformationFileEntry(handle, &io, &deleteFile, sizeof deleteFile, kFileDispositionInformation);
    // Warnings and information are successes too: only a negative status is an error.
    if (status < 0) {
        ::SetLastError(RtlNtStatusToDosErrorEntry(status));
        return false;
    }
    return true;
}

} // namespace ulv::win32
