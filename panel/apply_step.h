// Turns the panel's selections into the capture format and echoes them as a summary line and a numbers
// line.
#pragma once

#include "platform/drawing/DrawingTarget.h"
#include "platform/wave_in/wave_types.h"

#include <string>
#include <vector>

// What the four selection controls show: the texts of their selected entries (never typed text; empty
// where a box has no selected entry) and the format list's selected row.
struct PanelSelections {
    int formatRow = -1;
    std::string formatText;
    std::string rateText;
    std::string channelText;
    std::string bitDepthText;
};

// Format row text, rate, channels and bit depth, separated by blanks.
std::string summary_line(const PanelSelections& selections);
// Rate, bits and channels of the record, in that order.
std::string numbers_line(const WAVEFORMATEX& format);

// Takes the tag and extra size of the selected row, recomputes the derived fields and draws both lines
// over whatever stands at their places. Answers the two lines, as drawn.
std::vector<std::string> apply_selections(const PanelSelections& selections, WAVEFORMATEX& format,
                                          DrawingTarget& panel);

// Each box writes its own field from the position it reports after a change of selection. A position that
// is not one of the box's entries (the box's text was typed) writes nothing and answers false.
bool choose_rate(int position, WAVEFORMATEX& format);
bool choose_bit_depth(int position, WAVEFORMATEX& format);
bool choose_channels(int position, WAVEFORMATEX& format);
