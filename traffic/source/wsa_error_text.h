// Socket error numbers as the texts of the program's socket messages.
#pragma once

#include <string>

namespace oxl
{

/// "{} " with the Winsock error number followed by its text ("10048 Address already in use").
std::string gf_wsaErrorText(int code);

} // namespace oxl
