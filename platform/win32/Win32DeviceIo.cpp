#include "Win32Platform.h"

namespace ulv::win32 {

// The storage-property query of a volume opened as "\\.\C:": the caller lays out the query and the
// descriptor; the bytes pass through untouched.
bool Win32Files::DeviceIoControl(FileHandle device, std::uint32_t controlCode, const void* in,
                                 std::uint32_t inSize, void* out, std::uint32_t outSize,
                                 std::uint32_t& returned) {
    DWORD done = 0;
    BOOL ok = ::DeviceIoControl(reinterpret_cast<HANDLE>(device), controlCode, const_cast<void*>(in), inSize,
                                out, outSize, &done, nullptr);
    returned = done;
    return ok != FALSE;
}

} // namespace ulv::win32
