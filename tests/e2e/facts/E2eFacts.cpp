// Writes the facts the end-to-end checks drive the setup by, taken from the program itself, as a shell file
// they source: each control's id (the wizard window built on the simulated machine and numbered as its
// real window numbers its controls), the buttons' captions, the titles, the message dialog's buttons, the
// component names, the registry keys and the texts the checks look for, in UTF-8.
//   ulvara-e2e-facts OUTPUT.sh
#include "engine/AttachFiles.h"
#include "platform/Cp1252.h"
#include "platform/sim/SimMachine.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"
#include "wizard/InstallSettings.h"
#include "wizard/MainDlg.h"

#include <array>
#include <bit>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {
namespace {

std::string Utf8(std::string_view text) {
    std::string out;
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        char32_t cp = b >= 0x80 && b < 0xA0 ? cp1252::kHighCodePoints[b - 0x80] : b;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// A bash word that stands for the text: $'...' with backslashes, quotes and carriage returns escaped.
std::string Word(std::string_view text) {
    std::string out = "$'";
    for (char c : Utf8(text)) {
        if (c == '\\' || c == '\'') out += '\\';
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        out += c;
    }
    return out + "'";
}

template <std::size_t N> std::string Words(const std::array<std::string_view, N>& texts) {
    std::string out = "(";
    for (std::string_view text : texts)
        out += (out.size() > 1 ? " " : "") + Word(text);
    return out + ")";
}

// The lines of a message, which break with a lone CR, as a bash array.
std::string Lines(std::string_view text) {
    std::string out = "(";
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = text.find('\r', start);
        out += (out.size() > 1 ? " " : "") + Word(text.substr(start, end - start));
    }
    return out + ")";
}

struct TFacts {
    std::string Text;
    void Line(std::string_view name, const std::string& value) {
        Text += "readonly " + std::string(name) + "=" + value + "\n";
    }
};

// The controls' ids, one constant each ("k" and the control's name) and all as NAME=ID pairs.
void ControlIds(TFacts& facts) {
    sim::SimMachine machine;
    TPlatform platform = machine.Platform();
    TInstUtils utils(platform);
    std::unique_ptr<TAttachedFiles> files = TAttachedFiles::CreateEmpty();
    files->Connect(platform, utils, [](const std::string&, int, std::uint16_t) { return kResultAbort; });
    TSetupRun run;
    TInstallation installation(platform, utils, *files, run, {});
    TMainDlgForm form(installation);
    form.CreateHandles();
    std::string pairs;
    for (const TControl* control : form.AllControls()) {
        facts.Line("k" + control->Name(), std::to_string(control->Id));
        pairs += (pairs.empty() ? "" : " ") + control->Name() + "=" + std::to_string(control->Id);
    }
    facts.Line("kControlIds", Word(pairs));
}

// The message dialog's titles by kind, and each button's caption and id (its result code).
void MessageFacts(TFacts& facts) {
    constexpr std::array<std::string_view, 4> kKinds = {"Warning", "Error", "Information", "Confirmation"};
    for (int kind = 0; kind < 4; ++kind)
        facts.Line("k" + std::string(kKinds[kind]) + "Title", Word(MessageTitle(kind)));
    constexpr std::array<std::string_view, 11> kNames = {
        "Yes", "No", "Ok", "Cancel", "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    for (const TMessageButtonFace& face : MessageButtons(0x7FF)) {
        std::string name = "kMsg" + std::string(kNames[std::countr_zero(unsigned(face.Bit))]);
        facts.Line(name, Word(face.Caption));
        facts.Line(name + "Id", std::to_string(face.Result));
    }
}

void RegistryKeys(TFacts& facts) {
    const std::string install = "HKCU\\" + std::string(kInstallKey);
    facts.Line("kUserKey", Word(install.substr(0, install.rfind('\\'))));
    facts.Line("kInstallKey", Word(install));
    facts.Line("kInternalKey", Word("HKCU" + std::string(kInternalKey)));
    facts.Line("kUninstallKey", Word("HKLM\\" + std::string(kUninstallKey)));
}

void Texts(TFacts& facts) {
    facts.Line("kWizardTitle", Word(kAppTitle));
    facts.Line("kBack", Word(kBackCaption));
    facts.Line("kNext", Word(kNextCaption));
    facts.Line("kCancel", Word(kCancelCaption));
    facts.Line("kFinish", Word(kFinishCaption));
    facts.Line("kPageTitles", Words(kPageTitles));
    facts.Line("kComponentNames", Words(kComponentNames));
    facts.Line("kStandinProp", Word(kRunningCopyProperty));
    facts.Line("kOldWindowsText", Word(kOldWindowsText));
    facts.Line("kDamagedSetupLines", Lines(kDamagedSetupText));
    facts.Line("kAlreadyRunningLines", Lines(kSetupAlreadyRunningText));
    facts.Line("kAbortQuestionLines", Lines(kAbortQuestionText));
    facts.Line("kRunningCopyLines", Lines(kRunningCopyText));
    facts.Line("kLicenceDeclinedLines", Lines(kLicenceDeclinedText));
    facts.Line("kUnexpectedFailureLines", Lines(kUnexpectedFailureText));
    // The question for a file that cannot be written, before and after the file's name.
    const std::string cannotCreate = CannotCreateFileText("\n");
    facts.Line("kCannotCreateStart", Word(cannotCreate.substr(0, cannotCreate.find('\n'))));
    facts.Line("kCannotCreateEnd", Word(cannotCreate.substr(cannotCreate.find('\n') + 1)));
}

} // namespace
} // namespace ulv

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ulvara-e2e-facts OUTPUT.sh\n");
        return 2;
    }
    ulv::TFacts facts;
    facts.Text = "# Made by ulvara-e2e-facts from the program's own code: do not edit.\n";
    ulv::ControlIds(facts);
    ulv::MessageFacts(facts);
    ulv::RegistryKeys(facts);
    ulv::Texts(facts);
    const std::string temporary = std::string(argv[1]) + ".new";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << facts.Text;
        if (!out.flush()) return 1;
    }
    return std::rename(temporary.c_str(), argv[1]) == 0 ? 0 : 1;
}
