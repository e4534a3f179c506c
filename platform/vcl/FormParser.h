// The text form of a component tree, parsed:
//
//   object frmMain: TfrmMain
//     Caption = 'Main'#13#10'form'
//     Font.Style = [fsBold]
//     object btnOk: TBitBtn
//       Default = True
//     end
//   end
#pragma once

#include <vector>

#include "FormValue.h"

struct TFormProperty {
  AnsiString Name;  // may be a path into a sub-object: "Font.Height"
  TFormValue Value;
  int Line = 0;
};

struct TFormObject {
  AnsiString Name;
  AnsiString ClassName;
  std::vector<TFormProperty> Properties;
  std::vector<TFormObject> Children;
  int Line = 0;
};

// How deep objects may nest, the root being level 1. A form file is input: a deeper text is
// refused rather than exhausting the stack.
constexpr int kMaxFormNesting = 256;

// A text that is not one well-formed object, or nested deeper than kMaxFormNesting, raises
// EReadError naming the line.
TFormObject ParseFormText(const AnsiString &text);
