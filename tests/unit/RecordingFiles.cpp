#include "RecordingFiles.h"

#include "utils/InstUtils.h"

#include <algorithm>
#include <cctype>

namespace ulv::test {
namespace {

std::string Key(std::string path) {
    for (char& c : path)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return path;
}

} // namespace

int RecordingFiles::WritesOf(const std::string& path) const {
    std::lock_guard guard(Lock);
    auto it = Writes.find(Key(path));
    return it == Writes.end() ? 0 : it->second;
}

std::vector<std::string> RecordingFiles::WriteOrder() const {
    std::lock_guard guard(Lock);
    return Order;
}

// A file is written under a work name of ours, just after its target was looked at for the replacement on
// the same thread: its writes are counted for the target, as the test names it.
namespace {
thread_local std::string lookedAt;

bool IsWorkPath(const std::string& path) { return IsWorkFileName(path.substr(path.rfind('\\') + 1)); }
} // namespace

std::uint32_t RecordingFiles::GetFileAttributesA(const std::string& path) {
    if (!IsWorkPath(path)) lookedAt = path;
    return Inner.GetFileAttributesA(path);
}

FileHandle RecordingFiles::CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                                       std::uint32_t disposition, std::uint32_t flags) {
    const bool work = disposition == kCreateNew && IsWorkPath(path);
    FileHandle h = Inner.CreateFileA(path, access, share, disposition, flags);
    if (h != kNoFile) {
        std::lock_guard guard(Lock);
        Paths[h] = work && !lookedAt.empty() ? lookedAt : path;
    }
    return h;
}

void RecordingFiles::FailReadsAfter(std::uint64_t bytes) {
    std::lock_guard guard(Lock);
    ReadableBytes = bytes;
}

bool RecordingFiles::ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) {
    std::uint64_t left = 0;
    {
        std::lock_guard guard(Lock);
        left = ReadableBytes;
    }
    read = 0;
    if (left == 0) return false;
    bool ok =
        Inner.ReadFile(file, data, static_cast<std::uint32_t>(std::min<std::uint64_t>(size, left)), read);
    std::lock_guard guard(Lock);
    ReadableBytes -= std::min<std::uint64_t>(read, ReadableBytes);
    return ok;
}

bool RecordingFiles::WriteFile(FileHandle file, const void* data, std::uint32_t size,
                               std::uint32_t& written) {
    std::string path;
    {
        std::lock_guard guard(Lock);
        if (auto it = Paths.find(file); it != Paths.end()) path = it->second;
    }
    if (BeforeWrite) BeforeWrite(path);
    bool ok = Inner.WriteFile(file, data, size, written);
    if (ok && written == size) {
        std::lock_guard guard(Lock);
        ++Writes[Key(path)];
        Order.push_back(path);
    }
    return ok;
}

bool RecordingFiles::CloseHandle(FileHandle file) {
    {
        std::lock_guard guard(Lock);
        Paths.erase(file);
    }
    return Inner.CloseHandle(file);
}

} // namespace ulv::test
