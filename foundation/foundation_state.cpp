#include "foundation/foundation_state.h"

namespace oxl
{

constinit FoundationState gFoundation;

} // namespace oxl
