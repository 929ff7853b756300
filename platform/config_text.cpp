#include "platform/config_text.h"

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

std::vector<std::string_view> split_lf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string_view as_parsed(const ConfigLine& line) {
    return line.text.empty() ? std::string_view(" ") : std::string_view(line.text);
}

// A new line takes the file's own line ending, so a CRLF file stays CRLF.
std::string first_line_ending(const ConfigText& text) {
    for (const ConfigLine& line : text.lines) {
        if (!line.eol.empty()) {
            return line.eol;
        }
    }
    return "\n";
}

} // namespace

ConfigText split_config_text(std::string_view bytes) {
    ConfigText text;
    if (bytes.starts_with(utf8ByteOrderMark)) {
        text.byteOrderMark = utf8ByteOrderMark;
        bytes.remove_prefix(utf8ByteOrderMark.size());
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r') {
            continue;
        }
        const std::size_t eolLength =
            bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
        text.lines.push_back(
            {std::string(bytes.substr(start, i - start)), std::string(bytes.substr(i, eolLength))});
        i += eolLength - 1;
        start = i + 1;
    }
    if (start < bytes.size()) {
        text.lines.push_back({std::string(bytes.substr(start)), ""});
    }
    return text;
}

std::string config_text_bytes(const ConfigText& text) {
    std::string bytes = text.byteOrderMark;
    for (const ConfigLine& line : text.lines) {
        bytes += line.text;
        bytes += line.eol;
    }
    return bytes;
}

std::string parser_input(const ConfigText& text) {
    std::string joined;
    for (const ConfigLine& line : text.lines) {
        joined += as_parsed(line);
        joined += '\n';
    }
    return joined;
}

std::optional<ConfigText> apply_single_line_edit(const ConfigText& original, std::string_view edited,
                                                 LineEdit kind) {
    const std::vector<std::string_view> lines = split_lf(edited);
    const std::vector<ConfigLine>& before = original.lines;
    std::size_t first = 0;
    while (first < before.size() && first < lines.size() && as_parsed(before[first]) == lines[first]) {
        ++first;
    }

    ConfigText result = original;
    if (kind == LineEdit::Replace && lines.size() == before.size()) {
        if (first == before.size()) {
            return result;
        }
        for (std::size_t i = first + 1; i < before.size(); ++i) {
            if (as_parsed(before[i]) != lines[i]) {
                return std::nullopt;
            }
        }
        result.lines[first].text = lines[first];
        return result;
    }

    if (kind == LineEdit::Insert && lines.size() == before.size() + 1) {
        for (std::size_t i = first; i < before.size(); ++i) {
            if (as_parsed(before[i]) != lines[i + 1]) {
                return std::nullopt;
            }
        }
        ConfigLine inserted{std::string(lines[first]), first_line_ending(original)};
        if (first > 0 && first == before.size() && before.back().eol.empty()) {
            // Appended after a last line that had no line ending: that line needs one now, and the file
            // keeps ending without one.
            result.lines.back().eol = inserted.eol;
            inserted.eol.clear();
        } else if (first > 0) {
            inserted.eol = before[first - 1].eol;
        }
        result.lines.insert(result.lines.begin() + static_cast<std::ptrdiff_t>(first), std::move(inserted));
        return result;
    }
    return std::nullopt;
}
