// Types of morvane's JavaScript package (morvane.js).

/** The library's version. */
export const version: string;
/** The coverage target of the front-ends' default (0.999999). */
export const FRONT_END_COVERAGE: number;

/** A failure of the library; `status` is the exit status morvane gives for it (2 formula, 5 setting, 6 calculation). */
export class MorvaneError extends Error {
  readonly status: number;
  constructor(reason: string, status: number);
}

export type Analyzer = "tof" | "orbitrap" | "fticr";

/** An instrument: a resolving power (with analyzer and reference m/z) or a constant peak width. */
export interface InstrumentOptions {
  /** Resolving power, or "R@m0". */
  resolution?: number | string | null;
  analyzer?: Analyzer;
  /** Reference m/z of the resolving power (orbitrap 200, fticr 400 by default). */
  at?: number | string | null;
  /** A constant full width at half maximum instead. */
  fwhm?: number | string | null;
}

/** The settings of a pattern, as the Python package's pattern() takes them. */
export interface PatternOptions extends InstrumentOptions {
  charge?: number;
  /** Positions are m/z. */
  mz?: boolean;
  /** Probability threshold relative to the most probable variant; not with coverage. */
  threshold?: number | string | null;
  /** Coverage target (0 to 1); without it or a threshold, FRONT_END_COVERAGE. */
  coverage?: number | string | null;
  /** Merge distance of the peaks. */
  merge?: number | string | null;
  /** The largest peak becomes 100. */
  normalize?: boolean;
  /** Smallest percentage of the largest peak kept. */
  filter?: number | string;
  /** The ion, as [M+H]+, [M+2H]2+, [M-H]-. */
  adduct?: string | null;
  /** The text is a ProForma peptide. */
  sequence?: boolean;
  /** Enrichment of isotope labels: {"13C": 0.99}. */
  enrichment?: Record<string, number>;
  /** Fixed modifications of peptides: ["Carbamidomethyl@C"]. */
  fixed?: string[];
  binning?: "merge" | "nominal";
  /** Work out what each peak is made of (not with an instrument). */
  composition?: boolean;
  /** A centroid's intensity: the variants' abundance or the profile's area. */
  intensity?: "sum" | "area";
  /** With an instrument: its profile too, for drawing. */
  profile?: boolean;
}

export interface PeakMakeup {
  /** The isotopes of the peak's most probable variant other than the most abundant ones ("13C2"). */
  isotopes: string;
  /** That variant's share of the peak. */
  share: number;
}

export interface Pattern {
  formula: string;
  adduct: string;
  charge: number;
  /** Positions are m/z. */
  mz: boolean;
  /** Peak positions, ascending, the bits morvane prints. */
  mass: Float64Array;
  abundance: Float64Array;
  /** Sum of the kept variants' probabilities. */
  coverage: number;
  monoisotopic: number;
  average: number;
  nominal: number;
  /** [position, abundance] of the first largest peak. */
  mostAbundant: [number, number];
  composition: PeakMakeup[] | null;
  /** With an instrument: the variants it saw. */
  variants: { mass: Float64Array; abundance: Float64Array } | null;
  /** With an instrument and `profile`: its profile, or null when too large to draw. */
  profile: { x: Float64Array; y: Float64Array } | null;
}

/** The isotope pattern of one formula or sequence; throws MorvaneError. */
export function pattern(formula: string, options?: PatternOptions): Pattern;
/** The patterns of many formulas with the same options, in order; throws MorvaneError at the first failure. */
export function patterns(formulas: Iterable<string>, options?: PatternOptions): Pattern[];
/** The atoms of a formula or sequence, its canonical formula and a sequence's charge suffix. */
export function formulaOf(
  formula: string,
  options?: { sequence?: boolean; fixed?: string[] },
): { atoms: Record<string, number>; formula: string; charge: number };

type Numbers = ArrayLike<number>;
/** The profile of peaks as an instrument records it, on the library's grid. */
export function resolvedProfile(mass: Numbers, abundance: Numbers, options: InstrumentOptions): { x: Float64Array; y: Float64Array };
/** The centroids of peaks at an instrument. */
export function centroids(
  mass: Numbers,
  abundance: Numbers,
  options: InstrumentOptions & { floor?: number; intensity?: "sum" | "area" },
): { mass: Float64Array; abundance: Float64Array };
/** Wasserstein distance and cosine similarity (peaks matched within ppm) of two stick spectra. */
/** An ion's envelope found in a measured peak list. */
export interface MatchFit {
  charge: number;
  score: number;
  cosine: number;
  wasserstein: number;
  explained: number;
  monoPpm: number | null;
  rmsPpm: number;
  found: number;
  expected: number;
}

export function match(formula: string, measured: { mass: Numbers; abundance: Numbers }, options?: PatternOptions): MatchFit;

export function distance(
  a: { mass: Numbers; abundance: Numbers },
  b: { mass: Numbers; abundance: Numbers },
  ppm?: number,
): { wasserstein: number; cosine: number };
