#pragma once
#include "SimClock.h"
#include "platform/Files.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ulv::sim {

// An in-memory file system with the behaviour of NTFS seen through kernel32: drive letters, case-insensitive
// and case-preserving names, attributes, times, and handles that enforce sharing. Absolute paths only
// ("C:\..."); "/" is taken as a separator and "." and ".." are resolved, as GetFullPathNameA does.
class SimFiles final : public IFiles {
public:
    explicit SimFiles(SimClock& clock);

    void AddDrive(char letter);
    // Test set-up helpers: create a file (and its folders) with content and a last-write time.
    bool PutFile(const std::string& path, std::string_view content, FileTime lastWrite = 0);
    bool PutFolder(const std::string& path);
    [[nodiscard]] std::optional<std::string> FileContent(const std::string& path) const;
    [[nodiscard]] std::optional<FileTime> LastWriteOf(const std::string& path) const;
    [[nodiscard]] size_t OpenHandleCount() const;

    FileHandle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t flagsAndAttributes) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) override;
    bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                     const FileTime* lastWrite) override;
    bool GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) override;
    std::optional<std::uint64_t> GetFileSize(FileHandle file) override;
    bool CloseHandle(FileHandle file) override;
    bool DeleteFileA(const std::string& path) override;
    bool CreateDirectoryA(const std::string& path) override;
    bool RemoveDirectoryA(const std::string& path) override;
    std::uint32_t GetFileAttributesA(const std::string& path) override;
    bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
    FindHandle FindFirstFileA(const std::string& pattern, TFindData& found) override;
    bool FindNextFileA(FindHandle find, TFindData& found) override;
    bool FindClose(FindHandle find) override;
    std::uint32_t LastError() const override;

private:
    struct Node {
        std::string Name; // last component, case as created
        bool Directory = false;
        std::uint32_t Attributes = kFileAttributeArchive;
        FileTime Creation = 0, LastAccess = 0, LastWrite = 0;
        std::shared_ptr<std::vector<std::uint8_t>> Data = std::make_shared<std::vector<std::uint8_t>>();
    };
    struct OpenFile {
        std::string Key;
        std::uint32_t Access = 0;
        std::uint32_t Share = 0;
        std::uint64_t Position = 0;
    };
    struct Search {
        std::vector<TFindData> Results;
        size_t Next = 0;
    };
    struct Parsed {
        std::string Key;     // upper-cased canonical path, "C:" for a root
        std::string Parent;  // key of the parent folder, empty for a root
        std::string Name;    // last component as written
        bool IsRoot = false;
    };

    [[nodiscard]] std::optional<Parsed> Parse(const std::string& path) const;
    [[nodiscard]] bool ParentIsFolder(const Parsed& p) const;
    [[nodiscard]] bool SharingAllows(const std::string& key, std::uint32_t access, std::uint32_t share) const;
    [[nodiscard]] bool HasOpenHandles(const std::string& key) const;
    bool Fail(std::uint32_t error) const;
    FileHandle OpenNode(const std::string& key, std::uint32_t access, std::uint32_t share);
    bool MakeFolderChain(const std::string& path);
    [[nodiscard]] TFindData FindDataOf(const Node& node, const std::string& name) const;

    SimClock& Clock;
    mutable std::recursive_mutex Lock;
    std::set<char> Drives;
    std::map<std::string, Node> Nodes; // by upper-cased canonical path
    std::map<FileHandle, OpenFile> Handles;
    std::map<FindHandle, Search> Searches;
    std::uintptr_t NextHandle = 0x100;
};

} // namespace ulv::sim
