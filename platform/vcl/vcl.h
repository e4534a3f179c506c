// The component framework as the system's units include it.
#pragma once

#include "AnsiString.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Files.h"
#include "Strings.h"
