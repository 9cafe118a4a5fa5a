// morvane-match as a user meets it: whole output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// The peptide C42H69N11O14 as [M+2H]2+ at 60,000 @ 200 (morvane-batch's
// centroids, scaled to 1e5), and a stray peak.
const char* const SPECTRUM =
    "m/z,intensity\n"
    "476.7585494,100000\n477.2600363,50838.9\n477.7613503,15546.7\n478.2626275,3524.51\n"
    "478.7638748,649.179\n700.1,3\n";

RunResult Match(std::vector<std::string> args, const std::string& spectrum = SPECTRUM)
{
    TempFile file(spectrum, "spectrum.csv");
    args.insert(args.begin(), file.path());
    return RunProgram(MORVANE_MATCH_EXE, args, RunInput{});
}

}  // namespace

TEST(MatchCli, FindsTheChargeAndScoresTheDecoy)
{
    const RunResult r = Match({"C42H69N11O14 z=1..4", "C42H70N11O14 z=2", "--resolution", "60000"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "candidate\tion\tcharge\tscore\tcosine\twasserstein\texplained\tmono_ppm\trms_ppm\tfound\texpected\t"
              "runner_up_charge\trunner_up_score\n"
              "C42H69N11O14 z=1..4\t[M+2H]2+\t2\t0.9999997\t1\t2.6689672e-07\t0.9999997\t-9.006781e-05\t"
              "7.7836728e-05\t4\t4\t1\t0\n"
              "C42H70N11O14 z=2\t[M+2H]2+\t2\t0.1025139\t0.46180213\t0.50396599\t0.38402054\t-5.0824424\t5.2348777\t"
              "3\t4\t\t\n");
    for (const char* threads : {"1", "3"})
        EXPECT_EQ(Match({"C42H69N11O14 z=1..4", "C42H70N11O14 z=2", "--resolution", "60000", "-j", threads}).out, r.out);
}

TEST(MatchCli, PeaksAsCsv)
{
    const RunResult r = Match({"C42H69N11O14", "--resolution=60000", "--charges", "1..3", "--peaks", "--csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "candidate,ion,charge,theoretical_mz,observed_mz,ppm,theoretical,observed,found\n"
              "C42H69N11O14,[M+2H]2+,2,476.75855,476.75855,-9.006781e-05,100,100,yes\n"
              "C42H69N11O14,[M+2H]2+,2,477.26004,477.26004,-5.737021e-05,50.8389,50.8389,yes\n"
              "C42H69N11O14,[M+2H]2+,2,477.76135,477.76135,2.8188074e-05,15.54665,15.5467,yes\n"
              "C42H69N11O14,[M+2H]2+,2,478.26263,478.26263,-0.0001045259,3.5245076,3.52451,yes\n");
}

TEST(MatchCli, MixtureAndAFailingCandidate)
{
    const RunResult r = Match({"C6Xx", "C42H69N11O14 z=2", "C42H68N10O15 z=2", "--fwhm", "0.01", "--mixture"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "C6Xx: unknown element symbol 'Xx' at position 3\n");
    EXPECT_NE(r.out.find("\tproportion\tuncertainty\n"), std::string::npos);
    EXPECT_NE(r.out.find("\t0.99807086\t0.0053610107\n"), std::string::npos) << r.out;
}

TEST(MatchCli, RefusesBadOptionsAndInput)
{
    struct Case {
        std::vector<std::string> args;
        std::string spectrum;
        int status;
        std::string err;
    } cases[] = {
        {{"C6H12O6", "--resolutoin", "6"}, SPECTRUM, 5, "Error: unknown option --resolutoin (did you mean --resolution?)\n"},
        {{"C6H12O6"}, SPECTRUM, 5,
         "Error: the spectrum's resolution is needed: --resolution R[@m0] (--analyzer) or --fwhm W, or profile data "
         "(--profile-data) to estimate it from\n"},
        {{"C6H12O6", "--fwhm", "0.01", "--fit-enrichment", "C"}, SPECTRUM, 5,
         "Error: --fit-enrichment must be an isotope label, such as 13C, 15N or 2H\n"},
        {{"C6H12O6", "--fwhm", "0.01", "--fit-enrichment", "13C", "--lowest-enrichment", "1"}, SPECTRUM, 5,
         "Error: --lowest-enrichment must be a fraction above 0 and below 1\n"},
        {{"C6H12O6", "--fwhm", "0.01", "--fit-enrichment", "13C", "--peaks"}, SPECTRUM, 5,
         "Error: --fit-enrichment writes rows of its own: leave out --peaks and --mixture\n"},
        {{"C6H12O6", "--profile-data", "--analyzer", "quadrupole"}, SPECTRUM, 5,
         "Error: analyzer must be tof, orbitrap or fticr\n"},
        {{"C6H12O6", "--profile-data"}, SPECTRUM, 1,
         ": the profile has 0 clean peaks, too few to estimate the resolution from (3 are needed): give "
         "--resolution or --fwhm\n"},
        {{"--fwhm", "0.01"}, SPECTRUM, 5, "Error: no candidate given: name them after the spectrum, or in a file with -f\n"},
        {{"C6H12O6", "--fwhm", "0.01", "--ppm", "-3"}, SPECTRUM, 5, "Error: --ppm must be a number from 0.001 to 10000\n"},
        {{"C6H12O6", "--fwhm", "0.01", "-j", "0"}, SPECTRUM, 5, "Error: -j must be a number of threads from 1 to 1024\n"},
        {{"C6H12O6", "--fwhm", "0.01", "--charges", "0..2"}, SPECTRUM, 5,
         "Error: --charges must be N or A..B, charges of one sign from 1 to 100 in size\n"},
        {{"C6H12O6", "--fwhm", "0.01"}, "500 1\n501 nan\n", 1, "peak 2: intensity must be a finite number of at least 0\n"},
        {{"C6H12O6", "--fwhm", "0.01"}, "500 1\n501 -1\n", 1, "peak 2: intensity must be a finite number of at least 0\n"},
        {{"C6H12O6", "--fwhm", "0.01"}, "", 1, "the spectrum has no peak of intensity above 0\n"},
    };
    for (const Case& c : cases) {
        const RunResult r = Match(c.args, c.spectrum);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.out, "");
        if (c.status == 5) EXPECT_EQ(r.err, c.err);
        else EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

TEST(MatchCli, EachScanIsForARunAndNotWithOneScan)
{
    const std::string onlyRuns = "Error: --each-scan needs an mzML or mzXML run\n";
    const RunResult peaks = Match({"C6H12O6", "--fwhm", "0.01", "--each-scan"});
    EXPECT_EQ(peaks.status, 5);
    EXPECT_EQ(peaks.out, "");
    EXPECT_EQ(peaks.err, onlyRuns);
    const std::vector<std::string> single[] = {{"--scan", "3"}, {"--native-id", "scan=7"}, {"--rt=30"}};
    for (const std::vector<std::string>& one : single) {
        std::vector<std::string> args = {"run.mzML", "C6H12O6", "--each-scan", "--fwhm", "0.01"};
        args.insert(args.end(), one.begin(), one.end());
        const RunResult r = RunProgram(MORVANE_MATCH_EXE, args, RunInput{});
        EXPECT_EQ(r.status, 5);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Error: --each-scan takes every MS1 scan, or those of --rt-range A..B: not " +
                             one[0].substr(0, one[0].find('=')) + "\n");
    }
    const RunResult missing = RunProgram(MORVANE_MATCH_EXE, {"run.mzML", "C6H12O6", "--each-scan", "--fwhm", "0.01"}, RunInput{});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Error: run.mzML: not a regular file that can be read\n");
    const RunResult estimated = RunProgram(MORVANE_MATCH_EXE, {"run.mzML", "C6H12O6", "--each-scan", "--profile-data"}, RunInput{});
    EXPECT_EQ(estimated.status, 5);
    EXPECT_EQ(estimated.err, "Error: --each-scan needs the resolution, --resolution or --fwhm: it is estimated from one spectrum\n");
    const RunResult enrichment = RunProgram(
        MORVANE_MATCH_EXE, {"run.mzML", "[13C]6H12O6", "--each-scan", "--fwhm", "0.01", "--fit-enrichment", "13C"}, RunInput{});
    EXPECT_EQ(enrichment.status, 5);
    EXPECT_EQ(enrichment.err, "Error: --fit-enrichment fits one spectrum: a scan or a summed --rt-range, not --each-scan\n");
}

// tests/data/three_scans.mzXML: the peptide's envelope, a scan without
// peaks, the envelope at half the intensity.
const std::string THREE_SCANS = MORVANE_SOURCE_DIR "/tests/data/three_scans.mzXML";

TEST(MatchCli, EachScanOfARunWithAnEmptyScan)
{
    RunResult r = RunProgram(MORVANE_MATCH_EXE, {THREE_SCANS, "C42H69N11O14 z=1..2", "C42H70N11O14 z=2",
                                                 "--resolution", "60000@200", "--each-scan"}, RunInput{});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string best = "C42H69N11O14 z=1..2\t[M+2H]2+\t2\t0.9999981\t1\t4.4201057e-06\t0.9999997\t-0.009482925\t"
                             "0.0089229959\t4\t4\t1\t0\n";
    const std::string decoy = "C42H70N11O14 z=2\t[M+2H]2+\t2\t0.1026803\t0.46180212\t0.50396709\t0.38402054\t-5.0740965\t"
                              "5.2271264\t3\t4\t\t\n";
    EXPECT_EQ(r.out,
              "scan\tnative_id\trt\tcandidate\tion\tcharge\tscore\tcosine\twasserstein\texplained\tmono_ppm\trms_ppm\t"
              "found\texpected\trunner_up_charge\trunner_up_score\n"
              "1\tscan=1\t1\t" + best + "1\tscan=1\t1\t" + decoy +
              "2\tscan=2\t2\tC42H69N11O14 z=1..2\t[M+H]+\t1\t0\t0\t0\t0\t\t0\t0\t4\t2\t0\n"
              "2\tscan=2\t2\tC42H70N11O14 z=2\t[M+2H]2+\t2\t0\t0\t0\t0\t\t0\t0\t4\t\t\n"
              "3\tscan=3\t3\t" + best + "3\tscan=3\t3\t" + decoy);
    r = RunProgram(MORVANE_MATCH_EXE, {THREE_SCANS, "C42H69N11O14 z=2", "--resolution", "60000@200", "--each-scan",
                                       "--rt-range", "1.5..3", "--peaks", "--csv"}, RunInput{});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "scan,native_id,rt,candidate,ion,charge,theoretical_mz,observed_mz,ppm,theoretical,observed,found\n"
              "2,scan=2,2,C42H69N11O14 z=2,[M+2H]2+,2,476.75855,,,100,0,no\n"
              "2,scan=2,2,C42H69N11O14 z=2,[M+2H]2+,2,477.26004,,,50.8389,0,no\n"
              "2,scan=2,2,C42H69N11O14 z=2,[M+2H]2+,2,477.76135,,,15.54665,0,no\n"
              "2,scan=2,2,C42H69N11O14 z=2,[M+2H]2+,2,478.26263,,,3.5245076,0,no\n"
              "3,scan=3,3,C42H69N11O14 z=2,[M+2H]2+,2,476.75855,476.75854,-0.009482925,100,100,yes\n"
              "3,scan=3,3,C42H69N11O14 z=2,[M+2H]2+,2,477.26004,477.26004,0.0082886106,50.8389,50.838898,yes\n"
              "3,scan=3,3,C42H69N11O14 z=2,[M+2H]2+,2,477.76135,477.76135,0.0047147591,15.54665,15.5467,yes\n"
              "3,scan=3,3,C42H69N11O14 z=2,[M+2H]2+,2,478.26263,478.26263,0.014066232,3.5245076,3.52451,yes\n");
    // A mixture in each scan; none in the scan without peaks.
    r = RunProgram(MORVANE_MATCH_EXE, {THREE_SCANS, "C42H69N11O14 z=2", "C42H68N10O15 z=2", "--resolution",
                                       "60000@200", "--each-scan", "--mixture"}, RunInput{});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = [&] {
        std::vector<std::string> out;
        for (std::size_t at = 0, next; (next = r.out.find('\n', at)) != std::string::npos; at = next + 1)
            out.push_back(r.out.substr(at, next - at));
        return out;
    }();
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_NE(lines[1].find("\t0.99807921\t0.0054602781"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[3].substr(lines[3].size() - 2), "\t\t") << lines[3];
    EXPECT_EQ(lines[5].substr(lines[5].find("\t0.99807921")), lines[1].substr(lines[1].find("\t0.99807921")));
}

// [13C]6H12O6 at 97 % 13C as [M+Na]+ at 120,000 @ 200 (morvane-batch's
// centroids above 1e-4, scaled to 1e5).
const char* const STANDARD =
    "206.06267,48.5031\n207.06603,1176.38\n208.06938,15217.1\n209.07274,82047.1\n210.07363,187.594\n"
    "210.07699,187.416\n210.07888,113.189\n211.07698,1011.64\n";

TEST(MatchCli, EnrichmentOfALabelledStandard)
{
    const RunResult r = Match({"[13C]6H12O6 [M+Na]+", "C6H12O6 [M+Na]+", "[13C]6H12O6 [M+H]+", "--resolution",
                               "120000", "--fit-enrichment", "13C"},
                              STANDARD);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "C6H12O6 [M+Na]+: enrichment of [13C]: the formula holds no [13C] label\n"
              "Error: [13C]6H12O6 [M+H]+: no observed peak in the window of the ions\n");
    EXPECT_EQ(r.out,
              "candidate\tion\tcharge\tlabel\tenrichment\tuncertainty\tresidual\n"
              "[13C]6H12O6 [M+Na]+\t[M+Na]+\t1\t13C\t0.96993099\t0.0019252707\t0.0044811559\n"
              "[13C]6H12O6 [M+H]+\t[M+H]+\t1\t13C\t\t\t\n");
    const RunResult csv = Match({"[13C]6H12O6 [M+Na]+", "--resolution=120000", "--fit-enrichment=13C",
                                 "--lowest-enrichment", "0.5", "--csv"},
                                STANDARD);
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out,
              "candidate,ion,charge,label,enrichment,uncertainty,residual\n"
              "[13C]6H12O6 [M+Na]+,[M+Na]+,1,13C,0.96955059,0.0039323703,0.0048224783\n");
}

// A profile recorded by morvane-batch at 60,000 @ 200 as a two-column list.
std::string RecordedProfile(const std::string& formula, const std::string& adduct)
{
    const RunResult r = RunProgram(MORVANE_BATCH_EXE, {"-a", adduct, "--resolution", "60000", "--profile"},
                                   RunInput{formula + "\n", ""});
    std::string list;
    std::size_t start = r.out.find('\n') + 1;
    for (std::size_t end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = r.out.substr(start, end - start);
        std::size_t mz = 0;
        for (int tab = 0; tab < 5; ++tab) mz = line.find('\t', mz) + 1;
        list += line.substr(mz) + "\n";
    }
    return list;
}

TEST(MatchCli, ResolutionEstimatedFromAProfile)
{
    const std::string profile = RecordedProfile("C42H69N11O14", "[M+2H]2+");
    const RunResult r = Match({"C42H69N11O14 z=1..4", "--profile-data"}, profile);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "the spectrum's resolution: 58900 @ 200 (orbitrap), from 4 peaks\n");
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1, 37), "C42H69N11O14 z=1..4\t[M+2H]2+\t2\t0.9999");
    const RunResult tof = Match({"C42H69N11O14 z=2", "--profile-data", "--analyzer=tof", "--peaks"}, profile);
    EXPECT_EQ(tof.status, 0) << tof.err;
    EXPECT_EQ(tof.err, "the spectrum's resolution: 38100 (tof), from 4 peaks\n");
    // A given resolution is used as it is: nothing is estimated.
    const RunResult given = Match({"C42H69N11O14 z=2", "--profile-data", "--resolution", "60000"}, profile);
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.err, "");
}

TEST(MatchCli, HelpAndVersion)
{
    const RunResult r = RunProgram(MORVANE_MATCH_EXE, {"--version"}, RunInput{});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("morvane-match ") + MORVANE_VERSION + "\n");
}
