#include "app/Options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char* const OPTION_WORDS[] = {"-n", "-f", "-c", "-mtz", "-z", "-t", "-p", "-r"};

bool IsOptionWord(const char* w)
{
    for (const char* o : OPTION_WORDS)
        if (std::strcmp(w, o) == 0) return true;
    return false;
}

// A real number as strtod reads it, the whole word consumed and not NaN.
bool ConvertReal(const char* w, double& value)
{
    char* end = nullptr;
    const double v = std::strtod(w, &end);
    if (*end != '\0' || std::isnan(v)) return false;
    value = v;
    return true;
}

int Fail(std::ostream& out, const char* message)
{
    out << message;
    return 5;
}

}  // namespace

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
        const char* w = words[i];
        const bool last = i == n - 1;
        const char* value = last ? nullptr : words[i + 1];
        if (std::strcmp(w, "-n") == 0) {
            s.normalize = true;
        } else if (std::strcmp(w, "-f") == 0) {
            if (last) return Fail(out, "Error: filter value not given\n");
            if (!ConvertReal(value, s.filter) || s.filter >= 100 || s.filter < 0)
                return Fail(out, "Error: filter must be between 0 and 100\n");
            s.normalize = true;
        } else if (std::strcmp(w, "-c") == 0) {
            s.comma = true;
        } else if (std::strcmp(w, "-mtz") == 0 || std::strcmp(w, "-z") == 0) {
            if (std::strcmp(w, "-mtz") == 0) s.masstocharge = true;
            if (last) return Fail(out, "Error: charge not specified\n");
            if (!ConvertInt(value, s.charge)) return Fail(out, "Error: charge must be integer\n");
        } else if (std::strcmp(w, "-t") == 0) {
            if (last) return Fail(out, "Error: threshold not specified\n");
            if (!ConvertReal(value, s.threshold) || s.threshold >= 1 || s.threshold < 0)
                return Fail(out, "Error: threshold must be between 0 and 1\n");
        } else if (std::strcmp(w, "-p") == 0) {
            if (last) return Fail(out, "Error: precision not specified\n");
            if (!ConvertInt(value, s.precision) || s.precision <= 0)
                return Fail(out, "Error: precision must be an integer > 0\n");
        } else if (std::strcmp(w, "-r") == 0) {
            if (last) return Fail(out, "Error: peak merge vslue not specified\n");
            if (!ConvertReal(value, s.merge) || s.merge < 0) return Fail(out, "Error: peak merge must be >= 0\n");
        }
    }
    if (n > 0 && !IsOptionWord(words[0])) s.tablefile = words[0];
    return 0;
}
