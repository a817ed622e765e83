#include "traffic/source/source_state.h"

namespace oxl
{

SourceState gSource;

} // namespace oxl
