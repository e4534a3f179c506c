// The i686 build compiles the component against the system's <tapi.h>: every record size and
// field offset it reads is checked here, at compile time, against the published 32-bit
// layouts. The system's records may carry later versions' fields after ours, never fewer.
#include <windows.h>

#include <tapi.h>

#define CORVAX_TAPI_SIZE(record, size) static_assert(sizeof(record) >= (size), #record)
#define CORVAX_TAPI_FIELD_AT(record, field, offset) \
  static_assert(offsetof(record, field) == (offset), #record "." #field)
#include "platform/tapi32/LineRecordLayout.h"
