#ifndef MORVANE_CORE_STATUS_H
#define MORVANE_CORE_STATUS_H

namespace morvane {

// The status codes and run messages of the calculator and the tools, in one
// place. 0 is success for both the calculator and the tools.

// Statuses of the calculator: every IsoCalc operation returns one, and the
// engine's generation fails with CALC_GENERATION_FAILED.
const int CALC_TABLE_NOT_READ = 1;
const int CALC_FORMULA_NOT_PARSED = 2;
const int CALC_NO_TABLE = 3;
const int CALC_NO_COMPOSITION = 4;
const int CALC_NOT_CALCULATED = 5;
const int CALC_INDEX_OUT_OF_RANGE = 6;
const int CALC_GENERATION_FAILED = 6;  // shares its value with CALC_INDEX_OUT_OF_RANGE
const int CALC_SETTING_REFUSED = 7;

// Exit statuses of the tools. 1 to 4 (and 6 for a failed generation) are
// the calculator's statuses passed through; the tools add these.
const int INPUT_NOT_READ_STATUS = 1;  // a batch input file, like an unreadable table
const int OPTION_ERROR_STATUS = 5;
const int EXCEPTION_STATUS = 6;
const int OUTPUT_FAILURE_STATUS = 8;  // the output could not be written

// The run's messages on standard output.
const char* const TABLE_NOT_READ_MESSAGE = "Error: cannot read isotope table\n";
const char* const FORMULA_NOT_PARSED_MESSAGE = "Error: cannot parse formula\n";
const char* const CALCULATION_FAILED_MESSAGE = "Error: cannot calculate distributions\n";
const char* const PLOT_NOT_WRITTEN_MESSAGE = "Error: cannot write plot file\n";
// The exception messages; the handler prints the extra "\n" of the first
// and the last.
const char* const OVERFLOW_MESSAGE = "Overflow error. Program terminating\n";
const char* const RANGE_MESSAGE = "Range error. Program terminating\n";
const char* const UNEXPECTED_MESSAGE = "An unexpected error occurred. Program terminating\n";

}  // namespace morvane

#endif
