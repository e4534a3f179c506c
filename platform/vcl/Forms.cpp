#include "Forms.h"

#include <algorithm>
#include <vector>

#include "Application.h"
#include "FormReader.h"
#include "FormResources.h"
#include "ModalDriver.h"
#include "Publisher.h"

namespace {

// Shown forms, the front one last. Forms live on the main thread only.
std::vector<TForm *> &ZOrder() {
  static std::vector<TForm *> forms;
  return forms;
}

void Unlist(TForm *form) {
  auto &forms = ZOrder();
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

}  // namespace

std::span<const char *const> EnumNames(TFormBorderStyle) {
  static const char *const names[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                      "bsDialog", "bsToolWindow", "bsSizeToolWin"};
  return names;
}

std::span<const char *const> EnumNames(TPosition) {
  static const char *const names[] = {"poDesigned",        "poDefault",        "poDefaultPosOnly",
                                      "poDefaultSizeOnly", "poScreenCenter",   "poDesktopCenter",
                                      "poMainFormCenter",  "poOwnerFormCenter"};
  return names;
}

TForm::TForm(TComponent *Owner) : TControl(Owner), Font(new TFont) {}

TForm::TForm(TComponent *Owner, int) : TForm(Owner) {}

TForm::~TForm() {
  Unlist(this);
  delete Font;
}

const TMetaClass &TForm::ClassType() const {
  return ClassOf<TForm>();
}

void TForm::Publish(TPublisher<TForm, TControl> &p) {
  p.Property("BorderStyle", &TForm::BorderStyle, bsSizeable);
  p.Property("Caption", &TForm::Caption);
  p.Property("ClientHeight", &TForm::ClientHeight);
  p.Property("ClientWidth", &TForm::ClientWidth);
  p.Property("Color", &TForm::Color, clBtnFace);
  p.Object("Font", &TForm::Font);
  p.Property("OldCreateOrder", &TForm::OldCreateOrder);
  p.Property("Position", &TForm::Position, poDesigned);
  p.Event("OnCloseQuery", &TForm::OnCloseQuery);
  p.Event("OnHide", &TForm::OnHide);
  p.Event("OnShow", &TForm::OnShow);
  p.Property("PixelsPerInch", &TForm::PixelsPerInch);
  p.Property("TextHeight", &TForm::TextHeight);
}

void TForm::ReadFormResource() {
  const AnsiString name = ClassName().UpperCase();
  const std::optional<AnsiString> text = FindFormResource(name);
  if (!text) throw EResNotFound("Resource " + name + " not found");
  ReadComponentText(*text, *this);
}

void TForm::Show() {
  if (!visible_) {
    visible_ = true;
    ZOrder().push_back(this);
    if (OnShow) OnShow(this);
  }
  BringToFront();
}

void TForm::Hide() {
  if (!visible_) return;
  visible_ = false;
  Unlist(this);
  if (OnHide) OnHide(this);
}

void TForm::BringToFront() {
  if (!visible_) return;
  Unlist(this);
  ZOrder().push_back(this);
}

TForm *TForm::Frontmost() {
  return ZOrder().empty() ? nullptr : ZOrder().back();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (modal_) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
  } else if (CloseQuery()) {
    Hide();
  }
}

TModalResult TForm::ShowModal() {
  if (modal_ || visible_) throw EInvalidOperation("Cannot make a visible window modal");
  modal_ = true;
  ModalResult = mrNone;
  try {
    Show();
    for (int turn = 0;; ++turn) {
      Application->ProcessMessages();
      if (Application->Terminated()) {
        // The application is ending: no close query can keep the form.
        ModalResult = mrCancel;
        break;
      }
      if (ModalResult == mrNone) ModalDriver().Turn(*this, turn);
      if (ModalResult != mrNone) {
        if (CloseQuery()) break;
        ModalResult = mrNone;
      }
    }
  } catch (...) {
    modal_ = false;
    visible_ = false;
    Unlist(this);
    throw;
  }
  modal_ = false;
  Hide();
  return ModalResult;
}

TForm *GetParentForm(TComponent *control) {
  for (TComponent *owner = control ? control->Owner() : nullptr; owner; owner = owner->Owner())
    if (auto *form = dynamic_cast<TForm *>(owner)) return form;
  return nullptr;
}
