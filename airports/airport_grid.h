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
    /// position (and of some a little farther). False for a position or radius the grid does not answer (not
    /// finite, latitude beyond ±90°, longitude beyond ±360°): then every airport has to be looked at.
    bool near(double lat, double lon, double radiusNm, std::vector<std::uint32_t>& out) const;

  private:
    /// An airport's position beside its list index, so that the cells' airports are sifted in one pass.
    struct Entry
    {
        double latitude;  ///< [deg]
        double longitude; ///< [deg]
        std::uint32_t index;
    };

    std::vector<std::uint32_t> cellStart_; ///< per cell, its first place in entries_; one more at the end
    std::vector<Entry> entries_;           ///< cell by cell, by ascending list index within a cell
};

} // namespace oxl
