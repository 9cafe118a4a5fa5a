// morvane._core: the library's table reader, pattern calculation and peak
// profile for the Python package. Everything numeric happens in the library;
// this file only converts between Python objects and the library's types.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <climits>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <limits>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "calc/Pattern.h"
#include "core/ParallelFor.h"
#include "elements/AtomIsoAbun.h"
#include "elements/DefaultTable.h"
#include "elements/TableReader.h"
#include "formula/Adduct.h"
#include "formula/AtomCounts.h"
#include "formula/FormulaLanguage.h"
#include "formula/ProForma.h"
#include "match/EnrichmentFit.h"
#include "match/Match.h"
#include "match/MzFile.h"
#include "match/MzScans.h"
#include "match/PeakListFile.h"
#include "match/ProfileResolution.h"
#include "spectrum/Distance.h"
#include "resolution/Profile.h"
#include "spectrum/GaussianList.h"

using namespace morvane;

namespace py = pybind11;

namespace {

// The package's exception classes; made once when the module loads and kept
// for the life of the interpreter.
PyObject* TableErrorClass = nullptr;
PyObject* FormulaError = nullptr;
PyObject* CalculationError = nullptr;

PyObject* MakeException(const char* name, PyObject* base, const char* doc)
{
    PyObject* cls = PyErr_NewExceptionWithDoc(name, doc, base, nullptr);
    if (cls == nullptr) throw py::error_already_set();
    return cls;
}

// An isotope table loaded once and then only read, so calculations on any
// number of threads may share it.
struct Table {
    std::deque<AtomIsoAbun> elements;
};

py::array_t<double> ToArray(const std::vector<double>& values)
{
    return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
}

// One element as (symbol, element number, masses, abundances), entries in
// the table's order: decreasing abundance.
py::tuple ElementState(const AtomIsoAbun& e)
{
    std::vector<double> masses, abundances;
    for (int i = 0; i < e.niso; ++i) {
        masses.push_back(e.iso[i].mass);
        abundances.push_back(e.iso[i].abundance);
    }
    return py::make_tuple(std::string(e.symbol), e.elnum, ToArray(masses), ToArray(abundances));
}

// The UTF-8 bytes of a str. A str that UTF-8 cannot encode (a lone
// surrogate, as os.fsdecode leaves for bytes it cannot decode) raises
// ValueError naming `what`; anything but a str raises TypeError.
std::string Utf8(const py::handle& text, const std::string& what)
{
    if (!PyUnicode_Check(text.ptr()))
        throw py::type_error(what + " must be a str, not " + std::string(py::str(text.get_type().attr("__name__"))));
    Py_ssize_t size = 0;
    const char* bytes = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (bytes == nullptr) {
        PyErr_Clear();
        throw py::value_error(what + " holds a character that is no Unicode text (a lone surrogate)");
    }
    return std::string(bytes, static_cast<std::size_t>(size));
}

// Raises TableError with `reason`; bytes of a file name that are not
// UTF-8 show as escapes.
[[noreturn]] void RaiseTableError(const std::string& reason)
{
    const py::object message = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(reason.data(), static_cast<Py_ssize_t>(reason.size()), "backslashreplace"));
    PyErr_SetObject(TableErrorClass, message.ptr());
    throw py::error_already_set();
}

// Rebuilds a table from element states (symbol, number, masses, abundances),
// as pickling saved them or as a dict gave them. They are written out as the
// text of a table file, one element per line and every double in its
// shortest exact form, and read by the table reader: the file's checks and
// its sorting apply unchanged.
Table TableFromState(const py::list& state)
{
    std::string text;
    for (const py::handle item : state) {
        const auto e = item.cast<py::tuple>();
        if (e.size() != 4) throw py::value_error("an element state is (symbol, number, masses, abundances)");
        const std::string symbol = Utf8(e[0], "element symbol");
        if (!PyLong_Check(e[1].ptr()) || PyBool_Check(e[1].ptr()))
            throw py::type_error("element " + symbol + ": the element number must be an int");
        int overflow = 0;
        const long long elnum = PyLong_AsLongLongAndOverflow(e[1].ptr(), &overflow);
        if (overflow != 0 || elnum < 0 || elnum > INT_MAX)
            RaiseTableError("element " + symbol + ": element number " + std::string(py::str(e[1])) +
                            " is not a whole number from 0 to 2147483647");
        const auto masses = e[2].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
        const auto abundances = e[3].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
        if (symbol.empty() || symbol.find_first_of(" \t\n\v\f\r") != std::string::npos)
            RaiseTableError("element symbol '" + symbol + "' is empty or holds whitespace");
        if (masses.ndim() != 1 || masses.size() != abundances.size() || abundances.ndim() != 1)
            RaiseTableError("element " + symbol + ": as many masses as abundances, in one dimension each");
        text += symbol + " " + std::to_string(elnum);
        char number[32];
        for (py::ssize_t i = 0; i < masses.size(); ++i) {
            for (const auto& [v, what] : {std::make_pair(masses.at(i), "mass"), std::make_pair(abundances.at(i), "abundance")}) {
                const std::string word(number, std::to_chars(number, number + sizeof number, v).ptr);
                if (!std::isfinite(v))
                    RaiseTableError("element " + symbol + ": " + what + " " + word + " is not a finite number");
                text += " " + word;
            }
        }
        text += "\n";
    }
    Table t;
    std::istringstream in(text);
    morvane::TableError error;
    if (ReadIsotopeTable(in, t.elements, &error) != 0) RaiseTableError(DescribeTableError(error));
    return t;
}

py::array_t<double> Column(const std::vector<isotope>& peaks, double isotope::*field)
{
    py::array_t<double> column(static_cast<py::ssize_t>(peaks.size()));
    double* out = column.mutable_data();
    for (const isotope& p : peaks) *out++ = p.*field;
    return column;
}

py::tuple PeakArrays(const std::vector<isotope>& peaks)
{
    return py::make_tuple(Column(peaks, &isotope::mass), Column(peaks, &isotope::abundance));
}

// The exception that describes a failed calculation, of the class of its
// status: the formula, the settings, or the calculation itself.
py::object ExceptionObject(const PatternResult& r)
{
    PyObject* cls = r.status == 2 ? FormulaError : r.status == 5 ? PyExc_ValueError : CalculationError;
    return py::reinterpret_borrow<py::object>(cls)(r.reason);
}

// Makes the package's Pattern objects straight from the library's results,
// as Pattern(mass, abundance, formula, charge, mz, adduct, resolution,
// variants, facts) would: the object made by its type and its slots filled
// through their descriptors, looked up once; no tuple, no dict and no
// Python-level call per formula. What every pattern of one call shares is
// made once.
class PatternMaker {
public:
    PatternMaker(const py::object& cls, const PatternSettings& settings, const py::object& resolution)
        : type_(reinterpret_cast<PyTypeObject*>(cls.ptr())), noArguments_(py::tuple()),
          charge_(py::int_(settings.charge)), mz_(py::bool_(settings.masstocharge)),
          adduct_(py::str(settings.adduct != nullptr ? settings.adduct->Text() : std::string())),
          resolution_(resolution), settingsCharge_(settings.charge), sequence_(settings.sequence),
          composition_(settings.composition)
    {
        static const char* const names[SLOTS] = {
            "mass",         "abundance",        "formula",      "charge",         "mz",
            "adduct",       "resolution",       "variants",     "coverage",       "monoisotopic_mass",
            "average_mass", "nominal_mass",     "most_abundant", "composition"};
        for (int s = 0; s < SLOTS; ++s) {
            slots_[s] = cls.attr(names[s]);
            if (!Py_IS_TYPE(slots_[s].ptr(), &PyMemberDescr_Type))
                throw py::type_error(std::string("the pattern class has no slot ") + names[s]);
        }
    }

    py::object Make(const py::handle& formula, const PatternResult& r) const
    {
        // A sequence's charge suffix makes its pattern an ion's, in m/z.
        const bool suffix = sequence_ && r.charge != settingsCharge_;
        const py::object charge = suffix ? py::int_(r.charge) : charge_;
        const py::object mz = suffix ? py::bool_(true) : mz_;
        py::object p = Bare(formula, charge, mz, r.peaks);
        Set(p, RESOLUTION, resolution_);
        Set(p, VARIANTS, resolution_.is_none() ? py::none() : Variants(formula, charge, mz, r.variants));
        Set(p, COVERAGE, py::float_(r.coverage));
        Set(p, MONOISOTOPIC, py::float_(r.monoisotopic));
        Set(p, AVERAGE, py::float_(r.average));
        Set(p, NOMINAL, py::int_(r.nominal));
        Set(p, MOST_ABUNDANT, py::make_tuple(r.mostAbundant.mass, r.mostAbundant.abundance));
        if (!composition_) {
            Set(p, COMPOSITION, py::none());
        } else {
            py::list makeup;
            for (const PeakMakeup& m : r.composition) makeup.append(py::make_tuple(m.isotopes, m.share));
            Set(p, COMPOSITION, makeup);
        }
        return p;
    }

private:
    enum Slot {
        MASS, ABUNDANCE, FORMULA, CHARGE, MZ, ADDUCT, RESOLUTION, VARIANTS, COVERAGE, MONOISOTOPIC, AVERAGE,
        NOMINAL, MOST_ABUNDANT, COMPOSITION, SLOTS
    };
    PyTypeObject* type_;
    py::object noArguments_, charge_, mz_, adduct_, resolution_;
    int settingsCharge_;
    bool sequence_, composition_;
    py::object slots_[SLOTS];  // the class's member descriptors

    void Set(const py::object& p, Slot s, const py::handle& value) const
    {
        PyObject* descriptor = slots_[s].ptr();
        if (Py_TYPE(descriptor)->tp_descr_set(descriptor, p.ptr(), value.ptr()) != 0) throw py::error_already_set();
    }

    py::object Bare(const py::handle& formula, const py::object& charge, const py::object& mz,
                    const std::vector<isotope>& peaks) const
    {
        auto p = py::reinterpret_steal<py::object>(type_->tp_new(type_, noArguments_.ptr(), nullptr));
        if (!p) throw py::error_already_set();
        Set(p, MASS, Column(peaks, &isotope::mass));
        Set(p, ABUNDANCE, Column(peaks, &isotope::abundance));
        Set(p, FORMULA, formula);
        Set(p, CHARGE, charge);
        Set(p, MZ, mz);
        Set(p, ADDUCT, adduct_);
        return p;
    }

    // The variants under a resolved pattern's peaks: a pattern without facts.
    py::object Variants(const py::handle& formula, const py::object& charge, const py::object& mz,
                        const std::vector<isotope>& peaks) const
    {
        py::object p = Bare(formula, charge, mz, peaks);
        const py::float_ nan(std::numeric_limits<double>::quiet_NaN());
        for (const Slot s : {RESOLUTION, VARIANTS, NOMINAL, MOST_ABUNDANT, COMPOSITION}) Set(p, s, py::none());
        for (const Slot s : {COVERAGE, MONOISOTOPIC, AVERAGE}) Set(p, s, nan);
        return p;
    }
};

// Asked now and then by a calculation on the calling thread, which is
// where Python's signal handlers run: runs those of signals that have
// arrived (Ctrl-C's raises KeyboardInterrupt), and cancels the calculation
// when one raised. The exception stays set for CalculateMany to raise.
bool SignalRaised(void*)
{
    const py::gil_scoped_acquire held;
    return PyErr_CheckSignals() != 0;
}

// Calculates the patterns of many formulas on a pool of threads, the
// calling thread among them, and hands the results over in input order as
// they are finished: the calling thread makes Python objects of the first
// while the others calculate the rest. Each pattern is calculated on one
// thread. When the system starts fewer threads than asked, those started
// do all the work. Stop cancels the patterns under way; the calling thread,
// the only one that sees Ctrl-C, also cancels them when it sees one.
class PatternQueue {
public:
    PatternQueue(const Table& table, std::vector<std::string> formulas, const PatternSettings& settings,
                 unsigned threads)
        : table_(table), formulas_(std::move(formulas)), settings_(settings), results_(formulas_.size()),
          finished_(new std::atomic<bool>[formulas_.size()]())
    {
        settings_.threads = 1;
        if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned t = 1; t < threads && t < formulas_.size(); ++t) {
            try {
                pool_.emplace_back([this] {
                    const CancellationScope scope(&cancellation_);
                    while (!cancellation_.Requested() && Begin()) {}
                });
            } catch (const std::system_error&) {
                break;
            }
        }
    }

    ~PatternQueue() { Stop(); }

    // Calculates formulas not yet begun, or waits for those under way, until
    // the results before `end` are finished or `patience` has passed.
    // Returns the number of results finished from the first on. Call it
    // without the GIL.
    std::size_t Work(std::size_t end, std::chrono::milliseconds patience)
    {
        const CancellationScope scope(&cancellation_, SignalRaised);
        const auto until = std::chrono::steady_clock::now() + patience;
        while (done_ < end) {
            if (finished_[done_]) {
                ++done_;
            } else if (std::chrono::steady_clock::now() >= until || cancellation_.Requested()) {
                break;
            } else if (!Begin()) {
                std::unique_lock<std::mutex> lock(mutex_);
                finishing_.wait_until(lock, until, [&] { return finished_[done_].load(); });
            }
        }
        return done_;
    }

    // Finished result i. The results are freed with the queue, after the
    // threads that made them have ended: freeing memory while the thread
    // that allocated it allocates more would have both wait on its lock.
    const PatternResult& Result(std::size_t i) const { return results_[i]; }

    // No formula is begun any more, and those under way are cancelled;
    // returns when their threads have ended.
    void Stop()
    {
        cancellation_.Request();
        for (std::thread& t : pool_) t.join();
        pool_.clear();
    }

private:
    const Table& table_;
    const std::vector<std::string> formulas_;
    PatternSettings settings_;
    std::vector<PatternResult> results_;
    std::unique_ptr<std::atomic<bool>[]> finished_;
    std::atomic<std::size_t> next_{0};
    std::size_t done_ = 0;  // results finished from the first on, as the calling thread last saw
    Cancellation cancellation_;
    std::mutex mutex_;
    std::condition_variable finishing_;
    std::vector<std::thread> pool_;

    // Calculates the next formula not yet begun; false when none is left.
    bool Begin()
    {
        const std::size_t i = next_++;
        if (i >= formulas_.size()) return false;
        results_[i] = CalculatePattern(table_.elements, formulas_[i], settings_);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_[i] = true;
        }
        finishing_.notify_one();
        return true;
    }
};

// The formulas of a list of str, refusing anything else.
std::vector<std::string> FormulaTexts(const py::list& texts)
{
    std::vector<std::string> formulas;
    formulas.reserve(texts.size());
    for (const py::handle item : texts) {
        formulas.push_back(Utf8(item, "formula " + std::to_string(formulas.size())));
    }
    return formulas;
}

// The results of many formulas and the indices of those that failed, in
// order. Result i is formula i's Pattern (`pattern` is the package's class)
// of resolution `resolution`, or the exception object of its failure. The
// results are taken in chunks, each as soon as it is finished; between
// chunks, and every 20 ms within a calculation, this thread runs the
// handlers of signals that have arrived: an exception from one (Ctrl-C's
// KeyboardInterrupt) cancels the calculations and is raised here. A
// handler may not start another calculation meanwhile: this thread's
// buffers are in use.
py::tuple CalculateMany(const Table& table, const py::list& texts, const PatternSettings& settings, unsigned threads,
                        const py::object& pattern, const py::object& resolution)
{
    thread_local bool calculating = false;
    if (calculating)
        throw std::runtime_error("morvane is calculating on this thread: a signal handler cannot start another one");
    calculating = true;
    struct Done {
        ~Done() { calculating = false; }
    } done;
    const PatternMaker maker(pattern, settings, resolution);
    const std::size_t n = texts.size();
    // Enough chunks that the last, made into objects after the calculation ends, is short.
    const std::size_t chunk = n / 64 + 1;
    py::list out(n), failed;
    PatternQueue queue(table, FormulaTexts(texts), settings, threads);
    for (std::size_t i = 0; i < n;) {
        std::size_t finished = 0;
        {
            py::gil_scoped_release unlocked;
            finished = queue.Work(std::min(n, i + chunk), std::chrono::milliseconds(50));
        }
        if (PyErr_Occurred() != nullptr || PyErr_CheckSignals() != 0) {
            py::error_already_set interrupted;
            py::gil_scoped_release unlocked;
            queue.Stop();
            throw interrupted;
        }
        for (; i < finished; ++i) {
            const PatternResult& r = queue.Result(i);
            if (r.status != 0) {
                out[i] = ExceptionObject(r);
                failed.append(i);
            } else {
                out[i] = maker.Make(texts[i], r);
            }
        }
    }
    return py::make_tuple(out, failed);
}

py::array_t<double> ProfileAt(const py::array_t<double, py::array::c_style | py::array::forcecast>& mass,
                            const py::array_t<double, py::array::c_style | py::array::forcecast>& abundance,
                            double fwhm, const py::array_t<double, py::array::c_style | py::array::forcecast>& x)
{
    if (mass.ndim() != 1 || abundance.ndim() != 1 || mass.size() != abundance.size())
        throw py::value_error("mass and abundance must be one-dimensional arrays of the same length");
    std::string reason;
    if (!CheckFwhm(fwhm, reason)) throw py::value_error(reason);
    GaussianList peaks;
    peaks.fwhm = fwhm;
    for (py::ssize_t i = 0; i < mass.size(); ++i) {
        isotope p(mass.at(i), abundance.at(i));
        peaks.push_back(p);
    }
    py::array_t<double> y(x.request().shape);
    const double* in = x.data();
    double* out = y.mutable_data();
    py::gil_scoped_release unlocked;
    for (py::ssize_t i = 0; i < x.size(); ++i) out[i] = peaks.intensity(in[i]);
    return y;
}

using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::vector<isotope> PeaksOf(const DoubleArray& mass, const DoubleArray& abundance)
{
    if (mass.ndim() != 1 || abundance.ndim() != 1 || mass.size() != abundance.size())
        throw py::value_error("mass and abundance must be one-dimensional arrays of the same length");
    std::vector<isotope> peaks;
    for (py::ssize_t i = 0; i < mass.size(); ++i) {
        if (!std::isfinite(mass.at(i)) || !(abundance.at(i) >= 0 && std::isfinite(abundance.at(i))))
            throw py::value_error("peak " + std::to_string(i) + ": masses must be finite and abundances finite and >= 0");
        peaks.emplace_back(mass.at(i), abundance.at(i));
    }
    return peaks;
}

// The resolution of a law ("fwhm", "tof", "orbitrap" or "fticr") with its
// width or resolving power, and the reference m/z (none: the analyzer's).
Resolution MakeResolution(const std::string& law, double value, std::optional<double> reference)
{
    std::string reason;
    if (law == "fwhm") {
        if (!CheckFwhm(value, reason)) throw py::value_error(reason);
        return Resolution::ConstantWidth(value);
    }
    if (!(std::isfinite(value) && value > 0)) throw py::value_error("resolution must be > 0");
    if (!CheckResolvingPower(value, reason)) throw py::value_error(reason);
    Analyzer analyzer = Analyzer::Orbitrap;
    if (!ParseAnalyzer(law, analyzer)) throw py::value_error("analyzer must be tof, orbitrap or fticr");
    const double m0 = reference.value_or(DefaultReference(analyzer));
    if (!(std::isfinite(m0) && m0 > 0)) throw py::value_error("reference m/z must be > 0");
    return Resolution::Power(analyzer, value, m0);
}

py::tuple Centroids(const DoubleArray& mass, const DoubleArray& abundance, const Resolution& r, double floor,
                    bool area)
{
    if (!(floor >= 0 && floor < 1)) throw py::value_error("centroid floor must be between 0 and 1");
    const std::vector<isotope> peaks = PeaksOf(mass, abundance);
    std::vector<isotope> centroids;
    std::string reason;
    bool made = false;
    {
        py::gil_scoped_release unlocked;
        made = MakeCentroids(peaks, r, floor, centroids, reason, area ? CentroidIntensity::Area : CentroidIntensity::Sum);
    }
    if (!made) throw py::value_error(reason);
    return PeakArrays(centroids);
}

py::tuple ResolvedProfile(const DoubleArray& mass, const DoubleArray& abundance, const Resolution& r)
{
    const std::vector<isotope> peaks = PeaksOf(mass, abundance);
    Profile p;
    std::string reason;
    bool made = false;
    {
        py::gil_scoped_release unlocked;
        made = MakeProfile(peaks, r, p, reason);
    }
    if (!made) throw py::value_error(reason);
    return py::make_tuple(ToArray(p.x), ToArray(p.y));
}

// The library's Wasserstein distance and cosine similarity of two spectra.
py::tuple Distances(const DoubleArray& positionA, const DoubleArray& intensityA, const DoubleArray& positionB,
                    const DoubleArray& intensityB, double ppm)
{
    const std::vector<isotope> a = PeaksOf(positionA, intensityA), b = PeaksOf(positionB, intensityB);
    double wasserstein = 0, cosine = 0;
    std::string reason;
    if (!WassersteinDistance(a, b, wasserstein, reason) || !CosineSimilarity(a, b, ppm, cosine, reason))
        throw py::value_error(reason);
    return py::make_tuple(wasserstein, cosine);
}

// A measured spectrum from arrays; ValueError with the library's reason.
MeasuredSpectrum SpectrumOf(const DoubleArray& mz, const DoubleArray& intensity)
{
    if (mz.ndim() != 1 || intensity.ndim() != 1 || mz.size() != intensity.size())
        throw py::value_error("mz and intensity must be one-dimensional arrays of the same length");
    std::vector<isotope> peaks;
    for (py::ssize_t i = 0; i < mz.size(); ++i) peaks.emplace_back(mz.at(i), intensity.at(i));
    MeasuredSpectrum s;
    std::string reason;
    if (!MeasuredSpectrum::Make(std::move(peaks), s, reason)) throw py::value_error(reason);
    return s;
}

// The settings of a match from Python's arguments.
MatchSettings MatchSettingsOf(const Resolution& r, const std::vector<double>& floors, int minCharge, int maxCharge)
{
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = r;
    s.envelope.ppm = floors.at(0);
    s.envelope.theoryFloor = floors.at(1);
    s.envelope.noiseFloor = floors.at(2);
    s.minCharge = minCharge;
    s.maxCharge = maxCharge;
    return s;
}

// A candidate's row: its best ion's figures and the runner-up's charge and
// score (0 and nan without one).
py::tuple MatchRow(const std::string& text, const CandidateMatch& m)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ChargeFit& b = m.fits.front();
    const EnvelopeFit& f = b.fit;
    const bool runner = m.fits.size() > 1;
    return py::make_tuple(text, b.ion.adduct, b.ion.charge, f.score, f.cosine, f.wasserstein, f.explained,
                          f.monoisotopicFound ? f.monoisotopicPpm : nan, f.rmsPpm, f.found,
                          static_cast<int>(f.peaks.size()), runner ? m.fits[1].ion.charge : 0,
                          runner ? m.fits[1].fit.score : nan);
}

// The candidates' ions, calculated on `threads` threads (0: one per core)
// with the GIL released; ValueError for a candidate the library refuses.
std::vector<CandidateTheory> TheoriesOf(const Table& table, const std::vector<std::string>& texts, bool sequence,
                                        const MatchSettings& s, unsigned threads)
{
    std::vector<Candidate> candidates(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string reason;
        if (!ParseCandidate(texts[i], sequence, candidates[i], reason)) throw py::value_error(reason);
    }
    std::vector<CandidateTheory> theories(texts.size());
    {
        py::gil_scoped_release unlocked;
        ParallelFor(texts.size(), threads, nullptr,
                    [&](std::size_t i) { theories[i] = CalculateCandidate(table.elements, candidates[i], s); });
    }
    for (const CandidateTheory& t : theories)
        if (t.status != 0) throw py::value_error(t.reason);
    return theories;
}

// The library's match of each candidate: a row (MatchRow) per candidate.
// ValueError for a spectrum or candidate the library refuses.
py::list MatchSpectrum(const Table& table, const DoubleArray& mz, const DoubleArray& intensity,
                       const std::vector<std::string>& texts, bool sequence, const Resolution& r,
                       const std::vector<double>& floors, int minCharge, int maxCharge, unsigned threads)
{
    const MeasuredSpectrum spectrum = SpectrumOf(mz, intensity);
    const MatchSettings s = MatchSettingsOf(r, floors, minCharge, maxCharge);
    const std::vector<CandidateTheory> theories = TheoriesOf(table, texts, sequence, s, threads);
    py::list rows;
    for (std::size_t i = 0; i < texts.size(); ++i) rows.append(MatchRow(texts[i], FitCandidate(spectrum, theories[i], s.envelope)));
    return rows;
}

// The match of each candidate in each MS1 scan of an mzML or mzXML run from
// `from` to `to` minutes, the ions calculated once: a row per scan and
// candidate, (scan, native id, minutes) in front of MatchRow's. ValueError
// for a candidate the library refuses or a run that cannot be read (also
// midway).
py::list MatchScans(const Table& table, const std::string& path, const std::vector<std::string>& texts,
                    bool sequence, const Resolution& r, const std::vector<double>& floors, int minCharge,
                    int maxCharge, double from, double to, unsigned threads)
{
    const MatchSettings s = MatchSettingsOf(r, floors, minCharge, maxCharge);
    const std::vector<CandidateTheory> theories = TheoriesOf(table, texts, sequence, s, threads);
    py::list rows;
    auto each = [&](const MzScan& scan) {
        const py::tuple front = py::make_tuple(scan.index, scan.nativeId, scan.minutes);
        for (std::size_t i = 0; i < texts.size(); ++i)
            rows.append(front + MatchRow(texts[i], FitCandidate(scan.spectrum, theories[i], s.envelope)));
    };
    std::string reason;
    if (ForEachMzScan(path, from, to, std::nullopt, each, reason) != 0) throw py::value_error(reason);
    return rows;
}

// An analyzer's name; ValueError for any other word.
Analyzer AnalyzerOf(const std::string& name)
{
    Analyzer a = Analyzer::Orbitrap;
    if (!ParseAnalyzer(name, a)) throw py::value_error("analyzer must be tof, orbitrap or fticr");
    return a;
}

// The resolving power a profile's peaks show: (R0, m0, peaks measured).
py::tuple EstimateProfileResolution(const DoubleArray& mz, const DoubleArray& intensity, const std::string& analyzer)
{
    ResolutionEstimate e;
    std::string reason;
    if (!EstimateResolution(SpectrumOf(mz, intensity).Peaks(), AnalyzerOf(analyzer), e, reason))
        throw py::value_error(reason);
    return py::make_tuple(e.power, e.reference, e.peaks);
}

// A spectrum file read by the library: (mz, intensity) arrays. Profile data
// are centroided at `profile`, or with `estimate` (an analyzer's name) at
// the resolution their peaks show.
py::tuple ReadSpectrumArrays(const std::string& path, int scan, std::optional<Resolution> profile,
                             std::optional<std::string> estimate)
{
    SpectrumReadSettings settings;
    settings.scan = scan;
    settings.profile = profile;
    ScanSelection scans;
    scans.index = scan;
    MeasuredSpectrum s;
    std::string reason;
    const int status = IsMzFile(path) ? ReadMzFile(path, scans, profile, s, reason)
                                      : ReadSpectrumFile(path, settings, s, reason);
    if (status != 0) throw py::value_error(reason);
    ResolutionEstimate found;
    MeasuredSpectrum centroids;
    if (estimate && !CentroidAtEstimate(s, AnalyzerOf(*estimate), centroids, found, reason))
        throw py::value_error(path + ": " + reason);
    std::vector<double> mz, intensity;
    for (const isotope& p : (estimate ? centroids : s).Peaks()) {
        mz.push_back(p.mass);
        intensity.push_back(p.abundance);
    }
    return py::make_tuple(ToArray(mz), ToArray(intensity));
}

// The enrichment of `label` in the candidate's best ion (match/EnrichmentFit.h):
// (ion, charge, enrichment, uncertainty, residual). ValueError with the
// library's reason when the candidate, its match or the fit fails.
py::tuple FitLabelEnrichment(const Table& table, const DoubleArray& mz, const DoubleArray& intensity,
                             const std::string& text, bool sequence, const Resolution& r, double ppm,
                             double noiseFloor, int minCharge, int maxCharge, const std::string& label, double lowest)
{
    const MeasuredSpectrum spectrum = SpectrumOf(mz, intensity);
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = r;
    s.envelope.ppm = ppm;
    s.envelope.noiseFloor = noiseFloor;
    s.minCharge = minCharge;
    s.maxCharge = maxCharge;
    Candidate c;
    std::string reason;
    if (!ParseCandidate(text, sequence, c, reason)) throw py::value_error(reason);
    const CandidateMatch m = MatchCandidate(table.elements, spectrum, c, s);
    if (m.status != 0) throw py::value_error(m.reason);
    const Ion& best = m.fits.front().ion;
    MixtureSettings ms;
    ms.ppm = ppm;
    ms.resolution = r;
    ms.noiseFloor = noiseFloor;
    EnrichmentResult e;
    if (FitEnrichment(table.elements, spectrum, c, best.charge, label, lowest, s, ms, e, reason) != 0)
        throw py::value_error(reason);
    return py::make_tuple(best.adduct, best.charge, e.enrichment, e.uncertainty, e.residual);
}

// The table the command line reads without a table argument. An installed
// package lies at MORVANE_PACKAGE_TO_BIN from the prefix's bin/ folder,
// beside which the installed table is found; a package in the build folder
// finds the source tree's table from its own folder. Without a folder the
// lookup gives the plain name, as it does when it finds nothing.
std::string DefaultTableFor(const std::string& packageDir)
{
    const auto bin = (std::filesystem::path(packageDir) / MORVANE_PACKAGE_TO_BIN).lexically_normal();
    const std::string installed = DefaultTablePath(bin.string());
    return installed != DefaultTablePath(std::string()) ? installed : DefaultTablePath(packageDir);
}

// How the molecules' text is read: as formulas or ProForma sequences, the
// labels' enrichment and the sequences' fixed modifications, checked
// against a table; the settings point into it.
struct Language {
    bool sequence = false;
    Enrichment enrichment;
    std::vector<FixedMod> fixed;
};

Language MakeLanguage(const Table& table, bool sequence, const py::dict& enrichment, const py::list& fixed)
{
    Language l;
    l.sequence = sequence;
    std::string reason;
    for (const auto& [name, value] : enrichment) {
        const std::string label = Utf8(name, "an enrichment's label");
        std::string key;
        if (!LabelKeyOf(label, key)) throw py::value_error("enrichment: " + label + " is no isotope label, as 13C");
        const double p = PyFloat_AsDouble(value.ptr());
        if (p == -1 && PyErr_Occurred()) {
            PyErr_Clear();
            throw py::type_error("enrichment of " + label + " must be a number");
        }
        l.enrichment[key] = p;
    }
    if (!CheckEnrichment(l.enrichment, table.elements, reason)) throw py::value_error(reason);
    for (const py::handle item : fixed) {
        const std::string word = Utf8(item, "a fixed modification");
        FixedMod mod;
        if (!ParseFixedMod(word, table.elements, mod, reason)) throw py::value_error(reason);
        l.fixed.push_back(mod);
    }
    return l;
}

// The atoms of a formula or sequence as ({"C": 6, "13C": 1, ...}, canonical
// formula, charge of a sequence's suffix).
py::tuple FormulaOf(const Table& table, const py::handle& object, const Language& language)
{
    const std::string text = Utf8(object, "formula");
    AtomCounts counts;
    std::string reason;
    int charge = 0;
    const int status = language.sequence
                           ? ReadSequence(text, table.elements, language.fixed, counts, charge, reason)
                           : FormulaCounts(text, table.elements, counts, reason);
    if (status != 0) {
        PyErr_SetString(FormulaError, reason.c_str());
        throw py::error_already_set();
    }
    py::dict atoms;
    for (const auto& [key, n] : counts) {
        const std::string label = LabelText(key);
        atoms[py::str(label == key ? key : label.substr(1, label.size() - 2))] = n;
    }
    return py::make_tuple(atoms, CanonicalFormula(counts), charge);
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The compiled part of morvane: the C++ library's table reader, pattern calculation and peak profile.";
    // The project's version, as the tools' usage text shows it.
    m.attr("__version__") = MORVANE_VERSION;
    m.attr("FRONT_END_COVERAGE") = FRONT_END_COVERAGE;

    TableErrorClass = MakeException("morvane.TableError", PyExc_ValueError,
                               "An isotope table file that cannot be read or is malformed; the message names the "
                               "line and the word.");
    FormulaError = MakeException("morvane.FormulaError", PyExc_ValueError,
                                 "A formula that does not parse or names an element the table lacks; the message "
                                 "names the symbol or character and its position.");
    CalculationError = MakeException("morvane.CalculationError", PyExc_RuntimeError,
                                     "A pattern that cannot be calculated (for example too many atoms of an element "
                                     "for the enumeration's bounds); the message gives the reason.");
    m.attr("TableError") = py::handle(TableErrorClass);
    m.attr("FormulaError") = py::handle(FormulaError);
    m.attr("CalculationError") = py::handle(CalculationError);

    py::class_<PatternSettings>(m, "Settings", "The settings of one pattern, as morvane's options.")
        .def(py::init<>())
        .def_readwrite("charge", &PatternSettings::charge, "Charge of the ion (-z).")
        .def_readwrite("masstocharge", &PatternSettings::masstocharge, "Positions are m/z (-mtz).")
        .def_readwrite("threshold", &PatternSettings::threshold, "Probability threshold (-t).")
        .def_readwrite("merge", &PatternSettings::merge, "Merge distance (-r).")
        .def_readwrite("normalize", &PatternSettings::normalize, "Largest peak becomes 100 (-n).")
        .def_readwrite("filter", &PatternSettings::filter, "Smallest percentage kept (-f).")
        .def_readwrite("coverage", &PatternSettings::coverage, "Coverage target, 0 for the threshold.")
        .def_readwrite("nominal", &PatternSettings::nominal, "Nominal binning instead of merging.")
        .def_readwrite("composition", &PatternSettings::composition, "Work out each peak's make-up.")
        .def_readwrite("resolution", &PatternSettings::resolution,
                       "The instrument's Resolution, or None; with one the peaks are centroids.")
        .def_readwrite("merge_given", &PatternSettings::mergeGiven,
                       "With a resolution: merge at `merge` rather than group the variants by their span.")
        .def_property(
            "centroid_area",
            [](const PatternSettings& s) { return s.centroidIntensity == CentroidIntensity::Area; },
            [](PatternSettings& s, bool area) {
                s.centroidIntensity = area ? CentroidIntensity::Area : CentroidIntensity::Sum;
            },
            "With a resolution: a centroid's intensity is the profile's area between its valleys, not the "
            "abundance of the variants between them.")
        .def_property(
            "adduct",
            py::cpp_function([](const PatternSettings& s) { return s.adduct; }, py::return_value_policy::reference),
            py::cpp_function([](PatternSettings& s, const Adduct* a) { s.adduct = a; }, py::keep_alive<1, 2>()),
            "The ion to calculate, an Adduct of the same table, or None; it keeps the adduct alive.")
        .def_property(
            "language", [](const PatternSettings&) { return py::none(); },
            py::cpp_function(
                [](PatternSettings& s, const Language* l) {
                    s.sequence = l != nullptr && l->sequence;
                    s.enrichment = l != nullptr && !l->enrichment.empty() ? &l->enrichment : nullptr;
                    s.fixed = l != nullptr && !l->fixed.empty() ? &l->fixed : nullptr;
                },
                py::keep_alive<1, 2>()),
            "How the text is read, a Language of the same table (write-only); it keeps the language alive.");

    py::class_<Language>(m, "Language", "Formulas or ProForma sequences, with enrichment and fixed modifications.")
        .def(py::init(&MakeLanguage), py::arg("table"), py::arg("sequence"), py::arg("enrichment"), py::arg("fixed"),
             "Checks the enrichment ({'13C': 0.99}) and the fixed modifications ('Carbamidomethyl@C') against "
             "the table; raises ValueError with the reason.");

    py::class_<Resolution>(m, "Resolution", "An instrument's peak width as a function of m/z.")
        .def(py::init(&MakeResolution), py::arg("law"), py::arg("value"), py::arg("reference") = py::none(),
             "law is fwhm (value the width), tof, orbitrap or fticr (value the resolving power at reference).")
        .def("fwhm", &Resolution::Fwhm, py::arg("position"), "The full width at half maximum at a position.")
        .def_property_readonly("value", &Resolution::Value)
        .def_property_readonly("reference", &Resolution::Reference);

    py::class_<Adduct>(m, "Adduct", "An ion in the notation [nM+A-B...]z+, parsed against a table.")
        .def(py::init([](const Table& table, const py::handle& text) {
                 Adduct a;
                 std::string reason;
                 if (a.Parse(Utf8(text, "adduct"), table.elements, reason) != 0) throw py::value_error(reason);
                 return a;
             }),
             py::arg("table"), py::arg("text"), "Parses text against the table; raises ValueError with the reason.")
        .def_property_readonly("text", &Adduct::Text)
        .def_property_readonly("multiple", &Adduct::Multiple)
        .def_property_readonly("charge", &Adduct::Charge)
        .def_property_readonly("added", &Adduct::Added, "Atoms added, per element symbol.")
        .def_property_readonly("removed", &Adduct::Removed, "Atoms removed, per element symbol.");

    py::class_<Table>(m, "Table", "An isotope table as the library holds it.")
        .def(py::init([](const std::string& path) {
                 Table t;
                 std::string reason;
                 if (LoadIsotopeTable(path, t.elements, reason) != 0) RaiseTableError(reason);
                 return t;
             }),
             py::arg("path"), "Reads the isotope table file at path; raises TableError.")
        .def("__len__", [](const Table& t) { return t.elements.size(); })
        .def(
            "element", [](const Table& t, std::size_t i) { return ElementState(t.elements.at(i)); }, py::arg("index"),
            "Element i in file order as (symbol, number, masses, abundances).")
        .def(py::pickle(
            [](const Table& t) {
                py::list state;
                for (const AtomIsoAbun& e : t.elements) state.append(ElementState(e));
                return state;
            },
            [](const py::list& state) { return TableFromState(state); }))
        .def_static("from_state", &TableFromState, py::arg("state"),
                    "A table from element states (symbol, number, masses, abundances), read as a table file is.");

    m.def("formula_of", &FormulaOf, py::arg("table"), py::arg("text"), py::arg("language"),
          "The atoms of a formula or sequence as (dict, canonical formula, charge); raises FormulaError.");
    m.def("calculate_many", &CalculateMany, py::arg("table"), py::arg("formulas"), py::arg("settings"),
          py::arg("threads"), py::arg("pattern"), py::arg("resolution") = py::none(),
          "The patterns of many formulas (a list of str) on `threads` threads (0: one per core), the calling one "
          "included, the GIL released while they calculate, as (results, indices of the failures): each result "
          "is a `pattern` (the Pattern class) of that resolution, or the exception object of its failure.");
    m.def("match", &MatchSpectrum, py::arg("table"), py::arg("mz"), py::arg("intensity"), py::arg("candidates"),
          py::arg("sequence"), py::arg("resolution"), py::arg("ppm_and_floors"), py::arg("min_charge"),
          py::arg("max_charge"), py::arg("threads"),
          "Each candidate's best ion fitted to the spectrum (match/Match.h), the ions calculated on `threads` "
          "threads (0: one per core).");
    m.def("match_scans", &MatchScans, py::arg("table"), py::arg("path"), py::arg("candidates"), py::arg("sequence"),
          py::arg("resolution"), py::arg("ppm_and_floors"), py::arg("min_charge"), py::arg("max_charge"),
          py::arg("from_minutes"), py::arg("to_minutes"), py::arg("threads"),
          "Each candidate's best ion fitted to each MS1 scan of an mzML/mzXML run in the range (match/MzScans.h).");
    m.def("read_spectrum", &ReadSpectrumArrays, py::arg("path"), py::arg("scan"), py::arg("profile"),
          py::arg("estimate") = py::none(),
          "A peak list or MGF block as (mz, intensity); profile data centroided at the given resolution, or with "
          "`estimate` (an analyzer) at the one their peak widths show.");
    m.def("estimate_resolution", &EstimateProfileResolution, py::arg("mz"), py::arg("intensity"), py::arg("analyzer"),
          "The resolving power of a profile's peaks as (R0, reference m/z, peaks measured) "
          "(match/ProfileResolution.h).");
    m.def("fit_enrichment", &FitLabelEnrichment, py::arg("table"), py::arg("mz"), py::arg("intensity"),
          py::arg("candidate"), py::arg("sequence"), py::arg("resolution"), py::arg("ppm"), py::arg("noise_floor"),
          py::arg("min_charge"), py::arg("max_charge"), py::arg("label"), py::arg("lowest"),
          "The label's enrichment in the candidate's best ion as (ion, charge, enrichment, uncertainty, residual) "
          "(match/EnrichmentFit.h).");
    m.def("distance", &Distances, py::arg("position_a"), py::arg("intensity_a"), py::arg("position_b"),
          py::arg("intensity_b"), py::arg("ppm"),
          "(Wasserstein distance, cosine similarity) of two stick spectra; raises ValueError with the reason.");
    m.def("default_table_path", &DefaultTableFor, py::arg("package_dir"),
          "The table morvane reads when none is named, for the package installed at package_dir.");
    m.def("centroids", &Centroids, py::arg("mass"), py::arg("abundance"), py::arg("resolution"), py::arg("floor"),
          py::arg("area"),
          "The centroids of the profile of the peaks at a Resolution, as (mass, abundance) arrays; with `area` "
          "each has the profile's area between its valleys instead of the abundance of the peaks there.");
    m.def("resolved_profile", &ResolvedProfile, py::arg("mass"), py::arg("abundance"), py::arg("resolution"),
          "The profile of the peaks at a Resolution on the library's grid, as (x, intensity) arrays.");
    m.def("profile", &ProfileAt, py::arg("mass"), py::arg("abundance"), py::arg("fwhm"), py::arg("x"),
          "The library's Gaussian peak profile (GaussianList::intensity) at the positions x.");
}
