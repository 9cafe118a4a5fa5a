// The SVG picture of a pattern: sticks at the peaks and, with an
// instrument, its profile, against m/z (or mass) and % of the largest
// peak. Drawing only: every number drawn is the library's.
const NS = "http://www.w3.org/2000/svg";
const WIDTH = 860, HEIGHT = 340;
const LEFT = 58, RIGHT = 16, TOP = 14, BOTTOM = 44;

function element(name, attributes, parent) {
  const e = document.createElementNS(NS, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (parent) parent.appendChild(e);
  return e;
}

function text(parent, x, y, content, anchor = "middle") {
  const t = element("text", { x, y, "text-anchor": anchor, "font-size": 12, "font-family": "sans-serif",
    fill: "#333" }, parent);
  t.textContent = content;
  return t;
}

// About `count` round tick values from lo to hi.
export function ticks(lo, hi, count) {
  const raw = (hi - lo) / count;
  const magnitude = 10 ** Math.floor(Math.log10(raw));
  const step = [1, 2, 5, 10].map((m) => m * magnitude).find((s) => s >= raw);
  const decimals = Math.max(0, -Math.floor(Math.log10(step)));
  const out = [];
  for (let v = Math.ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) out.push(v.toFixed(decimals));
  return out;
}

// The largest of many numbers (spreading them into Math.max overflows the stack).
function maximum(values) {
  let top = -Infinity;
  for (const v of values) if (v > top) top = v;
  return top;
}

// The profile as [pixel, % of its top] points over [lo, hi]: a profile can
// hold millions of points, so each pixel column keeps its highest.
function profileLine({ x, y }, lo, hi, plotW) {
  const top = maximum(y);
  const columns = new Float64Array(Math.ceil(plotW) + 1).fill(-1);
  for (let i = 0; i < x.length; ++i) {
    if (x[i] < lo || x[i] > hi) continue;
    const c = Math.round(((x[i] - lo) / (hi - lo)) * plotW);
    columns[c] = Math.max(columns[c], (y[i] / top) * 100);
  }
  const line = [];
  columns.forEach((v, c) => v >= 0 && line.push([c, v]));
  return line;
}

// The range of positions shown when not zoomed: the peaks with a margin.
export function fullRange(mass) {
  const lo = -maximum(mass.map((m) => -m)), hi = maximum(mass);
  const pad = Math.max(0.5, (hi - lo) * 0.06);
  return [lo - pad, hi + pad];
}

// Draws `result` into `holder` over the positions [lo, hi]; returns the
// <svg>. `measured` ({mass, abundance}, or null) is drawn downwards, as a
// mirror. `onZoom(lo, hi)` is called when the user drags across the plot,
// `onZoom(null)` on a double-click.
export function drawPattern(holder, result, measured, [lo, hi], onZoom) {
  holder.textContent = "";
  const svg = element("svg", { xmlns: NS, viewBox: `0 0 ${WIDTH} ${HEIGHT}`, width: WIDTH, height: HEIGHT }, holder);
  element("rect", { x: 0, y: 0, width: WIDTH, height: HEIGHT, fill: "white" }, svg);
  const plotW = WIDTH - LEFT - RIGHT, plotH = HEIGHT - TOP - BOTTOM;
  const sx = (x) => LEFT + ((x - lo) / (hi - lo)) * plotW;
  const half = measured ? plotH / 2 : plotH;
  const sy = (percent) => TOP + half - (percent / 100) * half;
  const axes = element("g", { stroke: "#333", "stroke-width": 1 }, svg);
  element("line", { x1: LEFT, y1: TOP + plotH, x2: LEFT + plotW, y2: TOP + plotH }, axes);
  if (measured) element("line", { x1: LEFT, y1: sy(0), x2: LEFT + plotW, y2: sy(0) }, axes);
  element("line", { x1: LEFT, y1: TOP, x2: LEFT, y2: TOP + plotH }, axes);
  for (const t of ticks(lo, hi, 8)) {
    element("line", { x1: sx(t), y1: TOP + plotH, x2: sx(t), y2: TOP + plotH + 5 }, axes);
    text(svg, sx(t), TOP + plotH + 18, t);
  }
  for (const t of measured ? ticks(-100, 100, 8) : ticks(0, 100, 5)) {
    element("line", { x1: LEFT - 5, y1: sy(t), x2: LEFT, y2: sy(t) }, axes);
    text(svg, LEFT - 8, sy(t) + 4, String(Math.abs(t)), "end");
  }
  text(svg, LEFT + plotW / 2, HEIGHT - 6, result.mz ? "m/z" : "mass (u)");
  const yLabel = text(svg, 14, TOP + plotH / 2, measured ? "% of largest peak: calculated up, measured down"
    : "% of largest peak");
  yLabel.setAttribute("transform", `rotate(-90 14 ${TOP + plotH / 2})`);
  const clip = element("clipPath", { id: "plot-clip" }, element("defs", {}, svg));
  element("rect", { x: LEFT, y: TOP - 1, width: plotW, height: plotH + 1 }, clip);
  const inside = element("g", { "clip-path": "url(#plot-clip)" }, svg);
  if (result.profile && result.profile.y.length > 0) {
    const line = profileLine(result.profile, lo, hi, plotW);
    const points = line.map(([px, y]) => `${(LEFT + px).toFixed(1)},${sy(y).toFixed(2)}`);
    element("polyline", { points: points.join(" "), fill: "none", stroke: "#8aa9d6", "stroke-width": 1.2 }, inside);
  }
  const largest = maximum(result.abundance);
  const sticks = element("g", { stroke: "#b3261e", "stroke-width": 1.6 }, inside);
  result.mass.forEach((m, i) => {
    if (m < lo || m > hi) return;
    element("line", { x1: sx(m), y1: sy(0), x2: sx(m), y2: sy((result.abundance[i] / largest) * 100) }, sticks);
  });
  if (measured) {
    const top = maximum(measured.abundance);
    const mirror = element("g", { stroke: "#1f6f43", "stroke-width": 1.6 }, inside);
    measured.mass.forEach((m, i) => {
      if (m < lo || m > hi) return;
      element("line", { x1: sx(m), y1: sy(0), x2: sx(m), y2: sy((-measured.abundance[i] / top) * 100) }, mirror);
    });
  }
  Zoomable(svg, plotW, (px) => lo + ((px - LEFT) / plotW) * (hi - lo), onZoom);
  return svg;
}

// A drag across the plot zooms to the positions it spans.
function Zoomable(svg, plotW, position, onZoom) {
  const band = element("rect", { y: TOP, height: HEIGHT - TOP - BOTTOM, fill: "#4a7bd0", opacity: 0.2, width: 0 }, svg);
  let start = null;
  const px = (event) => {
    const box = svg.getBoundingClientRect();
    return Math.min(LEFT + plotW, Math.max(LEFT, ((event.clientX - box.left) / box.width) * WIDTH));
  };
  svg.addEventListener("mousedown", (e) => { start = px(e); band.setAttribute("x", start); band.setAttribute("width", 0); });
  svg.addEventListener("mousemove", (e) => {
    if (start === null) return;
    const now = px(e);
    band.setAttribute("x", Math.min(start, now));
    band.setAttribute("width", Math.abs(now - start));
  });
  svg.addEventListener("mouseup", (e) => {
    if (start === null) return;
    const end = px(e);
    const [a, b] = [Math.min(start, end), Math.max(start, end)];
    start = null;
    band.setAttribute("width", 0);
    if (b - a > 4) onZoom(position(a), position(b));
  });
  svg.addEventListener("dblclick", () => onZoom(null));
}
