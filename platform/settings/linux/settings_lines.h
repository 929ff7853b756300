// The edit of a settings file's own lines: the values set, every other byte as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SettingValue {
    std::string name;
    std::string value;
};

// `file` with every top-level `name=value` line of one of `values`' names (matched exactly, blanks around
// the name allowed) rewritten as `name=value`, keeping its line end; the names no such line holds are
// added after the last top-level entry, or ahead of the first [group] when the top level holds none, with
// the file's own line end. A lone CR, a CR and LF, and an LF each end a line. Everything else stays byte for
// byte: other names (other cases too), comments, groups and their entries, line ends, and a UTF-8
// byte-order mark, which does not hide a [group] header that follows it. Nothing when lone CRs and LFs
// both end lines and the edit would change the file otherwise for a reader that knows LF alone.
std::optional<std::string> with_values_set(std::string_view file, const std::vector<SettingValue>& values);
