// The runtime unit: values, points, firing and reading, the runtime switch, start-up
// handlers and the shared helpers.
#pragma once

#include "runtime/Data.h"
#include "runtime/Element.h"
#include "runtime/Helpers.h"
#include "runtime/MemoryStream.h"
#include "runtime/Points.h"
#include "runtime/Seams.h"
