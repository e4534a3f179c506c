// The TAPI 2.x line API as code above the platform sees it on Windows: records, constants,
// error codes and the ANSI line functions.
#pragma once

#include "LineConstants.h"
#include "LineErrors.h"
#include "LineRecords.h"
#include "LineFunctions.h"
