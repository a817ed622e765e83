// Traffic lines for the tests: a valid 29-field line near London with fields replaced by index.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <utility>

namespace oxl::test
{

/// A traffic line of 29 fields; `with` replaces fields by index.
class LineBuilder
{
  public:
    LineBuilder()
        : fields_{"0",    "4000123", "51.5200",   "-0.2600", "3500",
                  "-640", "0",       "270",       "180",     "TST123",
                  "A320", "G-TEST",  "EGPH",      "EGLL",    "1700000000.5",
                  "0",    "0",       "adsb_icao", "0",       "0",
                  "-1",   "0",       "0",         "0",       "0",
                  "270",  "0",       "0",         "A3"}
    {
    }

    /// Replaces the fields given as (index, text) pairs.
    LineBuilder& with(std::initializer_list<std::pair<int, std::string>> changes)
    {
        for (const auto& [index, text] : changes)
            fields_.at(static_cast<std::size_t>(index)) = text;
        return *this;
    }

    /// The comma-joined line.
    std::string text() const
    {
        std::string line;
        for (std::size_t i = 0; i < fields_.size(); ++i)
        {
            if (i != 0)
                line += ',';
            line += fields_[i];
        }
        return line;
    }

  private:
    std::array<std::string, 29> fields_;
};

} // namespace oxl::test
