#include "SimShell.h"

#include <charconv>

namespace ulv::sim {
namespace {

constexpr std::string_view kLinkMagic = "ULVSIMLNK1\r\n";
constexpr std::uint32_t kMaxLinkFile = 64 * 1024;

HResult FromWin32(std::uint32_t error) {
    return error == 0 ? kEFail : static_cast<HResult>(0x80070000u | (error & 0xFFFFu));
}

class SimShellLink final : public IShellLinkObject {
public:
    explicit SimShellLink(SimShell& shell) : Shell(shell) {}
    HResult SetPath(const std::string& target) override { return Info.Target = target, kSOk; }
    HResult SetWorkingDirectory(const std::string& folder) override {
        return Info.WorkingDirectory = folder, kSOk;
    }
    HResult SetDescription(const std::string& description) override {
        return Info.Description = description, kSOk;
    }
    HResult Save(const std::string& linkPath, bool) override { return Shell.SaveLink(linkPath, Info); }

private:
    SimShell& Shell;
    TShellLinkInfo Info;
};

bool TakeField(std::string_view& rest, std::string& field) {
    size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return false;
    size_t length = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + colon, length);
    if (error != std::errc() || end != rest.data() + colon) return false;
    rest.remove_prefix(colon + 1);
    if (length > rest.size() || rest.substr(length, 2) != "\r\n") return false;
    field = std::string(rest.substr(0, length));
    rest.remove_prefix(length + 2);
    return true;
}

} // namespace

std::string EncodeShellLink(const TShellLinkInfo& info) {
    std::string out(kLinkMagic);
    for (const std::string* field : {&info.Target, &info.WorkingDirectory, &info.Description})
        out += std::to_string(field->size()) + ':' + *field + "\r\n";
    return out;
}

std::optional<TShellLinkInfo> DecodeShellLink(std::string_view bytes) {
    if (!bytes.starts_with(kLinkMagic)) return std::nullopt;
    bytes.remove_prefix(kLinkMagic.size());
    TShellLinkInfo info;
    for (std::string* field : {&info.Target, &info.WorkingDirectory, &info.Description})
        if (!TakeField(bytes, *field)) return std::nullopt;
    if (!bytes.empty()) return std::nullopt;
    return info;
}

SimShell::SimShell(SimFiles& files) : Files(files) {
    const std::string user = "C:\\users\\test\\";
    const std::string startMenu = "Microsoft\\Windows\\Start Menu\\Programs";
    Folders[kCsidlPrograms] = {user + "AppData\\Roaming\\" + startMenu};
    Folders[kCsidlPersonal] = {user + "Documents"};
    Folders[kCsidlDesktopDirectory] = {user + "Desktop"};
    Folders[kCsidlCommonPrograms] = {"C:\\ProgramData\\" + startMenu};
    Folders[kCsidlCommonDesktopDirectory] = {"C:\\users\\Public\\Desktop"};
    Folders[kCsidlCommonAppData] = {"C:\\ProgramData"};
    Folders[kCsidlProgramFiles] = {"C:\\Program Files"};
}

void SimShell::SetFolder(int csidl, const std::string& path) {
    std::lock_guard guard(Lock);
    Folders[csidl] = {path, kSOk};
}

void SimShell::SetFolderResult(int csidl, HResult result) {
    std::lock_guard guard(Lock);
    Folders[csidl] = {"", result};
}

void SimShell::ForgetFolder(int csidl) {
    std::lock_guard guard(Lock);
    Folders.erase(csidl);
}

void SimShell::SetFolderFunctionAvailable(bool available) {
    std::lock_guard guard(Lock);
    FolderFunction = available;
}

void SimShell::SetComAvailable(bool available) {
    std::lock_guard guard(Lock);
    Com = available;
}

std::vector<int> SimShell::FolderQueries() const {
    std::lock_guard guard(Lock);
    return Queries;
}

int SimShell::OleInitializeCalls() const {
    std::lock_guard guard(Lock);
    return OleInits;
}

int SimShell::OleUninitializeCalls() const {
    std::lock_guard guard(Lock);
    return OleUninits;
}

int SimShell::LinksCreated() const {
    std::lock_guard guard(Lock);
    return Created;
}

std::vector<TSavedLink> SimShell::Saves() const {
    std::lock_guard guard(Lock);
    return SavedLinks;
}

HResult SimShell::SHGetFolderPathA(int csidl, std::string& path) {
    std::lock_guard guard(Lock);
    Queries.push_back(csidl);
    if (!FolderFunction) return kEFail;
    auto it = Folders.find(csidl);
    if (it == Folders.end()) return kEInvalidArg;
    if (it->second.Result == kSOk) path = it->second.Path;
    return it->second.Result;
}

HResult SimShell::OleInitialize() {
    std::lock_guard guard(Lock);
    return ++OleInits - OleUninits > 1 ? kSFalse : kSOk;
}

void SimShell::OleUninitialize() {
    std::lock_guard guard(Lock);
    if (OleInits > OleUninits) ++OleUninits;
}

std::unique_ptr<IShellLinkObject> SimShell::CreateShellLink() {
    std::lock_guard guard(Lock);
    if (!Com || OleInits == OleUninits) return nullptr;
    ++Created;
    return std::make_unique<SimShellLink>(*this);
}

HResult SimShell::SaveLink(const std::string& linkPath, const TShellLinkInfo& info) {
    HResult result = kSOk;
    std::string bytes = EncodeShellLink(info);
    UniqueFile file(Files,
                    Files.CreateFileA(linkPath, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
    std::uint32_t written = 0;
    if (!file ||
        !Files.WriteFile(file.Get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written))
        result = FromWin32(Files.LastError());
    std::lock_guard guard(Lock);
    SavedLinks.push_back({linkPath, info, result});
    return result;
}

std::optional<TShellLinkInfo> SimShell::ReadShellLink(const std::string& linkPath) {
    UniqueFile file(Files, Files.CreateFileA(linkPath, kGenericRead, kFileShareRead, kOpenExisting, 0));
    if (!file) return std::nullopt;
    std::string bytes(kMaxLinkFile, '\0');
    std::uint32_t read = 0;
    if (!Files.ReadFile(file.Get(), bytes.data(), kMaxLinkFile, read)) return std::nullopt;
    bytes.resize(read);
    return DecodeShellLink(bytes);
}

void SimShell::SetDesktopShellResult(HResult result) {
    std::lock_guard guard(Lock);
    DesktopShellResult = result;
}

std::vector<SimShell::TDesktopExecute> SimShell::DesktopExecutes() const {
    std::lock_guard guard(Lock);
    return Executes;
}

HResult SimShell::ShellExecuteFromDesktop(const std::string& file, const std::string& arguments,
                                          const std::string& directory, std::uint32_t showCommand) {
    std::lock_guard guard(Lock);
    if (OleInits <= OleUninits) return kCoENotInitialized;
    if (DesktopShellResult == kSOk) Executes.push_back({file, arguments, directory, showCommand});
    return DesktopShellResult;
}

} // namespace ulv::sim
