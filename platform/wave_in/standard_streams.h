// The program's standard streams at start.
#pragma once

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed. A program started with one of them
// closed would otherwise hand that number to the next file it opens (the window system's connection, say),
// and whatever a library prints to the stream would land there.
void open_missing_standard_streams();
