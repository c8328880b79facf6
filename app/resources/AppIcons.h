#pragma once

namespace korvex {

// Makes the icons (:/icons/<command id>.svg, :/icons/korvex.svg) available.
// Static libraries drop unreferenced resource initialisers, so the program
// and the widget tests call this once before building windows.
void InitAppIcons();

}  // namespace korvex
