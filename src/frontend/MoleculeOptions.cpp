#include "frontend/MoleculeOptions.h"

#include <cstring>
#include <string>

#include "core/Status.h"

namespace morvane {

int TakeMoleculeOptions(std::vector<char*>& words, const char* sequenceWord, MoleculeOptions& m, std::ostream& err)
{
    std::vector<char*> rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char* w = words[i];
        const bool enrichment = std::strcmp(w, "--enrichment") == 0, fixed = std::strcmp(w, "--fixed") == 0;
        if (std::strcmp(w, sequenceWord) == 0) {
            m.sequences = true;
            continue;
        }
        if (!enrichment && !fixed) {
            rest.push_back(words[i]);
            continue;
        }
        if (i + 1 == words.size()) {
            err << "Error: " << (enrichment ? "enrichment" : "fixed modification") << " not specified\n";
            return OPTION_ERROR_STATUS;
        }
        const char* value = words[++i];
        std::string reason;
        if (fixed) {
            m.fixedWords.push_back(value);
        } else if (!ParseEnrichment(value, m.enrichment, reason)) {
            err << "Error: " << reason << "\n";
            return OPTION_ERROR_STATUS;
        }
    }
    words.swap(rest);
    return 0;
}

int ResolveMoleculeOptions(MoleculeOptions& m, const std::deque<AtomIsoAbun>& table, std::ostream& err)
{
    std::string reason;
    if (!CheckEnrichment(m.enrichment, table, reason)) {
        err << "Error: " << reason << "\n";
        return OPTION_ERROR_STATUS;
    }
    m.fixed.clear();
    for (const char* word : m.fixedWords) {
        FixedMod mod;
        if (!ParseFixedMod(word, table, mod, reason)) {
            err << "Error: " << reason << "\n";
            return OPTION_ERROR_STATUS;
        }
        m.fixed.push_back(mod);
    }
    return 0;
}

void ApplyMoleculeOptions(const MoleculeOptions& m, PatternSettings& s)
{
    s.sequence = m.sequences;
    s.enrichment = m.enrichment.empty() ? nullptr : &m.enrichment;
    s.fixed = m.fixed.empty() ? nullptr : &m.fixed;
}

}  // namespace morvane
