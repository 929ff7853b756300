// Files the programs write whole, for readers that may come at any moment.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Makes the file at `path` hold `bytes`: they are written to a new file in the same folder, which is then
// renamed over `path`, so that a reader (a monitoring agent collecting the file, say) meets the old
// contents or the new ones whole, never a part. The new file gets the permissions any file the user creates
// gets; a link at `path` is replaced, not followed. A device or a named pipe at `path` is written as it
// stands, as a shell's redirection would. Answers why `path` was not written, or nothing when it was.
std::optional<std::string> replace_file(const std::string& path, std::string_view bytes);
