#include "Graphics.h"

#include "Publisher.h"

std::span<const TIdentMapEntry> IdentMap(TColor) {
  static const TIdentMapEntry colors[] = {
      {clBlack, "clBlack"},     {clMaroon, "clMaroon"},
      {clGreen, "clGreen"},     {clNavy, "clNavy"},
      {clGray, "clGray"},       {clRed, "clRed"},
      {clBlue, "clBlue"},       {clWhite, "clWhite"},
      {clWindow, "clWindow"},   {clWindowText, "clWindowText"},
      {clBtnFace, "clBtnFace"}, {clBtnText, "clBtnText"},
  };
  return colors;
}

std::span<const TIdentMapEntry> IdentMap(TFontCharset) {
  static const TIdentMapEntry charsets[] = {
      {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},      {2, "SYMBOL_CHARSET"},
      {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"},   {161, "GREEK_CHARSET"},
      {204, "RUSSIAN_CHARSET"}, {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
  };
  return charsets;
}

std::span<const char *const> EnumNames(TFontStyle) {
  static const char *const names[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
  return names;
}

const TMetaClass &TFont::ClassType() const {
  return ClassOf<TFont>();
}

void TFont::Publish(TPublisher<TFont, TPersistent> &p) {
  p.Property("Charset", &TFont::Charset, TFontCharset(1));
  p.Property("Color", &TFont::Color, clWindowText);
  p.Property("Height", &TFont::Height);
  p.Property("Name", &TFont::Name);
  p.Property("Style", &TFont::Style, TFontStyles());
}
