// The real window the benchmarks draw on: the toolkit started on the display named by DISPLAY, and a frame
// of the program's size with a white panel, shown and settled.
#pragma once

#include <wx/panel.h>

// Null, after saying why on stderr, when the toolkit cannot start (no X display).
wxPanel* open_bench_window(const char* programName);
void close_bench_window(wxPanel* panel);
