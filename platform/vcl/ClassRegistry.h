// Component classes known by name, so that form files can create them, and the palette a
// design tool lists: pages in the order they were first used, classes in registration order.
#pragma once

#include <initializer_list>
#include <vector>

#include "AnsiString.h"

class TMetaClass;

// Registering a second, different class under a taken name raises EFilerError; registering
// the same class again changes nothing.
void RegisterComponentClass(const TMetaClass &meta);
// nullptr when no class of that name (ignoring case) is registered.
const TMetaClass *GetClass(const AnsiString &name);
// Raises EClassNotFound when no class of that name is registered.
const TMetaClass &FindClass(const AnsiString &name);

struct TPalettePage {
  AnsiString Name;
  std::vector<const TMetaClass *> Classes;
};

// Registers the classes and puts them on the palette page.
void RegisterComponents(const AnsiString &page, std::initializer_list<const TMetaClass *> classes);
std::vector<TPalettePage> PalettePages();
