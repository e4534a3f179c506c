// Forms: the properties their descriptions give, showing, closing through the close query,
// and the modal loop. A form class with a description reads it at the end of its own
// constructor, when all its members exist:
//
//   TfrmMain::TfrmMain(TComponent *Owner) : TForm(Owner) { ReadFormResource(); }
#pragma once

#include <span>

#include "Closure.h"
#include "Controls.h"
#include "Graphics.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
std::span<const char *const> EnumNames(TFormBorderStyle);

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
std::span<const char *const> EnumNames(TPosition);

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class TForm : public TControl {
 public:
  explicit TForm(TComponent *Owner);
  // The framework's second form constructor; here the same as the first.
  TForm(TComponent *Owner, int Dummy);
  ~TForm() override;
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TForm, TControl> &p);

  // Shows the form and runs the modal loop until a non-zero ModalResult passes the close
  // query; each turn pumps the thread's messages (Application->ProcessMessages) and hands
  // the form to the modal driver. A terminated application ends it with mrCancel. Returns
  // the ModalResult.
  TModalResult ShowModal();
  void Show();
  void Hide();
  // A modal form ends with mrCancel unless a result is already set; another form hides
  // when the close query allows it.
  void Close();
  // OnCloseQuery's answer; true when it is not assigned.
  bool CloseQuery();
  void BringToFront();

  bool Visible() const { return visible_; }
  bool Modal() const { return modal_; }
  // The shown form in front of all others, nullptr when none is shown.
  static TForm *Frontmost();

  AnsiString Caption;
  TFormBorderStyle BorderStyle = bsSizeable;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TColor Color = clBtnFace;
  TFont *const Font;
  bool OldCreateOrder = false;
  TPosition Position = poDesigned;
  int PixelsPerInch = 96;
  int TextHeight = 13;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  // Setting it non-zero in a modal loop asks the loop to close the form.
  TModalResult ModalResult = mrNone;

 protected:
  // Reads the description registered under the class name in upper case into the form;
  // EResNotFound when there is none.
  void ReadFormResource();

 private:
  bool visible_ = false;
  bool modal_ = false;
};

// The form that owns the control, directly or through its owners; nullptr when none does.
TForm *GetParentForm(TComponent *control);
