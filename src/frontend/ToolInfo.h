#ifndef MORVANE_FRONTEND_TOOLINFO_H
#define MORVANE_FRONTEND_TOOLINFO_H

#include <ostream>

namespace morvane {

// The project's version, as the usage text and the manual pages show it.
const char* ToolVersion();

// Answers the words --help (the usage text) and --version ("<program>
// <version>"), wherever one stands on the command line, on `out`. Returns
// true when it answered; the run then ends with status 0.
bool AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* usage, std::ostream& out);

}  // namespace morvane

#endif
