#include "platform/text_mode.h"

namespace oxl::plat
{

bool getTextLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
    {
        return false;
    }
    // A line cut by the end of the file keeps its CR, as Windows text mode only folds CR LF pairs.
    if (!in.eof() && !line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    return true;
}

} // namespace oxl::plat
