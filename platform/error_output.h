// The process's standard error, written only where that never waits.
#pragma once

#include <string_view>

namespace oxl::plat
{

/// Writes the text to standard error when it can take it at once; false when it would have to wait (a
/// pipe that nobody reads is full) or the write failed. Text beyond one pipe buffer (4 kB) is cut.
bool writeErrorOutputNoWait(std::string_view text);

} // namespace oxl::plat
