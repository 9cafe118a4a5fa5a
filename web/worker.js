// The calculation off the page's thread: the page sends {id, formula,
// options, measured} and gets {id, result} or {id, error: {message,
// status}} back. With a measured peak list, result.score holds the
// library's {wasserstein, cosine} of the pattern against it, or null when
// the two cannot be compared, and result.match the matching library's fit
// of the ion to it at the instrument (null without one).
// A calculation cannot be interrupted from inside; the page cancels one by
// ending this worker and starting another.
import { pattern, distance, match, MorvaneError } from "./morvane.js";

function orNull(f) {
  try {
    return f();
  } catch {
    return null;
  }
}

self.onmessage = ({ data: { id, formula, options, measured } }) => {
  try {
    const result = pattern(formula, options);
    result.score = measured ? orNull(() => distance(result, measured)) : null;
    result.match = measured ? orNull(() => match(formula, measured, options)) : null;
    const buffers = [result.mass.buffer, result.abundance.buffer];
    if (result.profile) buffers.push(result.profile.x.buffer, result.profile.y.buffer);
    self.postMessage({ id, result }, buffers);
  } catch (e) {
    const status = e instanceof MorvaneError ? e.status : 6;
    self.postMessage({ id, error: { message: e.message || String(e), status } });
  }
};
self.postMessage({ ready: true });
