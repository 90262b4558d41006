// Feeds arbitrary bytes to the event file reader. Besides crashes, hangs and
// sanitizer reports, it checks that the nesting probe sees each document as
// the XML library does, and that whatever was read is saved stably.

#include "EventFileReader.h"
#include "Windows1252.h"
#include "EventFileWriter.h"
#include "XmlNestingProbe.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int elementDepth(const TiXmlNode* node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, elementDepth(child));
    return deepest + (node->ToElement() ? 1 : 0);
}

void fail(const char* what)
{
    std::fprintf(stderr, "event file fuzzer: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string work = input;
    std::vector<Event> events;
    if (EventFileReader::read(work, events, Windows1252())) {
        const std::string written = EventFileWriter::write(events);
        std::string again = written;
        std::vector<Event> reread;
        if (!EventFileReader::read(again, reread, Windows1252()) || reread.size() != events.size())
            fail("a written file does not read back");
        if (EventFileWriter::write(reread) != written)
            fail("saving what was read is not stable");
    }

    const XmlNestingProbe::Result probe = XmlNestingProbe::examine(input.c_str());
    if (probe.withinLimits) {
        TiXmlDocument document;
        document.Parse(input.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        if (probe.wellFormed != !document.Error())
            fail("the probe and the library disagree on well-formedness");
        if (probe.wellFormed && probe.deepest != elementDepth(&document))
            fail("the probe and the library disagree on depth");
        // What the library keeps after the root element, the probe sees too
        // (text there the library drops, which only the probe can see).
        const TiXmlElement* root = document.RootElement();
        for (const TiXmlNode* node = root ? root->NextSibling() : nullptr; probe.wellFormed && node;
             node = node->NextSibling()) {
            const TiXmlUnknown* unknown = node->ToUnknown();
            const bool instruction = unknown && unknown->ValueStr().compare(0, 1, "?") == 0;
            if (!node->ToComment() && !instruction && !probe.contentAfterRoot)
                fail("the probe misses what follows the root element");
        }
    }
    return 0;
}
