#include "StdCtrls.h"

#include "ClassRegistry.h"
#include "Publisher.h"

// The entries, keeping the list box's selection on the same entry.
class TListBox::TListBoxStrings : public TStringList {
 public:
  explicit TListBoxStrings(TListBox &list) : list_(list) {}

  void Insert(int index, const AnsiString &text) override {
    TStringList::Insert(index, text);
    if (list_.itemIndex_ >= index) ++list_.itemIndex_;
  }
  void Delete(int index) override {
    TStringList::Delete(index);
    if (list_.itemIndex_ == index)
      list_.itemIndex_ = -1;
    else if (list_.itemIndex_ > index)
      --list_.itemIndex_;
  }
  void Clear() override {
    TStringList::Clear();
    list_.itemIndex_ = -1;
  }

 private:
  TListBox &list_;
};

namespace {
const bool registered = (RegisterComponentClass(ClassOf<TListBox>()), true);
}  // namespace

TListBox::TListBox(TComponent *Owner) : TControl(Owner), Items(new TListBoxStrings(*this)) {}

TListBox::~TListBox() {
  delete Items;
}

const TMetaClass &TListBox::ClassType() const {
  return ClassOf<TListBox>();
}

void TListBox::Publish(TPublisher<TListBox, TControl> &p) {
  p.Property("Align", &TListBox::Align, alNone);
  p.Property("ItemHeight", &TListBox::ItemHeight, 13);
  p.Property("TabOrder", &TListBox::TabOrder, -1);
  p.Event("OnClick", &TListBox::OnClick);
  p.Event("OnDblClick", &TListBox::OnDblClick);
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Items->Count())
    throw ERangeError("List index out of bounds (" + AnsiString(index) + ")");
  itemIndex_ = index;
}

void TListBox::Click() {
  if (OnClick) OnClick(this);
}

void TListBox::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
