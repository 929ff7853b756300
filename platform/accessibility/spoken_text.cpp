#include "platform/accessibility/spoken_text.h"

#include <string_view>

namespace {

constexpr std::string_view kSentenceEnds = ".!?";

// Its words with one blank between each.
std::string words_of(const std::string& line) {
    std::string words;
    std::size_t start = line.find_first_not_of(' ');
    while (start != std::string::npos) {
        const std::size_t end = line.find(' ', start);
        if (!words.empty()) {
            words += ' ';
        }
        words.append(line, start, end == std::string::npos ? end : end - start);
        start = line.find_first_not_of(' ', end);
    }
    return words;
}

} // namespace

std::string spoken_text(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        const std::string words = words_of(line);
        if (words.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += kSentenceEnds.find(text.back()) == std::string_view::npos ? ". " : " ";
        }
        text += words;
    }
    return text;
}
