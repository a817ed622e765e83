#include "tests/support/strict_xml.h"

#include <expat.h>
#include <fmt/format.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace oxl::test
{

std::string strictXmlError(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "cannot open " + file.string();
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The declaration stays first, the top-level elements go into one root.
    std::size_t body = 0;
    if (bytes.starts_with("<?xml"))
        body = bytes.find("?>") == std::string::npos ? bytes.size() : bytes.find("?>") + 2;
    bytes = bytes.substr(0, body) + "<root>" + bytes.substr(body) + "</root>";
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                         &XML_ParserFree);
    if (XML_Parse(parser.get(), bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK)
        return {};
    return fmt::format("{} at line {}, column {}", XML_ErrorString(XML_GetErrorCode(parser.get())),
                       XML_GetCurrentLineNumber(parser.get()), XML_GetCurrentColumnNumber(parser.get()));
}

} // namespace oxl::test
