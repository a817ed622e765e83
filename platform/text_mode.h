// Reading 8-bit text the way Windows text mode does: the CR of each CR LF is dropped.
#pragma once

#include <istream>
#include <string>

namespace oxl::plat
{

/// Reads one line (without its line feed) and drops a carriage return right before the line feed;
/// false at the end of the stream when nothing was read.
bool getTextLine(std::istream& in, std::string& line);

} // namespace oxl::plat
