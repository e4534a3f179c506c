// The list box: entries, the selected one, and the events a user's clicks raise.
#pragma once

#include <memory>

#include "Closure.h"
#include "Controls.h"
#include "Strings.h"

class TListBox : public TControl {
 public:
  explicit TListBox(TComponent *Owner);
  ~TListBox() override;
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TListBox, TControl> &p);

  // The selection follows its entry when entries are inserted or deleted before it, and
  // is dropped when the entry goes or the list is cleared.
  TStrings *const Items;
  // -1 when nothing is selected.
  int ItemIndex() const { return itemIndex_; }
  // -1 or the index of an entry; anything else raises ERangeError.
  void SetItemIndex(int index);

  // What the user's click and double click on the list raise.
  void Click();
  void DblClick();

  int ItemHeight = 13;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

 private:
  class TListBoxStrings;
  friend class TListBoxStrings;

  int itemIndex_ = -1;
};
