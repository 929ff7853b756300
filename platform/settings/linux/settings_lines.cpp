#include "platform/settings/linux/settings_lines.h"

#include <algorithm>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";

constexpr std::string_view kCarriageReturnLineFeed = "\r\n";
// The bytes that end lines: each of CR and LF in the file, LF alone for many readers.
constexpr std::string_view kFileLineEnds = "\r\n";
constexpr std::string_view kLineFeedOnly = "\n";

struct Line {
    std::string_view text;
    std::string_view end; // "\n", "\r\n", "\r", or nothing on a last line without one
};

// Lines end at each byte of `endBytes`; a CR before an LF ends the line with it.
std::vector<Line> split_lines(std::string_view bytes, std::string_view endBytes) {
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const std::size_t found = std::min(bytes.find_first_of(endBytes), bytes.size());
        const std::string_view whole =
            bytes.substr(0, found + (bytes.substr(found).starts_with(kCarriageReturnLineFeed) ? 2 : 1));
        bytes.remove_prefix(whole.size());
        const std::size_t end = whole.ends_with(kCarriageReturnLineFeed) ? 2 : found < whole.size() ? 1 : 0;
        lines.push_back({whole.substr(0, whole.size() - end), whole.substr(whole.size() - end)});
    }
    return lines;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

bool is_group_header(const Line& line) {
    return trimmed(line.text).starts_with('[');
}

// The name of a `name=value` line; nothing for a comment, a blank line or a line without '='.
std::string_view entry_name(const Line& line) {
    const std::string_view text = trimmed(line.text);
    const std::size_t sign = text.find('=');
    if (text.starts_with('#') || text.starts_with(';') || sign == std::string_view::npos) {
        return {};
    }
    return trimmed(text.substr(0, sign));
}

const SettingValue* value_named(const std::vector<SettingValue>& values, std::string_view name) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const SettingValue& value) { return value.name == name; });
    return found == values.end() ? nullptr : &*found;
}

// Lines added take the file's own line end: that of its first line ending in an LF ("\n" or "\r\n"), a
// lone CR where no LF ends a line, or "\n" in a file of one line.
std::string_view file_line_end(std::string_view file) {
    const std::size_t lineFeed = file.find('\n');
    if (lineFeed == std::string_view::npos) {
        return file.find('\r') == std::string_view::npos ? "\n" : "\r";
    }
    return lineFeed > 0 && file[lineFeed - 1] == '\r' ? kCarriageReturnLineFeed : "\n";
}

std::string entry_line(const SettingValue& value) {
    return value.name + "=" + value.value;
}

// The top level of a file: its lines up to the first [group], where the names missing from it go, and
// which of the values it holds a line of.
struct TopLevel {
    std::size_t end = 0;
    std::size_t addAt = 0;
    std::vector<bool> present;
};

TopLevel scan_top_level(const std::vector<Line>& lines, const std::vector<SettingValue>& values,
                        bool lineFeedsEndLines) {
    TopLevel top;
    top.end =
        static_cast<std::size_t>(std::find_if(lines.begin(), lines.end(), is_group_header) - lines.begin());
    top.addAt = top.end;
    top.present.assign(values.size(), false);
    for (std::size_t i = 0; i < top.end; ++i) {
        const std::string_view name = entry_name(lines[i]);
        if (const SettingValue* value = value_named(values, name)) {
            top.present[static_cast<std::size_t>(value - values.data())] = true;
        }
        top.addAt = name.empty() ? top.addAt : i + 1;
    }
    // Where LFs end lines too, after the whole line that a reader knowing no other end sees.
    while (lineFeedsEndLines && top.addAt < top.end && lines[top.addAt - 1].end == "\r") {
        ++top.addAt;
    }
    return top;
}

std::string missing_lines(const std::vector<SettingValue>& values, const TopLevel& top,
                          std::string_view lineEnd) {
    std::string added;
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (!top.present[v]) {
            added.append(entry_line(values[v])).append(lineEnd);
        }
    }
    return added;
}

// The edit of the lines that `endBytes` ends (see split_lines).
std::string edited_lines(std::string_view file, const std::vector<SettingValue>& values,
                         std::string_view endBytes) {
    const bool marked = file.starts_with(kByteOrderMark);
    file.remove_prefix(marked ? kByteOrderMark.size() : 0);
    const std::vector<Line> lines = split_lines(file, endBytes);
    const std::string_view lineEnd = file_line_end(file);
    const TopLevel top = scan_top_level(lines, values, file.find('\n') != std::string_view::npos);
    const std::string added = missing_lines(values, top, lineEnd);

    std::string edited(marked ? kByteOrderMark : "");
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        if (i == top.addAt && !added.empty()) {
            // A last line without a line end gets one, so that the names added start lines of their own.
            edited.append(i > 0 && lines[i - 1].end.empty() ? lineEnd : "").append(added);
        }
        if (i == lines.size()) {
            break;
        }
        const SettingValue* value = i < top.end ? value_named(values, entry_name(lines[i])) : nullptr;
        edited.append(value != nullptr ? entry_line(*value) : std::string(lines[i].text))
            .append(lines[i].end);
    }
    return edited;
}

} // namespace

std::optional<std::string> with_values_set(std::string_view file, const std::vector<SettingValue>& values) {
    std::string edited = edited_lines(file, values, kFileLineEnds);
    // A file whose lines end in lone CRs and in LFs reads otherwise to the many readers that know LF alone:
    // the edit stands only where it is the same edit to them.
    if (file.find('\n') != std::string_view::npos && edited != edited_lines(file, values, kLineFeedOnly)) {
        return std::nullopt;
    }
    return edited;
}
