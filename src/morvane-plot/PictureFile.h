#ifndef MORVANE_PLOT_PICTUREFILE_H
#define MORVANE_PLOT_PICTUREFILE_H

#include <string>

namespace morvane {

// The formats morvane-plot writes: the SVG it draws, or that SVG rendered
// by librsvg onto a cairo surface.
enum class PictureFormat { NONE, SVG, PNG, PDF };

// The format an output file's name asks for, by its extension (.svg, .png,
// .pdf in any case); a device or a pipe (/dev/stdout), which has no such
// name, takes SVG. NONE for any other name.
PictureFormat FormatOfName(const std::string& name);

// Pixels of the PNG per pixel of the SVG: a PNG twice the SVG's size, sharp
// on screens of double density and in print.
const double PNG_SCALE = 2;

// `svg` in `format`: the same bytes for SVG; for PNG, an image of the SVG's
// size times PNG_SCALE on its white background; for PDF, one page of the
// SVG's size (a CSS pixel a 1/96 inch). Returns false with the reason, and
// `bytes` emptied, when the SVG cannot be read or rendered.
bool PictureBytes(const std::string& svg, PictureFormat format, std::string& bytes, std::string& reason);

}  // namespace morvane

#endif
