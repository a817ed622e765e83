#include "airports/airport_grid.h"

#include "airports/airport_list.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"

#include <algorithm>
#include <cmath>

namespace oxl
{
namespace
{

constexpr double kCellDeg = 0.5;
constexpr int kRows = 360; // from the south pole up
constexpr int kCols = 720; // eastwards from 180° W
/// [nm] one degree of a great circle.
constexpr double kNmPerDegree = kDistanceFactorNm / 2.0 * kDegToRad;
/// [deg] added to every reach: far beyond the rounding of the distances it stands in for.
constexpr double kMarginDeg = 1e-3;

int rowOf(double lat)
{
    return std::clamp(static_cast<int>(std::floor((lat + 90.0) / kCellDeg)), 0, kRows - 1);
}

/// The column of a longitude in [-540°, 540°), not yet wrapped into the grid.
int unwrappedColOf(double lon)
{
    return static_cast<int>(std::floor((lon + 180.0) / kCellDeg));
}

std::size_t cellOf(int row, int col)
{
    return static_cast<std::size_t>(row) * kCols + static_cast<std::size_t>(((col % kCols) + kCols) % kCols);
}

} // namespace

void AirportGrid::build(const std::vector<Airport>& airports)
{
    std::vector<std::size_t> cells(airports.size());
    cellStart_.assign(static_cast<std::size_t>(kRows) * kCols + 1, 0);
    for (std::size_t i = 0; i < airports.size(); ++i)
    {
        cells[i] = cellOf(rowOf(airports[i].latitude), unwrappedColOf(airports[i].longitude));
        ++cellStart_[cells[i] + 1];
    }
    for (std::size_t c = 1; c < cellStart_.size(); ++c)
    {
        cellStart_[c] += cellStart_[c - 1];
    }
    entries_.resize(airports.size());
    std::vector<std::uint32_t> filled(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < airports.size(); ++i)
    {
        entries_[filled[cells[i]]++] = {airports[i].latitude, airports[i].longitude,
                                        static_cast<std::uint32_t>(i)};
    }
}

bool AirportGrid::near(double lat, double lon, double radiusNm, std::vector<std::uint32_t>& out) const
{
    out.clear();
    if (!(std::fabs(lat) <= 90.0) || !(std::fabs(lon) <= 360.0) || !(radiusNm >= 0.0) ||
        !(radiusNm <= 180.0 * kNmPerDegree))
    {
        return false;
    }
    if (cellStart_.empty())
    {
        return true;
    }
    const double reachDeg = radiusNm / kNmPerDegree + kMarginDeg;
    // Within the reach, no point lies farther east or west than this, unless the reach takes in a pole.
    double halfWidthDeg = 360.0;
    int westCol = 0;
    int eastCol = kCols - 1;
    const double widestLat = std::fabs(lat) + reachDeg;
    if (widestLat < 90.0)
    {
        const double sinHalfWidth = std::sin(reachDeg * kDegToRad) / std::cos(widestLat * kDegToRad);
        if (sinHalfWidth < 1.0)
        {
            halfWidthDeg = std::asin(sinHalfWidth) * kRadToDeg + kMarginDeg;
            eastCol = unwrappedColOf(lon + halfWidthDeg);
            westCol = std::max(unwrappedColOf(lon - halfWidthDeg), eastCol - kCols + 1);
        }
    }
    const double eastLon = std::remainder(lon, 360.0); // [-180°, 180°]
    int cellsTaken = 0;
    for (int row = rowOf(lat - reachDeg); row <= rowOf(lat + reachDeg); ++row)
    {
        for (int col = westCol; col <= eastCol; ++col)
        {
            const std::size_t cell = cellOf(row, col);
            const std::size_t before = out.size();
            for (std::uint32_t e = cellStart_[cell]; e < cellStart_[cell + 1]; ++e)
            {
                const Entry& entry = entries_[e];
                const double apartLon = std::fabs(entry.longitude - eastLon);
                if (std::fabs(entry.latitude - lat) <= reachDeg &&
                    std::min(apartLon, 360.0 - apartLon) <= halfWidthDeg)
                {
                    out.push_back(entry.index);
                }
            }
            cellsTaken += out.size() > before ? 1 : 0;
        }
    }
    if (cellsTaken > 1)
    {
        std::sort(out.begin(), out.end());
    }
    return true;
}

} // namespace oxl
