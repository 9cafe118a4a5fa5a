// A program of another project using the installed calculator library:
// glucose through morvane::CalculatePattern with the installed table, whose
// monoisotopic peak (180.06339 u, 0.92263298, as `morvane C6H12O6` prints
// it) it checks. Argument: the bin/ folder of the install prefix. Exit
// status 0 when right.
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>

#include <morvane/morvane.h>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    std::deque<morvane::AtomIsoAbun> table;
    std::string reason;
    if (morvane::LoadIsotopeTable(morvane::DefaultTablePath(argv[1]), table, reason) != 0) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    const morvane::PatternResult glucose = morvane::CalculatePattern(table, "C6H12O6", morvane::PatternSettings());
    if (glucose.status != 0 || glucose.peaks.empty()) return 1;
    const morvane::isotope& first = glucose.peaks.front();
    std::printf("%.8g\t%.8g\n", first.mass, first.abundance);
    return std::fabs(first.mass - 180.06339) < 5e-6 && std::fabs(first.abundance - 0.92263298) < 5e-9 ? 0 : 1;
}
