// The colours the program draws with.
#pragma once

#include <cstdint>

struct TColor {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;

    static const TColor White;
    static const TColor LtGreen;
    static const TColor Black;

    friend constexpr bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor TColor::White{255, 255, 255};
inline constexpr TColor TColor::LtGreen{0, 255, 0};
inline constexpr TColor TColor::Black{0, 0, 0};
