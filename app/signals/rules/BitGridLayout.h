#pragma once

#include <cstdint>
#include <string>

// The Bits view's grid: a row per data byte, its bits from 7 on the left to
// 0 on the right, as DBC editors draw a message; each cell coloured by how
// often its bit flips.
namespace korvex::signaldb {

struct BitCell {
    int row = 0;     // the byte
    int column = 0;  // 0 for bit 7 … 7 for bit 0
};

BitCell CellOfBit(int wordBit);
// The data bit (8·byte + bit) in a cell of a message of `length` bytes; -1
// outside the grid.
int BitOfCell(int row, int column, int length);

// The heat colour (0xRRGGBB) of a bit that flips in `flipRate` of its
// frames: grey for a bit that never changes, then from blue through yellow
// to red on a logarithmic scale, since rates run from a thousandth to one.
std::uint32_t HeatColor(double flipRate, bool constant);
// "49%", "0.4%", "-" for a bit that never changes.
std::string FlipRateText(double flipRate, bool constant);

// The sides of the cell of `wordBit` on which the outline of the field
// whose bits are `fieldMask` runs: where the neighbouring cell is not the
// field's.
enum OutlineSide : unsigned { kSideTop = 1, kSideRight = 2, kSideBottom = 4, kSideLeft = 8 };
unsigned OutlineSides(std::uint64_t fieldMask, int wordBit);

}  // namespace korvex::signaldb
