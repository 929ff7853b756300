#include "probe/ProbeHelpFormatter.h"

#include <sstream>

namespace {

constexpr std::size_t kTerminalColumns = 80;
// Wide enough for "  --format RATE,BITS,CHANNELS" and a blank.
constexpr std::size_t kDescriptionColumn = 30;
// One column short of the terminal's: a line that fills the last one wraps in some terminals.
constexpr std::size_t kLineColumns = kTerminalColumns - 1;

// `text`'s words on lines of at most `width` columns.
std::string wrapped_text(std::string_view text, std::size_t width) {
    std::istringstream words{std::string(text)};
    std::string lines;
    std::size_t column = 0;
    for (std::string word; words >> word;) {
        if (column > 0 && column + 1 + word.size() > width) {
            lines += '\n';
            column = 0;
        } else if (column > 0) {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
    }
    return lines;
}

} // namespace

ProbeHelpFormatter::ProbeHelpFormatter() {
    column_width(kDescriptionColumn);
}

std::string ProbeHelpFormatter::make_option_opts(const CLI::Option* option) const {
    return option->get_type_size() == 0 ? "" : " " + option->get_type_name();
}

// CLI11 starts each line after a line break at the description column.
std::string ProbeHelpFormatter::make_option_desc(const CLI::Option* option) const {
    return wrapped_text(option->get_description(), kLineColumns - kDescriptionColumn);
}

std::string ProbeHelpFormatter::make_footer(const CLI::App* app) const {
    const std::string footer = wrapped_text(app->get_footer(), kLineColumns);
    return footer.empty() ? footer : footer + "\n";
}
