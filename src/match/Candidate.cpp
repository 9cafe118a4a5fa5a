#include "Candidate.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace morvane {

namespace {

// One charge of a range: an integer, not 0, within MAX_MATCH_CHARGE.
bool ReadCharge(const std::string& word, int& charge)
{
    if (word.empty() || word.size() > 4) return false;
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || value == 0 || value > MAX_MATCH_CHARGE || value < -MAX_MATCH_CHARGE) return false;
    charge = static_cast<int>(value);
    return true;
}

// "z=N" or "z=A..B".
bool ReadChargeRange(const std::string& word, Candidate& c, std::string& reason)
{
    const std::string body = word.substr(2);
    const std::size_t dots = body.find("..");
    int a = 0, b = 0;
    const bool read = dots == std::string::npos ? ReadCharge(body, a) && ReadCharge(body, b)
                                                : ReadCharge(body.substr(0, dots), a) && ReadCharge(body.substr(dots + 2), b);
    if (!read || (a > 0) != (b > 0)) {
        reason = "charge " + word + ": write z=N or z=A..B, charges of one sign from 1 to " +
                 std::to_string(MAX_MATCH_CHARGE) + " in size";
        return false;
    }
    c.minCharge = a < b ? a : b;
    c.maxCharge = a < b ? b : a;
    return true;
}

}  // namespace

bool ParseCandidate(const std::string& text, bool sequence, Candidate& candidate, std::string& reason)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) {
        reason = "empty candidate";
        return false;
    }
    if (words.size() > 2) {
        reason = "candidate '" + text + "': write the molecule, then at most one adduct or charge range";
        return false;
    }
    Candidate c;
    c.text = text;
    c.molecule = words[0];
    c.sequence = sequence;
    if (words.size() == 2) {
        const std::string& w = words[1];
        if (w.compare(0, 2, "z=") == 0) {
            if (!ReadChargeRange(w, c, reason)) return false;
        } else if (w.front() == '[') {
            c.adduct = w;
        } else {
            reason = "candidate '" + text + "': '" + w + "' is neither an adduct ([M+H]+) nor a charge (z=2, z=1..10)";
            return false;
        }
        if (sequence && c.molecule.find('/') != std::string::npos) {
            reason = "candidate '" + text + "': the sequence's suffix already sets its charge";
            return false;
        }
    }
    candidate = c;
    return true;
}

}  // namespace morvane
