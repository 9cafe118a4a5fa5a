// morvane-plot's PNG and PDF, its SVG rendered by librsvg onto cairo, and
// the legend of a picture that draws sticks and a profile.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "morvane-plot/PictureFile.h"
#include "morvane-plot/SvgPlot.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

RunResult RunPlot(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_PLOT_EXE, args); }

const std::string PNG_SIGNATURE("\x89PNG\r\n\x1a\n", 8);

// A big-endian 32-bit number of a PNG header.
unsigned BigEndian(const std::string& bytes, std::size_t at)
{
    unsigned n = 0;
    for (std::size_t i = at; i < at + 4; ++i) n = n << 8 | static_cast<unsigned char>(bytes[i]);
    return n;
}

// A PNG's pixels, read back through cairo.
class Pixels {
public:
    explicit Pixels(const std::string& png) : bytes_(png)
    {
        surface_ = cairo_image_surface_create_from_png_stream(Read, this);
    }
    ~Pixels() { cairo_surface_destroy(surface_); }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    bool Ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(surface_); }
    int Height() const { return cairo_image_surface_get_height(surface_); }
    // The pixel's colour as 0xRRGGBB (the background is opaque white).
    unsigned At(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
        std::uint32_t argb;
        std::memcpy(&argb, row + 4 * x, 4);
        return argb & 0xffffff;
    }

private:
    static cairo_status_t Read(void* closure, unsigned char* data, unsigned int length)
    {
        auto* self = static_cast<Pixels*>(closure);
        if (self->read_ + length > self->bytes_.size()) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, self->bytes_.data() + self->read_, length);
        self->read_ += length;
        return CAIRO_STATUS_SUCCESS;
    }
    std::string bytes_;
    std::size_t read_ = 0;
    cairo_surface_t* surface_;
};

// One stick of 100 % at the middle of the frame, and its profile.
PatternPicture OneStick()
{
    PatternPicture p;
    p.title = "one stick";
    p.xlabel = "mass (u)";
    p.positions = {100};
    p.heights = {100};
    p.xmin = 99;
    p.xmax = 101;
    for (int i = 0; i <= 200; ++i) {
        const double x = 99 + i / 100.0;
        p.profilex.push_back(x);
        p.profiley.push_back(100 * std::exp(-(x - 100) * (x - 100) / 0.01));
    }
    return p;
}

TEST(PictureFile, FormatsFollowTheFileName)
{
    EXPECT_EQ(FormatOfName("a.svg"), PictureFormat::SVG);
    EXPECT_EQ(FormatOfName("A.SVG"), PictureFormat::SVG);
    EXPECT_EQ(FormatOfName("dir/a.Png"), PictureFormat::PNG);
    EXPECT_EQ(FormatOfName("a.pdf"), PictureFormat::PDF);
    EXPECT_EQ(FormatOfName("/dev/null"), PictureFormat::SVG);
    for (const char* name : {"a.gif", "svg", "png", "", "a.svg.txt", "a.pdfx"})
        EXPECT_EQ(FormatOfName(name), PictureFormat::NONE) << name;
}

TEST(PictureFile, SvgIsKeptAndPngAndPdfAreRendered)
{
    const std::string svg = RenderSvg(OneStick());
    std::string bytes, reason;
    ASSERT_TRUE(PictureBytes(svg, PictureFormat::SVG, bytes, reason));
    EXPECT_EQ(bytes, svg);

    ASSERT_TRUE(PictureBytes(svg, PictureFormat::PNG, bytes, reason)) << reason;
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), PNG_SIGNATURE);
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(BigEndian(bytes, 16), 1800u);
    EXPECT_EQ(BigEndian(bytes, 20), 1040u);

    ASSERT_TRUE(PictureBytes(svg, PictureFormat::PDF, bytes, reason)) << reason;
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    EXPECT_TRUE(std::regex_search(bytes, std::regex(R"(/MediaBox \[ *0 0 675 390 *\])"))) << "one page of 675 x 390 pt";
    EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
}

// The stick stands at the middle of the frame (x = 80 + 790 / 2 px of the
// SVG) from the axis (y = 450) to 100 % (y = 450 - 390 / 1.25): in the
// PNG, at twice those, its colour; beside it, the white of the page.
TEST(PictureFile, PngShowsTheStickWhereTheSvgDrawsIt)
{
    std::string png, reason;
    ASSERT_TRUE(PictureBytes(RenderSvg(OneStick()), PictureFormat::PNG, png, reason)) << reason;
    const Pixels pixels(png);
    ASSERT_TRUE(pixels.Ok());
    ASSERT_EQ(pixels.Width(), 1800);
    ASSERT_EQ(pixels.Height(), 1040);
    const int x = static_cast<int>(2 * (80 + 790 / 2.0));
    for (double svgY : {400.0, 300.0, 200.0, 150.0}) EXPECT_EQ(pixels.At(x, static_cast<int>(2 * svgY)), 0x1d3557u) << svgY;
    EXPECT_EQ(pixels.At(2 * 85, 2 * 440), 0xffffffu);  // the frame's corner, no profile there
    int coloured = 0;
    for (int y = 0; y < pixels.Height(); y += 4)
        for (int xx = 0; xx < pixels.Width(); xx += 4) coloured += pixels.At(xx, y) != 0xffffffu;
    EXPECT_GT(coloured, 1000);
}

TEST(PictureFile, UnreadableSvgIsRefusedAndLeavesNoBytes)
{
    std::string bytes = "old", reason;
    EXPECT_FALSE(PictureBytes("<svg", PictureFormat::PNG, bytes, reason));
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(reason.empty());
}

// The legend stands above the frame (whose top is y = 60), where no peak
// label goes, and only when both sticks and a profile are drawn.
TEST(PictureFile, LegendOnlyWithSticksAndProfileAndAboveTheLabels)
{
    const std::string both = RenderSvg(OneStick());
    const std::regex legendTexts("<text x=\"[^\"]*\" y=\"([^\"]*)\">(peaks|profile)</text>");
    int texts = 0;
    for (auto it = std::sregex_iterator(both.begin(), both.end(), legendTexts); it != std::sregex_iterator(); ++it) {
        EXPECT_LT(std::stod((*it)[1].str()), 60);
        ++texts;
    }
    EXPECT_EQ(texts, 2);
    const std::regex label("class=\"peak-label\" x=\"[^\"]*\" y=\"([^\"]*)\"");
    int labels = 0;
    for (auto it = std::sregex_iterator(both.begin(), both.end(), label); it != std::sregex_iterator(); ++it) {
        EXPECT_GE(std::stod((*it)[1].str()) - 12, 60);
        ++labels;
    }
    EXPECT_EQ(labels, 1);
    PatternPicture sticksOnly = OneStick();
    sticksOnly.profilex.clear();
    sticksOnly.profiley.clear();
    EXPECT_EQ(RenderSvg(sticksOnly).find("class=\"legend\""), std::string::npos);
    PatternPicture profileOnly = OneStick();
    profileOnly.positions.clear();
    profileOnly.heights.clear();
    EXPECT_EQ(RenderSvg(profileOnly).find("class=\"legend\""), std::string::npos);
}

// With a mirror the frame runs from -125 to 125 %: 0 % at y = 60 + 390 / 2
// of the SVG. The calculated stick stands above it in its colour, the
// measured ones hang below it in grey, and the legend names them.
TEST(PictureFile, MirrorHangsTheMeasuredSticksBelowThePattern)
{
    PatternPicture p = OneStick();
    p.mirror = true;
    p.measuredx = {100, 100.5};
    p.measuredy = {-100, -50};
    const std::string svg = RenderSvg(p);
    EXPECT_NE(svg.find("<line class=\"measured-stick\" data-position=\"100.5\" data-height=\"-50\" x1=\"672.5\" "
                       "y1=\"255\" x2=\"672.5\" y2=\"333\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find(">measured</text>"), std::string::npos);
    std::string png, reason;
    ASSERT_TRUE(PictureBytes(svg, PictureFormat::PNG, png, reason)) << reason;
    const Pixels pixels(png);
    ASSERT_TRUE(pixels.Ok());
    const int middle = static_cast<int>(2 * (80 + 790 / 2.0));
    for (double svgY : {240.0, 150.0}) EXPECT_EQ(pixels.At(middle, static_cast<int>(2 * svgY)), 0x1d3557u) << svgY;
    for (double svgY : {270.0, 400.0}) EXPECT_EQ(pixels.At(middle, static_cast<int>(2 * svgY)), 0x737373u) << svgY;
    EXPECT_EQ(pixels.At(2 * 672 + 1, 2 * 300), 0x737373u);
    EXPECT_EQ(pixels.At(2 * 672 + 1, 2 * 345), 0xffffffu);  // below the -50 % stick's end
    EXPECT_EQ(pixels.At(2 * 672 + 1, 2 * 200), 0xffffffu);  // nothing calculated there
}

// The program writes the format its output's name asks for; the SVG it
// writes is the document it renders.
TEST(PlotFormats, TheOutputsNameChoosesTheFormat)
{
    TempFile dir("", "x.txt");
    const std::string svg = dir.dir() + "/g.svg", png = dir.dir() + "/g.PNG", pdf = dir.dir() + "/g.pdf";
    for (const std::string& out : {svg, png, pdf}) {
        const RunResult r = RunPlot({"C6H12O6", "-o", out});
        EXPECT_EQ(r.status, 0) << out << r.out << r.err;
        EXPECT_EQ(r.out, "");
    }
    std::string rendered, reason;
    ASSERT_TRUE(PictureBytes(ReadFile(svg), PictureFormat::PNG, rendered, reason)) << reason;
    EXPECT_EQ(ReadFile(png), rendered);
    EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
    EXPECT_NE(ReadFile(svg).find(">peaks</text>"), std::string::npos);
    // At a resolution the sticks are the variants the instrument sees.
    for (const std::string& out : {svg, png}) {
        const RunResult r = RunPlot({"C254H377N65O75S6", "--resolution", "60000", "-o", out});
        EXPECT_EQ(r.status, 0) << r.out;
    }
    EXPECT_NE(ReadFile(svg).find(">variants</text>"), std::string::npos);
    const std::string bytes = ReadFile(png);
    EXPECT_EQ(bytes.substr(0, 8), PNG_SIGNATURE);
    EXPECT_EQ(BigEndian(bytes, 16), 1800u);
}

}  // namespace
