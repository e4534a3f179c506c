// On Windows a modal form is put before the person at the machine as a real window: its list
// box and its buttons become the system's own controls, and what the person does with them is
// performed on the form, as the scripted and console drivers perform their actions.
#include <windows.h>

#include <exception>
#include <optional>
#include <vector>

#include "platform/vcl/Application.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/HiddenWindow.h"
#include "platform/vcl/ModalDriver.h"
#include "platform/vcl/StdCtrls.h"

namespace {

constexpr const char *kFormClass = "CorvaxModalForm";
constexpr int kListId = 100;
constexpr int kFirstButtonId = 200;
constexpr int kWidth = 360;
constexpr int kListHeight = 140;

struct TShownForm {
  explicit TShownForm(TForm &shownForm) : form(shownForm) {}

  TForm &form;
  TListBox *list = nullptr;
  std::vector<TBitBtn *> buttons;
  HWND listWindow = 0;
  // Raised by the form's handlers; carried past the system's frames to the modal loop.
  std::exception_ptr error;
};

TShownForm Describe(TForm &form) {
  TShownForm shown(form);
  for (int i = 0; i < form.ComponentCount(); ++i) {
    if (auto *list = dynamic_cast<TListBox *>(form.Components(i)); list && !shown.list)
      shown.list = list;
    else if (auto *button = dynamic_cast<TBitBtn *>(form.Components(i)))
      shown.buttons.push_back(button);
  }
  return shown;
}

std::optional<TUserAction> ActionFor(const TShownForm &shown, int id, int code) {
  if (id == kListId) {
    const int index = static_cast<int>(SendMessageA(shown.listWindow, LB_GETCURSEL, 0, 0));
    if (index < 0) return std::nullopt;
    if (code == LBN_SELCHANGE) return TUserAction::Select(index);
    if (code == LBN_DBLCLK) return TUserAction::DoubleClick(index);
    return std::nullopt;
  }
  const size_t button = static_cast<size_t>(id - kFirstButtonId);
  if (id < kFirstButtonId || button >= shown.buttons.size() || code != BN_CLICKED)
    return std::nullopt;
  const TBitBtn &pressed = *shown.buttons[button];
  return TUserAction::Press(pressed.Name().IsEmpty() ? pressed.Caption : pressed.Name());
}

void Perform(TShownForm &shown, const TUserAction &action) {
  if (shown.error) return;
  try {
    action.PerformOn(shown.form);
  } catch (...) {
    shown.error = std::current_exception();
  }
}

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *shown = reinterpret_cast<TShownForm *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (shown == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_COMMAND) {
    if (auto action = ActionFor(*shown, LOWORD(wParam), HIWORD(wParam))) Perform(*shown, *action);
    return 0;
  }
  // The close box closes the form; the window goes when the modal loop ends.
  if (message == WM_CLOSE) {
    Perform(*shown, TUserAction::CloseBox());
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterFormClass() {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = FormWindowProc;
    windowClass.hInstance = HInstance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClass;
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
}

HWND CreateChild(HWND parent, const char *windowClass, const char *text, DWORD style, int id, int x,
                 int y, int width, int height) {
  return CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y,
                         width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         HInstance, nullptr);
}

void AddList(HWND window, TShownForm &shown) {
  shown.listWindow = CreateChild(window, "LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOTIFY,
                                 kListId, 10, 10, kWidth - 30, kListHeight);
  for (int entry = 0; entry < shown.list->Items->Count(); ++entry)
    SendMessageA(shown.listWindow, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(shown.list->Items->Get(entry).c_str()));
  SendMessageA(shown.listWindow, LB_SETCURSEL, shown.list->ItemIndex(), 0);
}

// The form's window with its controls, or 0 where the system cannot show one.
HWND Show(TShownForm &shown) {
  RegisterFormClass();
  const int buttonTop = shown.list ? kListHeight + 20 : 10;
  HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, kFormClass, shown.form.Caption.c_str(),
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, kWidth, buttonTop + 80, 0, 0, HInstance, nullptr);
  if (window == 0) return 0;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&shown));
  if (shown.list) AddList(window, shown);
  for (size_t i = 0; i < shown.buttons.size(); ++i) {
    const TBitBtn &button = *shown.buttons[i];
    CreateChild(
        window, "BUTTON", button.Caption.c_str(), button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
        kFirstButtonId + static_cast<int>(i), 10 + static_cast<int>(i) * 110, buttonTop, 100, 28);
  }
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  return window;
}

class TWindowModalDriver : public TModalDriver {
 public:
  // One turn shows the form until something the person did ends it; a close query that keeps
  // the form open brings the next turn, and the window again.
  void Turn(TForm &form, int turn) override {
    TShownForm shown = Describe(form);
    HWND window = Show(shown);
    if (window == 0) return ConsoleModalDriver().Turn(form, turn);  // no desktop to show it on
    while (form.ModalResult == mrNone && !shown.error && !Application->Terminated()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
      Application->ProcessMessages();
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    if (shown.error) std::rethrow_exception(shown.error);
  }
};

}  // namespace

TModalDriver &DefaultModalDriver() {
  static TWindowModalDriver driver;
  return driver;
}
