// morvane-plot's picture from any argument words (the input split at line
// feeds), short of writing the file: every accepted input must give a
// well-formed SVG document (checked by libxml2) whose attributes hold no
// infinite or not-a-number values. Runs in the repository root, like the
// command-line target; formulas are limited to 6 atoms (see AtomsRequested).
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ArgumentWords.h"
#include "morvane-plot/PlotPicture.h"

using namespace morvane;

namespace {

bool Finite(const std::string& value)
{
    std::string lower;
    for (char c : value) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("nan") == std::string::npos && lower.find("inf") == std::string::npos;
}

// Every attribute of the element and of all below it.
bool AttributesFinite(xmlNode* node)
{
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        for (xmlAttr* a = node->properties; a != nullptr; a = a->next) {
            xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
            const bool finite = value == nullptr || Finite(reinterpret_cast<const char*>(value));
            xmlFree(value);
            if (!finite) return false;
        }
        if (!AttributesFinite(node->children)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (chdir(MORVANE_SOURCE_DIR) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words = ArgumentWords("morvane-plot", data, size);
    if (words.size() < 2 || AtomsRequested(words[1]) > 6) return 0;
    std::vector<char*> argv = Argv(words);

    std::ostringstream messages;
    PlotSettings p;
    std::string svg;
    const int status = DrawPlot(static_cast<int>(words.size()), argv.data(), p, svg, messages);
    if (status < 0 || status > 7) std::abort();
    if (status != 0) return 0;
    xmlDoc* doc = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "plot.svg", nullptr, XML_PARSE_NONET);
    if (doc == nullptr) std::abort();
    const bool finite = AttributesFinite(xmlDocGetRootElement(doc));
    xmlFreeDoc(doc);
    if (!finite) std::abort();
    return 0;
}
