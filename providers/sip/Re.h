// libre and librem, with what their headers take for granted included first.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstdio>

// Without it the headers define bool, true and false as macros, which break C++ headers.
#define HAVE_STDBOOL_H 1
#include <re.h>
#include <rem.h>
