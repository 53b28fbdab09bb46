// Feeds arbitrary bytes to the settings-file reader, then exercises the
// lookups on whatever tree came out.
#include <cstddef>
#include <cstdint>

#include "xml/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quorvane::XmlDocument document;
    document.parse(reinterpret_cast<const char*>(data), size);
    if (quorvane::XmlElement* element = document.findElement("Photo", true)) {
        quorvane::ChunkBuffer text;
        element->getHexAttribute("Text", text);
        int value = 0;
        element->getIntAttribute("Width", value, 0);
        element->findChildWithAttribute("Photo", "Name", "a.jpg");
    }
    return 0;
}
