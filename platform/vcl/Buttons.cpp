#include "Buttons.h"

#include "ClassRegistry.h"
#include "Forms.h"
#include "Publisher.h"

namespace {
const bool registered = (RegisterComponentClass(ClassOf<TBitBtn>()), true);
}  // namespace

const TMetaClass &TBitBtn::ClassType() const {
  return ClassOf<TBitBtn>();
}

void TBitBtn::Publish(TPublisher<TBitBtn, TControl> &p) {
  p.Property("Cancel", &TBitBtn::Cancel, false);
  p.Property("Caption", &TBitBtn::Caption, "");
  p.Property("Default", &TBitBtn::Default, false);
  p.Property("ModalResult", &TBitBtn::ModalResult, mrNone);
  p.Property("TabOrder", &TBitBtn::TabOrder, -1);
  p.Event("OnClick", &TBitBtn::OnClick);
}

void TBitBtn::Click() {
  if (ModalResult != mrNone)
    if (TForm *form = GetParentForm(this)) form->ModalResult = ModalResult;
  if (OnClick) OnClick(this);
}
