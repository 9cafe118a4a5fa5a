#ifndef MORVANE_FRONTEND_FRONTENDWORDS_H
#define MORVANE_FRONTEND_FRONTENDWORDS_H

#include <ostream>
#include <vector>

namespace morvane {

// The command lines of morvane-batch and morvane-plot, which unlike
// morvane's (whose words it does not know it ignores) refuse what they do
// not understand.

// An option a front-end knows: its word, and whether a value word follows.
struct KnownOption {
    const char* word;
    bool takesValue;
};

// morvane's options as the front-ends read them: -z, -mtz, -n, -f, -t, -p,
// -r, -c.
extern const std::vector<KnownOption> MORVANE_OPTIONS;

// Sorts a front-end's words before its option scans. An option of the form
// "--opt=value" becomes the two words "--opt" and "value" (the word is cut
// where it stands, so the words must be writable, as argv's are). The words
// that are neither an option nor an option's value (a formula, a table
// file) move, in order, from `words` to `plain`. An option whose value is
// missing (the next word is a known option) goes last, for its own scan to
// report. Returns 0, or 5 after
// writing the message to `err` for a word that starts with '-' (other than
// "-" itself) and is no option of `known` (the closest one is named), or
// for "=value" after an option that takes none.
int SortFrontEndWords(std::vector<char*>& words, const std::vector<KnownOption>& known, std::vector<char*>& plain,
                      std::ostream& err);

}  // namespace morvane

#endif
