// The base of the visible controls: position and size as a form description gives them,
// and the modal results that buttons and forms pass around.
#pragma once

#include <span>

#include "Component.h"

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
std::span<const char *const> EnumNames(TAlign);

class TControl : public TComponent {
 public:
  using TComponent::TComponent;
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TControl, TComponent> &p);

  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  TAlign Align = alNone;
  int TabOrder = -1;
};
