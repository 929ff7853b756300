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

const std::string kBusyMarkBlank(17, ' ');

// The lines as a screen reader holds them after being told `changes` of `told`, as the platform layers
// tell them: removals, then additions, then rewrites, each by index.
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

TEST(DrawnTexts, HoldTheLastTextOfEachPlaceInReadingOrderAndBlanksEraseIt) {
    DrawnTexts texts;
    texts.drawn(40, 340, "Nbr 999   ");
    texts.drawn(40, 300, "Attempted to open with an unsupported waveform-audio format.");
    texts.drawn(150, 150, " 11025  8  1 ");
    texts.drawn(80, 96, "WAVE_FORMAT_PCM   11025 1 8-bit");
    texts.drawn(1, 1, "WAITING");
    texts.drawn(1, 1, kBusyMarkBlank);
    texts.drawn(40, 300, "Successful  "); // shorter: the place reads the new text whole
    EXPECT_EQ(texts.lines(), (Lines{{80, 96, "WAVE_FORMAT_PCM   11025 1 8-bit"},
                                    {150, 150, " 11025  8  1 "},
                                    {40, 300, "Successful  "},
                                    {40, 340, "Nbr 999   "}}));
    EXPECT_EQ(texts.indexOf(40, 300), 2);
    EXPECT_EQ(texts.indexOf(1, 1), -1);
}

// Each round of drawings, told: the changes bring what a screen reader holds to the lines drawn.
TEST(DrawnTexts, ChangesBringWhatWasToldToWhatIsDrawn) {
    using Drawing = std::tuple<int, int, std::string>;
    const std::vector<std::vector<Drawing>> rounds = {
        {{80, 96, "summary"}, {150, 150, "numbers"}},
        {{40, 300, "open"}, {1, 1, "WAITING"}, {40, 320, "buffer"}, {40, 340, "Nbr 999"}},
        {{1, 1, kBusyMarkBlank}, {40, 300, "open, shorter"}, {40, 340, "Nbr 999"}, {90, 96, "beside"}},
        {{80, 96, " "}, {150, 150, "numbers"}, {40, 320, ""}, {1, 1, "WAITING"}},
        {},
    };
    DrawnTexts texts;
    Lines told;
    for (const auto& round : rounds) {
        for (const auto& [x, y, text] : round) {
            texts.drawn(x, y, text);
        }
        const DrawnTexts::Changes changes = texts.takeChanges();
        told = told_after(told, changes, texts.lines());
        EXPECT_EQ(told, texts.lines());
        EXPECT_EQ(changes.empty(), round.empty());
    }
}

TEST(DrawnTexts, ABusyMarkThatComesAndGoesIsNoChange) {
    DrawnTexts texts;
    texts.drawn(40, 300, "open");
    texts.takeChanges();
    for (int pass = 0; pass < 999; ++pass) {
        texts.drawn(1, 1, "WAITING");
        texts.drawn(1, 1, kBusyMarkBlank);
    }
    EXPECT_TRUE(texts.takeChanges().empty());
}

class RecordingReadout : public PanelReadout {
public:
    void drawingEnded() override { ++ended; }
    void announce(const std::vector<std::string>&) override {}
    const Lines& lines() const { return texts_.lines(); }
    int ended = 0;
};

void draw_a_little(DrawingTarget& target) {
    const auto surface = target.createSurface();
    surface->drawText(80, 96, "summary");
    surface->selectPen(TColor::LtGreen);
    surface->moveTo(3, 293);
    surface->lineTo(3, 200);
    surface->drawText(1, 1, "WAITING");
    surface->drawText(1, 1, kBusyMarkBlank);
}

TEST(ReadableTarget, PassesTheDrawingOnUntouchedAndGivesEachTextToTheReadout) {
    RasterTarget plain;
    RasterTarget underneath;
    RecordingReadout readout;
    ReadableTarget readable(underneath, readout);
    draw_a_little(plain);
    draw_a_little(readable);
    ASSERT_EQ(underneath.ops().size(), plain.ops().size());
    for (std::size_t i = 0; i < plain.ops().size(); ++i) {
        const DrawOp& want = plain.ops()[i];
        const DrawOp& got = underneath.ops()[i];
        EXPECT_TRUE(got.kind == want.kind && got.x == want.x && got.y == want.y && got.text == want.text &&
                    got.colour == want.colour)
            << "operation " << i;
    }
    EXPECT_EQ(readout.lines(), (Lines{{80, 96, "summary"}}));
    EXPECT_EQ(readout.ended, 1);
}

TEST(ReadableTarget, AWindowNotOnTheScreenYetGivesTheReadoutNothing) {
    struct NotShown : DrawingTarget {
        std::unique_ptr<DrawingSurface> createSurface() override {
            return std::make_unique<DiscardingSurface>();
        }
    } notShown;
    RecordingReadout readout;
    ReadableTarget readable(notShown, readout);
    draw_a_little(readable);
    EXPECT_TRUE(readout.lines().empty());
    EXPECT_EQ(readout.ended, 0);
}

TEST(SpokenText, OneSentenceALineWithoutThePlacingBlanks) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"Successful" + std::string(49, ' '), "Reussi  buffer", "Trace: flat, every bar 64 pixels high.",
          "Nbr 999" + std::string(10, ' ')},
         "Successful. Reussi buffer. Trace: flat, every bar 64 pixels high. Nbr 999"},
        {{"WAVE_FORMAT_PCM   22050 1 8-bit", " 22050  8  1 "}, "WAVE_FORMAT_PCM 22050 1 8-bit. 22050 8 1"},
        {{"Specified device identifier is out of range.", "", "Nbr 0   "},
         "Specified device identifier is out of range. Nbr 0"},
        {{kBusyMarkBlank}, ""},
    };
    for (const auto& [lines, spoken] : rows) {
        EXPECT_EQ(spoken_text(lines), spoken);
    }
}

} // namespace
