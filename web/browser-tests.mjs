// The page in a real browser (Debian's chromium, driven by playwright-core),
// as a chemist uses it: formulas typed, settings changed, exports saved,
// a long calculation cancelled. Every number the page shows at 17 digits is
// compared with native morvane-batch's, bit for bit.
//
//   node browser-tests.mjs SITE_DIR MORVANE_BATCH OUT_DIR
//
// SITE_DIR is the build folder's web/ (the page and the module), served on
// 127.0.0.1 by this script for as long as it runs; the screenshot goes to
// OUT_DIR. Prints the measurements, then "N passed, N failed"; exits 1 on
// any failure.
import { createServer } from "node:http";
import { readFile, writeFile } from "node:fs/promises";
import { execFileSync } from "node:child_process";
import { extname, join, normalize } from "node:path";
import { chromium } from "playwright-core";

const [site, batch, outDir] = process.argv.slice(2);
if (!site || !batch || !outDir) {
  console.error("usage: node browser-tests.mjs SITE_DIR MORVANE_BATCH OUT_DIR");
  process.exit(2);
}
const CHROMIUM = process.env.CHROMIUM ?? "/usr/bin/chromium";

// ---- A static server on the loopback address only.

const TYPES = { ".html": "text/html", ".js": "text/javascript", ".mjs": "text/javascript", ".css": "text/css",
  ".wasm": "application/wasm", ".json": "application/json", ".svg": "image/svg+xml" };

function serve(root) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://localhost").pathname));
    const file = join(root, path.endsWith("/") ? `${path}index.html` : path);
    try {
      const body = await readFile(file);
      response.writeHead(200, { "Content-Type": TYPES[extname(file)] ?? "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// ---- The settings of each input, as the page's address and as morvane-batch's options.

const DEFAULT_COVERAGE = "0.999999";
// The page's defaults, which its address leaves out.
const DEFAULT_SETTINGS = { f: "C6H12O6", seq: "0", adduct: "", z: "0", mode: "coverage", cov: DEFAULT_COVERAGE,
  t: "0.001", norm: "1", an: "none", R: "", at: "", digits: "8", zoom: "" };

function batchArguments(s) {
  const args = ["-p", "17"];
  if (s.norm !== "0") args.push("-n");
  if (s.mode === "threshold") args.push("-t", s.t);
  else if (s.cov && s.cov !== DEFAULT_COVERAGE) args.push("--coverage", s.cov);
  if (s.adduct) args.push("-a", s.adduct);
  else if (s.z && s.z !== "0") args.push("-z", s.z);
  if (s.seq === "1") args.push("--sequences");
  if (s.an === "fwhm") args.push("--fwhm", s.R);
  else if (s.an && s.an !== "none") args.push("--analyzer", s.an, "--resolution", s.at ? `${s.R}@${s.at}` : s.R);
  return args;
}

// null when morvane-batch refuses the formula.
function nativeRows(formula, s) {
  let out;
  try {
    out = execFileSync(batch, batchArguments(s), { input: `${formula}\n`, encoding: "utf8",
      stdio: ["pipe", "pipe", "ignore"] });
  } catch {
    return null;
  }
  return out.trim().split("\n").slice(1).map((line) => line.split("\t").slice(-2).map(Number));
}

const FORMULAS = ["C6H12O6", "H2O", "CO2", "CH4", "C2H5OH", "C8H10N4O2", "C9H8O4", "C20H25N3O", "C27H46O",
  "C43H66N12O12S2", "C50H71N13O12", "C63H98N18O13S", "C254H377N65O75S6", "C100H160N30O30S2", "C60", "C70",
  "Fe2O3", "CuSO4.5H2O", "Ca(OH)2", "[13C]6H12O6", "D2O", "C6H5Br", "C6H4Cl2", "SnCl4", "HgCl2", "C12H8Br2",
  "Pt(NH3)2Cl2", "C1000H1500N250O300S10", "C2934H4615N781O897S39", "K4Fe(CN)6"];
const CASES = [
  ...FORMULAS.map((f) => ({ f })),
  ...["C6H12O6", "C43H66N12O12S2", "C254H377N65O75S6", "C2934H4615N781O897S39", "SnCl4"].map((f) => ({ f,
    mode: "threshold", t: "1e-3" })),
  ...["C6H12O6", "C63H98N18O13S", "C100H160N30O30S2"].map((f) => ({ f, mode: "threshold", t: "1e-9", norm: "0" })),
  { f: "C6H12O6", cov: "0.99" },
  // Probabilities far below the double range on the way: the recurrence's scaled arithmetic.
  { f: "S300", mode: "threshold", t: "0", norm: "0" }, { f: "C500O200", mode: "threshold", t: "1e-320", norm: "0" },
  { f: "C6H12O6", adduct: "[M+H]+" }, { f: "C6H12O6", adduct: "[M+Na]+" }, { f: "C43H66N12O12S2", adduct: "[M+2H]2+" },
  { f: "C9H8O4", adduct: "[M-H]-" }, { f: "C8H10N4O2", adduct: "[2M+H]+" }, { f: "C27H46O", z: "1" },
  { f: "PEPTIDE", seq: "1" }, { f: "PEPTIDE/2", seq: "1" }, { f: "[Acetyl]-PEM[Oxidation]K", seq: "1" },
  { f: "ACDEFGHIKLMNPQRSTVWY", seq: "1", adduct: "[M+3H]3+" },
  { f: "C100H160N30O30S2", an: "orbitrap", R: "60000", at: "200" },
  { f: "C254H377N65O75S6", an: "orbitrap", R: "120000", at: "200", adduct: "[M+5H]5+" },
  { f: "C63H98N18O13S", an: "tof", R: "30000" }, { f: "C254H377N65O75S6", an: "fticr", R: "1000000", at: "400" },
  { f: "C60", an: "fwhm", R: "0.5" }, { f: "C6H4Cl2", an: "fwhm", R: "0.7" },
  { f: "C2934H4615N781O897S39", an: "orbitrap", R: "30000", at: "200", mode: "threshold", t: "1e-4" },
];

// The address of an input's settings, with H2 in place of its formula,
// which is then typed: the address always changes, as no input is H2.
function hashOf(s) {
  const p = new URLSearchParams({ f: "H2" });
  for (const [k, v] of Object.entries(s)) if (k !== "f") p.set(k, v);
  p.set("digits", "17");
  return p.toString();
}

// ---- The tests.

const results = [];
const facts = {};

async function check(name, body) {
  try {
    await body();
    results.push([name, null]);
    console.log(`ok: ${name}`);
  } catch (e) {
    results.push([name, e]);
    console.log(`FAILED: ${name}: ${e.stack || e}`);
  }
}

function assert(condition, message) {
  if (!condition) throw new Error(message);
}

// Waits for the calculation that `act` starts to end; returns the page's state.
async function settled(page, act) {
  await page.evaluate(() => { document.body.dataset.state = "stale"; });
  await act();
  await page.waitForFunction(() => ["done", "error", "cancelled"].includes(document.body.dataset.state),
    null, { timeout: 120000 });
  return page.evaluate(() => document.body.dataset.state);
}

async function tableRows(page) {
  return page.$$eval("#peaks tbody tr", (rows) => rows.map((r) => [r.cells[1].textContent, r.cells[2].textContent]));
}

async function typeFormula(page, formula) {
  return settled(page, async () => {
    await page.fill("#formula", formula);
    await page.press("#formula", "Enter");
  });
}

const server = await serve(site);
const base = `http://127.0.0.1:${server.address().port}/`;
const browser = await chromium.launch({ executablePath: CHROMIUM, args: ["--no-sandbox"] });
try {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1200, height: 1000 } });
  const page = await context.newPage();
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));

  await check("the page opens and draws glucose", async () => {
    await page.goto(base);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    facts.readyMs = await page.evaluate(() => window.morvaneReadyMs);
    assert((await page.$$("#plot svg line")).length > 6, "no sticks drawn");
    assert((await tableRows(page)).length > 0, "no peak table");
  });

  let compared = 0;
  const mismatched = [];
  for (const c of CASES) {
    const s = { mode: "coverage", ...c };
    await settled(page, () => page.evaluate((h) => { location.hash = h; }, hashOf(s)));
    const state = await typeFormula(page, c.f);
    const shown = await tableRows(page);
    const expected = nativeRows(c.f, s);
    const same = expected === null ? state === "error" : state === "done" && shown.length === expected.length &&
      shown.every(([m, a], i) => Number(m) === expected[i][0] && Number(a) === expected[i][1]);
    if (same) ++compared;
    else mismatched.push(`${c.f} #${hashOf(s)} (${state}, ${shown.length} rows, ${expected.length} expected)`);
  }
  facts.compared = compared;
  await check(`${CASES.length} typed inputs equal morvane-batch's bits at 17 digits`, () =>
    assert(mismatched.length === 0, `differ: ${mismatched.join("; ")}`));

  // The form as the page shows it, in the address's names.
  const shownSettings = () => page.evaluate(() => ({
    f: formula.value, seq: sequence.checked ? "1" : "0", adduct: adduct.value, z: charge.value, t: threshold.value,
    cov: coverage.value, an: analyzer.value, R: power.value, at: reference.value, digits: digits.value,
    mode: document.querySelector("input[name=mode]:checked").value, norm: normalize.checked ? "1" : "0" }));

  await check("the address round-trips every setting", async () => {
    const peptide = { f: "PEPTIDEK", seq: "1", adduct: "", z: "2", mode: "coverage", cov: "0.9999", t: "0.01",
      norm: "1", an: "fwhm", R: "0.02", at: "", digits: "15", zoom: "470:475" };
    const all = { f: "C43H66N12O12S2", seq: "0", adduct: "[M+2H]2+", z: "0", mode: "threshold", cov: "0.999",
      t: "1e-5", norm: "0", an: "orbitrap", R: "70000", at: "300", digits: "12", zoom: "600:606" };
    for (const settings of [peptide, all]) {
      await page.goto(`${base}#${new URLSearchParams(settings)}`);
      await page.reload();
      await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
      for (const [k, v] of Object.entries(await shownSettings()))
        assert(v === settings[k], `${k}: ${v} instead of ${settings[k]}`);
      const kept = new URLSearchParams((await page.evaluate(() => location.hash)).slice(1));
      for (const [k, v] of Object.entries(settings))
        assert((kept.get(k) ?? DEFAULT_SETTINGS[k]) === v, `address ${k}: ${kept.get(k)} instead of ${v}`);
    }
    const ticks = await page.$$eval("#plot svg text", (t) => t.map((e) => e.textContent));
    assert(ticks.includes("602") || ticks.includes("602.0"), `zoom not drawn: ${ticks.join(" ")}`);
    await settled(page, async () => {
      await page.selectOption("#analyzer", "tof");
      await page.fill("#power", "25000");
      await page.check("input[name=mode][value=coverage]");
    });
    const changed = new URLSearchParams((await page.evaluate(() => location.hash)).slice(1));
    assert(changed.get("an") === "tof" && changed.get("R") === "25000" && !changed.has("mode"),
      `changed settings not in the address: ${changed}`);
  });

  await check("the table exports as CSV with every number exact, the plot as SVG", async () => {
    await page.goto(`${base}#norm=0`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    const [download] = await Promise.all([page.waitForEvent("download"), page.click("#export-csv")]);
    assert(download.suggestedFilename() === "morvane-C6H12O6.csv", download.suggestedFilename());
    const lines = (await readFile(await download.path(), "utf8")).trim().split("\n");
    assert(lines[0] === "peak,mass,probability,composition,share", lines[0]);
    const expected = nativeRows("C6H12O6", { norm: "0" });
    assert(lines.length === expected.length + 1, `${lines.length - 1} rows`);
    lines.slice(1).forEach((line, i) => {
      const [, m, a] = line.split(",");
      assert(Number(m) === expected[i][0] && Number(a) === expected[i][1], `row ${i + 1}: ${line}`);
    });
    const [svg] = await Promise.all([page.waitForEvent("download"), page.click("#export-svg")]);
    const text = await readFile(await svg.path(), "utf8");
    assert(text.startsWith("<svg") && text.includes("% of largest peak"), "not the plot's SVG");
  });

  await check("a bad formula shows the library's message beside the input", async () => {
    const state = await typeFormula(page, "C6H12Xx");
    assert(state === "error", state);
    const message = await page.textContent("#error");
    assert(message === "unknown element symbol 'Xx' at position 6", message);
    assert(await page.isVisible("#error"), "message hidden");
    await typeFormula(page, "C6H12O6");
    assert((await page.textContent("#error")) === "", "message left after a good formula");
  });

  await check("a calculation beyond the library's reach shows its reason", async () => {
    await page.goto(`${base}#mode=threshold&t=0`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    const state = await typeFormula(page, "C1000000H2000000N300000O400000S10000");
    assert(state === "error", state);
    const message = await page.textContent("#error");
    assert(message.startsWith("cannot calculate distributions: the work bound was reached"), message);
  });

  await check("a cancelled long calculation stops, and the next one runs", async () => {
    await page.goto(`${base}#mode=threshold&t=1e-12`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    await page.fill("#formula", "C2934H4615N781O897S39");
    await page.press("#formula", "Enter");
    await page.waitForSelector("#cancel:not([hidden])", { timeout: 10000 });
    const progress = await page.textContent("#progress");
    assert(progress.startsWith("calculating"), progress);
    await page.click("#cancel");
    assert((await page.evaluate(() => document.body.dataset.state)) === "cancelled", "not cancelled");
    assert((await page.textContent("#progress")) === "cancelled", "no word of it");
    const state = await typeFormula(page, "C6H12O6");
    assert(state === "done", `next calculation: ${state}`);
  });

  await check("a pasted peak list is drawn as a mirror and scored by the library", async () => {
    await page.goto(`${base}#mode=threshold&norm=0`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    const rows = nativeRows("C6H12O6", { mode: "threshold", t: "1e-3", norm: "0" });
    const list = ["mz\tintensity", ...rows.map(([m, a]) => `${m}\t${a * 1000}`)].join("\n");
    await settled(page, async () => {
      await page.click("#measured-area summary");
      await page.fill("#measured", list);
    });
    assert((await page.textContent("#measured-note")) === `${rows.length} peaks`, "peak list not read");
    assert((await page.$$("#plot svg g[stroke='#1f6f43'] line")).length === rows.length, "mirror not drawn");
    const shown = Number(await page.textContent("[data-fact='Cosine similarity to measured']"));
    const expected = await page.evaluate(async (peaks) => {
      const { pattern, distance } = await import("./morvane.js");
      return distance(pattern("C6H12O6", { threshold: "0.001" }), peaks).cosine;
    }, { mass: rows.map(([m]) => m), abundance: rows.map(([, a]) => a * 1000) });
    assert(shown === Number(expected.toPrecision(8)) && shown > 0.999, `cosine ${shown}, library ${expected}`);
  });

  await check("a pasted peak list is matched by the library at the instrument", async () => {
    const ion = { f: "C63H98N18O13S", adduct: "[M+2H]2+", an: "orbitrap", R: "60000", at: "200" };
    await page.goto(`${base}#f=C63H98N18O13S&adduct=%5BM%2B2H%5D2%2B&an=orbitrap&R=60000&at=200`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    const rows = nativeRows(ion.f, ion);
    const list = rows.map(([m, a]) => `${m}\t${a}`).join("\n");
    await settled(page, async () => {
      await page.evaluate(() => { document.querySelector("#measured-area").open = true; });
      await page.fill("#measured", list);
    });
    const shown = Number(await page.textContent("[data-fact='Match score']"));
    const found = await page.textContent("[data-fact='Peaks found in measured']");
    const expected = await page.evaluate(async (peaks) => {
      const { match } = await import("./morvane.js");
      return match("C63H98N18O13S", peaks, { adduct: "[M+2H]2+", resolution: 60000, analyzer: "orbitrap", at: 200 });
    }, { mass: rows.map(([m]) => m), abundance: rows.map(([, a]) => a) });
    assert(shown === Number(expected.score.toPrecision(8)) && shown > 0.99, `score ${shown}, library ${expected.score}`);
    assert(found === `${expected.expected} of ${expected.expected}`, `found ${found}`);
    await settled(page, async () => page.fill("#measured", ""));
  });

  await check("a screenshot of the page is not blank", async () => {
    await page.goto(`${base}#f=C254H377N65O75S6&an=orbitrap&R=60000&at=200&adduct=%5BM%2B4H%5D4%2B`);
    await page.waitForFunction(() => document.body.dataset.state === "done", null, { timeout: 30000 });
    const file = join(outDir, "web-screenshot.png");
    const png = await page.screenshot({ path: file, fullPage: true });
    const colours = await page.evaluate(async (data) => {
      const image = new Image();
      image.src = `data:image/png;base64,${data}`;
      await image.decode();
      const canvas = new OffscreenCanvas(image.width, image.height);
      const g = canvas.getContext("2d");
      g.drawImage(image, 0, 0);
      const pixels = g.getImageData(0, 0, image.width, image.height).data;
      const seen = new Set();
      let ink = 0;
      for (let i = 0; i < pixels.length; i += 4) {
        seen.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
        if (pixels[i] + pixels[i + 1] + pixels[i + 2] < 600) ++ink;
      }
      return { colours: seen.size, ink: ink / (pixels.length / 4) };
    }, png.toString("base64"));
    assert(colours.colours > 20 && colours.ink > 0.01, `blank: ${JSON.stringify(colours)}`);
    facts.screenshot = file;
  });

  await check("no script error on the page", async () => assert(problems.length === 0, problems.join("; ")));

  // The library's own speed in the browser's main thread, after a first call.
  facts.protein = await page.evaluate(async () => {
    const { pattern } = await import("./morvane.js");
    const f = "C2934H4615N781O897S39";
    pattern(f, { threshold: 1e-3 });
    const times = [];
    for (let i = 0; i < 5; ++i) {
      const t = performance.now();
      pattern(f, { threshold: 1e-3 });
      times.push(performance.now() - t);
    }
    return times.sort((a, b) => a - b)[2];
  });
} finally {
  await browser.close();
  server.close();
}

console.log(`page ready (module compiled, glucose drawn): ${facts.readyMs?.toFixed(0)} ms`);
console.log(`66 kDa protein at -t 1e-3 after the first call: ${facts.protein?.toFixed(1)} ms (median of 5)`);
console.log(`inputs compared bit for bit: ${facts.compared} of ${CASES.length}`);
if (facts.screenshot) console.log(`screenshot: ${facts.screenshot}`);
await writeFile(join(outDir, "web-measurements.json"), JSON.stringify(facts, null, 1));
const failed = results.filter(([, e]) => e).length;
console.log(`${results.length - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
