// morvane-batch with an instrument's resolution, as a user meets it: the
// centroids or the profile in the usual table, the options' errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

RunResult RunBatch(std::vector<std::string> args, const std::string& input)
{
    TempFile file(input, "formulas.txt");
    args.insert(args.begin(), {"-i", file.path()});
    return RunFrontEndAsMorvane(MORVANE_BATCH_EXE, args);
}

const char* const PEPTIDE = "pep\tC42H69N11O14\n";

TEST(BatchResolution, OrbitrapSplitsThePeptidesM1Into15Nand13C)
{
    // 951.5025 u monoisotopic; the M+1 at 500000 @ 200 shows 15N at 952.4996
    // and 13C (with 17O and 2H beside it) at 952.5059.
    const RunResult r = RunBatch({"--resolution", "500000@200", "-p", "7"}, PEPTIDE);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
              "pep\tC42H69N11O14\t\t0\t1\t951.5025\t0.5860366\n"
              "pep\tC42H69N11O14\t\t0\t2\t952.4997\t0.02381038\n"
              "pep\tC42H69N11O14\t\t0\t3\t952.5059\t0.2739894\n"
              "pep\tC42H69N11O14\t\t0\t4\t953.509\t0.09023415\n"
              "pep\tC42H69N11O14\t\t0\t5\t954.5115\t0.01925418\n"
              "pep\tC42H69N11O14\t\t0\t6\t955.5141\t0.002595781\n");
    EXPECT_EQ(r.err, "1 formulas succeeded, 0 failed\n");
}

TEST(BatchResolution, TimeOfFlightShowsOneM1)
{
    const RunResult r = RunBatch({"--resolution", "20000", "--analyzer", "tof", "-p", "7", "-c", "-n"}, PEPTIDE);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "id,formula,adduct,charge,peak,mass,abundance\n"
              "pep,C42H69N11O14,,0,1,951.5025,100\n"
              "pep,C42H69N11O14,,0,2,952.5055,50.8159\n"
              "pep,C42H69N11O14,,0,3,953.5081,15.39736\n"
              "pep,C42H69N11O14,,0,4,954.5106,3.285491\n"
              "pep,C42H69N11O14,,0,5,955.5144,0.4429384\n");
}

TEST(BatchResolution, ProfilePointsTenPerWidth)
{
    // A width of 0.25 u: points 0.025 u apart from 4 widths below the
    // lightest variant, where a Gaussian is 2^-64 of its top (100, that of
    // the monoisotopic peak), then 3.9 widths: 2^-60.84.
    const RunResult r = RunBatch({"--fwhm", "0.25", "--profile", "-n", "-p", "7"}, PEPTIDE);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find("\t2\t")) + 1),
              "id\tformula\tadduct\tcharge\tpoint\tmass\tintensity\n"
              "pep\tC42H69N11O14\t\t0\t1\t950.5025\t5.421011e-18\n"
              "pep\tC42H69N11O14\t\t0\t2\t950.5275\t4.845461e-17\n");
    EXPECT_NE(r.out.find("\t951.5025\t100\n"), std::string::npos);
}

TEST(BatchResolution, CentroidAreaOfLonePeaksIsTheirAbundance)
{
    // Water under peaks 0.001 u wide: each centroid is one variant (or
    // variants within a fiftieth of a width), far from the others, so the
    // area under it is its abundance.
    const std::string expected = "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
                                 "w\tH2O\t\t0\t1\t18.01056\t0.9973406\n"
                                 "w\tH2O\t\t0\t2\t20.01481\t0.002049529\n";
    for (const char* intensity : {"sum", "area"}) {
        const RunResult r = RunBatch({"--fwhm", "0.001", "-p", "7", "--centroid-intensity", intensity}, "w\tH2O\n");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected) << intensity;
    }
}

TEST(BatchResolution, RefusesIncompleteOrContradictoryOptions)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--resolution"}, "Error: resolution not specified\n"},
        {{"--resolution", "1e5", "--analyzer", "qtof"}, "Error: analyzer must be tof, orbitrap or fticr\n"},
        {{"--resolution", "1e5@"}, "Error: resolution must be R or R@m0 with R and m0 > 0 (such as 120000@200)\n"},
        {{"--fwhm", "0.1", "--resolution", "3"},
         "Error: --fwhm is a resolution of its own: leave out --resolution and --analyzer\n"},
        {{"--fwhm", "0"}, "Error: peak width must be > 0\n"},
        {{"--fwhm", ""}, "Error: peak width must be > 0\n"},
        {{"--fwhm", "1e20"}, "Error: peak width must be at most 10000\n"},
        {{"--fwhm", "1e50"}, "Error: peak width must be at most 10000\n"},
        {{"--fwhm", "inf"}, "Error: peak width must be at most 10000\n"},
        {{"--fwhm", "nan"}, "Error: peak width must be > 0\n"},
        {{"--fwhm", "1e-320"}, "Error: peak width must be at least 1e-9\n"},
        {{"--resolution", "0.5", "--analyzer", "tof"}, "Error: resolution must be between 1 and 1e9\n"},
        {{"--resolution", "1e30@200"}, "Error: resolution must be between 1 and 1e9\n"},
        {{"--analyzer", "tof"}, "Error: --analyzer needs --resolution\n"},
        {{"--profile"}, "Error: --profile needs --resolution or --fwhm\n"},
        {{"--resolution", "1e5", "--centroid-intensity", "height"}, "Error: centroid intensity must be sum or area\n"},
        {{"--resolution", "1e5", "--centroid-intensity"}, "Error: centroid intensity not specified\n"},
        {{"--centroid-intensity", "area"},
         "Error: --centroid-intensity is for centroids: it needs --resolution or --fwhm, without --profile\n"},
        {{"--fwhm", "0.1", "--profile", "--centroid-intensity", "sum"},
         "Error: --centroid-intensity is for centroids: it needs --resolution or --fwhm, without --profile\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunBatch(c.first, PEPTIDE);
        EXPECT_EQ(r.status, 5) << c.second;
        EXPECT_EQ(r.err, c.second);
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
