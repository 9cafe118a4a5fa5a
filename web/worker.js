// The calculation off the page's thread: the page sends {id, formula,
// options} and gets {id, result} or {id, error: {message, status}} back.
// A calculation cannot be interrupted from inside; the page cancels one by
// ending this worker and starting another.
import { pattern, MorvaneError } from "./morvane.js";

self.onmessage = ({ data: { id, formula, options } }) => {
  try {
    const result = pattern(formula, options);
    const buffers = [result.mass.buffer, result.abundance.buffer];
    if (result.profile) buffers.push(result.profile.x.buffer, result.profile.y.buffer);
    self.postMessage({ id, result }, buffers);
  } catch (e) {
    const status = e instanceof MorvaneError ? e.status : 6;
    self.postMessage({ id, error: { message: e.message || String(e), status } });
  }
};
self.postMessage({ ready: true });
