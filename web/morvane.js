// morvane for JavaScript: isotope patterns calculated by morvane's C++
// library compiled to WebAssembly, in the browser, a worker or node. The
// module is compiled once, when this file is imported; every call after
// that is synchronous. The numbers are the bits the native morvane prints
// for the same settings.
import createMorvaneCore from "./morvane-core.js";

const inNode = typeof process === "object" && typeof process.versions?.node === "string";

// Node cannot fetch the .wasm from a file URL: hand it the bytes.
async function loadCore() {
  if (!inNode) return createMorvaneCore();
  const { readFile } = await import("node:fs/promises");
  const wasmBinary = await readFile(new URL("./morvane-core.wasm", import.meta.url));
  return createMorvaneCore({ wasmBinary });
}

const core = await loadCore();

/** The library's version, as the tools' usage text shows it. */
export const version = core.version;
/** The coverage target of the front-ends' default. */
export const FRONT_END_COVERAGE = core.FRONT_END_COVERAGE;

/** A failure of the library: `status` is the exit status morvane gives for it. */
export class MorvaneError extends Error {
  constructor(reason, status) {
    super(reason);
    this.name = "MorvaneError";
    this.status = status;
  }
}

function checked(result) {
  if (result.status !== 0) throw new MorvaneError(result.reason, result.status);
  delete result.status;
  return result;
}

function number(value, message) {
  const x = typeof value === "string" && value.trim() !== "" ? Number(value) : value;
  if (typeof x !== "number" || Number.isNaN(x)) throw new MorvaneError(message, 5);
  return x;
}

const ANALYZERS = ["tof", "orbitrap", "fticr"];

// [law, value, reference (0: the analyzer's)] of the resolution options, or
// ["", 0, 0] without an instrument.
function instrument({ resolution = null, analyzer = "orbitrap", at = null, fwhm = null }) {
  if (fwhm !== null) {
    if (resolution !== null || at !== null)
      throw new MorvaneError("fwhm is a resolution of its own: leave out resolution and at", 5);
    return ["fwhm", number(fwhm, "peak width must be > 0"), 0];
  }
  if (resolution === null) {
    if (at !== null) throw new MorvaneError("at needs resolution", 5);
    return ["", 0, 0];
  }
  if (!ANALYZERS.includes(analyzer)) throw new MorvaneError("analyzer must be tof, orbitrap or fticr", 5);
  if (typeof resolution === "string" && resolution.includes("@")) {
    if (at !== null) throw new MorvaneError("give the reference m/z either in resolution or as at", 5);
    [resolution, at] = resolution.split("@", 2);
  }
  const power = number(resolution, "resolution must be > 0");
  const reference = at === null ? 0 : number(at, "reference m/z must be > 0");
  if (at !== null && !(reference > 0)) throw new MorvaneError("reference m/z must be > 0", 5);
  return [analyzer, power, reference];
}

// The plain object binding.cpp reads, every field present.
function request(options) {
  const o = { charge: 0, mz: false, threshold: null, coverage: null, merge: null, normalize: false, filter: 0,
    adduct: null, sequence: false, enrichment: {}, fixed: [], binning: "merge", composition: false,
    intensity: "sum", profile: false, ...options };
  if (o.threshold !== null && o.coverage !== null) throw new MorvaneError("give a threshold or a coverage, not both", 5);
  if (o.coverage !== null) {
    const c = number(o.coverage, "coverage must be between 0 and 1");
    if (!(c > 0 && c < 1)) throw new MorvaneError("coverage must be between 0 and 1", 5);
  }
  if (o.adduct !== null && (o.charge !== 0 || o.mz))
    throw new MorvaneError("an adduct sets the charge; leave out charge and mz", 5);
  if (!["merge", "nominal"].includes(o.binning)) throw new MorvaneError('binning must be "merge" or "nominal"', 5);
  if (!["sum", "area"].includes(o.intensity)) throw new MorvaneError('intensity must be "sum" or "area"', 5);
  const [law, value, reference] = instrument(o);
  if (law === "" && o.intensity === "area")
    throw new MorvaneError('intensity="area" is for centroids: give resolution or fwhm', 5);
  if (!Number.isInteger(Number(o.charge))) throw new MorvaneError("charge must be integer", 5);
  return {
    charge: Number(o.charge), mz: Boolean(o.mz),
    threshold: o.threshold === null ? 0.001 : number(o.threshold, "threshold must be between 0 and 1"),
    coverage: o.coverage !== null ? number(o.coverage, "") : o.threshold === null ? FRONT_END_COVERAGE : 0,
    merge: o.merge === null ? 0.1 : number(o.merge, "peak merge must be >= 0"), mergeGiven: o.merge !== null,
    normalize: Boolean(o.normalize), filter: number(o.filter, "filter must be between 0 and 100"),
    adduct: o.adduct ?? "", sequence: Boolean(o.sequence), enrichment: o.enrichment ?? {}, fixed: o.fixed ?? [],
    nominal: o.binning === "nominal", composition: Boolean(o.composition), area: o.intensity === "area",
    law, value, reference, profile: Boolean(o.profile),
  };
}

function text(formula) {
  if (typeof formula !== "string") throw new TypeError(`formula must be a string, not ${typeof formula}`);
  return formula;
}

/**
 * The isotope pattern of one formula (or ProForma sequence with
 * `sequence: true`), with the options of the Python package's pattern().
 * Throws MorvaneError with the library's reason.
 */
export function pattern(formula, options = {}) {
  const result = checked(core.calculate(text(formula), request(options)));
  result.formula = formula;
  result.adduct = options.adduct ?? "";
  return result;
}

/** The patterns of many formulas with the same options, in order. */
export function patterns(formulas, options = {}) {
  const settings = request(options);
  return Array.from(formulas, (f) => {
    const result = checked(core.calculate(text(f), settings));
    result.formula = f;
    result.adduct = options.adduct ?? "";
    return result;
  });
}

/** The atoms of a formula or sequence: {atoms, formula, charge}. */
export function formulaOf(formula, { sequence = false, fixed = [] } = {}) {
  return checked(core.formulaOf(text(formula), Boolean(sequence), fixed));
}

/** The profile of peaks as an instrument records it: {x, y} on the library's grid. */
export function resolvedProfile(mass, abundance, options) {
  const [law, value, reference] = instrument(options);
  if (law === "") throw new MorvaneError("give resolution or fwhm", 5);
  return checked(core.resolvedProfile(mass, abundance, law, value, reference));
}

/** The centroids of peaks at an instrument: {mass, abundance}. */
export function centroids(mass, abundance, { floor = 1e-6, intensity = "sum", ...options } = {}) {
  const [law, value, reference] = instrument(options);
  if (law === "") throw new MorvaneError("give resolution or fwhm", 5);
  if (!["sum", "area"].includes(intensity)) throw new MorvaneError('intensity must be "sum" or "area"', 5);
  return checked(core.centroids(mass, abundance, law, value, reference, floor, intensity === "area"));
}

/**
 * The ion of `formula` with these options (an adduct, a charge, or a
 * sequence's suffix) looked for in a measured peak list {mass, abundance}
 * by the library's matching, at the options' instrument: {charge, score,
 * cosine, wasserstein, explained, monoPpm (null when not found), rmsPpm,
 * found, expected}.
 */
export function match(formula, measured, options = {}) {
  return checked(core.match(text(formula), request(options), measured.mass, measured.abundance));
}

/** The Wasserstein distance and cosine similarity (peaks matched within ppm) of two stick spectra. */
export function distance(a, b, ppm = 10) {
  return checked(core.distance(a.mass, a.abundance, b.mass, b.abundance, ppm));
}
