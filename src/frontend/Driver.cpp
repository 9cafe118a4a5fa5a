#include "frontend/Driver.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

#include "calc/IsoCalc.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "frontend/Options.h"
#include "frontend/ResultTable.h"

namespace morvane {

namespace {

void PrintUsage(std::ostream& out)
{
    out << "A program for calculating isotope distributions\n"
           "2026 The morvane developers, version " MORVANE_VERSION "\n"
           "Source and documentation: the README of the morvane repository\n\n"
           "Win64 version\n\n"
           "Based on J.A.Yergey, Int. J. Mass Spectrom. Ion Phys. 1983, 52, 337-349\n\n"
           "Usage: morvane formula (massfile.txt)\n"
           "Formula is the molecular formula written using standard element symbols\n"
           "massfile.txt contains a table of elements and isotope distributions\n"
           "If no file is specified, it defaults to morvanetable.txt\n\n"
           "Followed by options:\n"
           "\t-z charge\tSpecifies the charge, defaults to 0\n"
           "\t-n\tNormalizes most intense peak to 100%\n"
           "\t-f filt\tNormalizes and discards peaks of intensity < filt\n"
           // "Specificies" is the usage text's historic spelling, kept verbatim on purpose.
           "\t-t thr\tSpecificies a probability threshold, defaults to 0.001\n"
           "\t-p prec\tSpecifies the output precision, default is 8\n"
           "\t-r res\tPeaks separated by <res will be merged. Defaults to 0.1\n"
           "\t-c\tOutputs a comma separated table, default is tab\n"
           "\t-mtz charge\tOutputs mass-to-charge ratio. By default outputs mass\n";
}

// One calculation from the command line to the printed table; the
// calculator lives exactly as long as this call.
int Run(int argc, char** argv)
{
    std::ostream& out = std::cout;
    IsoCalc calc;
    RunSettings s;
    if (ScanOptions(argc, argv, s, out) != 0) return OPTION_ERROR_STATUS;
    out.precision(std::min(s.precision, MAX_USEFUL_PRECISION));
    const int status = CalculateAsAsked(calc, s, out);
    if (status != 0) return status;  // the calculator's status is the exit status
    PrintResultTable(calc, s, out);
    return 0;
}

}  // namespace

int CalculateAsAsked(IsoCalc& calc, const RunSettings& s, std::ostream& out)
{
    const std::string table = s.tablefile != nullptr ? s.tablefile : DefaultTablePath();
    if (calc.ReadAtomTable(table.c_str()) != 0) {
        out << TABLE_NOT_READ_MESSAGE;
        return CALC_TABLE_NOT_READ;
    }
    if (calc.SetComposition(s.formula) != 0) {
        out << FORMULA_NOT_PARSED_MESSAGE;
        return CALC_FORMULA_NOT_PARSED;
    }
    calc.SetCharge(s.charge);
    calc.SetThr(s.threshold);
    calc.SetMassToCharge(s.masstocharge);
    calc.SetDegen(s.merge);
    const int status = calc.Calculate();
    if (status != 0) out << CALCULATION_FAILED_MESSAGE;
    return status;
}

int RunGuarded(const std::function<int()>& body)
{
    try {
        return body();
    } catch (const std::overflow_error&) {
        // Nothing in the code throws it: kept so that a library's overflow gets its own message.
        std::cout << OVERFLOW_MESSAGE << std::endl;
    } catch (const std::range_error&) {
        // Nothing in the code throws it: kept so that a library's range error gets its own message.
        std::cout << RANGE_MESSAGE;
    } catch (...) {
        std::cout << UNEXPECTED_MESSAGE << std::endl;
    }
    return EXCEPTION_STATUS;
}

int MorvaneMain(int argc, char** argv)
{
    return RunGuarded([&] {
        if (argc < 2) {
            PrintUsage(std::cout);
            return 0;
        }
        return Run(argc, argv);
    });
}

}  // namespace morvane
