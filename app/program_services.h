// The real capture device and settings store the program works through.
#pragma once

#include "panel/PanelServices.h"

// Made on first use and kept until the program ends.
PanelServices program_services();
