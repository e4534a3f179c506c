// Colours and fonts as forms describe them. Values are kept as they are given; nothing is
// drawn.
#pragma once

#include <cstdint>
#include <span>

#include "Object.h"
#include "PropertyTypes.h"

// Plain RGB values, or the system colours (0x80000000 plus the system colour index).
enum TColor : int32_t {
  clBlack = 0x000000,
  clMaroon = 0x000080,
  clGreen = 0x008000,
  clNavy = 0x800000,
  clGray = 0x808080,
  clRed = 0x0000FF,
  clBlue = 0xFF0000,
  clWhite = 0xFFFFFF,
  clWindow = INT32_MIN + 5,
  clWindowText = INT32_MIN + 8,
  clBtnFace = INT32_MIN + 15,
  clBtnText = INT32_MIN + 18,
};
std::span<const TIdentMapEntry> IdentMap(TColor);

// Character sets by their number; DEFAULT_CHARSET is 1.
enum TFontCharset : uint8_t {};
std::span<const TIdentMapEntry> IdentMap(TFontCharset);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
std::span<const char *const> EnumNames(TFontStyle);
using TFontStyles = TSet<TFontStyle>;

class TFont : public TPersistent {
 public:
  const TMetaClass &ClassType() const override;
  static void Publish(TPublisher<TFont, TPersistent> &p);

  TFontCharset Charset = TFontCharset(1);
  TColor Color = clWindowText;
  int Height = -11;
  AnsiString Name = "MS Sans Serif";
  TFontStyles Style;
};
