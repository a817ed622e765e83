// The profile of an aircraft identity: size and category from its type, and the per-category flight
// constants with the small random variation of the pitch targets.
#pragma once

#include "records/aircraft_records.h"

namespace oxl
{

/// The identity with radius (the type's half-span), category and the per-category constants; the
/// rotation pitch varies by 2.5 % and the climb pitch by 5 % up or down. std::out_of_range when the
/// category has no constants.
AcProfile gf_acProfile(const AcIdent& ident);

} // namespace oxl
