// The multimedia services: wave devices, the wave mapper and multimedia-file input.
#pragma once

#include "MmRecords.h"
#include "MmioApi.h"
#include "WaveApi.h"
