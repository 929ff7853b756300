// A settings file as the exact bytes of its lines, so that an edit made through wxFileConfig can be applied
// without disturbing anything else. wxFileConfig keeps the text of lines it did not touch, but it rewrites
// every line ending as "\n", drops a byte-order mark's meaning and always ends the file with a newline;
// the file often belongs to another program, so its bytes are kept as they were instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ConfigLine {
    std::string text;
    // "\n", "\r\n", "\r", or "" for a last line without one.
    std::string eol;
};

struct ConfigText {
    std::string byteOrderMark;
    std::vector<ConfigLine> lines;
};

// Splits at "\r\n", "\n" and a lone "\r", as wxFileConfig does.
ConfigText split_config_text(std::string_view bytes);

std::string config_text_bytes(const ConfigText& text);

// The lines joined by "\n" with no byte-order mark: what the parser is given, so that its lines are exactly
// ours and its output can be matched back line by line. wxFileConfig drops empty lines read from a stream;
// they are given to it as a single space, which it also takes for a blank line but keeps, and since lines
// are matched back by position the original empty line is what gets written.
std::string parser_input(const ConfigText& text);

enum class LineEdit {
    // A value that was in the file: its line is rewritten in place, or stays as it is.
    Replace,
    // A new value: one line is added.
    Insert,
};

// Carries the parser's re-serialisation `edited` back onto `original`, for an edit of the expected kind
// only; everything else keeps its bytes and line ending. Empty when the parser's output has any other shape
// (a line dropped or altered besides the one edited), so that nothing is written that was not meant.
std::optional<ConfigText> apply_single_line_edit(const ConfigText& original, std::string_view edited,
                                                 LineEdit kind);
