// The layout comparison of WinProbe's check-layout verb, on a small window: a windowless panel holding an
// auto-sized label and a framed, wrapped edit; a list and a button in the window.
#include "tests/e2e/LayoutCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ulv::test::CompareLayout;
using ulv::test::LayoutRun;
using Lines = std::vector<std::string>;

constexpr char kLayout[] =
    R"(# name | id | class | parent | L | T | W | H | shown | kind | state | font | caption

window | -  | TestForm | -     | -   | -  | 200  | 100  | all | caption+sysmenu     | -       | -                      | Essai
Panel  | 1  | -        | form  | 10  | 20 | 180  | 60   | all | -                   | -       | -                      | ""
Label  | 2  | STATIC   | Panel | 4   | 6  | auto | auto | 0   | left/leftnowordwrap | -       | MS Shell Dlg 2,-11,400 | Nom :
Frame  | 3  | STATIC   | Panel | 4   | 20 | 170  | 36   | all | -                   | -       | -                      | ""
Memo   | 4  | EDIT     | Frame | 2   | 2  | 150  | 30+  | 1   | multiline           | -       | MS Shell Dlg 2,-11,400 | *
List   | 5  | LISTBOX  | form  | 10  | 82 | 100  | 16   | all | ownerdrawfixed      | item=16 | MS Shell Dlg 2,-11,700 | *
OkBtn  | 6  | BUTTON   | form  | 120 | 82 | 70   | 16   | *   | defpush             | -       | MS Shell Dlg 2,-11,400 | &OK | fin
page0 | OkBtn | enabled=0 | &OK | fin
)";

// The window as designed, dumped at 96 and at 144 dpi; the wrapped edit is taller than its least height.
const Lines kAt96 = {
    "window\tclass=TestForm\tkind=caption+sysmenu\tclient=200,100\trect=297,235,206,129\tscreen=800,600\tdpi="
    "96"
    "\tfont=none\ttext=Essai",
    "ctl\tid=2\tclass=Static\tparent=0\trect=14,26,34,17\tform=14,26,34,17\tvisible=1\tenabled=1"
    "\tkind=left+noprefix\titem=-\tfont=MS Shell Dlg 2,-11,400\textent=30,13\ttext=Nom :",
    "ctl\tid=3\tclass=Static\tparent=0\trect=14,40,170,36\tform=14,40,170,36\tvisible=1\tenabled=1\tkind=left"
    "\titem=-\tfont=none\textent=0,0\ttext=",
    "ctl\tid=4\tclass=Edit\tparent=3\trect=2,2,150,45\tform=16,42,150,45\tvisible=0\tenabled=1\tkind="
    "multiline"
    "\titem=-\tfont=MS Shell Dlg 2,-11,400\textent=0,13\ttext=",
    "ctl\tid=5\tclass=ListBox\tparent=0\trect=10,82,100,16\tform=10,82,100,16\tvisible=1\tenabled=1"
    "\tkind=ownerdrawfixed\titem=16\tfont=MS Shell Dlg 2,-11,700\textent=0,13\ttext=",
    "ctl\tid=6\tclass=Button\tparent=0\trect=120,82,70,16\tform=120,82,70,16\tvisible=1\tenabled=0"
    "\tkind=defpush\titem=-\tfont=MS Shell Dlg 2,-11,400\textent=50,13\ttext=&OK | fin",
};
const Lines kAt144 = {
    "window\tclass=TestForm\tkind=caption+sysmenu\tclient=300,150\trect=245,210,309,179\tscreen=800,600"
    "\tdpi=144\tfont=none\ttext=Essai",
    "ctl\tid=2\tclass=Static\tparent=0\trect=21,39,51,26\tform=21,39,51,26\tvisible=1\tenabled=1"
    "\tkind=left+noprefix\titem=-\tfont=MS Shell Dlg 2,-17,400\textent=45,20\ttext=Nom :",
    "ctl\tid=3\tclass=Static\tparent=0\trect=21,60,255,54\tform=21,60,255,54\tvisible=1\tenabled=1\tkind=left"
    "\titem=-\tfont=none\textent=0,0\ttext=",
    "ctl\tid=4\tclass=Edit\tparent=3\trect=3,3,225,68\tform=24,63,225,68\tvisible=0\tenabled=1\tkind="
    "multiline"
    "\titem=-\tfont=MS Shell Dlg 2,-17,400\textent=0,20\ttext=",
    "ctl\tid=5\tclass=ListBox\tparent=0\trect=15,123,150,24\tform=15,123,150,24\tvisible=1\tenabled=1"
    "\tkind=ownerdrawfixed\titem=24\tfont=MS Shell Dlg 2,-17,700\textent=0,20\ttext=",
    "ctl\tid=6\tclass=Button\tparent=0\trect=180,123,105,24\tform=180,123,105,24\tvisible=1\tenabled=0"
    "\tkind=defpush\titem=-\tfont=MS Shell Dlg 2,-17,400\textent=75,20\ttext=&OK | fin",
};

std::string& LineOf(Lines& lines, const std::string& id) {
    std::string prefix = id == "window" ? "window\t" : "ctl\tid=" + id + "\t";
    for (auto& line : lines)
        if (line.rfind(prefix, 0) == 0) return line;
    throw std::invalid_argument("no dump line for " + id);
}

// Field KEY of the line of control ID ("window": the window's) set to VALUE.
void Set(Lines& lines, const std::string& id, const std::string& key, const std::string& value) {
    std::string& line = LineOf(lines, id);
    size_t at = line.find("\t" + key + "=");
    if (at == line.npos) throw std::invalid_argument("no field " + key + " for " + id);
    at += key.size() + 2;
    line.replace(at, line.find('\t', at) == line.npos ? line.npos : line.find('\t', at) - at, value);
}

void Place(Lines& lines, const std::string& id, const std::string& rect, const std::string& form) {
    Set(lines, id, "rect", rect);
    Set(lines, id, "form", form);
}

struct Case {
    const char* Name;
    LayoutRun Run;
    std::function<void(Lines&)> Change;
    Lines Expected;
};

const LayoutRun k96{0, 96, 96, 0, {}}, k144{0, 144, 144, 1, {}};
const char kOkBtn[] = "OkBtn (id 6) ";

const Case kCases[] = {
    {"as designed", k96, [](Lines&) {}, {}},
    {"as designed at 144 dpi", {0, 144, 144, 0, {}}, [](Lines&) {}, {}},
    {"told of 144 dpi at run time: reports 96 and stays where it was",
     {0, 144, 96, 1, {}},
     [](Lines& d) {
         Set(d, "window", "dpi", "96");
         Set(d, "window", "rect", "0,0,309,179");
     },
     {}},
    {"the window's client area",
     k96,
     [](Lines& d) { Set(d, "window", "client", "200,99"); },
     {"window client: expected 200,100, got 200,99 (off by 0,-1; tolerance 0)"}},
    {"the window off centre",
     k96,
     [](Lines& d) { Set(d, "window", "rect", "299,235,206,129"); },
     {"window place on the 800,600 screen: expected 297,235, got 299,235 (off by +2,0; tolerance 1)"}},
    {"the window reports another resolution",
     k144,
     [](Lines& d) { Set(d, "window", "dpi", "96"); },
     {"window dpi: expected 144, got 96"}},
    {"a button a pixel to the right",
     k96,
     [](Lines& d) { Place(d, "6", "121,82,70,16", "121,82,70,16"); },
     {std::string(kOkBtn) + "rect: expected 120,82,70,16, got 121,82,70,16 (off by +1,0,0,0; tolerance 0)",
      std::string(kOkBtn) + "place in the window: expected 120,82,70,16, got 121,82,70,16 (off by +1,0,0,0; "
                            "tolerance 0)"}},
    {"three levels deep, three pixels off in the window and one in its frame",
     k144,
     [](Lines& d) { Place(d, "4", "4,3,225,68", "27,63,225,68"); },
     {}},
    {"two pixels off in its frame",
     k144,
     [](Lines& d) { Place(d, "4", "5,3,225,68", "26,63,225,68"); },
     {"Memo (id 4) rect: expected 3,3,225,68, got 5,3,225,68 (off by +2,0,0,0; tolerance 1)"}},
    {"one level deep, two pixels off",
     k144,
     [](Lines& d) { Place(d, "6", "182,123,105,24", "182,123,105,24"); },
     {std::string(kOkBtn) +
          "rect: expected 180,123,105,24, got 182,123,105,24 (off by +2,0,0,0; tolerance 1)",
      std::string(kOkBtn) +
          "place in the window: expected 180,123,105,24, got 182,123,105,24 (off by +2,0,0,0; "
          "tolerance 1)"}},
    {"a wrapped edit lower than its least height",
     k96,
     [](Lines& d) { Place(d, "4", "2,2,150,28", "16,42,150,28"); },
     {"Memo (id 4) rect: expected 2,2,150,30, got 2,2,150,28 (off by 0,0,0,-2; tolerance 0)",
      "Memo (id 4) place in the window: expected 16,42,150,30, got 16,42,150,28 (off by 0,0,0,-2; tolerance "
      "0)"}},
    {"an auto-sized label whose caption was not measured",
     k96,
     [](Lines& d) { Set(d, "2", "extent", "?"); },
     {"Label (id 2) caption extent: expected measured, got ?",
      "Label (id 2) rect: expected 14,26,4,4, got 14,26,34,17 (off by 0,0,+30,+13; tolerance 0)",
      "Label (id 2) place in the window: expected 14,26,4,4, got 14,26,34,17 (off by 0,0,+30,+13; tolerance "
      "0)"}},
    {"a windowless panel with a window",
     k96,
     [](Lines& d) { d.insert(d.begin() + 1, "ctl\tid=1\tclass=Static\tparent=0\trect=10,20,180,60"); },
     {"Panel (id 1) window: expected none (drawn by its parent), got class Static"}},
    {"the list missing",
     k96,
     [](Lines& d) { d.erase(d.begin() + 4); },
     {"List (id 5) window: expected a control, got none"}},
    {"a control the layout lacks",
     k96,
     [](Lines& d) { d.push_back("ctl\tid=7\tclass=Button\ttext=Extra"); },
     {"control id 7 window: expected none, got class Button text Extra"}},
    {"the button before the list in the z-order",
     k96,
     [](Lines& d) { std::swap(d[4], d[5]); },
     {"control id 5 z-order: expected below the controls of lower ids, got below id 6"}},
    {"the edit in the window instead of its frame",
     k96,
     [](Lines& d) { Set(d, "4", "parent", "0"); },
     {"Memo (id 4) parent window: expected 3, got 0"}},
    {"another class",
     k96,
     [](Lines& d) { Set(d, "5", "class", "ComboBox"); },
     {"List (id 5) class: expected listbox, got combobox"}},
    {"a font of another weight",
     k96,
     [](Lines& d) { Set(d, "5", "font", "MS Shell Dlg 2,-11,400"); },
     {"List (id 5) font: expected MS Shell Dlg 2,-11,700, got MS Shell Dlg 2,-11,400"}},
    {"a font not scaled",
     k144,
     [](Lines& d) { Set(d, "5", "font", "MS Shell Dlg 2,-11,700"); },
     {"List (id 5) font: expected MS Shell Dlg 2,-17,700, got MS Shell Dlg 2,-11,700"}},
    {"list items not scaled",
     k144,
     [](Lines& d) { Set(d, "5", "item", "16"); },
     {"List (id 5) item: expected 24, got 16 (off by -8; tolerance 1)"}},
    {"SS_NOPREFIX where the caption has an accelerator",
     k96,
     [](Lines& d) { Set(d, "6", "kind", "defpush+noprefix"); },
     {std::string(kOkBtn) + "kind: expected defpush, got defpush+noprefix"}},
    {"sheet 1 shows the edit, hides the label; what page 0 sets is not checked",
     {1, 96, 96, 0, {}},
     [](Lines& d) { Set(d, "6", "enabled", "1"); },
     {"Label (id 2) visible: expected 0, got 1", "Memo (id 4) visible: expected 1, got 0"}},
    {"what page 0 sets",
     k96,
     [](Lines& d) {
         Set(d, "6", "enabled", "1");
         Set(d, "6", "text", "OK");
     },
     {std::string(kOkBtn) + "caption: expected &OK | fin, got OK",
      std::string(kOkBtn) + "on page 0 enabled: expected 0, got 1",
      std::string(kOkBtn) + "on page 0 caption: expected &OK | fin, got OK"}},
    {"ids given by name stand for the layout's",
     {0, 96, 96, 0, {{"List", "7"}}},
     [](Lines&) {},
     {"List (id 7) window: expected a control, got none",
      "control id 5 window: expected none, got class ListBox text "}},
    {"an empty caption",
     k96,
     [](Lines& d) { Set(d, "2", "text", ""); },
     {"Label (id 2) caption: expected Nom :, got \"\""}},
};

std::string Joined(const Lines& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

TEST(LayoutCheck, SaysWhatDiffersFromTheLayout) {
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.Name);
        Lines dump = test.Run.Dpi == 96 ? kAt96 : kAt144;
        test.Change(dump);
        EXPECT_EQ(CompareLayout(kLayout, Joined(dump), test.Run), test.Expected);
    }
}

TEST(LayoutCheck, ScalesLengthsAsMulDivRounds) {
    const struct {
        long Length;
        int Dpi;
        long Scaled;
    } kScaled[] = {{11, 144, 17}, {-11, 144, -17}, {5, 144, 8}, {1, 120, 1},
                   {2, 120, 3},   {-2, 120, -3},   {7, 96, 7}};
    for (const auto& row : kScaled)
        EXPECT_EQ(ulv::test::Scaled(row.Length, row.Dpi), row.Scaled) << row.Length << " at " << row.Dpi;
}

} // namespace
