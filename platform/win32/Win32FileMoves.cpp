#include "Win32Platform.h"

namespace ulv::win32 {

bool Win32Files::MoveFileExA(const std::string& from, const std::string& to, std::uint32_t flags) {
    return ::MoveFileExA(from.c_str(), to.c_str(), flags) != FALSE;
}

} // namespace ulv::win32
