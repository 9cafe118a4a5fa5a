#include "frontend/FrontEndWords.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/EditDistance.h"
#include "core/Status.h"

namespace morvane {

namespace {

const KnownOption* Find(const std::vector<KnownOption>& known, const char* word)
{
    for (const KnownOption& o : known)
        if (std::strcmp(o.word, word) == 0) return &o;
    return nullptr;
}

bool IsOptionWord(const char* w) { return w[0] == '-' && w[1] != '\0'; }
bool IsLong(const char* w) { return std::strncmp(w, "--", 2) == 0; }

// Whether `w` is a known option, also as --opt=value.
bool IsKnownOption(const std::vector<KnownOption>& known, const char* w)
{
    const char* eq = IsLong(w) ? std::strchr(w, '=') : nullptr;
    return Find(known, (eq != nullptr ? std::string(w, eq) : std::string(w)).c_str()) != nullptr;
}

// The known option nearest to `word`, a long one for a long word (a short
// one for a short word) where there is one.
const char* Closest(const std::vector<KnownOption>& known, const std::string& word)
{
    const KnownOption* best = nullptr;
    for (const KnownOption& o : known) {
        const bool sameKind = IsLong(o.word) == IsLong(word.c_str());
        const bool bestSameKind = best != nullptr && IsLong(best->word) == IsLong(word.c_str());
        if (best == nullptr || (sameKind && !bestSameKind) ||
            (sameKind == bestSameKind && EditDistance(word, o.word) < EditDistance(word, best->word)))
            best = &o;
    }
    return best->word;
}

}  // namespace

const std::vector<KnownOption> MORVANE_OPTIONS = {{"-z", true},  {"-mtz", true}, {"-n", false}, {"-f", true},
                                                  {"-t", true},  {"-p", true},   {"-r", true},  {"-c", false}};

int SortFrontEndWords(std::vector<char*>& words, const std::vector<KnownOption>& known, std::vector<char*>& plain,
                      std::ostream& err)
{
    std::vector<char*> sorted, valueless;
    for (std::size_t i = 0; i < words.size(); ++i) {
        char* w = words[i];
        if (!IsOptionWord(w)) {
            plain.push_back(w);
            continue;
        }
        char* value = IsLong(w) ? std::strchr(w, '=') : nullptr;
        const std::string name = value != nullptr ? std::string(w, value) : std::string(w);
        const KnownOption* option = Find(known, name.c_str());
        if (option == nullptr) {
            err << "Error: unknown option " << name << " (did you mean " << Closest(known, name) << "?)\n";
            return OPTION_ERROR_STATUS;
        }
        if (value != nullptr && !option->takesValue) {
            err << "Error: " << name << " takes no value\n";
            return OPTION_ERROR_STATUS;
        }
        if (value != nullptr) {
            *value = '\0';
            sorted.push_back(w);
            sorted.push_back(value + 1);
            continue;
        }
        if (!option->takesValue) {
            sorted.push_back(w);
        } else if (i + 1 < words.size() && !IsKnownOption(known, words[i + 1])) {
            sorted.push_back(w);
            sorted.push_back(words[++i]);
        } else {
            valueless.push_back(w);
        }
    }
    // An option whose value is missing goes last, where its scan says so.
    sorted.insert(sorted.end(), valueless.begin(), valueless.end());
    words.swap(sorted);
    return 0;
}

}  // namespace morvane
