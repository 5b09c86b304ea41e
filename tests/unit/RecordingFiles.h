#pragma once
// An IFiles that forwards to another and counts the complete writes per file (by upper-cased path), with
// a hook before each write, and can make reads fail partway; safe to use from the install thread and a test
// thread at once.
#include "platform/Files.h"

#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace ulv::test {

class RecordingFiles final : public IFiles {
public:
    explicit RecordingFiles(IFiles& inner) : Inner(inner) {}

    std::function<void(const std::string& path)> BeforeWrite;
    // Called once a folder has been listed: what another user may do between a listing and the next call.
    std::function<void()> AfterFindClose;
    // Reads give this many bytes in all, then fail, as a disk that fails partway through a file.
    void FailReadsAfter(std::uint64_t bytes);

    [[nodiscard]] int WritesOf(const std::string& path) const;
    [[nodiscard]] std::vector<std::string> WriteOrder() const;

    FileHandle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t flags) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool CloseHandle(FileHandle file) override;

    bool ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) override;
    bool SetFileTime(FileHandle f, const FileTime* c, const FileTime* a, const FileTime* w) override {
        return Inner.SetFileTime(f, c, a, w);
    }
    bool GetFileTime(FileHandle f, FileTime* c, FileTime* a, FileTime* w) override {
        return Inner.GetFileTime(f, c, a, w);
    }
    std::optional<std::uint64_t> GetFileSize(FileHandle f) override { return Inner.GetFileSize(f); }
    bool DeleteFileA(const std::string& p) override { return Inner.DeleteFileA(p); }
    bool CreateDirectoryA(const std::string& p) override { return Inner.CreateDirectoryA(p); }
    bool CreateDirectoryWithSddl(const std::string& p, const std::string& sddl) override {
        return Inner.CreateDirectoryWithSddl(p, sddl);
    }
    bool RemoveDirectoryA(const std::string& p) override { return Inner.RemoveDirectoryA(p); }
    std::uint32_t GetFileAttributesA(const std::string& p) override;
    bool SetFileAttributesA(const std::string& p, std::uint32_t a) override {
        return Inner.SetFileAttributesA(p, a);
    }
    FindHandle FindFirstFileA(const std::string& p, TFindData& f) override {
        return Inner.FindFirstFileA(p, f);
    }
    bool FindNextFileA(FindHandle h, TFindData& f) override { return Inner.FindNextFileA(h, f); }
    bool FindClose(FindHandle h) override {
        bool closed = Inner.FindClose(h);
        if (AfterFindClose) AfterFindClose();
        return closed;
    }
    bool MoveFileExA(const std::string& a, const std::string& b, std::uint32_t f) override {
        return Inner.MoveFileExA(a, b, f);
    }
    bool DeviceIoControl(FileHandle d, std::uint32_t c, const void* i, std::uint32_t is, void* o,
                         std::uint32_t os, std::uint32_t& r) override {
        return Inner.DeviceIoControl(d, c, i, is, o, os, r);
    }
    std::string GetCurrentDirectoryA() override { return Inner.GetCurrentDirectoryA(); }
    bool SetCurrentDirectoryA(const std::string& p) override { return Inner.SetCurrentDirectoryA(p); }
    std::optional<std::string> GetFullPathNameA(const std::string& p) override {
        return Inner.GetFullPathNameA(p);
    }
    std::string GetTempPathA() override { return Inner.GetTempPathA(); }
    std::uint32_t LastError() const override { return Inner.LastError(); }
    bool GetFileInformationByHandle(FileHandle f, TFileInformation& info) override {
        return Inner.GetFileInformationByHandle(f, info);
    }
    std::optional<std::string> GetOwnerSid(FileHandle f) override { return Inner.GetOwnerSid(f); }
    std::optional<std::string> GetSecuritySddl(FileHandle f) override { return Inner.GetSecuritySddl(f); }
    bool DeleteByHandle(FileHandle f) override { return Inner.DeleteByHandle(f); }

private:
    IFiles& Inner;
    mutable std::mutex Lock;
    std::map<FileHandle, std::string> Paths;
    std::map<std::string, int> Writes;
    std::vector<std::string> Order;
    std::uint64_t ReadableBytes = std::numeric_limits<std::uint64_t>::max();
};

} // namespace ulv::test
