#pragma once
#include "SimFiles.h"
#include "platform/Shell.h"

#include <map>
#include <mutex>
#include <vector>

namespace ulv::sim {

constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);

struct TSavedLink {
    std::string Path;
    TShellLinkInfo Info;
    HResult Result = kSOk;
};

// The shell of the simulated machine. Special folders answer from a table (by default Wine's layout under
// C:\users\test, C:\users\Public, C:\ProgramData and C:\Program Files; the folders are not created); a
// number not in the table gives E_INVALIDARG. Shell links are saved as real files of SimFiles in a small
// format of the sim's own, so a link that cannot be written fails as the file write would. CreateShellLink
// needs OLE initialised (the count is process-wide here, per thread on Windows). Calls are recorded.
// Thread-safe.
class SimShell final : public IShell {
public:
    explicit SimShell(SimFiles& files);

    void SetFolder(int csidl, const std::string& path);
    // A folder that answers `result` without a path (S_FALSE, or a failure code).
    void SetFolderResult(int csidl, HResult result);
    void ForgetFolder(int csidl);
    // false: neither shell32 nor shfolder has SHGetFolderPathA, every lookup gives E_FAIL.
    void SetFolderFunctionAvailable(bool available);
    // false: CoCreateInstance of the shell link fails.
    void SetComAvailable(bool available);
    // What ShellExecuteFromDesktop answers: S_OK while a person's desktop shell runs (the default), S_FALSE
    // when none does (session 0), or a failure.
    void SetDesktopShellResult(HResult result);

    [[nodiscard]] std::vector<int> FolderQueries() const;
    [[nodiscard]] int OleInitializeCalls() const;
    [[nodiscard]] int OleUninitializeCalls() const;
    [[nodiscard]] int LinksCreated() const;
    [[nodiscard]] std::vector<TSavedLink> Saves() const;
    // The programs handed to the desktop's shell, answered S_OK or not.
    struct TDesktopExecute {
        std::string File, Arguments, Directory;
        std::uint32_t ShowCommand = 0;
    };
    [[nodiscard]] std::vector<TDesktopExecute> DesktopExecutes() const;

    HResult SHGetFolderPathA(int csidl, std::string& path) override;
    HResult OleInitialize() override;
    void OleUninitialize() override;
    std::unique_ptr<IShellLinkObject> CreateShellLink() override;
    std::optional<TShellLinkInfo> ReadShellLink(const std::string& linkPath) override;
    HResult ShellExecuteFromDesktop(const std::string& file, const std::string& arguments,
                                    const std::string& directory, std::uint32_t showCommand) override;

    // Writes the link file; used by the link objects.
    HResult SaveLink(const std::string& linkPath, const TShellLinkInfo& info);

private:
    struct Folder {
        std::string Path;
        HResult Result = kSOk;
    };

    SimFiles& Files;
    mutable std::mutex Lock;
    std::map<int, Folder> Folders;
    bool FolderFunction = true;
    bool Com = true;
    std::vector<int> Queries;
    int OleInits = 0, OleUninits = 0, Created = 0;
    std::vector<TSavedLink> SavedLinks;
    HResult DesktopShellResult = kSOk;
    std::vector<TDesktopExecute> Executes;
};

// The format of a saved sim link: its magic line, then each string as "<length>:<bytes>\r\n".
std::string EncodeShellLink(const TShellLinkInfo& info);
std::optional<TShellLinkInfo> DecodeShellLink(std::string_view bytes);

} // namespace ulv::sim
