#include "capture/live_trace.h"
#include "support/RasterTarget.h"
#include "support/ScriptedWaveIn.h"

#include <gtest/gtest.h>

namespace {

constexpr int kTop = 165;
constexpr int kBaseline = 293;

class LiveTrace : public ::testing::Test {
protected:
    void fill(std::uint8_t value) {
        for (CaptureByte& byte : buffer) {
            byte.store(value);
        }
    }
    TraceBand draw() {
        auto surface = panel.createSurface();
        return draw_live_trace(*surface, buffer,
                               DeliveryWait(device, nullptr, idleHeader, DeliveryWait::Clock::now()));
    }
    // Rows [from, to] of column x all of one colour.
    ::testing::AssertionResult columnIs(int x, int from, int to, TColor colour) {
        for (int y = from; y <= to; ++y) {
            if (!(panel.pixel(x, y) == colour)) {
                return ::testing::AssertionFailure() << "column " << x << " row " << y;
            }
        }
        return ::testing::AssertionSuccess();
    }
    int barTop(int x) {
        int y = kBaseline;
        while (panel.pixel(x, y) == TColor::LtGreen) {
            --y;
        }
        return y + 1;
    }

    CaptureBuffer buffer{};
    WAVEHDR idleHeader; // never queued: no byte to wait for
    ScriptedWaveIn device;
    RasterTarget panel;
};

TEST_F(LiveTrace, SilenceEndsAsAFlatRowOfBarsInEveryColumn) {
    fill(128);
    draw();
    for (int x = 0; x < 500; ++x) {
        ASSERT_TRUE(columnIs(x, kTop, 229, TColor::White));
        ASSERT_TRUE(columnIs(x, 230, kBaseline, TColor::LtGreen)); // drawn to (x, 229), end left out
    }
    EXPECT_TRUE(columnIs(500, kTop, kBaseline, TColor::White));
}

TEST_F(LiveTrace, FullByteReachesRow167AndTheEraseNeverPaintsTheBaseline) {
    fill(255);
    draw();
    EXPECT_TRUE(columnIs(7, kTop, 166, TColor::White));
    EXPECT_TRUE(columnIs(7, 167, kBaseline, TColor::LtGreen));
    EXPECT_TRUE(columnIs(7, kBaseline + 1, kBaseline + 1, TColor::White));
    EXPECT_TRUE(columnIs(7, kTop - 1, kTop - 1, TColor::White));
}

TEST_F(LiveTrace, BytesZeroAndOneDrawNoBarOnlyTheErasedColumn) {
    for (std::uint8_t value : {std::uint8_t{0}, std::uint8_t{1}}) {
        RasterTarget fresh;
        fill(value);
        auto surface = fresh.createSurface();
        surface->selectPen(TColor::LtGreen); // an old bar left in the band
        surface->moveTo(10, kBaseline);
        surface->lineTo(10, kTop - 10);
        draw_live_trace(*surface, buffer,
                        DeliveryWait(device, nullptr, idleHeader, DeliveryWait::Clock::now()));
        for (int y = kTop; y < kBaseline; ++y) {
            ASSERT_EQ(fresh.pixel(10, y), TColor::White) << int(value) << " row " << y;
        }
        // Row 293 is painted only by bars: the old bar's baseline pixel stays.
        EXPECT_EQ(fresh.pixel(10, kBaseline), TColor::LtGreen);
        EXPECT_EQ(fresh.pixel(10, kTop - 1), TColor::LtGreen);
    }
}

TEST_F(LiveTrace, ColumnZeroIsDrawnOnceAndTheOthersTwiceEachErasedFirst) {
    fill(100);
    draw();
    std::vector<int> erasures(500, 0);
    const auto& ops = panel.ops();
    for (std::size_t i = 0; i + 2 < ops.size(); ++i) {
        if (ops[i].kind == DrawOp::Kind::Pen && ops[i].colour == TColor::White) {
            ASSERT_EQ(ops[i + 1].kind, DrawOp::Kind::Move);
            ASSERT_EQ(ops[i + 1].y, kTop);
            ASSERT_EQ(ops[i + 2].kind, DrawOp::Kind::Line);
            ASSERT_EQ(ops[i + 2].y, kBaseline);
            ++erasures[static_cast<std::size_t>(ops[i + 1].x)];
        }
    }
    EXPECT_EQ(erasures[0], 1);
    for (int x = 1; x < 500; ++x) {
        ASSERT_EQ(erasures[static_cast<std::size_t>(x)], 2) << x;
    }
}

TEST_F(LiveTrace, EndsShowingBytes500To998InColumns1To499AndByte499InColumn0) {
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i].store(static_cast<std::uint8_t>((i * 7) % 256));
    }
    const TraceBand band = draw();
    const auto expectedTop = [&](std::size_t byte) { return kBaseline - buffer[byte].load() / 2 + 1; };
    EXPECT_EQ(barTop(0), expectedTop(499));
    EXPECT_EQ(band[0], buffer[499].load());
    for (int x = 1; x < 500; ++x) {
        const std::size_t byte = 499 + static_cast<std::size_t>(x);
        ASSERT_EQ(band[static_cast<std::size_t>(x)], buffer[byte].load()) << x;
        if (buffer[byte].load() > 1) {
            ASSERT_EQ(barTop(x), expectedTop(byte)) << x;
        }
    }
}

TEST_F(LiveTrace, BusyMarkFlickersAndEndsBlank) {
    fill(128);
    draw();
    const auto marks = panel.textsAt(1, 1);
    ASSERT_EQ(marks.size(), 2u * 999);
    for (std::size_t i = 0; i < marks.size(); i += 2) {
        ASSERT_EQ(marks[i].text, "WAITING");
        ASSERT_EQ(marks[i + 1].text, std::string(17, ' '));
    }
    EXPECT_EQ(panel.visibleText(1, 1), std::string(17, ' '));
}

// Bytes of one value with a few set apart, and what a listener hears of the band they make.
TEST(TraceInWords, SaysWhetherTheBandIsFlatAndHowHighItsBarsReach) {
    struct Row {
        std::uint8_t all;
        std::vector<std::pair<std::size_t, std::uint8_t>> apart;
        std::string words;
    };
    const Row rows[] = {
        {128, {}, "Trace: flat, every bar 64 pixels high."},
        {128, {{3, 129}}, "Trace: flat, every bar 64 pixels high."}, // a byte apart, a bar no higher
        {0, {{7, 1}}, "Trace: flat, no bars."},
        {2, {}, "Trace: flat, every bar 1 pixel high."},
        {128,
         {{240, 255}, {241, 255}, {9, 0}},
         "Trace: bars 0 to 127 pixels high out of 127, the highest in column 240."},
    };
    for (const Row& row : rows) {
        TraceBand band;
        band.fill(row.all);
        for (const auto& [column, value] : row.apart) {
            band[column] = value;
        }
        EXPECT_EQ(trace_in_words(band), row.words);
    }
}

} // namespace
