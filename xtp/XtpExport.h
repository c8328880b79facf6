#pragma once

// Marks what libKorvexXtp exports; everything else in it stays hidden.
#define KORVEX_XTP_API __attribute__((visibility("default")))
