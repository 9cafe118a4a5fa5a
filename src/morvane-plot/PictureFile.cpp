#include "morvane-plot/PictureFile.h"

#include <cctype>
#include <memory>

#include <sys/stat.h>

#include <cairo-pdf.h>
#include <cairo.h>
#include <librsvg/rsvg.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVANE_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANE_LEAK_CHECKED 1
#endif
#endif

#ifdef MORVANE_LEAK_CHECKED
// fontconfig, which librsvg reaches through pango for the text, keeps the
// font configuration it loads until the process ends, by design; under
// AddressSanitizer its leak check would report that on every rendering
// program's exit (and the list of suppressions used would end up on
// standard error).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif

namespace morvane {

namespace {

// Owners of the C libraries' objects.
struct SurfaceFree {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct HandleFree {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Context = std::unique_ptr<cairo_t, ContextFree>;
using Handle = std::unique_ptr<RsvgHandle, HandleFree>;

// cairo's stream writer: appends to the std::string behind `closure`.
cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Draws the document onto `surface`, scaled by `scale`.
bool Render(RsvgHandle* svg, cairo_surface_t* surface, double width, double height, double scale, std::string& reason)
{
    Context cr(cairo_create(surface));
    cairo_scale(cr.get(), scale, scale);
    const RsvgRectangle viewport{0, 0, width, height};
    GError* error = nullptr;
    if (!rsvg_handle_render_document(svg, cr.get(), &viewport, &error)) {
        reason = error != nullptr ? error->message : "librsvg drew nothing";
        g_clear_error(&error);
        return false;
    }
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        reason = cairo_status_to_string(cairo_status(cr.get()));
        return false;
    }
    return true;
}

bool RenderTo(RsvgHandle* svg, PictureFormat format, double width, double height, std::string& bytes,
              std::string& reason)
{
    if (format == PictureFormat::PDF) {
        // A CSS pixel is 1/96 inch, a PDF point 1/72.
        const double points = 72.0 / 96.0;
        Surface pdf(cairo_pdf_surface_create_for_stream(Append, &bytes, width * points, height * points));
        if (!Render(svg, pdf.get(), width, height, points, reason)) return false;
        cairo_surface_finish(pdf.get());
        if (cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS) return true;
        reason = cairo_status_to_string(cairo_surface_status(pdf.get()));
        return false;
    }
    Surface png(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width * PNG_SCALE),
                                           static_cast<int>(height * PNG_SCALE)));
    if (!Render(svg, png.get(), width, height, PNG_SCALE, reason)) return false;
    const cairo_status_t written = cairo_surface_write_to_png_stream(png.get(), Append, &bytes);
    if (written == CAIRO_STATUS_SUCCESS) return true;
    reason = cairo_status_to_string(written);
    return false;
}

}  // namespace

PictureFormat FormatOfName(const std::string& name)
{
    struct stat st;
    if (stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return PictureFormat::SVG;
    if (name.size() < 4) return PictureFormat::NONE;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (end == ".svg") return PictureFormat::SVG;
    if (end == ".png") return PictureFormat::PNG;
    if (end == ".pdf") return PictureFormat::PDF;
    return PictureFormat::NONE;
}

bool PictureBytes(const std::string& svg, PictureFormat format, std::string& bytes, std::string& reason)
{
    bytes.clear();
    if (format == PictureFormat::SVG) {
        bytes = svg;
        return true;
    }
    GError* error = nullptr;
    Handle handle(rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error));
    if (!handle) {
        reason = error != nullptr ? error->message : "librsvg cannot read the picture";
        g_clear_error(&error);
        return false;
    }
    double width = 0, height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height) || width < 1 || height < 1) {
        reason = "the picture has no size in pixels";
        return false;
    }
    if (RenderTo(handle.get(), format, width, height, bytes, reason)) return true;
    bytes.clear();
    return false;
}

}  // namespace morvane
