// The usage text of varnel-probe, made to fit a terminal of 80 columns.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

class ProbeHelpFormatter : public CLI::Formatter {
public:
    ProbeHelpFormatter();

    // An option's value as its type name alone, without the defaults, ranges and exclusions CLI11 adds
    // (the descriptions say what matters of them).
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_option_desc(const CLI::Option* option) const override;
    std::string make_footer(const CLI::App* app) const override;
};
