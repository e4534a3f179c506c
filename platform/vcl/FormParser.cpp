#include "FormParser.h"

#include <cctype>
#include <charconv>

#include "MetaClass.h"

namespace {

class TFormLexer {
 public:
  explicit TFormLexer(std::string_view text) : text_(text) {}

  int Line() const { return line_; }

  [[noreturn]] void Fail(const AnsiString &what) const {
    throw EReadError("Form text, line " + AnsiString(line_) + ": " + what);
  }

  // Skips blanks and line breaks; true when text remains.
  bool More() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
      if (text_[at_] == '\n') ++line_;
      ++at_;
    }
    return at_ < text_.size();
  }

  char Peek() { return More() ? text_[at_] : '\0'; }

  void Expect(char symbol) {
    if (Peek() != symbol) Fail(AnsiString("'") + symbol + "' expected");
    ++at_;
  }

  bool Accept(char symbol) {
    if (Peek() != symbol) return false;
    ++at_;
    return true;
  }

  static bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
  }

  // Letters, digits, '_' and, for property paths, '.'.
  AnsiString Identifier() {
    if (!IsIdentStart(Peek())) Fail("identifier expected");
    const size_t start = at_;
    while (at_ < text_.size() && (IsIdentStart(text_[at_]) || text_[at_] == '.' ||
                                  std::isdigit(static_cast<unsigned char>(text_[at_]))))
      ++at_;
    return AnsiString(text_.substr(start, at_ - start));
  }

  TFormValue Value() {
    const char c = Peek();
    if (c == '\'' || c == '#') return TFormValue::OfString(String());
    if (c == '[') return TFormValue::OfSet(Set());
    if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c)))
      return TFormValue::OfInteger(Number());
    if (IsIdentStart(c)) return TFormValue::OfIdent(Identifier());
    Fail("value expected");
  }

 private:
  int64_t Number() {
    const bool negative = Accept('-');
    int base = 10;
    if (Accept('$')) base = 16;
    uint64_t magnitude = 0;
    const char *begin = text_.data() + at_;
    auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), magnitude, base);
    if (error != std::errc() || end == begin || magnitude > UINT32_MAX) Fail("number expected");
    at_ += static_cast<size_t>(end - begin);
    const int64_t value = static_cast<int64_t>(magnitude);
    return negative ? -value : value;
  }

  // Quoted runs ('' is a quote) and #code characters, joined; '+' continues on the next line.
  AnsiString String() {
    AnsiString text;
    for (;;) {
      if (at_ < text_.size() && text_[at_] == '\'') {
        text += QuotedRun();
      } else if (at_ < text_.size() && text_[at_] == '#') {
        ++at_;
        const int64_t code = Number();
        if (code < 0 || code > 255) Fail("character code out of range");
        text += AnsiString(static_cast<char>(code));
      } else if (Peek() == '+') {
        ++at_;
        if (Peek() != '\'' && Peek() != '#') Fail("string expected after '+'");
      } else {
        return text;
      }
    }
  }

  AnsiString QuotedRun() {
    AnsiString run;
    ++at_;
    for (;;) {
      if (at_ >= text_.size() || text_[at_] == '\n') Fail("unterminated string");
      if (text_[at_] == '\'') {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
          run += AnsiString('\'');
          at_ += 2;
          continue;
        }
        ++at_;
        return run;
      }
      run += AnsiString(text_[at_++]);
    }
  }

  std::vector<AnsiString> Set() {
    Expect('[');
    std::vector<AnsiString> names;
    if (Accept(']')) return names;
    do names.push_back(Identifier());
    while (Accept(','));
    Expect(']');
    return names;
  }

  std::string_view text_;
  size_t at_ = 0;
  int line_ = 1;
};

// Each nesting level costs a few stack frames here, in the reader and in the destructors.
TFormObject ParseObject(TFormLexer &lexer, int depth) {
  if (depth > kMaxFormNesting)
    lexer.Fail("objects nested deeper than " + AnsiString(kMaxFormNesting) + " levels");
  TFormObject object;
  object.Line = lexer.Line();
  const AnsiString keyword = lexer.Identifier();
  if (!SameText(keyword, "object")) lexer.Fail("'object' expected");
  const AnsiString first = lexer.Identifier();
  if (lexer.Accept(':')) {
    object.Name = first;
    object.ClassName = lexer.Identifier();
  } else {
    object.ClassName = first;
  }
  for (;;) {
    if (!lexer.More()) lexer.Fail("'end' expected");
    const int line = lexer.Line();
    // Children start with "object"; properties are followed by '='.
    TFormLexer lookahead = lexer;
    const AnsiString word = lookahead.Identifier();
    if (SameText(word, "end")) {
      lexer = lookahead;
      return object;
    }
    if (SameText(word, "object") && lookahead.Peek() != '=') {
      object.Children.push_back(ParseObject(lexer, depth + 1));
      continue;
    }
    lexer = lookahead;
    lexer.Expect('=');
    object.Properties.push_back({word, lexer.Value(), line});
  }
}

}  // namespace

TFormObject ParseFormText(const AnsiString &text) {
  TFormLexer lexer(text.View());
  TFormObject root = ParseObject(lexer, 1);
  if (lexer.More()) lexer.Fail("text after the final 'end'");
  return root;
}
