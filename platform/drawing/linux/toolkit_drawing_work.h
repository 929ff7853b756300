// Showing what is drawn while an operation blocks the main loop (TEST's trace), on a window system where
// only the toolkit's own paint reaches the screen: the toolkit's drawing and frame work is run, and the
// user's input is held back until the operation ends, as the blocked loop would hold it.
#pragma once

// Runs what the toolkit has ready of its drawing and frame work (the window system's frame callbacks, the
// frame clock's paint) without waiting, and nothing of lower priority (idle handlers). Input events that
// arrive meanwhile are held back.
void run_toolkit_drawing_work();

// Hands the held-back input events back to the toolkit, in the order they came, for the main loop.
void release_held_input();
