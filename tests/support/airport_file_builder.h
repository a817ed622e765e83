// Writes airport files for tests: archived, generated, learned and hand-made files with their meta block,
// parameters, stands and options, each attribute given as text so that tests can leave any out or spell
// it badly.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oxl::test
{

/// Attribute names and values in the order they are written.
using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

/// The attributes of a stand: id, latitude, longitude ("{:.6f}"), heading and radius ("{:.1f}"), then extra.
XmlAttributes standAttributes(std::string_view id, double lat, double lon, double radiusM,
                              double headingDeg = 0.0, XmlAttributes extra = {});

/// The attributes of an option: reg, airl, type, day, hh, then cs when not empty, then soft="true" for a soft
/// one.
XmlAttributes optionAttributes(std::string_view reg, std::string_view airline, std::string_view type, int day,
                               std::string_view hh, std::string_view cs = {}, bool soft = false);

/// Builds one airport file in memory and writes it.
class AirportFileBuilder
{
  public:
    /// A file with the complete meta block (author, version, date, copyright, P3D) and no parameters.
    AirportFileBuilder();

    /// An archived or generated airport file: airport_name, publisher and altitude.
    static AirportFileBuilder airportFile(std::string_view name, std::string_view publisher, int altitudeFt);
    /// A learned file: airport_name and publisher only.
    static AirportFileBuilder learnedFile(std::string_view name, std::string_view publisher);
    /// A hand-made learned file: airport_name, publisher, handmade="true" and altitude.
    static AirportFileBuilder handmadeFile(std::string_view name, std::string_view publisher, int altitudeFt);

    /// Leaves the meta entry of that name out.
    AirportFileBuilder& withoutMeta(std::string_view entry);
    /// Appends a parameter.
    AirportFileBuilder& param(std::string_view name, std::string_view value);
    /// Appends a whole-number parameter.
    AirportFileBuilder& param(std::string_view name, int value);
    /// Appends a parkpos element with the attributes.
    AirportFileBuilder& parkpos(XmlAttributes attributes);
    /// Appends a stand (see standAttributes).
    AirportFileBuilder& stand(std::string_view id, double lat, double lon, double radiusM,
                              double headingDeg = 0.0, XmlAttributes extra = {});
    /// Appends an opt element with the attributes to the last parkpos.
    AirportFileBuilder& opt(XmlAttributes attributes);

    /// The document's text as the program's writer lays it out.
    [[nodiscard]] std::string text() const;
    /// Writes the document to the file, creating its folders.
    void write(const std::filesystem::path& file) const;

  private:
    struct Element
    {
        XmlAttributes attributes;
        std::vector<XmlAttributes> options;
    };
    std::vector<std::string> metaLeftOut_;
    XmlAttributes parameters_;
    std::vector<Element> parkpos_;
};

} // namespace oxl::test
