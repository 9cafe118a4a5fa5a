#include "frontend/Options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/Status.h"

namespace morvane {

namespace {

enum class Option { None, Normalize, Filter, Comma, MassToCharge, Charge, Threshold, Precision, Merge };

// The option words, exact and case-sensitive; any other word is not an option.
const struct {
    const char* word;
    Option option;
} OPTION_WORDS[] = {{"-n", Option::Normalize},    {"-f", Option::Filter},     {"-c", Option::Comma},
                    {"-mtz", Option::MassToCharge}, {"-z", Option::Charge},      {"-t", Option::Threshold},
                    {"-p", Option::Precision},      {"-r", Option::Merge}};

Option FindOption(const char* w)
{
    for (const auto& o : OPTION_WORDS)
        if (std::strcmp(w, o.word) == 0) return o.option;
    return Option::None;
}

int Fail(std::ostream& out, const char* message)
{
    out << message;
    return OPTION_ERROR_STATUS;
}

}  // namespace

bool ConvertReal(const char* w, double& value)
{
    char* end = nullptr;
    const double v = std::strtod(w, &end);
    if (*end != '\0' || std::isnan(v)) return false;
    value = v;
    return true;
}

bool ConvertInt(const char* w, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(w, &end, 0);
    if (*end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

int ScanOptions(int argc, char** argv, RunSettings& s, std::ostream& out)
{
    s.formula = argv[1];
    return ScanTableAndOptions(argc - 2, argv + 2, s, out);
}

int ScanTableAndOptions(int n, char** words, RunSettings& s, std::ostream& out)
{
    for (int i = 0; i < n; ++i) {
        const Option option = FindOption(words[i]);
        const bool last = i == n - 1;
        const char* value = last ? nullptr : words[i + 1];
        switch (option) {
        case Option::None:
            break;
        case Option::Normalize:
            s.normalize = true;
            break;
        case Option::Filter:
            if (last) return Fail(out, "Error: filter value not given\n");
            if (!ConvertReal(value, s.filter) || s.filter >= 100 || s.filter < 0)
                return Fail(out, "Error: filter must be between 0 and 100\n");
            s.normalize = true;
            break;
        case Option::Comma:
            s.comma = true;
            break;
        case Option::MassToCharge:
        case Option::Charge:
            if (option == Option::MassToCharge) s.masstocharge = true;
            if (last) return Fail(out, "Error: charge not specified\n");
            if (!ConvertInt(value, s.charge)) return Fail(out, "Error: charge must be integer\n");
            break;
        case Option::Threshold:
            if (last) return Fail(out, "Error: threshold not specified\n");
            if (!ConvertReal(value, s.threshold) || s.threshold >= 1 || s.threshold < 0)
                return Fail(out, "Error: threshold must be between 0 and 1\n");
            s.thresholdGiven = true;
            break;
        case Option::Precision:
            if (last) return Fail(out, "Error: precision not specified\n");
            if (!ConvertInt(value, s.precision) || s.precision <= 0)
                return Fail(out, "Error: precision must be an integer > 0\n");
            break;
        case Option::Merge:
            // "vslue" is the message's historic spelling, kept verbatim: scripts match on it.
            if (last) return Fail(out, "Error: peak merge vslue not specified\n");
            if (!ConvertReal(value, s.merge) || s.merge < 0) return Fail(out, "Error: peak merge must be >= 0\n");
            s.mergeGiven = true;
            break;
        }
    }
    if (n > 0 && FindOption(words[0]) == Option::None) s.tablefile = words[0];
    return 0;
}

}  // namespace morvane
