// Hostile input to all three programs, one case per line of
// tests/data/hostile_inputs.txt. Each run ends with the status the case
// expects (none by a signal), leaves no file in its TMPDIR or beside its
// output, and a successful run's numbers are sound: the rows parse, a
// pattern's abundances sum to at most 1, a picture's heights to at most 100
// percent, and where the case names a reference run the peaks are the same.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// One run: the program, its standard input (batch only) and arguments.
struct Invocation {
    std::string tool;  // morvane, batch or plot
    std::string input;
    std::vector<std::string> args;
};

struct Case {
    int line = 0;
    std::string text;
    int status = 0;
    Invocation run;
    bool haveReference = false;
    Invocation reference;  // after "==": a run that prints the same peaks
};

// {N*text} in a word of the data file stands for text N times over.
std::string Expand(const std::string& w)
{
    const std::size_t open = w.find('{'), star = w.find('*', open), close = w.find('}', star);
    if (open == std::string::npos || star == std::string::npos || close == std::string::npos) return w;
    const std::string text = w.substr(star + 1, close - star - 1);
    std::string repeated;
    for (int n = std::stoi(w.substr(open + 1, star - open - 1)); n > 0; --n) repeated += text;
    return w.substr(0, open) + repeated + Expand(w.substr(close + 1));
}

// A word of the data file, {N*text} expanded: \n \r \t \s (space) \0 \\ and
// \xHH stand for their bytes, \e alone for the empty word.
std::string Unescape(const std::string& word)
{
    if (word == "\\e") return "";
    const std::string w = Expand(word);
    std::string out;
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (w[i] != '\\' || i + 1 == w.size()) {
            out += w[i];
            continue;
        }
        const char c = w[++i];
        if (c == 'x' && i + 2 < w.size()) {
            out += static_cast<char>(std::stoi(w.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 's' ? ' ' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

// "tool [in:INPUT] words..." from `words`, starting at `i`, up to "==".
Invocation ReadInvocation(const std::vector<std::string>& words, std::size_t& i)
{
    Invocation r;
    r.tool = words.at(i++);
    if (i < words.size() && words[i].rfind("in:", 0) == 0) r.input = Unescape(words[i++].substr(3));
    for (; i < words.size() && words[i] != "=="; ++i) r.args.push_back(Unescape(words[i]));
    return r;
}

std::vector<Case> ReadCases()
{
    std::ifstream in(std::string(MORVANE_SOURCE_DIR) + "/tests/data/hostile_inputs.txt");
    std::vector<Case> cases;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::vector<std::string> words;
        for (std::string w; s >> w;) words.push_back(w);
        Case c;
        c.line = n;
        c.text = line;
        std::size_t i = 1;
        c.status = std::stoi(words.at(1));
        std::swap(words[0], words[1]);  // the tool where the invocation starts
        c.run = ReadInvocation(words, i);
        if (i < words.size()) {
            c.haveReference = true;
            c.reference = ReadInvocation(words, ++i);
        }
        cases.push_back(c);
    }
    return cases;
}

std::string Executable(const std::string& tool)
{
    if (tool == "morvane") return MORVANE_EXE;
    if (tool == "batch") return MORVANE_BATCH_EXE;
    if (tool == "plot") return MORVANE_PLOT_EXE;
    ADD_FAILURE() << "unknown program " << tool;
    return "/bin/false";
}

std::string FreshDir()
{
    char tmpl[] = "/tmp/morvane-hostile-XXXXXX";
    return mkdtemp(tmpl) != nullptr ? tmpl : "";
}

std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

void RemoveDir(const std::string& dir)
{
    for (const std::string& name : Entries(dir)) unlink((dir + "/" + name).c_str());
    rmdir(dir.c_str());
}

// The run's directories: its TMPDIR and the folder its output goes to
// (@OUT in the arguments).
struct Dirs {
    std::string tmp = FreshDir(), out = FreshDir();
    ~Dirs()
    {
        RemoveDir(tmp);
        RemoveDir(out);
    }
};

std::vector<std::string> Arguments(const Invocation& inv, const Dirs& dirs)
{
    std::vector<std::string> args;
    bool output = false;
    for (std::string a : inv.args) {
        for (std::size_t at = a.find("@OUT"); at != std::string::npos; at = a.find("@OUT"))
            a.replace(at, 4, dirs.out);
        output = output || a == "-o";
        args.push_back(a);
    }
    if (inv.tool == "plot" && !output) args.insert(args.end(), {"-o", dirs.out + "/p.svg"});
    return args;
}

RunResult Run(const Invocation& inv, const Dirs& dirs)
{
    return RunProgram(Executable(inv.tool), Arguments(inv, dirs), RunInput{inv.input, dirs.tmp});
}

// The fields of a row of a table, tab-separated or CSV (quoted where needed).
std::vector<std::string> Fields(const std::string& row)
{
    const char sep = row.find('\t') != std::string::npos ? '\t' : ',';
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : row) {
        if (c == '"' && sep == ',') quoted = !quoted;
        else if (c == sep && !quoted) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

bool IsNumber(const std::string& s, double& v)
{
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && std::isfinite(v);
}

bool Has(const std::vector<std::string>& args, const std::string& word)
{
    for (const std::string& a : args)
        if (a == word || a.rfind(word + "=", 0) == 0) return true;
    return false;
}

// The peaks of a table as "position abundance" lines, each pattern's rows
// under its number (from 1, in table order); checks that every row has the
// header's columns and numbers where the peaks are.
std::map<std::string, std::vector<std::string>> BatchPeaks(const std::string& table, const Case& c)
{
    std::istringstream in(table);
    std::string row;
    std::getline(in, row);
    const std::vector<std::string> header = Fields(row);
    std::size_t peak = header.size(), position = header.size(), abundance = header.size();
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == "peak") peak = i;
        if (header[i] == "mass" || header[i] == "mz") position = i;
        if (header[i] == "abundance") abundance = i;
    }
    std::map<std::string, std::vector<std::string>> peaks;
    int patterns = 0;
    while (std::getline(in, row)) {
        const std::vector<std::string> f = Fields(row);
        EXPECT_EQ(f.size(), header.size()) << c.line << ": " << row;
        if (f.size() != header.size() || peak == header.size() || abundance == header.size()) continue;
        double m = 0, a = 0;
        EXPECT_TRUE(IsNumber(f[position], m) && IsNumber(f[abundance], a)) << c.line << ": " << row;
        if (f[peak] == "1") ++patterns;  // a pattern starts at its peak 1
        peaks[std::to_string(patterns)].push_back(f[position] + " " + f[abundance]);
    }
    return peaks;
}

std::map<std::string, std::vector<std::string>> MorvanePeaks(const std::string& table, const Case& c)
{
    std::istringstream in(table);
    std::map<std::string, std::vector<std::string>> peaks;
    for (std::string row; std::getline(in, row);) {
        const std::vector<std::string> f = Fields(row);
        double m = 0, a = 0;
        EXPECT_TRUE(f.size() == 2 && IsNumber(f[0], m) && IsNumber(f[1], a)) << c.line << ": " << row;
        if (f.size() == 2) peaks[""].push_back(f[0] + " " + f[1]);
    }
    return peaks;
}

// Abundances of each pattern: non-negative, summing to at most 1 (beyond
// the rounding of the printed digits), or with -n or -f at most 100 each.
void CheckAbundances(const std::map<std::string, std::vector<std::string>>& peaks, const Case& c)
{
    const bool percent = Has(c.run.args, "-n") || Has(c.run.args, "-f");
    int digits = 8;
    for (std::size_t i = 0; i + 1 < c.run.args.size(); ++i)
        if (c.run.args[i] == "-p") digits = std::min(std::atoi(c.run.args[i + 1].c_str()), 17);
    const double rounding = 1e-9 + 5 * std::pow(10.0, -digits);
    for (const auto& pattern : peaks) {
        double total = 0;
        for (const std::string& p : pattern.second) {
            const double a = std::strtod(p.substr(p.find(' ') + 1).c_str(), nullptr);
            EXPECT_GE(a, 0) << c.line;
            total += a;
            EXPECT_LE(a, percent ? 100 + 1e-9 : 1 + 1e-9) << c.line << ": " << p;
        }
        EXPECT_LE(percent ? 0 : total, 1 + rounding) << c.line << ": pattern " << pattern.first;
    }
}

// A picture: a whole SVG document, every stick at a finite position and a
// height from 0 to 100 percent; or, asked for by name, a PNG or PDF whole
// to its end.
void CheckPicture(const std::string& svg, const Case& c)
{
    if (svg.rfind("\x89PNG\r\n\x1a\n", 0) == 0) {
        EXPECT_NE(svg.find("IEND"), std::string::npos) << c.line;
        return;
    }
    if (svg.rfind("%PDF-", 0) == 0) {
        EXPECT_NE(svg.find("%%EOF"), std::string::npos) << c.line;
        return;
    }
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u) << c.line;
    ASSERT_GE(svg.size(), 7u) << c.line;
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n") << c.line;
    for (std::size_t at = svg.find("=\""); at != std::string::npos; at = svg.find("=\"", at + 1)) {
        const std::string value = svg.substr(at + 2, svg.find('"', at + 2) - at - 2);
        EXPECT_TRUE(value.find("nan") == std::string::npos && value.find("inf") == std::string::npos)
            << c.line << ": " << value.substr(0, 100);
    }
    const std::regex stick("data-position=\"([^\"]*)\" data-height=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), stick); it != std::sregex_iterator(); ++it) {
        double m = 0, h = 0;
        EXPECT_TRUE(IsNumber((*it)[1].str(), m) && IsNumber((*it)[2].str(), h)) << c.line << ": " << (*it)[0];
        EXPECT_TRUE(h >= 0 && h <= 100 + 1e-9) << c.line << ": " << (*it)[0];
    }
}

std::map<std::string, std::vector<std::string>> Peaks(const std::string& tool, const std::string& table, const Case& c)
{
    return tool == "batch" ? BatchPeaks(table, c) : MorvanePeaks(table, c);
}

// The name of the file the run writes in its output folder, if any.
std::string OutputName(const std::vector<std::string>& args, const Dirs& dirs)
{
    std::string name;  // the last -o counts
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o" && args[i + 1].rfind(dirs.out + "/", 0) == 0)
            name = args[i + 1].substr(dirs.out.size() + 1);
    return name;
}

void CheckSuccess(const Case& c, const RunResult& r, const Dirs& dirs, const std::string& output)
{
    if (c.run.tool == "plot") {
        CheckPicture(ReadFile(dirs.out + "/" + output), c);
        return;
    }
    const std::string table = output.empty() ? r.out : ReadFile(dirs.out + "/" + output);
    EXPECT_EQ(table.find('\0'), std::string::npos) << c.line << ": a NUL byte in the table";
    const auto peaks = Peaks(c.run.tool, table, c);
    CheckAbundances(peaks, c);
    if (!c.haveReference) return;
    const Dirs other;
    const RunResult ref = Run(c.reference, other);
    ASSERT_EQ(ref.status, 0) << c.line << ": the reference run failed";
    std::vector<std::string> mine, theirs;
    for (const auto& p : peaks) mine.insert(mine.end(), p.second.begin(), p.second.end());
    for (const auto& p : Peaks(c.reference.tool, ref.out, c))
        theirs.insert(theirs.end(), p.second.begin(), p.second.end());
    EXPECT_EQ(mine, theirs) << c.line << ": " << c.text;
}

void CheckCase(const Case& c)
{
    const Dirs dirs;
    const RunResult r = Run(c.run, dirs);
    EXPECT_LT(r.status, 128) << c.line << ": " << c.text;
    EXPECT_EQ(r.status, c.status) << c.line << ": " << c.text << "\n" << r.out.substr(0, 300) << r.err.substr(0, 300);
    EXPECT_TRUE(Entries(dirs.tmp).empty()) << c.line << ": a file left in TMPDIR";
    const std::string output = OutputName(Arguments(c.run, dirs), dirs);
    for (const std::string& name : Entries(dirs.out))
        EXPECT_TRUE(name == output && (r.status == 0 || c.run.tool == "batch")) << c.line << ": " << name << " left";
    const bool help = Has(c.run.args, "--help") || Has(c.run.args, "--version");
    EXPECT_TRUE(!help || Entries(dirs.out).empty()) << c.line << ": a file written with --help or --version";
    if (r.status == 0 && c.status == 0 && !help) CheckSuccess(c, r, dirs, output);
}

TEST(HostileSuite, EveryCaseEndsAsExpected)
{
    const std::vector<Case> cases = ReadCases();
    ASSERT_GE(cases.size(), 300u);
    for (const Case& c : cases) CheckCase(c);
}

}  // namespace
