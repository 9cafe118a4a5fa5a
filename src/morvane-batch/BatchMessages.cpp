#include "morvane-batch/BatchMessages.h"

#include <algorithm>
#include <cstdio>

namespace morvane {

const char* const BATCH_USAGE =
    "morvane-batch: the isotope patterns of many formulas in one run\n\n"
    "Usage: morvane-batch [tablefile] [options] [-i input] [-o output] [-j threads] [-a adduct]...\n"
    "\t-i input\tRead the formulas from this file (one per line, or id<TAB>formula[<TAB>adduct]);\n"
    "\t\t\tdefault standard input\n"
    "\t-o output\tWrite the table to this file, replaced only once complete; default standard output\n"
    "\t-j threads\tNumber of threads, defaults to one per processor, at most four per processor\n"
    "\t-a adduct\tCalculate the ion [nM+A-B...]z+ ([M+H]+, [M-H]-, [M+2H]2+); may be repeated\n"
    "\t--sequences\tThe formula column holds ProForma peptides (PEM[Oxidation]K/2)\n"
    "\t--fasta\tThe input holds protein records; with --digest ENZYME, --missed-cleavages N (0)\n"
    "\t\t\tand --length MIN-MAX (7-40) their peptides; the enzymes are trypsin, trypsin/P,\n"
    "\t\t\tLys-C, Lys-N, Arg-C, Asp-N, Glu-C and chymotrypsin (any case)\n"
    "\t--enrichment 13C=0.99\tEnrichment of an isotope label; labels are pure without it\n"
    "\t--fixed Mod@X\tA fixed modification of the peptides (Carbamidomethyl@C); may be repeated\n"
    "\t--resolution R[@m0]\tThe centroids of an instrument of resolving power R (1 to 1e9) at m/z m0\n"
    "\t--analyzer a\tHow its width grows with m/z: tof, orbitrap (default; m0 200) or fticr (m0 400)\n"
    "\t--fwhm W\tAn instrument of one peak width W (1e-9 to 10000) instead\n"
    "\t--profile\tThe instrument's profile points instead of its centroids\n"
    "\t--centroid-intensity i\tA centroid's intensity: sum (default), the abundance of the variants\n"
    "\t\t\tunder it, or area, that of the profile between its valleys\n"
    "\t--coverage p\tKeep the variants holding p of the probability; without it or -t, 0.999999\n"
    "\t--composition, --nominal, --summary\tWhat each peak is made of; bins by extra neutrons;\n"
    "\t\t\tone row per formula\n"
    "\t--help, --version\tShow this text, or the version, and end\n"
    "Options may stand anywhere, long ones also as --name=value; unknown options are refused.\n"
    "Formulas may have groups (Ca(OH)2), hydrates (CuSO4.5H2O) and labels ([13C]6H12O6, D2O).\n"
    "The table file and the options -z, -mtz, -n, -f, -t, -p, -r and -c work as for morvane\n"
    "(without -t the patterns are accurate rather than cut at morvane's 0.001);\n"
    "the charge is held to -1000..1000, m/z is mass divided by the magnitude of the charge,\n"
    "and the charge column is signed\n";

std::string Echo(const std::string& text)
{
    std::size_t cut = std::min(text.size(), ECHO_LIMIT);
    // Back to the first byte of a UTF-8 character.
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    std::string shown;
    for (std::size_t i = 0; i < cut; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7f) {
            shown += text[i];
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        shown += hex;
    }
    if (cut < text.size()) shown += "... (" + std::to_string(text.size()) + " bytes)";
    return shown;
}

}  // namespace morvane
