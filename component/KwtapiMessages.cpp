// The main thread's side of the hand-off: a pump that the blocking sound operations run
// while they wait, and the component's window-message entry.
#include "component/Kwtapi.h"

bool TkwTAPI::ProcessMessage(MSG &msg) {
  if (!PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) return false;
  // A quit request met while a component method waits is dropped, not acted upon.
  if (msg.message != WM_QUIT) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void TkwTAPI::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TkwTAPI::Dispatch(void *Message) {
  TComponent::Dispatch(Message);
}
