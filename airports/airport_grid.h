// The airports of the list by cell of a latitude/longitude grid, so that the airports near a position are
// found without a look at every airport.
#pragma once

#include <cstdint>
#include <vector>

namespace oxl
{

struct Airport;

/// The list's airports by grid cell of half a degree; built once, when the list has been read.
class AirportGrid
{
  public:
    /// Files every airport of the list under its cell.
    void build(const std::vector<Airport>& airports);
    /// Sets out to the list indexes, ascending, of every airport that may lie within radiusNm [nm] of the
    /// position (and of some farther ones). False for a position or radius the grid does not answer (not
    /// finite, latitude beyond ±90°, longitude beyond ±360°): then every airport has to be looked at.
    bool near(double lat, double lon, double radiusNm, std::vector<std::uint32_t>& out) const;

  private:
    std::vector<std::uint32_t> cellStart_; ///< per cell, its first place in entries_; one more at the end
    std::vector<std::uint32_t> entries_;   ///< list indexes, cell by cell, ascending within a cell
};

} // namespace oxl
