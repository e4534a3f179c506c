#include "FormWriter.h"

#include "Component.h"
#include "FormParser.h"
#include "MetaClass.h"

namespace {

bool IsPrintable(char c) {
  return c >= ' ' && c <= '~';
}

AnsiString StringText(const AnsiString &text) {
  AnsiString out;
  bool quoted = false;
  for (int i = 1; i <= text.Length(); ++i) {
    const char c = text[i];
    if (IsPrintable(c) != quoted) {
      out += AnsiString('\'');
      quoted = !quoted;
    }
    if (quoted)
      out += c == '\'' ? AnsiString("''") : AnsiString(c);
    else
      out += "#" + AnsiString(static_cast<unsigned char>(c));
  }
  if (quoted || out.IsEmpty()) out += AnsiString(out.IsEmpty() ? "''" : "'");
  return out;
}

AnsiString ValueText(const TFormValue &value) {
  switch (value.Kind) {
    case TFormValue::TKind::Integer:
      return AnsiString(static_cast<long long>(value.Integer));
    case TFormValue::TKind::String:
      return StringText(value.Text);
    case TFormValue::TKind::Ident:
      return value.Text;
    case TFormValue::TKind::Set: {
      AnsiString text("[");
      for (size_t i = 0; i < value.Elements.size(); ++i)
        text += (i ? ", " : "") + value.Elements[i];
      return text + "]";
    }
  }
  return AnsiString();
}

class TFormWriter {
 public:
  explicit TFormWriter(const TComponent &root) : root_(root) {}

  AnsiString Write() {
    WriteObject(root_, "");
    return text_;
  }

 private:
  void Line(const AnsiString &indent, const AnsiString &content) {
    text_ += indent + content + "\n";
  }

  void WriteObject(const TComponent &component, const AnsiString &indent) {
    const AnsiString name = component.Name();
    Line(indent, "object " + (name.IsEmpty() ? AnsiString() : name + ": ") + component.ClassName());
    WriteProperties(component, "", indent + "  ");
    for (int i = 0; i < component.ComponentCount(); ++i)
      WriteObject(*component.Components(i), indent + "  ");
    Line(indent, "end");
  }

  void WriteProperties(const TPersistent &object, const AnsiString &prefix,
                       const AnsiString &indent) {
    for (const TPropInfo *property : object.ClassType().Properties()) {
      if (!property->Stored()) continue;
      const AnsiString path = prefix + property->Name();
      if (auto *value = dynamic_cast<const TValuePropInfo *>(property)) {
        if (value->Writable() && !(value->HasDefault() && value->IsDefault(object)))
          Line(indent, path + " = " + ValueText(value->Read(object)));
      } else if (auto *event = dynamic_cast<const TEventPropInfo *>(property)) {
        const AnsiString method = event->BoundMethodName(object, root_);
        if (!method.IsEmpty()) Line(indent, path + " = " + method);
      } else if (auto *sub = dynamic_cast<const TObjectPropInfo *>(property)) {
        WriteProperties(sub->Get(object), path + ".", indent);
      }
    }
  }

  const TComponent &root_;
  AnsiString text_;
};

}  // namespace

AnsiString WriteComponentText(const TComponent &root) {
  return TFormWriter(root).Write();
}
