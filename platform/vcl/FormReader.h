// Reading a text form into an existing root: the root's name and properties, then the
// objects nested in it, each created by class name (or reused when its owner already has
// a component of that name and class) and owned by the object it is nested in. Events
// bind to the root's published methods by name; a component whose name is a published
// field of the root is stored in that field.
#pragma once

#include "AnsiString.h"

class TComponent;

// A text for another class, an unknown class or property, a value that does not fit, or a
// published field of the root left without its component raises EReadError (or
// EClassNotFound); what was created until then stays owned by the root.
void ReadComponentText(const AnsiString &text, TComponent &root);
