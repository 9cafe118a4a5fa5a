// The page: reads the settings from the form and the address, has the
// worker calculate, and shows the plot, the facts and the peak table. The
// address (after #) holds every setting, so a link shows the same pattern.
import { drawPattern, fullRange } from "./plot.js";

const $ = (id) => document.getElementById(id);
const form = $("settings");
const FRONT_END_COVERAGE = "0.999999";
const DEFAULTS = { f: "C6H12O6", seq: "0", adduct: "", z: "0", mode: "coverage", cov: FRONT_END_COVERAGE,
  t: "0.001", norm: "1", an: "none", R: "", at: "", digits: "8", zoom: "" };
const started = performance.now();

// ---- Settings: the form, the address.

function readForm() {
  return {
    f: $("formula").value, seq: $("sequence").checked ? "1" : "0", adduct: $("adduct").value.trim(),
    z: $("charge").value.trim() || "0", mode: form.elements.mode.value, cov: $("coverage").value.trim(),
    t: $("threshold").value.trim(), norm: $("normalize").checked ? "1" : "0", an: $("analyzer").value,
    R: $("power").value.trim(), at: $("reference").value.trim(), digits: $("digits").value || "8", zoom: state.zoom,
  };
}

function writeForm(s) {
  $("formula").value = s.f;
  $("sequence").checked = s.seq === "1";
  $("adduct").value = s.adduct;
  $("charge").value = s.z;
  form.elements.mode.value = s.mode;
  $("coverage").value = s.cov;
  $("threshold").value = s.t;
  $("normalize").checked = s.norm === "1";
  $("analyzer").value = s.an;
  $("power").value = s.R;
  $("reference").value = s.at;
  $("digits").value = s.digits;
  state.zoom = s.zoom;
  showAnalyzer();
}

function fromAddress() {
  const found = new URLSearchParams(location.hash.slice(1));
  const s = { ...DEFAULTS };
  for (const key of Object.keys(DEFAULTS)) if (found.has(key)) s[key] = found.get(key);
  return s;
}

// Only settings that differ from the defaults go into the address.
function toAddress(s) {
  const kept = new URLSearchParams();
  for (const [key, value] of Object.entries(s)) if (value !== DEFAULTS[key]) kept.set(key, value);
  const hash = kept.toString();
  if (location.hash.slice(1) !== hash) history.replaceState(null, "", hash ? `#${hash}` : location.pathname + location.search);
}

// The options of morvane.js's pattern() for settings `s`.
function patternOptions(s) {
  const o = { sequence: s.seq === "1", normalize: s.norm === "1", composition: s.an === "none", profile: true };
  if (s.adduct) o.adduct = s.adduct;
  else o.charge = Number(s.z);
  if (s.mode === "threshold") o.threshold = s.t;
  else o.coverage = s.cov;
  if (s.an === "fwhm") o.fwhm = s.R;
  else if (s.an !== "none") {
    o.analyzer = s.an;
    o.resolution = s.R;
    if (s.at) o.at = s.at;
  }
  return o;
}

// Fields that do not apply are disabled; the preset shows the instrument when it is one.
function showAnalyzer() {
  const an = $("analyzer").value;
  $("power-label").textContent = an === "fwhm" ? "Peak width (FWHM)" : "Resolving power";
  $("power").disabled = an === "none";
  $("reference").disabled = an === "none" || an === "fwhm" || an === "tof";
  $("charge").disabled = $("adduct").value.trim() !== "";
  const preset = [an, $("power").value.trim(), $("reference").value.trim()].join(":");
  const named = [...$("preset").options].find((o) => o.value === preset || (an === "none" && o.value === "none::"));
  $("preset").value = named ? named.value : "";
  $("coverage").disabled = form.elements.mode.value !== "coverage";
  $("threshold").disabled = form.elements.mode.value !== "threshold";
}

// ---- The worker: one calculation at a time; a new one, or Cancel, ends
// the worker of the one under way and starts another.

const state = { worker: null, ready: null, busy: null, next: 1, zoom: "", shown: null, settings: null, timer: 0,
  measured: null, shownMeasured: null };

function startWorker() {
  state.worker = new Worker(new URL("./worker.js", import.meta.url), { type: "module" });
  state.ready = new Promise((resolve) => {
    state.worker.addEventListener("message", function first(e) {
      if (e.data.ready) {
        state.worker.removeEventListener("message", first);
        resolve();
      }
    });
  });
  state.worker.addEventListener("message", ({ data }) => {
    if (state.busy && data.id === state.busy.id) finish(data);
  });
  state.worker.addEventListener("error", (e) => {
    if (state.busy) finish({ id: state.busy.id, error: { message: e.message || "the calculation stopped", status: 6 } });
  });
}

function setState(name) {
  document.body.dataset.state = name;
}

function stopWorker() {
  state.worker.terminate();
  startWorker();
  state.busy = null;
  clearInterval(state.timer);
  $("cancel").hidden = true;
}

function cancel() {
  if (!state.busy) return;
  stopWorker();
  $("progress").textContent = "cancelled";
  setState("cancelled");
}

async function calculate() {
  const s = readForm();
  toAddress(s);
  if (state.busy) stopWorker();
  const id = state.next++;
  state.busy = { id, settings: s, begun: performance.now() };
  setState("busy");
  $("progress").textContent = "";
  state.timer = setInterval(() => {
    const seconds = (performance.now() - state.busy.begun) / 1000;
    $("progress").textContent = `calculating… ${seconds.toFixed(1)} s`;
    $("cancel").hidden = false;
  }, 200);
  await state.ready;
  if (!state.busy || state.busy.id !== id) return;
  state.worker.postMessage({ id, formula: s.f, options: patternOptions(s), measured: state.measured });
  state.busy.sent = performance.now();
}

function finish({ result, error }) {
  const { settings, sent } = state.busy;
  const ms = performance.now() - sent;
  state.busy = null;
  clearInterval(state.timer);
  $("cancel").hidden = true;
  if (error) {
    $("error").textContent = error.message;
    $("progress").textContent = "";
    setState("error");
    return;
  }
  $("error").textContent = "";
  $("progress").textContent = `${result.mass.length} peaks in ${ms < 10 ? ms.toFixed(1) : Math.round(ms)} ms`;
  state.shown = result;
  state.shownMeasured = result.score ? state.measured : null;
  state.settings = settings;
  show();
  if (window.morvaneReadyMs === undefined) window.morvaneReadyMs = performance.now() - started;
  setState("done");
}

// ---- What is shown.

function digits() {
  return Math.min(17, Math.max(1, Number(state.settings.digits) || 8));
}

function format(x) {
  return x.toPrecision(digits());
}

function show() {
  drawPlot();
  showFacts();
  showTable();
}

function zoomRange() {
  const m = /^(-?[\d.e+-]+):(-?[\d.e+-]+)$/.exec(state.zoom);
  if (m && Number(m[1]) < Number(m[2])) return [Number(m[1]), Number(m[2])];
  const measured = state.shownMeasured ? state.shownMeasured.mass : [];
  return fullRange([...state.shown.mass, ...measured]);
}

function drawPlot() {
  if (!state.shown || state.shown.mass.length === 0) {
    $("plot").textContent = "";
    return;
  }
  drawPattern($("plot"), state.shown, state.shownMeasured, zoomRange(), (lo, hi) => {
    state.zoom = lo === null ? "" : `${lo.toPrecision(8)}:${hi.toPrecision(8)}`;
    toAddress(readForm());
    drawPlot();
  });
}

function showFacts() {
  const r = state.shown;
  const unit = r.mz ? "m/z" : "u";
  const facts = [
    ["Molecule", r.formula + (r.adduct ? ` as ${r.adduct}` : "")],
    ["Charge", String(r.charge)],
    ["Monoisotopic", `${format(r.monoisotopic)} ${unit}`],
    ["Average", `${format(r.average)} ${unit}`],
    ["Nominal mass", String(r.nominal)],
    ["Most abundant", `${format(r.mostAbundant[0])} ${unit}`],
    ["Probability covered", format(r.coverage)],
  ];
  if (r.score) facts.push(["Cosine similarity to measured", format(r.score.cosine)],
    ["Wasserstein distance to measured", `${format(r.score.wasserstein)} ${unit}`]);
  if (r.match) facts.push(["Match score", format(r.match.score)],
    ["Peaks found in measured", `${r.match.found} of ${r.match.expected}`],
    ["Monoisotopic error", r.match.monoPpm === null ? "not found" : `${format(r.match.monoPpm)} ppm`]);
  const dl = document.createElement("dl");
  for (const [name, value] of facts) {
    dl.appendChild(document.createElement("dt")).textContent = name;
    const dd = dl.appendChild(document.createElement("dd"));
    dd.textContent = value;
    dd.dataset.fact = name;
  }
  $("facts").replaceChildren(dl);
}

function columns() {
  const r = state.shown;
  const cols = ["peak", r.mz ? "m/z" : "mass", state.settings.norm === "1" ? "abundance (%)" : "probability"];
  if (r.composition) cols.push("composition", "share");
  return cols;
}

function rows() {
  const r = state.shown;
  return Array.from(r.mass, (m, i) => {
    const row = [String(i + 1), m, r.abundance[i]];
    if (r.composition) row.push(r.composition[i].isotopes, r.composition[i].share);
    return row;
  });
}

function showTable() {
  const head = document.createElement("tr");
  for (const c of columns()) head.appendChild(document.createElement("th")).textContent = c;
  $("peaks").tHead.replaceChildren(head);
  const body = document.createDocumentFragment();
  for (const row of rows()) {
    const tr = body.appendChild(document.createElement("tr"));
    row.forEach((v, i) => {
      const td = tr.appendChild(document.createElement("td"));
      td.textContent = typeof v === "number" ? format(v) : v;
      if (i === 3) td.className = "composition";
    });
  }
  $("peaks").tBodies[0].replaceChildren(body);
}

// ---- Exports: every number at 17 significant digits, the double exactly.

function download(name, type, content) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(new Blob([content], { type }));
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}

function fileName(extension) {
  return `morvane-${state.shown.formula.replace(/[^A-Za-z0-9._-]+/g, "_").slice(0, 60)}.${extension}`;
}

function csv() {
  const quote = (v) => (/[",\n]/.test(v) ? `"${v.replace(/"/g, '""')}"` : v);
  const lines = [columns().map(quote).join(",")];
  for (const row of rows()) lines.push(row.map((v) => (typeof v === "number" ? String(v) : quote(v))).join(","));
  return lines.join("\n") + "\n";
}

// ---- A measured peak list: two columns (position, intensity) pasted or
// dropped, drawn as a mirror and scored against the pattern by the
// library. Lines without two numbers (headers) are skipped.

function readPeakList(text) {
  const mass = [], abundance = [];
  for (const line of text.split(/\r?\n/)) {
    const words = line.trim().split(/[\s,;]+/);
    const [m, a] = words.map(Number);
    if (words.length >= 2 && Number.isFinite(m) && Number.isFinite(a) && a >= 0) {
      mass.push(m);
      abundance.push(a);
    }
  }
  return mass.length ? { mass, abundance } : null;
}

function takeMeasured() {
  const text = $("measured").value;
  state.measured = readPeakList(text);
  $("measured-note").textContent = text.trim() && !state.measured ? "no line holds two numbers"
    : state.measured ? `${state.measured.mass.length} peaks` : "";
  calculate();
}

// ---- Wiring.

let typing = 0;
function calculateSoon() {
  clearTimeout(typing);
  typing = setTimeout(calculate, 300);
}

form.addEventListener("submit", (e) => {
  e.preventDefault();
  clearTimeout(typing);
  calculate();
});
form.addEventListener("input", (e) => {
  if (e.target.id === "preset") return;
  if (e.target.id === "digits") {
    toAddress(readForm());
    if (state.shown) {
      state.settings = readForm();
      show();
    }
    return;
  }
  state.zoom = "";
  showAnalyzer();
  calculateSoon();
});
$("preset").addEventListener("change", () => {
  if (!$("preset").value) return;
  const [an, R, at] = $("preset").value.split(":");
  $("analyzer").value = an;
  $("power").value = R;
  $("reference").value = at;
  state.zoom = "";
  showAnalyzer();
  calculate();
});
$("cancel").addEventListener("click", cancel);
$("measured").addEventListener("input", () => {
  clearTimeout(typing);
  typing = setTimeout(takeMeasured, 300);
});
$("measured").addEventListener("dragover", (e) => e.preventDefault());
$("measured").addEventListener("drop", async (e) => {
  e.preventDefault();
  const file = e.dataTransfer.files[0];
  if (!file) return;
  $("measured").value = await file.text();
  takeMeasured();
});
$("unzoom").addEventListener("click", () => {
  state.zoom = "";
  toAddress(readForm());
  drawPlot();
});
$("export-csv").addEventListener("click", () => state.shown && download(fileName("csv"), "text/csv", csv()));
$("export-svg").addEventListener("click", () => {
  const svg = $("plot").querySelector("svg");
  if (svg) download(fileName("svg"), "image/svg+xml", new XMLSerializer().serializeToString(svg));
});
window.addEventListener("hashchange", () => {
  writeForm(fromAddress());
  calculate();
});

startWorker();
writeForm(fromAddress());
calculate();
