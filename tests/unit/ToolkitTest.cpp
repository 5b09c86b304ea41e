// The widget layer's rules the wizard relies on, on the headless backend.
#include "platform/sim/ui/HeadlessUi.h"
#include "platform/ui/Form.h"
#include "platform/ui/MessageDialog.h"

#include <gtest/gtest.h>

namespace ulv {
namespace {

// A small form: a page container with two sheets, labels with accelerators, a check list, buttons.
class TTestForm : public TForm {
public:
    TTestForm() : TForm("TestForm") {
        SetClientSize(300, 200);
        Pages.SetBounds({0, 0, 300, 150});
        DirLbl.SetCaption("&Dossier :");
        DirLbl.FocusControl = &DirEdt;
        ListLbl.SetCaption("&Composants :");
        ListLbl.FocusControl = &List;
        Agree.SetCaption("J'&accepte");
        Ok.SetCaption("&Suite >");
        Ok.Default = true;
        Cancel.SetCaption("Annuler");
        Cancel.Cancel = true;
        Cancel.OnClick = [this](TControl&) { Close(); };
        Ok.OnClick = [this](TControl&) { ++OkClicks; };
        List.OnClickCheck = [this](TControl&) { ++ClickChecks; };
        List.OnChange = [this](TControl&) { ++Changes; };
        for (const char* name : {"Programme", "Dictionnaires", "Modèles"})
            List.AddItem(name);
        Pages.SetActivePage(&First);
    }
    TPageControl Pages{this, "Pages"};
    TButton Ok{this, "Ok"};
    TButton Cancel{this, "Cancel"};
    TTabSheet First{Pages, "First"};
    TLabel DirLbl{&First, "DirLbl"};
    TEdit DirEdt{&First, "DirEdt"};
    TCheckBox Agree{&First, "Agree"};
    TTabSheet Second{Pages, "Second"};
    TLabel ListLbl{&Second, "ListLbl"};
    TCheckListBox List{&Second, "List"};
    int OkClicks = 0;
    int ClickChecks = 0;
    int Changes = 0;
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::ClearMessages();
        form.CreateHandles();
    }
    TTestForm form;
};

TEST_F(ToolkitTest, CheckListTogglesByTheUserRuleAndProgramChangesFireNothing) {
    TCheckListBox& list = form.List;
    list.SetState(0, TCheckState::Grayed);
    list.SetState(1, TCheckState::Checked);
    list.SetItemIndex(2);
    EXPECT_EQ(form.ClickChecks, 0);
    EXPECT_EQ(form.Changes, 0);

    list.UserToggle(0); // greyed becomes unchecked
    EXPECT_EQ(list.State(0), TCheckState::Unchecked);
    list.UserToggle(0); // unchecked becomes checked
    EXPECT_EQ(list.State(0), TCheckState::Checked);
    list.UserToggle(1); // checked becomes unchecked
    EXPECT_EQ(list.State(1), TCheckState::Unchecked);
    EXPECT_EQ(form.ClickChecks, 3);

    // A click in the item's text selects it and leaves its box alone; a click in the box toggles.
    list.UserClickAt(1, false);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(form.Changes, 1);
    EXPECT_EQ(list.State(1), TCheckState::Unchecked);
    list.UserClickAt(1, true);
    EXPECT_EQ(list.State(1), TCheckState::Checked);
    EXPECT_EQ(form.Changes, 1);
    EXPECT_EQ(form.ClickChecks, 4);

    // The space bar toggles the selected item.
    form.Pages.SetActivePage(&form.Second);
    form.FocusControl(list);
    EXPECT_TRUE(form.KeyDown(kVkSpace, false));
    EXPECT_EQ(list.State(1), TCheckState::Unchecked);
    EXPECT_EQ(form.ClickChecks, 5);

    // Nothing toggles while the list is disabled, or for an index past the end.
    list.SetEnabled(false);
    list.UserToggle(1);
    list.UserToggle(7);
    EXPECT_EQ(form.ClickChecks, 5);
}

TEST_F(ToolkitTest, ItemDataAndInsertionKeepTheSelectionOnItsItem) {
    TCheckListBox& list = form.List;
    list.SetItemData(2, 4096);
    list.SetItemIndex(2);
    list.InsertItem(0, "Sons");
    EXPECT_EQ(list.ItemIndex(), 3);
    EXPECT_EQ(list.ItemData(3), 4096u);
    EXPECT_EQ(list.ItemData(99), 0u);
    list.ClearItems();
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ToolkitTest, OtherControlsFireOnlyOnTheUsersChanges) {
    int clicks = 0, changes = 0;
    form.Agree.OnClick = [&](TControl&) { ++clicks; };
    form.Agree.SetChecked(true);
    EXPECT_EQ(clicks, 0);
    form.Agree.UserToggle();
    EXPECT_FALSE(form.Agree.Checked());
    EXPECT_EQ(clicks, 1);

    TCheckListBox& list = form.List;
    list.OnChange = [&](TControl&) { ++changes; };
    list.SetItemIndex(1);
    EXPECT_EQ(changes, 0);
    list.UserSelect(0);
    list.UserSelect(0); // the same item again is no change
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.ItemIndex(), 0);

    // A button neither hidden nor disabled clicks; otherwise nothing happens.
    form.Ok.Click();
    form.Ok.SetEnabled(false);
    form.Ok.Click();
    form.Ok.SetEnabled(true);
    form.Ok.SetVisible(false);
    form.Ok.Click();
    EXPECT_EQ(form.OkClicks, 1);
}

TEST_F(ToolkitTest, AcceleratorsFocusTheirControlOnTheShownSheetOnly) {
    EXPECT_TRUE(form.Accelerator('D'));
    EXPECT_EQ(form.Focused(), &form.DirEdt);
    // The components label is on a hidden sheet: its letter does nothing.
    EXPECT_FALSE(form.Accelerator('C'));
    EXPECT_EQ(form.Focused(), &form.DirEdt);

    // The edit goes with its sheet: the focus moves on to the first control of the new one.
    form.Pages.SetActivePage(&form.Second);
    EXPECT_EQ(form.Focused(), &form.List);
    form.FocusControl(form.Ok);
    EXPECT_TRUE(form.Accelerator('C'));
    EXPECT_EQ(form.Focused(), &form.List);

    // A check box's letter focuses and toggles it; a button's clicks it.
    form.Pages.SetActivePage(&form.First);
    EXPECT_TRUE(form.Accelerator('A'));
    EXPECT_TRUE(form.Agree.Checked());
    EXPECT_EQ(form.Focused(), &form.Agree);
    EXPECT_TRUE(form.Accelerator('S'));
    EXPECT_EQ(form.OkClicks, 1);
    EXPECT_FALSE(form.Accelerator('Z'));
}

TEST_F(ToolkitTest, AcceleratorLettersFollowTheAmpersand) {
    TLabel& label = form.DirLbl;
    label.SetCaption("Fish && &Chips");
    EXPECT_EQ(label.Accelerator(), 'C');
    label.SetCaption("R&éessayer");
    EXPECT_EQ(label.Accelerator(), '\xC9');
    label.SetCaption("No letter &");
    EXPECT_EQ(label.Accelerator(), 0);
}

TEST_F(ToolkitTest, EnterClicksTheDefaultButtonAndEscTheCancelButton) {
    form.FocusControl(form.DirEdt);
    EXPECT_TRUE(form.KeyDown(kVkReturn, false));
    EXPECT_EQ(form.OkClicks, 1);
    // A focused button takes Enter itself.
    bool cancelled = false;
    form.OnCloseQuery = [&](TForm&, bool& canClose) {
        cancelled = true;
        canClose = false;
    };
    form.FocusControl(form.Cancel);
    form.KeyDown(kVkReturn, false);
    EXPECT_EQ(form.OkClicks, 1);
    EXPECT_TRUE(form.ConfirmModalResult() == false && cancelled);

    // Esc asks to close through the cancel button; the close query may refuse.
    cancelled = false;
    EXPECT_TRUE(form.KeyDown(kVkEscape, false));
    EXPECT_FALSE(form.ConfirmModalResult());
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(form.ModalResult(), 0);
    // An abandoned window ends without asking: the close query would only ask again.
    cancelled = false;
    form.Abandon(kModalResultCancel);
    EXPECT_TRUE(form.ConfirmModalResult());
    EXPECT_FALSE(cancelled);
    form.OnCloseQuery = nullptr;
    form.KeyDown(kVkEscape, false);
    EXPECT_TRUE(form.ConfirmModalResult());
    EXPECT_EQ(form.ModalResult(), kModalResultCancel);

    // A disabled default button does not answer Enter.
    form.Ok.SetEnabled(false);
    form.FocusControl(form.DirEdt);
    form.KeyDown(kVkReturn, false);
    EXPECT_EQ(form.OkClicks, 1);
}

TEST_F(ToolkitTest, PageContainerShowsOneSheetAndTabSkipsTheOthers) {
    EXPECT_TRUE(form.First.Showing());
    EXPECT_FALSE(form.Second.Showing());
    EXPECT_FALSE(form.List.Showing());
    EXPECT_EQ(form.Second.PageIndex(), 1);
    // The sheets fill the container less its hidden frame.
    EXPECT_EQ(form.First.Bounds(), (TBounds{4, 4, 292, 142}));

    // Tab runs through the shown controls in creation order (the page before the buttons), and wraps.
    form.KeyDown(kVkTab, false);
    EXPECT_EQ(form.Focused(), &form.DirEdt);
    form.KeyDown(kVkTab, false);
    EXPECT_EQ(form.Focused(), &form.Agree);
    form.KeyDown(kVkTab, false);
    EXPECT_EQ(form.Focused(), &form.Ok);
    form.KeyDown(kVkTab, false);
    form.KeyDown(kVkTab, false);
    EXPECT_EQ(form.Focused(), &form.DirEdt);
    form.KeyDown(kVkTab, true);
    EXPECT_EQ(form.Focused(), &form.Cancel);

    form.Pages.SetActivePage(&form.Second);
    EXPECT_FALSE(form.First.Visible());
    EXPECT_TRUE(form.List.Showing());
    form.FocusControl(form.Ok);
    form.KeyDown(kVkTab, true);
    EXPECT_EQ(form.Focused(), &form.List);
    // A sheet of another container is refused.
    TTestForm other;
    form.Pages.SetActivePage(&other.First);
    EXPECT_EQ(form.Pages.ActivePage(), &form.Second);
}

// A hidden sheet and what it holds get their native controls when the sheet first shows, or from the modal
// loop one by one once the window is up; until then nothing is mirrored to them. Everything else is created
// at once, hidden controls of a shown container too.
TEST(ToolkitCreation, HiddenSheetsWaitForTheirFirstShowingOrTheLoop) {
    auto created = [](const TControl& c) { return c.Native.Window != 0; };
    {
        TTestForm form;
        form.Agree.SetVisible(false);
        form.CreateHandles();
        for (TControl* c : std::initializer_list<TControl*>{
                 &form.Pages, &form.First, &form.DirLbl, &form.DirEdt, &form.Agree, &form.Ok, &form.Cancel})
            EXPECT_TRUE(created(*c)) << c->Name();
        for (TControl* c : std::initializer_list<TControl*>{&form.Second, &form.ListLbl, &form.List})
            EXPECT_FALSE(created(*c)) << c->Name();
        form.List.AddItem("Aide");
        EXPECT_EQ(headless::SyncCount(form.List, TChange::ItemAdded), 0);

        // Shown: the sheet first, then its controls in their order.
        form.Pages.SetActivePage(&form.Second);
        ASSERT_TRUE(created(form.Second) && created(form.ListLbl) && created(form.List));
        EXPECT_LT(form.Second.Native.Window, form.ListLbl.Native.Window);
        EXPECT_LT(form.ListLbl.Native.Window, form.List.Native.Window);
        EXPECT_EQ(headless::SyncCount(form.Second, TChange::Visible), 0); // created shown, not shown after
        form.List.AddItem("Exemples");
        EXPECT_EQ(headless::SyncCount(form.List, TChange::ItemAdded), 1);
        EXPECT_FALSE(form.CreateNextWaiting());
    }
    {
        TTestForm form;
        form.CreateHandles();
        // One at a time, parents before their children.
        EXPECT_TRUE(form.CreateNextWaiting());
        EXPECT_TRUE(created(form.Second));
        EXPECT_FALSE(created(form.ListLbl));
        EXPECT_TRUE(form.CreateNextWaiting());
        EXPECT_TRUE(form.CreateNextWaiting());
        EXPECT_TRUE(created(form.List));
        EXPECT_FALSE(form.CreateNextWaiting());
        EXPECT_FALSE(form.Second.Visible());
    }
    {
        // A control whose window the system refuses is not asked for again at every turn of the loop,
        // and what follows it is still made.
        TTestForm form;
        headless::RefuseWindowsOf(form.ListLbl.Name());
        form.CreateHandles();
        int turns = 0;
        while (form.CreateNextWaiting() && turns < 10)
            ++turns;
        headless::RefuseWindowsOf("");
        EXPECT_EQ(turns, 3);
        EXPECT_FALSE(created(form.ListLbl));
        EXPECT_TRUE(created(form.List));
    }
    {
        // The modal loop creates what waits before its first step.
        TTestForm form;
        bool allCreated = false;
        headless::ScriptModalLoop({[&](TForm&) {
            allCreated = created(form.Second) && created(form.ListLbl) && created(form.List);
        }});
        form.ShowModal();
        EXPECT_TRUE(allCreated);
    }
}

TEST_F(ToolkitTest, HidingOrDisablingTheFocusedControlHandsTheFocusOn) {
    form.FocusControl(form.Ok);
    form.Ok.SetEnabled(false);
    EXPECT_EQ(form.Focused(), &form.DirEdt); // the first control in Tab order
    form.FocusControl(form.Agree);
    form.Agree.SetVisible(false);
    EXPECT_EQ(form.Focused(), &form.DirEdt);
    // Another control changing leaves the focus alone.
    form.Cancel.SetEnabled(false);
    EXPECT_EQ(form.Focused(), &form.DirEdt);
    // With nothing left to take it, no control has it.
    form.Pages.SetEnabled(false);
    EXPECT_EQ(form.Focused(), nullptr);
    form.Pages.SetEnabled(true);
    EXPECT_EQ(form.Focused(), nullptr);
}

TEST_F(ToolkitTest, ControlsAreNumberedDepthFirst) {
    std::vector<std::string> names;
    for (TControl* c : form.AllControls())
        names.push_back(c->Name() + "=" + std::to_string(c->Id));
    EXPECT_EQ(names, (std::vector<std::string>{"Pages=1", "First=2", "DirLbl=3", "DirEdt=4", "Agree=5",
                                               "Second=6", "ListLbl=7", "List=8", "Ok=9", "Cancel=10"}));
}

TEST_F(ToolkitTest, AutoSizedLabelsFollowTheirCaption) {
    TLabel& label = form.DirLbl;
    label.SetBounds({10, 20, 0, 18});
    label.SetAutoSize(true, true);
    // "Dossier :" is 9 characters of 6 pixels; the border adds 2 on each side; the height stays.
    EXPECT_EQ(label.Bounds(), (TBounds{10, 20, 58, 18}));
    label.SetCaption("");
    EXPECT_EQ(label.Bounds().Width, 4);
    label.SetAutoSize(true);
    EXPECT_EQ(label.Bounds().Height, 17);
    label.SetFont(TFont{"Arial", -15, true, kColorNavy});
    label.SetCaption("Titre");
    EXPECT_EQ(label.Bounds(), (TBounds{10, 20, 39, 21}));
}

TEST_F(ToolkitTest, ProgressPositionStaysWithinTheRange) {
    TProgressBar bar(&form.First, "Bar");
    bar.SetMax(2'000'000'000);
    bar.SetPosition(1'999'999'999);
    EXPECT_EQ(bar.Position(), 1'999'999'999);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(2'000'000'001);
    EXPECT_EQ(bar.Position(), 2'000'000'000);
    bar.SetMax(10);
    EXPECT_EQ(bar.Position(), 10);
}

TEST_F(ToolkitTest, TimersTickOnlyWhileRunning) {
    std::vector<unsigned> ticks;
    form.OnTimer = [&](TForm&, unsigned id) { ticks.push_back(id); };
    form.StartTimer(1, 100);
    form.StartTimer(2, 1000);
    EXPECT_TRUE(headless::TimerActive(form, 1));
    form.TimerTick(1);
    form.StopTimer(1);
    form.TimerTick(1);
    form.TimerTick(2);
    EXPECT_FALSE(headless::TimerActive(form, 1));
    EXPECT_EQ(ticks, (std::vector<unsigned>{1, 2}));
}

TEST_F(ToolkitTest, ModalLoopEndsWhenTheCloseQueryAgrees) {
    int asked = 0;
    TControl* firstFocus = nullptr;
    form.OnCloseQuery = [&](TForm&, bool& canClose) { canClose = ++asked > 1; };
    headless::ScriptModalLoop({
        [&](TForm& f) { firstFocus = f.Focused(); },
        [](TForm& f) { static_cast<TTestForm&>(f).Cancel.Click(); }, // refused
        [](TForm& f) { static_cast<TTestForm&>(f).Ok.Click(); },     // no result
        [](TForm& f) { f.SetModalResult(kModalResultOk); },          // agreed
        [](TForm& f) { static_cast<TTestForm&>(f).Ok.Click(); },     // never run
    });
    EXPECT_EQ(form.ShowModal(), kModalResultOk);
    EXPECT_EQ(firstFocus, &form.DirEdt) << "a shown window focuses its first control";
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(form.OkClicks, 1);
    // The step it did not need is gone: the next loop ends at once with the user's close.
    form.OnCloseQuery = nullptr;
    EXPECT_EQ(form.ShowModal(), kModalResultCancel);
    EXPECT_EQ(form.OkClicks, 1);
}

TEST_F(ToolkitTest, OwnerDrawnItemsDrawThroughTheHandler) {
    TCheckListBox& list = form.List;
    list.ItemHeight = 16;
    list.OnDrawItem = [](TControl& sender, int index, TCanvas& canvas, const TRect& rect,
                         TOwnerDrawState state) {
        canvas.SetBrushColor(state.Selected ? kColorHighlight : kColorWindow);
        canvas.FillRect(rect);
        canvas.TextOut(rect.Left + 2, rect.Top + 1, static_cast<TCustomList&>(sender).Items()[index].Text);
        canvas.DrawText("12 Ko", rect, kDtRight | kDtSingleLine);
    };
    list.SetBounds({0, 0, 200, 100});
    std::vector<std::string> ops = headless::DrawItem(list, 1, TOwnerDrawState{true, true, false});
    EXPECT_EQ(ops, (std::vector<std::string>{"FillRect 16,16,196,32 8000000D",
                                             "TextOut 18,17 \"Dictionnaires\" 8000000E",
                                             "DrawText 16,16,196,32 \"12 Ko\" 0022 8000000E"}));
    // Once the items overflow, the scroll bar takes its width from the items.
    for (int i = 0; i < 4; ++i)
        list.AddItem("Inserts");
    ops = headless::DrawItem(list, 0);
    EXPECT_EQ(ops.front(), "FillRect 16,0,179,16 80000005");
}

TEST(MessageDialogTest, TitlesCaptionsOrderAndResults) {
    EXPECT_EQ(MessageTitle(kMessageWarning), "Avertissement");
    EXPECT_EQ(MessageTitle(kMessageError), "Erreur");
    EXPECT_EQ(MessageTitle(kMessageInformation), "Information");
    EXPECT_EQ(MessageTitle(kMessageConfirmation), "Confirmation");

    std::vector<std::pair<std::string, int>> all;
    for (const auto& b : MessageButtons(0x07FF))
        all.emplace_back(std::string(b.Caption), b.Result);
    const std::vector<std::pair<std::string, int>> expected{{"&Oui", 6},
                                                            {"&Non", 7},
                                                            {"OK", 1},
                                                            {"Annuler", 2},
                                                            {"A&bandonner", 3},
                                                            {"&R\xE9"
                                                             "essayer",
                                                             4},
                                                            {"I&gnorer", 5},
                                                            {"To&ut", 8},
                                                            {"Non \xE0 &tous", 9},
                                                            {"Ou&i \xE0 tous", 10},
                                                            {"&Aide", 0}};
    EXPECT_EQ(all, expected);
}

TEST(MessageDialogTest, DefaultAndCancelLikeButtons) {
    struct TCase {
        std::uint16_t Buttons;
        int Default;
        int Cancel;
    };
    for (TCase c :
         {TCase{kButtonOk, 1, 1}, TCase{kButtonYes | kButtonNo, 6, 7},
          TCase{kButtonYes | kButtonNo | kButtonCancel, 6, 2}, TCase{kButtonOk | kButtonCancel, 1, 2},
          TCase{0x0070, 4, 0}, TCase{0x0070 | kButtonHelp, 4, 0}, TCase{kButtonAbort | kButtonRetry, 4, 3},
          TCase{kButtonNo | kButtonAbort, 7, 7}, TCase{kButtonIgnore | kButtonAll, 5, 0},
          TCase{kButtonOk | kButtonHelp, 1, 1}}) {
        EXPECT_EQ(DefaultMessageResult(c.Buttons), c.Default) << c.Buttons;
        EXPECT_EQ(CancelMessageResult(c.Buttons), c.Cancel) << c.Buttons;
    }
}

TEST(MessageDialogTest, HeadlessDialogAnswersFromTheScriptAndRecordsTheQuestion) {
    headless::ClearMessages();
    headless::ScriptAnswers({4, 5});
    EXPECT_EQ(ShowWizardMessage(nullptr, "Le fichier", kMessageError, 0x0070), 4);
    EXPECT_EQ(ShowWizardMessage(nullptr, "Le fichier", kMessageError, 0x0070), 5);
    // With the script used up the cancel-like button answers; abandon, retry or ignore has none (a reflexive
    // Esc must not abandon the installation), so the default button does.
    EXPECT_EQ(ShowWizardMessage(nullptr, "Encore", kMessageError, 0x0070), 4);
    EXPECT_EQ(ShowWizardMessage(nullptr, "Fermer ?", kMessageConfirmation, kButtonNo | kButtonAbort), 7);
    EXPECT_EQ(ShowWizardMessage(nullptr, "Rien", kMessageInformation, 0), 0);
    // A help button answers nothing and is not shown; the window's timers tick while a question waits.
    int ticks = 0;
    headless::DuringNextQuestion([&] { ++ticks; });
    EXPECT_EQ(ShowWizardMessage(nullptr, "Aide ?", kMessageInformation, kButtonOk | kButtonHelp), 1);
    EXPECT_EQ(ticks, 1);
    const auto& asked = headless::AskedMessages();
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[5].Captions, std::vector<std::string>{"OK"});
    EXPECT_EQ(asked[0].Title, "Erreur");
    EXPECT_EQ(asked[0].Captions, (std::vector<std::string>{"A&bandonner",
                                                           "&R\xE9"
                                                           "essayer",
                                                           "I&gnorer"}));
    EXPECT_EQ(asked[2].Text, "Encore");
}

} // namespace
} // namespace ulv
