// The package as a JavaScript developer meets it: imported by its name,
// each call compared with the numbers native morvane-batch prints (its path
// in MORVANE_BATCH) for the same settings.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { writeFileSync, mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pattern, patterns, formulaOf, centroids, resolvedProfile, distance, match, MorvaneError,
  FRONT_END_COVERAGE, version } from "morvane";

const batch = process.env.MORVANE_BATCH;
const matcher = process.env.MORVANE_MATCH;

// [mass, abundance] rows morvane-batch prints at 17 digits for one formula.
function native(formula, args) {
  const out = execFileSync(batch, ["-p", "17", ...args], {
    input: `${formula}\n`, encoding: "utf8", stdio: ["pipe", "pipe", "ignore"] });
  return out.trim().split("\n").slice(1).map((line) => line.split("\t").slice(-2).map(Number));
}

function same(result, rows) {
  assert.deepEqual(Array.from(result.mass, (m, i) => [m, result.abundance[i]]), rows);
}

test("the package's constants", () => {
  assert.equal(FRONT_END_COVERAGE, 0.999999);
  assert.match(version, /^\d+\.\d+\.\d+$/);
});

test("patterns equal morvane-batch's bits", { skip: !batch && "MORVANE_BATCH not set" }, () => {
  same(pattern("C6H12O6"), native("C6H12O6", []));
  same(pattern("C6H12O6", { threshold: 1e-3, normalize: true }), native("C6H12O6", ["-t", "1e-3", "-n"]));
  same(pattern("C2934H4615N781O897S39", { threshold: 1e-9 }), native("C2934H4615N781O897S39", ["-t", "1e-9"]));
  same(pattern("C6H12O6", { adduct: "[M+Na]+" }), native("C6H12O6", ["-a", "[M+Na]+"]));
  same(pattern("PEPTIDE/2", { sequence: true }), native("PEPTIDE/2", ["--sequences"]));
  same(pattern("C100H160N30O30S2", { resolution: 60000, charge: 2, mz: true }),
    native("C100H160N30O30S2", ["--resolution", "60000", "-mtz", "2"]));
  same(pattern("C60", { fwhm: 0.5 }), native("C60", ["--fwhm", "0.5"]));
});

// A centroid's area comes from erfc, which the browser's C library (musl)
// rounds differently from glibc in the last place now and then.
test("centroid areas within an ulp or two of morvane-batch's", { skip: !batch && "MORVANE_BATCH not set" }, () => {
  const r = pattern("C60", { fwhm: 0.5, intensity: "area" });
  const rows = native("C60", ["--fwhm", "0.5", "--centroid-intensity", "area"]);
  assert.deepEqual(Array.from(r.mass), rows.map(([m]) => m));
  r.abundance.forEach((a, i) => assert.ok(Math.abs(a - rows[i][1]) <= 4e-16 * rows[i][1], `peak ${i + 1}`));
});

test("failures raise MorvaneError with the library's reason and status", () => {
  assert.throws(() => pattern("C6H12Xx"), (e) => e instanceof MorvaneError && e.status === 2 && /Xx/.test(e.message));
  assert.throws(() => pattern("C6", { threshold: 2 }), (e) => e instanceof MorvaneError && e.status === 5);
  assert.throws(() => pattern("C6", { threshold: 0.1, coverage: 0.9 }), /threshold or a coverage/);
  assert.throws(() => pattern("C6", { adduct: "[M+Q]+" }), (e) => e instanceof MorvaneError && e.status === 5);
  assert.throws(() => pattern(42), TypeError);
});

test("the facts, composition and many formulas", () => {
  const p = pattern("C6H12O6", { composition: true, threshold: 1e-3 });
  assert.equal(p.nominal, 180);
  assert.equal(p.composition[1].isotopes, "13C");
  assert.deepEqual(formulaOf("CH3CH2OH"), { atoms: { C: 2, H: 6, O: 1 }, formula: "C2H6O", charge: 0 });
  const many = patterns(["H2O", "CO2"], { threshold: 1e-3 });
  assert.deepEqual(many.map((r) => r.formula), ["H2O", "CO2"]);
});

test("centroids, profiles and distances of given peaks", () => {
  const p = pattern("C6H12O6", { threshold: 1e-3 });
  const c = centroids(p.mass, p.abundance, { fwhm: 5 });
  assert.equal(c.mass.length, 1);
  const prof = resolvedProfile(p.mass, p.abundance, { resolution: 1000, analyzer: "tof" });
  assert.ok(prof.x.length > 10 && prof.x.length === prof.y.length);
  const d = distance(p, p);
  assert.equal(d.wasserstein, 0);
  assert.ok(Math.abs(d.cosine - 1) < 1e-12);
});

// A peptide as [M+2H]2+ at 60,000 @ 200 and a stray peak, as morvane-match's
// own test spectrum.
const MEASURED = { mass: [476.7585494, 477.2600363, 477.7613503, 478.2626275, 478.7638748, 700.1],
  abundance: [100000, 50838.9, 15546.7, 3524.51, 649.179, 3] };

test("a match equals morvane-match's", { skip: !matcher && "MORVANE_MATCH not set" }, () => {
  const file = join(mkdtempSync(join(tmpdir(), "morvane-")), "measured.csv");
  writeFileSync(file, MEASURED.mass.map((m, i) => `${m},${MEASURED.abundance[i]}`).join("\n") + "\n");
  for (const [candidate, adduct] of [["C42H69N11O14", "[M+2H]2+"], ["C42H70N11O14", "[M+2H]2+"]]) {
    const row = execFileSync(matcher, [file, `${candidate} ${adduct}`, "--resolution", "60000@200"],
      { encoding: "utf8" }).trim().split("\n")[1].split("\t");
    const m = match(candidate, MEASURED, { adduct, resolution: 60000, at: 200 });
    const eight = (x) => Number(x.toPrecision(8));
    assert.deepEqual([m.charge, eight(m.score), eight(m.cosine), eight(m.wasserstein), eight(m.explained),
      eight(m.monoPpm), eight(m.rmsPpm), m.found, m.expected],
    [2, ...row.slice(3, 9).map(Number), Number(row[9]), Number(row[10])]);
  }
  assert.throws(() => match("C42H69N11O14", MEASURED, {}), /resolution/);
});
