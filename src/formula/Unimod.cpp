#include "formula/Unimod.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "core/EditDistance.h"

namespace morvane {

namespace {

// data/unimod.tsv's lines without comments and masses, as a raw string
// literal made at build time by cmake/EmbedUnimod.cmake.
const char UNIMOD_TSV[] =
#include "UnimodTable.inc"
    ;

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The fields of one tab-separated line.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// The table's lines: accession, name, delta.
std::vector<UnimodMod> ReadTable()
{
    std::vector<UnimodMod> mods;
    const std::string_view text(UNIMOD_TSV);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        const std::vector<std::string_view> f = Fields(line);
        if (f.size() != 3) continue;
        UnimodMod m;
        m.accession = std::atoi(std::string(f[0]).c_str());
        m.name = f[1];
        m.delta = f[2];
        mods.push_back(std::move(m));
    }
    return mods;
}

// The modifications with their names indexed, exactly and in lower case
// (the first, lowest accession, of a name kept), and their names in lower
// case in the table's order.
struct Index {
    std::vector<UnimodMod> mods = ReadTable();
    std::vector<std::string> lowerNames;
    std::unordered_map<std::string, const UnimodMod*> byName, byLowerName;
    Index()
    {
        for (const UnimodMod& m : mods) {
            lowerNames.push_back(Lower(m.name));
            byName.emplace(m.name, &m);
            byLowerName.emplace(lowerNames.back(), &m);
        }
    }
};

const Index& TheIndex()
{
    static const Index index;
    return index;
}

}  // namespace

const std::vector<UnimodMod>& UnimodMods() { return TheIndex().mods; }

const UnimodMod* FindUnimodName(std::string_view name)
{
    const Index& index = TheIndex();
    const auto exact = index.byName.find(std::string(name));
    if (exact != index.byName.end()) return exact->second;
    const auto folded = index.byLowerName.find(Lower(name));
    return folded != index.byLowerName.end() ? folded->second : nullptr;
}

const UnimodMod* FindUnimodAccession(std::string_view number)
{
    if (number.empty() || number.size() > 9 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return nullptr;
    const int accession = std::atoi(std::string(number).c_str());
    const std::vector<UnimodMod>& mods = UnimodMods();
    const auto it = std::lower_bound(mods.begin(), mods.end(), accession,
                                     [](const UnimodMod& m, int a) { return m.accession < a; });
    return it != mods.end() && it->accession == accession ? &*it : nullptr;
}

std::vector<std::string> ClosestUnimodNames(std::string_view name, std::size_t count)
{
    if (name.size() > CLOSEST_NAME_LENGTH) return {};
    const Index& index = TheIndex();
    const WordDistance from(Lower(name));
    // The nearest so far, nearest first; of equal distances the lowest
    // accession, which comes first in the table.
    std::vector<std::pair<std::size_t, std::size_t>> best;
    for (std::size_t i = 0; i < index.mods.size(); ++i) {
        const std::size_t d = from.To(index.lowerNames[i]);
        if (best.size() == count && (count == 0 || d >= best.back().first)) continue;
        if (best.size() == count) best.pop_back();
        const auto at = std::upper_bound(best.begin(), best.end(), d,
                                         [](std::size_t v, const auto& entry) { return v < entry.first; });
        best.insert(at, {d, i});
    }
    std::vector<std::string> names;
    for (const auto& entry : best) names.push_back(index.mods[entry.second].name);
    return names;
}

}  // namespace morvane
