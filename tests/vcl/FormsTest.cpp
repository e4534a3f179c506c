#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <vcl.h>
#include <windows.h>

namespace {

// A device dialog as the system lays it out: list, OK and Cancel, and handlers that refuse an
// OK without a selection.
class TTestDevList : public TForm {
 public:
  explicit TTestDevList(TComponent *Owner) : TForm(Owner) { ReadFormResource(); }
  const TMetaClass &ClassType() const override { return ClassOf<TTestDevList>(); }
  static void Publish(TPublisher<TTestDevList, TForm> &p) {
    p.Field("lbDevices", &TTestDevList::lbDevices);
    p.Field("bbtnOk", &TTestDevList::bbtnOk);
    p.Field("bbtnCancel", &TTestDevList::bbtnCancel);
    p.Method("FormCloseQuery", &TTestDevList::FormCloseQuery);
    p.Method("lbDevicesDblClick", &TTestDevList::lbDevicesDblClick);
    p.Method("FormShow", &TTestDevList::FormShow);
  }

  void FormCloseQuery(TObject *, bool &CanClose) {
    ++closeQueries;
    if (ModalResult == mrOk && lbDevices->ItemIndex() < 0 && lbDevices->Items->Count() > 0) {
      CanClose = false;
      ++refusals;
    }
  }
  void lbDevicesDblClick(TObject *) {
    ModalResult = mrOk;
    Close();
  }
  void FormShow(TObject *) {
    shownInFront = Frontmost() == this;
    BringToFront();
  }

  TListBox *lbDevices = nullptr;
  TBitBtn *bbtnOk = nullptr;
  TBitBtn *bbtnCancel = nullptr;
  int closeQueries = 0;
  int refusals = 0;
  bool shownInFront = false;
};

const TFormResource testDevListResource("TTESTDEVLIST", R"(object frmTestDevList: TTestDevList
  Left = 218
  Top = 293
  BorderStyle = bsDialog
  Caption = 'Select a TAPI Device to use'
  ClientHeight = 187
  ClientWidth = 257
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poOwnerFormCenter
  OnCloseQuery = FormCloseQuery
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object lbDevices: TListBox
    Left = 0
    Top = 0
    Width = 257
    Height = 153
    Align = alTop
    ItemHeight = 13
    TabOrder = 0
    OnDblClick = lbDevicesDblClick
  end
  object bbtnOk: TBitBtn
    Left = 88
    Top = 160
    Width = 75
    Height = 25
    Caption = 'Ok'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object bbtnCancel: TBitBtn
    Left = 176
    Top = 160
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
  end
end
)");

class FormsTest : public testing::Test {
 protected:
  FormsTest() : driver_([this](const AnsiString &problem) { problems.push_back(problem); }) {
    form.lbDevices->Items->Add("Line A");
    form.lbDevices->Items->Add("Line B");
  }

  TModalResult Run() {
    TModalDriverScope scope(driver_);
    return form.ShowModal();
  }

  TScriptedModalDriver &Script() { return driver_; }

  TTestDevList form{nullptr};
  std::vector<AnsiString> problems;

 private:
  TScriptedModalDriver driver_;
};

}  // namespace

TEST_F(FormsTest, DescriptionGivesThePropertyValues) {
  EXPECT_EQ(form.Name(), "frmTestDevList");
  EXPECT_EQ(form.Left, 218);
  EXPECT_EQ(form.Top, 293);
  EXPECT_EQ(form.BorderStyle, bsDialog);
  EXPECT_EQ(form.Caption, "Select a TAPI Device to use");
  EXPECT_EQ(form.ClientHeight, 187);
  EXPECT_EQ(form.ClientWidth, 257);
  EXPECT_EQ(form.Color, clBtnFace);
  EXPECT_EQ(form.Font->Charset, TFontCharset(1));
  EXPECT_EQ(form.Font->Color, clWindowText);
  EXPECT_EQ(form.Font->Height, -11);
  EXPECT_EQ(form.Font->Name, "MS Sans Serif");
  EXPECT_TRUE(form.Font->Style.Empty());
  EXPECT_FALSE(form.OldCreateOrder);
  EXPECT_EQ(form.Position, poOwnerFormCenter);
  EXPECT_EQ(form.PixelsPerInch, 96);
  EXPECT_EQ(form.TextHeight, 13);

  ASSERT_NE(form.lbDevices, nullptr);
  EXPECT_EQ(form.lbDevices->Width, 257);
  EXPECT_EQ(form.lbDevices->Height, 153);
  EXPECT_EQ(form.lbDevices->Align, alTop);
  EXPECT_EQ(form.lbDevices->TabOrder, 0);
  EXPECT_EQ(form.lbDevices->ItemIndex(), -1);
  ASSERT_NE(form.bbtnOk, nullptr);
  EXPECT_EQ(form.bbtnOk->Caption, "Ok");
  EXPECT_TRUE(form.bbtnOk->Default);
  EXPECT_FALSE(form.bbtnOk->Cancel);
  EXPECT_EQ(form.bbtnOk->ModalResult, mrOk);
  ASSERT_NE(form.bbtnCancel, nullptr);
  EXPECT_TRUE(form.bbtnCancel->Cancel);
  EXPECT_EQ(form.bbtnCancel->ModalResult, mrCancel);
  EXPECT_EQ(form.bbtnCancel->Left, 176);
}

TEST_F(FormsTest, DescriptionBindsTheHandlersByName) {
  EXPECT_EQ(form.OnCloseQuery, TCloseQueryEvent(&form, &TTestDevList::FormCloseQuery));
  EXPECT_EQ(form.OnShow, TNotifyEvent(&form, &TTestDevList::FormShow));
  EXPECT_EQ(form.lbDevices->OnDblClick, TNotifyEvent(&form, &TTestDevList::lbDevicesDblClick));
  EXPECT_FALSE(form.bbtnOk->OnClick);
}

TEST_F(FormsTest, FormWritesSubObjectPropertiesWithTheirPathAndReadsThemBack) {
  form.Font->Style = TFontStyles{fsBold, fsItalic};
  form.Font->Color = TColor(0x123456);
  form.Caption = "Changed";
  const AnsiString text = WriteComponentText(form);
  EXPECT_NE(text.Pos("\n  Font.Height = -11\n"), 0) << text;
  EXPECT_NE(text.Pos("\n  Font.Style = [fsBold, fsItalic]\n"), 0) << text;
  EXPECT_NE(text.Pos("\n  Font.Color = 1193046\n"), 0) << text;
  EXPECT_NE(text.Pos("\n  Position = poOwnerFormCenter\n"), 0) << text;
  EXPECT_NE(text.Pos("\n    OnDblClick = lbDevicesDblClick\n"), 0) << text;
  EXPECT_EQ(text.Pos("Charset"), 0) << text;

  TTestDevList copy(nullptr);
  ReadComponentText(text, copy);
  EXPECT_EQ(copy.Caption, "Changed");
  EXPECT_EQ(copy.Font->Style, (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(copy.Font->Color, TColor(0x123456));
  EXPECT_EQ(copy.ComponentCount(), 3);
  EXPECT_EQ(WriteComponentText(copy), text);
}

TEST_F(FormsTest, DoubleClickEndsWithOkAndTheClickedEntry) {
  Script().Then(TUserAction::DoubleClick(0));
  EXPECT_EQ(Run(), mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 0);
  EXPECT_TRUE(problems.empty());
}

TEST_F(FormsTest, SelectThenOk) {
  Script().Then(TUserAction::Select(1)).Then(TUserAction::Press("Ok"));
  EXPECT_EQ(Run(), mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 1);
  EXPECT_EQ(form.closeQueries, 1);
}

TEST_F(FormsTest, CloseQueryRefusesOkWithoutSelectionAndTheLoopGoesOn) {
  Script().Then(TUserAction::Press("Ok")).Then(TUserAction::Select(0)).Then(TUserAction::Enter());
  EXPECT_EQ(Run(), mrOk);
  EXPECT_EQ(form.refusals, 1);
  EXPECT_EQ(form.closeQueries, 2);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 0);
  EXPECT_EQ(Script().Remaining(), 0);
  EXPECT_TRUE(problems.empty());
}

TEST_F(FormsTest, CancelEscapeAndCloseBoxEndWithCancel) {
  Script().Then(TUserAction::Select(1)).Then(TUserAction::Press("bbtnCancel"));
  EXPECT_EQ(Run(), mrCancel);
  Script().Then(TUserAction::Escape());
  EXPECT_EQ(Run(), mrCancel);
  Script().Then(TUserAction::CloseBox());
  EXPECT_EQ(Run(), mrCancel);
  EXPECT_EQ(form.refusals, 0);
  EXPECT_TRUE(problems.empty());
}

TEST_F(FormsTest, OkInAnEmptyListCloses) {
  form.lbDevices->Items->Clear();
  Script().Then(TUserAction::Enter());
  EXPECT_EQ(Run(), mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), -1);
}

TEST_F(FormsTest, ShowingRunsOnShowInFrontAndHidesAfterwards) {
  Script().Then(TUserAction::Escape());
  EXPECT_FALSE(form.Visible());
  Run();
  EXPECT_TRUE(form.shownInFront);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Modal());
  EXPECT_EQ(TForm::Frontmost(), nullptr);
}

TEST_F(FormsTest, ExhaustedScriptFailsLoudlyAndCloses) {
  Script().Then(TUserAction::Select(0));
  EXPECT_EQ(Run(), mrCancel);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].Pos("no scripted action left"), 0);
}

TEST_F(FormsTest, ActionOnAMissingControlFailsLoudly) {
  Script().Then(TUserAction::Press("Help"));
  EXPECT_EQ(Run(), mrCancel);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].Pos("has no button Help"), 0);
  Script().Then(TUserAction::DoubleClick(5));
  EXPECT_EQ(Run(), mrCancel);
  EXPECT_EQ(problems.size(), 2u);
}

TEST_F(FormsTest, FormThatNeverClosesEndsWithAnErrorInsteadOfHanging) {
  struct TRefuser {
    void Refuse(TObject *, bool &canClose) { canClose = false; }
  } refuser;
  form.OnCloseQuery = TCloseQueryEvent(&refuser, &TRefuser::Refuse);
  // The script runs dry: the close box is the driver's last word, and the refusal after it
  // must not leave the loop spinning.
  Script().Then(TUserAction::Escape());
  EXPECT_THROW(Run(), Exception);
  EXPECT_EQ(problems.size(), 1u);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Modal());
}

TEST_F(FormsTest, ShowModalOnAVisibleFormIsRefused) {
  form.Show();
  EXPECT_THROW(form.ShowModal(), EInvalidOperation);
  form.Hide();
}

namespace {

std::vector<UINT> dispatched;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER) dispatched.push_back(message);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Posts a message on its first turn and presses Cancel once the loop has dispatched it.
class TPostingDriver : public TModalDriver {
 public:
  explicit TPostingDriver(HWND window) : window_(window) {}
  void Turn(TForm &form, int turn) override {
    if (turn == 0) PostMessageA(window_, WM_USER + 1, 0, 0);
    if (!dispatched.empty()) TUserAction::Escape().PerformOn(form);
    if (turn > 10) TUserAction::CloseBox().PerformOn(form);
  }

 private:
  HWND window_;
};

}  // namespace

TEST_F(FormsTest, ModalLoopPumpsTheThreadsMessages) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = HInstance;
  windowClass.lpszClassName = "CorvaxVclModalPumpTest";
  RegisterClassA(&windowClass);
  HWND window =
      CreateWindowExA(0, "CorvaxVclModalPumpTest", "", 0, 0, 0, 0, 0, 0, 0, HInstance, nullptr);
  ASSERT_NE(window, HWND{});
  dispatched.clear();
  TPostingDriver driver(window);
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(dispatched, std::vector<UINT>{WM_USER + 1});
  DestroyWindow(window);
}

TEST(FormResources, FormWithoutDescriptionIsRefused) {
  class TUndescribed : public TForm {
   public:
    explicit TUndescribed(TComponent *Owner) : TForm(Owner) { ReadFormResource(); }
    const TMetaClass &ClassType() const override { return ClassOf<TUndescribed>(); }
    static void Publish(TPublisher<TUndescribed, TForm> &) {}
  };
  EXPECT_THROW(TUndescribed(nullptr), EResNotFound);
}

TEST(ConsoleModalDriver, ListsTheDialogAndFollowsTheCommands) {
  TTestDevList form(nullptr);
  form.lbDevices->Items->Add("Line A");
  form.lbDevices->Items->Add("Line B");
  std::istringstream in("1\n\n");
  std::ostringstream out;
  TConsoleModalDriver driver(in, out, true);
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 1);
  // Numbered from 0, as the list box counts its entries.
  EXPECT_NE(out.str().find("Select a TAPI Device to use\n  0) Line A\n  1) Line B\n"),
            std::string::npos);
  EXPECT_NE(out.str().find("[Ok] (Enter)"), std::string::npos);
}

TEST(ConsoleModalDriver, RefusesWhatTheDialogCannotDoInItsOwnWords) {
  TTestDevList form(nullptr);
  form.lbDevices->Items->Add("Line A");
  form.lbDevices->Items->Add("Line B");
  std::istringstream in("9\nabc\nd 7\nbbtnCancel\nd 0\n");
  std::ostringstream out;
  TConsoleModalDriver driver(in, out, true);
  driver.NameEntries("device");
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 0);
  const std::string shown = out.str();
  EXPECT_NE(shown.find("> There is no device 9: choose a number from 0 to 1.\n"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("> 'abc' is neither a device number nor a button (Ok, Cancel).\n"),
            std::string::npos);
  EXPECT_NE(shown.find("> There is no device 7: choose a number from 0 to 1.\n"),
            std::string::npos);
  EXPECT_NE(shown.find("> 'bbtnCancel' is neither a device number nor a button"),
            std::string::npos);
  EXPECT_NE(shown.find("device number: select"), std::string::npos);
  // The controls' own names are the program's, not the user's.
  EXPECT_EQ(shown.find("lbDevices"), std::string::npos);
  EXPECT_EQ(shown.find("has no"), std::string::npos);
}

TEST(ConsoleModalDriver, WithoutAPersonItCancels) {
  TTestDevList form(nullptr);
  std::istringstream in;
  std::ostringstream out;
  TConsoleModalDriver driver(in, out, false);
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_TRUE(out.str().empty());
}

TEST(ConsoleModalDriver, InputEndingCancels) {
  TTestDevList form(nullptr);
  form.lbDevices->Items->Add("Line A");
  std::istringstream in("0\n");
  std::ostringstream out;
  TConsoleModalDriver driver(in, out, true);
  TModalDriverScope scope(driver);
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 0);
}

// The default driver: real controls on Windows, the console elsewhere.
#ifdef _WIN32
namespace {

// The person at the machine, working a shown form's window from a thread of their own; what
// they do reaches the controls as the system delivers it.
HWND WaitForWindow(const char *caption) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  HWND window = 0;
  // Shown once its controls are all there.
  while (!((window = FindWindowA("CorvaxModalForm", caption)) && IsWindowVisible(window)) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  return IsWindowVisible(window) ? window : 0;
}

std::vector<std::string> EntriesOf(HWND list) {
  std::vector<std::string> entries;
  const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[64] = {};
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(text);
  }
  return entries;
}

void PickEntry(HWND window, HWND list, int index) {
  SendMessageA(list, LB_SETCURSEL, index, 0);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
}

}  // namespace

TEST(WindowModalDriver, APersonPicksAnEntryWithTheRealControlsAndPressesOk) {
  TTestDevList form(nullptr);
  form.lbDevices->Items->Add("Line A");
  form.lbDevices->Items->Add("Line B");
  std::vector<std::string> shownEntries;
  std::thread person([&] {
    HWND window = WaitForWindow("Select a TAPI Device to use");
    if (window == 0) return;
    HWND list = FindWindowExA(window, 0, "LISTBOX", nullptr);
    shownEntries = EntriesOf(list);
    PickEntry(window, list, 1);
    SendMessageA(FindWindowExA(window, 0, "BUTTON", "Ok"), BM_CLICK, 0, 0);
  });
  const TModalResult result = form.ShowModal();
  person.join();
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(form.lbDevices->ItemIndex(), 1);
  EXPECT_EQ(shownEntries, (std::vector<std::string>{"Line A", "Line B"}));
  EXPECT_EQ(FindWindowA("CorvaxModalForm", nullptr), HWND{});
}

TEST(WindowModalDriver, TheCloseBoxCancels) {
  TTestDevList form(nullptr);
  std::thread person([] {
    if (HWND window = WaitForWindow("Select a TAPI Device to use"))
      PostMessageA(window, WM_CLOSE, 0, 0);
  });
  const TModalResult result = form.ShowModal();
  person.join();
  EXPECT_EQ(result, mrCancel);
}
#else
TEST(WindowModalDriver, ShowsTheFormAsARealWindow) {
  GTEST_SKIP() << "forms are shown as real windows on Windows; on Linux the console asks";
}
#endif

TEST(TListBox, SelectionFollowsItsEntry) {
  TListBox list(nullptr);
  list.Items->Add("a");
  list.Items->Add("b");
  list.SetItemIndex(1);
  list.Items->Insert(0, "first");
  EXPECT_EQ(list.ItemIndex(), 2);
  list.Items->Delete(0);
  EXPECT_EQ(list.ItemIndex(), 1);
  list.Items->Delete(1);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_THROW(list.SetItemIndex(1), ERangeError);
  list.SetItemIndex(0);
  list.Items->Clear();
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(TBitBtn, ClickHandsItsResultToTheOwningForm) {
  TForm form(nullptr);
  auto *button = new TBitBtn(&form);
  button->Click();
  EXPECT_EQ(form.ModalResult, mrNone);
  button->ModalResult = mrOk;
  button->Click();
  EXPECT_EQ(form.ModalResult, mrOk);
}
