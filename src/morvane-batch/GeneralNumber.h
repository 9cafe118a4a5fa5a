#ifndef MORVANE_BATCH_GENERALNUMBER_H
#define MORVANE_BATCH_GENERALNUMBER_H

#include <string>

namespace morvane {

// Appends v as printf's %.*g writes it in the C locale at `precision`
// significant digits (precision > 0), which is also what an output stream in
// its default notation writes: trailing zeros dropped, scientific form when
// the decimal exponent is below -4 or not below the precision.
//
// Up to 15 digits it rounds the shortest text that reads back as v (the
// exact value's rounding is the same, unless that text ends exactly on a
// rounding tie); otherwise, and for a tie, zero, subnormal and non-finite
// values, it asks std::to_chars for the digits. Both give the same bytes;
// the first is several times faster.
void AppendGeneral(double v, int precision, std::string& out);

}  // namespace morvane

#endif
