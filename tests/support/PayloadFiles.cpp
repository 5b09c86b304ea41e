#include "PayloadFiles.h"

#include "TestFiles.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace ulv::test {

std::unique_ptr<TAttachedFiles> LoadPayloadFile(const std::string& path) {
    std::vector<std::uint8_t> stream = ReadHostFile(path);
    TPayloadFault fault;
    return TAttachedFiles::FromStream(stream, fault);
}

// One byte more than the entry is asked for, so that a longer file shows.
bool HoldsEntryBytes(const std::string& path, const TAttachedFiles& files, const TAttachedFile& entry) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(entry.Size) + 1);
    DWORD read = 0;
    BOOL ok = ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    return ok && read == static_cast<DWORD>(entry.Size) &&
           std::memcmp(bytes.data(), files.Payload() + entry.DataOffset, read) == 0;
}

} // namespace ulv::test
