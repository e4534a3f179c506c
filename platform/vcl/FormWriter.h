// Writing a component as a text form: its stored, writable properties that differ from
// their defaults, its events as the names of the root's published methods they call, and
// the components it owns as nested objects.
#pragma once

#include "AnsiString.h"

class TComponent;

AnsiString WriteComponentText(const TComponent &root);
