// The drawing table on GDI, the screen size from the system metrics. The context is unused, so
// a caller may copy the table and replace entries.
#pragma once

#include "saver/platform.h"

extern const SaverPlatform GdiPlatform;
