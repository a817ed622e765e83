#include "foundation/foundation_state.h"

namespace oxl
{

FoundationState gFoundation;

} // namespace oxl
