#include "platform/vcl/SynchronizeHere.h"

#include "platform/vcl/Application.h"

namespace {

thread_local TSynchronizeHere *innermost = nullptr;

}  // namespace

TSynchronizeHere::TSynchronizeHere()
    : handle_(AllocateHWnd(this, &TSynchronizeHere::WndProc)), outer_(innermost) {
  innermost = this;
}

TSynchronizeHere::~TSynchronizeHere() {
  innermost = outer_;
  DeallocateHWnd(handle_);
}

HWND TSynchronizeHere::OfThisThread() {
  return innermost != nullptr ? innermost->handle_ : 0;
}

void TSynchronizeHere::WndProc(TMessage &message) {
  RunSynchronizeCall(message);
}
