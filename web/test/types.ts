// Compiled by tsc (never run): the package's declarations as a TypeScript
// user meets them, imported by the package's name.
import { pattern, patterns, formulaOf, centroids, resolvedProfile, distance, MorvaneError, FRONT_END_COVERAGE,
  version, type Pattern, type PatternOptions } from "morvane";

const options: PatternOptions = { adduct: "[M+H]+", resolution: 60000, analyzer: "orbitrap", at: 200, profile: true };
const p: Pattern = pattern("C6H12O6", options);
const positions: Float64Array = p.mass;
const top: number = p.mostAbundant[1] + FRONT_END_COVERAGE;
const many: Pattern[] = patterns(["H2O", "CO2"], { threshold: 1e-3, binning: "nominal" });
const atoms: Record<string, number> = formulaOf("PEPTIDE/2", { sequence: true, fixed: ["Carbamidomethyl@C"] }).atoms;
const c = centroids(p.mass, p.abundance, { fwhm: 0.01, intensity: "area" });
const profile = resolvedProfile([1, 2], [0.5, 0.5], { resolution: "1000@200", analyzer: "fticr" });
const d: { wasserstein: number; cosine: number } = distance(p, { mass: [181.07], abundance: [1] }, 5);
try {
  pattern("Xx");
} catch (e) {
  if (e instanceof MorvaneError) console.log(e.status, e.message);
}
console.log(version, positions, top, many, atoms, c.mass, profile.y, d, p.composition?.[0]?.isotopes);
