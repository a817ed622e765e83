// A strict XML 1.0 reader for checks of the files the program writes: pugixml takes character references
// and characters that XML forbids, every other reader refuses them.
#pragma once

#include <filesystem>
#include <string>

namespace oxl::test
{

/// "" when the file is well-formed XML 1.0, taking its top-level elements as one element's content (the
/// program's files hold several: the meta block and the content); else the reader's message with its line.
std::string strictXmlError(const std::filesystem::path& file);

} // namespace oxl::test
