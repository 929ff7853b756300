// What the panel's readout holds of the drawings and how it is told, without a toolkit: the texts by place,
// the changes a screen reader is told of, the drawing passed on untouched, and the lines as one message.
#include "platform/accessibility/ReadableTarget.h"
#include "platform/accessibility/spoken_text.h"
#include "platform/drawing/DiscardingSurface.h"
#include "support/RasterTarget.h"

#include <gtest/gtest.h>

namespace {

using Line = DrawnTexts::Line;
using Lines = std::vector<Line>;

const std::string kBlank(17, ' ');

// The lines a screen reader holds after being told `changes` of `told`, applied as the platform layers tell
// them: removals, then additions, then rewrites, each by index.
Lines told_after(Lines told, const DrawnTexts::Changes& changes, const Lines& now) {
    for (const DrawnTexts::Change& removed : changes.removed) {
        EXPECT_EQ(told.at(removed.index), (Line{removed.x, removed.y, removed.before}));
        told.erase(told.begin() + removed.index);
    }
    for (const DrawnTexts::Change& added : changes.added) {
        told.insert(told.begin() + added.index, now.at(added.index));
    }
    for (const DrawnTexts::Change& rewritten : changes.rewritten) {
        EXPECT_EQ(told.at(rewritten.index).text, rewritten.before);
        told.at(rewritten.index) = now.at(rewritten.index);
    }
    return told;
}

// Rounds of drawings, each told at its end: the last text of each place in reading order, blanks erasing,
// and changes that bring what was told to what is drawn; a busy mark that comes and goes is no change.
TEST(DrawnTexts, HoldTheLastTextOfEachPlaceInReadingOrderAndTellWhatChanged) {
    struct Round {
        std::vector<std::tuple<int, int, std::string>> drawings;
        Lines lines;
    };
    const Line s{80, 96, "summary"}, b{90, 96, "beside"}, n{150, 150, " 11025 "}, o{40, 300, "Open "},
        c{40, 340, "Nbr"};
    const Line busy{1, 1, "WAITING"}, longer{40, 300, "Attempted to open"};
    const std::vector<Round> rounds = {
        {{{150, 150, n.text}, {80, 96, s.text}}, {s, n}},
        {{{40, 340, c.text}, {1, 1, busy.text}, {40, 300, longer.text}}, {busy, s, n, longer, c}},
        {{{1, 1, kBlank}, {40, 300, o.text}, {90, 96, b.text}}, {s, b, n, o, c}},
        {{{80, 96, " "}, {1, 1, busy.text}, {1, 1, kBlank}, {40, 340, c.text}}, {b, n, o, c}},
    };
    DrawnTexts texts;
    Lines told;
    for (const Round& round : rounds) {
        for (const auto& [x, y, text] : round.drawings) {
            texts.drawn(x, y, text);
        }
        EXPECT_EQ(texts.lines(), round.lines);
        const DrawnTexts::Changes changes = texts.takeChanges();
        EXPECT_EQ(changes.empty(), told == round.lines);
        told = told_after(told, changes, texts.lines());
        EXPECT_EQ(told, round.lines);
    }
    EXPECT_EQ(texts.indexOf(40, 300), 2);
    EXPECT_EQ(texts.indexOf(1, 1), -1);
}

class RecordingReadout : public PanelReadout {
public:
    void drawingEnded() override { ++ended; }
    void announce(const std::vector<std::string>&) override {}
    const Lines& lines() const { return texts_.lines(); }
    int ended = 0;
};

// The same drawing through the readable target and straight: the same operations, and only what reached
// the screen read.
TEST(ReadableTarget, PassesTheDrawingOnUntouchedAndGivesTheReadoutWhatWasShown) {
    const auto draw = [](DrawingTarget& target) {
        const auto surface = target.createSurface();
        surface->drawText(80, 96, "summary");
        surface->selectPen(TColor::LtGreen);
        surface->moveTo(3, 293);
        surface->lineTo(3, 200);
        surface->drawText(1, 1, "WAITING");
    };
    RasterTarget straight, underneath;
    RecordingReadout readout;
    ReadableTarget readable(underneath, readout);
    draw(straight);
    draw(readable);
    EXPECT_EQ(underneath.ops(), straight.ops());
    EXPECT_EQ(readout.lines(), (Lines{{1, 1, "WAITING"}, {80, 96, "summary"}}));
    EXPECT_EQ(readout.ended, 1);

    struct NotShown : DrawingTarget {
        std::unique_ptr<DrawingSurface> createSurface() override {
            return std::make_unique<DiscardingSurface>();
        }
    } notShown;
    RecordingReadout unread;
    ReadableTarget hidden(notShown, unread);
    draw(hidden);
    EXPECT_TRUE(unread.lines().empty());
    EXPECT_EQ(unread.ended, 0);
}

TEST(SpokenText, OneSentenceALineWithoutThePlacingBlanks) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"Successful" + std::string(49, ' '), "Reussi  buffer", "Trace: flat, every bar 64 pixels high.",
          "Nbr 999" + std::string(10, ' ')},
         "Successful. Reussi buffer. Trace: flat, every bar 64 pixels high. Nbr 999"},
        {{"WAVE_FORMAT_PCM   22050 1 8-bit", " 22050  8  1 "}, "WAVE_FORMAT_PCM 22050 1 8-bit. 22050 8 1"},
        {{"Specified device identifier is out of range.", kBlank, "Nbr 0   "},
         "Specified device identifier is out of range. Nbr 0"},
    };
    for (const auto& [lines, spoken] : rows) {
        EXPECT_EQ(spoken_text(lines), spoken);
    }
}

} // namespace
