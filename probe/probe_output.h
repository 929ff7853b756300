// varnel-probe's standard output, written whole at the end: a report that did not all reach it (a full
// disk, a closed descriptor, a reader gone while SIGPIPE is ignored) is a failure, not a success.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// Writes `text` to `out` and closes it. Answers why not all of it got there, or nothing when it did.
// `open` false: the stream was closed when the program started and stands for nothing.
std::optional<std::string> write_output(std::FILE* out, std::string_view text, bool open);
