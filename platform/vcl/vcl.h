// The component framework as the system's units include it.
#pragma once

#include "AnsiString.h"
#include "ClassRegistry.h"
#include "Closure.h"
#include "Component.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Files.h"
#include "FormReader.h"
#include "FormWriter.h"
#include "Publisher.h"
#include "Strings.h"
