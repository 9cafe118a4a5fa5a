#include "frontend/ToolInfo.h"

#include <cstring>

namespace morvane {

const char* ToolVersion() { return MORVANE_VERSION; }

bool AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* usage, std::ostream& out)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            out << usage;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            out << program << " " << ToolVersion() << "\n";
            return true;
        }
    }
    return false;
}

}  // namespace morvane
