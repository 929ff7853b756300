// The program's standard streams at start.
#pragma once

// Opens the system's empty device on each of standard input, output and error that is closed. A program
// started with one of them closed would otherwise hand its number to the next file it opens (the window
// system's connection, say), and whatever a library prints to the stream would land there.
void open_missing_standard_streams();

// Whether standard output was open when the program started; asked before the streams are completed, since
// a report written to the empty device would be lost.
bool standard_output_open();

// Whether standard error is a terminal, where a progress line that rewrites itself can be shown.
bool standard_error_is_terminal();
