// Questions about single aircraft asked of the database's registration map: the record of a
// registration in any of its spellings, and the short registration key inside a livery title.
#pragma once

#include "liveries/dbase.h"

#include <optional>
#include <string>
#include <vector>

namespace oxl
{

/// The spellings of a registration in the order they are tried: for five or more characters without a
/// dash and not starting with 'N', the two-letter and the one-letter dashed prefix forms, then the
/// registration as given.
std::vector<std::string> gf_registrationCandidates(const std::string& reg);
/// A copy of the record of the first candidate spelling that the registration map holds; none for an
/// empty or unknown registration.
std::optional<DbaseRecord> gf_lookupRegistration(const std::string& reg);
/// The airline of the registration's record, empty when there is none.
std::string gf_lookupRegAirline(const std::string& reg);
/// The operator of the registration's record, empty when there is none.
std::string gf_lookupRegOperator(const std::string& reg);
/// The smallest non-empty registration key of at most five bytes that stands inside the title
/// (case-sensitive); none when no such key does.
std::optional<std::string> gf_findInlineRegcode(const std::string& title);

} // namespace oxl
