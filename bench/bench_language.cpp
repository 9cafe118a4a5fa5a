// The cost of reading molecules: tryptic peptides given as ProForma
// sequences against the same peptides given as formulas, beside the whole
// pattern of each. The peptides are tools/make_batch_formulas.py's (fixed
// seed), 100,000 of them as morvane-batch's benchmark input.
//
//   build/bench/morvane_language_bench
//
// Counters: items_per_second; the parse's share of the batch's time is the
// parse's time per peptide over the pattern's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "formula/AtomCounts.h"
#include "formula/FormulaLanguage.h"
#include "formula/ProForma.h"

using namespace morvane;

namespace {

struct Peptides {
    std::vector<std::string> sequences;
    std::vector<std::string> formulas;
};

const Peptides& TrypticPeptides()
{
    static const Peptides p = [] {
        Peptides out;
        const std::string command =
            std::string("python3 ") + MORVANE_SOURCE_DIR + "/tools/make_batch_formulas.py peptides 100000";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) std::abort();
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            const std::size_t tab = text.find('\t');
            out.sequences.push_back(text.substr(0, tab));
            out.formulas.push_back(text.substr(tab + 1));
        }
        if (pclose(pipe) != 0 || out.sequences.empty()) std::abort();
        return out;
    }();
    return p;
}

const std::deque<AtomIsoAbun>& Table()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::string reason;
        if (LoadIsotopeTable(std::string(MORVANE_SOURCE_DIR) + "/morvanetable.txt", t, reason) != 0) std::abort();
        return t;
    }();
    return table;
}

// Calls once(text) for each text in turn, one per iteration.
template <class Once>
void EachInTurn(benchmark::State& state, const std::vector<std::string>& texts, const Once& once)
{
    std::size_t i = 0;
    for (auto _ : state) {
        once(texts[i]);
        i = (i + 1) % texts.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void ParseFormulas(benchmark::State& state)
{
    std::string reason;
    EachInTurn(state, TrypticPeptides().formulas, [&](const std::string& formula) {
        MolComposition comp;
        benchmark::DoNotOptimize(ParseFrontEndFormula(formula, Table(), nullptr, comp, reason));
    });
}

void ParseSequences(benchmark::State& state)
{
    const std::vector<FixedMod> none;
    std::string reason;
    EachInTurn(state, TrypticPeptides().sequences, [&](const std::string& sequence) {
        MolComposition comp;
        int charge = 0;
        benchmark::DoNotOptimize(SequenceComposition(sequence, Table(), none, nullptr, comp, charge, reason));
    });
}

// The sequences' reading alone, without making the composition.
void ReadSequences(benchmark::State& state)
{
    const std::vector<FixedMod> none;
    std::string reason;
    EachInTurn(state, TrypticPeptides().sequences, [&](const std::string& sequence) {
        AtomCounts counts;
        int charge = 0;
        benchmark::DoNotOptimize(ReadSequence(sequence, Table(), none, counts, charge, reason));
    });
}

// The whole pattern of each peptide as morvane-batch calculates it.
void Patterns(benchmark::State& state, bool sequences)
{
    const Peptides& p = TrypticPeptides();
    PatternSettings s;
    s.threads = 1;
    s.sequence = sequences;
    EachInTurn(state, sequences ? p.sequences : p.formulas,
               [&](const std::string& text) { benchmark::DoNotOptimize(CalculatePattern(Table(), text, s)); });
}

}  // namespace

BENCHMARK(ParseFormulas);
BENCHMARK(ParseSequences);
BENCHMARK(ReadSequences);
BENCHMARK_CAPTURE(Patterns, formulas, false);
BENCHMARK_CAPTURE(Patterns, sequences, true);
BENCHMARK_MAIN();
