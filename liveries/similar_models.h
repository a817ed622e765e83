// Similar types that can stand in for a type without installed liveries, over all airlines and per
// airline; built from the database's similar-type groups once the livery indexes exist.
#pragma once

#include "liveries/dbase.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace oxl
{

/// Type code -> similar types with at least one installed livery, in group order.
using SimilarTable = std::unordered_map<std::string, std::vector<std::string>, TextHash, std::equal_to<>>;

/// Airline -> type the airline has no livery of -> similar types the airline has liveries of.

/// Fills both tables from gLiveries.gDbase.similarGroups and the livery indexes; keys already present stay.
void gf_buildSimilarModels();
/// Empties both tables (with the livery indexes, before a rebuild).
void gf_clearSimilarModels();
/// The airline's similar types for the type (shuffled in place when RANDOM is on); the shared empty list
/// when there is none.
std::vector<std::string>& gf_lookupSimilarList(const std::string& airline, const std::string& type);
/// The shared single list holding the producer's type code, or the shared empty list when it gives none.
std::vector<std::string>& gf_singleKeyList(const std::function<std::string()>& producer);
/// Gives the shared empty and single lists their room of one entry; start-up of the live engine.
void gf_reserveSharedTypeLists();

} // namespace oxl
