// A program of another project using the installed calculator library:
// glucose through IsoCalc with the installed table, whose monoisotopic peak
// (180.06339 u, 0.92263298, as `morvane C6H12O6` prints it) it checks.
// Argument: the bin/ folder of the install prefix. Exit status 0 when right.
#include <cmath>
#include <cstdio>

#include <morvane/calc/IsoCalc.h>
#include <morvane/elements/DefaultTable.h>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    IsoCalc calc;
    char formula[] = "C6H12O6";
    if (calc.ReadAtomTable(DefaultTablePath(argv[1]).c_str()) != 0 || calc.SetComposition(formula) != 0 ||
        calc.Calculate() != 0)
        return 1;
    double mass = 0, abundance = 0;
    if (calc.Peak(0, mass, abundance) != 0) return 1;
    std::printf("%.8g\t%.8g\n", mass, abundance);
    return std::fabs(mass - 180.06339) < 5e-6 && std::fabs(abundance - 0.92263298) < 5e-9 ? 0 : 1;
}
