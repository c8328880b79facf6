#include "app/signals/rules/BitGridLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korvex::signaldb {

BitCell CellOfBit(int wordBit) {
    return {wordBit / 8, 7 - wordBit % 8};
}

int BitOfCell(int row, int column, int length) {
    if (row < 0 || row >= length || column < 0 || column > 7) return -1;
    return 8 * row + 7 - column;
}

std::uint32_t HeatColor(double flipRate, bool constant) {
    if (constant) return 0xDDDDDD;
    const double t = std::clamp((std::log10(std::max(flipRate, 1e-4)) + 3.0) / 3.0, 0.0, 1.0);
    // Three stops: blue, yellow, red.
    struct Stop {
        double r, g, b;
    };
    const Stop stops[] = {{70, 110, 220}, {250, 220, 80}, {220, 50, 40}};
    const double at = t * 2;
    const int i = std::min(static_cast<int>(at), 1);
    const double f = at - i;
    const auto mix = [&](double a, double b) {
        return static_cast<std::uint32_t>(std::lround(a + (b - a) * f));
    };
    return mix(stops[i].r, stops[i + 1].r) << 16 | mix(stops[i].g, stops[i + 1].g) << 8 |
           mix(stops[i].b, stops[i + 1].b);
}

std::string FlipRateText(double flipRate, bool constant) {
    if (constant) return "-";
    char text[16];
    const double percent = flipRate * 100;
    std::snprintf(text, sizeof text, percent >= 9.95 ? "%.0f%%" : "%.1f%%", percent);
    return text;
}

unsigned OutlineSides(std::uint64_t fieldMask, int wordBit) {
    const auto in = [&](int row, int column) {
        if (column < 0 || column > 7 || row < 0 || row > 7) return false;
        return ((fieldMask >> BitOfCell(row, column, 8)) & 1) != 0;
    };
    const BitCell c = CellOfBit(wordBit);
    unsigned sides = 0;
    if (!in(c.row - 1, c.column)) sides |= kSideTop;
    if (!in(c.row, c.column + 1)) sides |= kSideRight;
    if (!in(c.row + 1, c.column)) sides |= kSideBottom;
    if (!in(c.row, c.column - 1)) sides |= kSideLeft;
    return sides;
}

}  // namespace korvex::signaldb
