#include "FormReader.h"

#include "ClassRegistry.h"
#include "Component.h"
#include "FormParser.h"
#include "MetaClass.h"

namespace {

class TFormReader {
 public:
  explicit TFormReader(TComponent &root) : root_(root) {}

  void Read(const TFormObject &description) {
    if (!SameText(description.ClassName, root_.ClassName()))
      throw EReadError("Form text describes a " + description.ClassName + ", not a " +
                       root_.ClassName());
    ReadObject(description, root_);
    CheckFieldsFilled();
  }

 private:
  void ReadObject(const TFormObject &description, TComponent &component) {
    if (!description.Name.IsEmpty()) component.SetName(description.Name);
    for (const TFormProperty &property : description.Properties) {
      try {
        SetProperty(component, property.Name, property.Value);
      } catch (const EReadError &error) {
        throw EReadError(error.Message + " (line " + AnsiString(property.Line) + ")");
      }
    }
    for (const TFormObject &child : description.Children)
      ReadObject(child, ChildFor(child, component));
  }

  TComponent &ChildFor(const TFormObject &description, TComponent &owner) {
    const TMetaClass &meta = FindClass(description.ClassName);
    TComponent *child = owner.FindComponent(description.Name);
    if (child && &child->ClassType() != &meta)
      throw EReadError(description.Name + " is a " + child->ClassName() + ", not a " +
                       meta.ClassName());
    if (!child) {
      child = meta.Create(&owner);
      child->SetName(description.Name);
    }
    if (const TFieldInfo *field = root_.ClassType().FindField(description.Name))
      if (!field->Set(root_, child))
        throw EReadError("Field " + description.Name + " of " + root_.ClassName() +
                         " cannot hold a " + meta.ClassName());
    return *child;
  }

  void SetProperty(TPersistent &object, const AnsiString &path, const TFormValue &value) {
    const int dot = path.Pos(".");
    const AnsiString name = dot ? path.SubString(1, dot - 1) : path;
    const TPropInfo *property = object.ClassType().FindProperty(name);
    if (!property)
      throw EReadError("Property " + name + " does not exist in " + object.ClassName());
    if (auto *sub = dynamic_cast<const TObjectPropInfo *>(property)) {
      if (!dot) throw EReadError("Property " + name + " holds an object, not a value");
      SetProperty(sub->Get(object), path.SubString(dot + 1, path.Length()), value);
    } else if (dot) {
      throw EReadError("Property " + name + " has no sub-properties");
    } else if (auto *event = dynamic_cast<const TEventPropInfo *>(property)) {
      if (value.Kind != TFormValue::TKind::Ident)
        throw EReadError("Event " + name + " needs a method name");
      event->Bind(object, root_, value.Text);
    } else {
      static_cast<const TValuePropInfo *>(property)->Write(object, value);
    }
  }

  void CheckFieldsFilled() const {
    for (const TFieldInfo *field : root_.ClassType().Fields())
      if (!field->Get(root_))
        throw EReadError("Component " + field->Name() + " of " + root_.ClassName() +
                         " is missing from its form text");
  }

  TComponent &root_;
};

}  // namespace

void ReadComponentText(const AnsiString &text, TComponent &root) {
  TFormReader(root).Read(ParseFormText(text));
}
