#pragma once
// The CIE 1931 2-degree standard observer: colour-matching functions x̄, ȳ, z̄ from 380 to
// 780 nm in 5 nm steps (the published four-decimal table; row 0 is 380 nm: 0.0014, 0.0000,
// 0.0065). The table is generated source (enviro/astro/generated/Cie1931Table.cpp, written by
// tools/gen_cie_table.py).

namespace Astro {

// One row: the three colour-matching function values at one wavelength (dimensionless).
struct CieRow {
    double x, y, z;
};

constexpr int kCie1931Rows = 81;
constexpr double kCie1931FirstNm = 380.0;  // wavelength of row 0, nm
constexpr double kCie1931StepNm = 5.0;     // wavelength step between rows, nm

extern const CieRow kCie1931[kCie1931Rows];

}  // namespace Astro
