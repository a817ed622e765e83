#include "tests/support/airport_file_builder.h"

#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace oxl::test
{

namespace
{

void addAttributes(pugi::xml_node node, const XmlAttributes& attributes)
{
    for (const auto& [name, value] : attributes)
    {
        node.append_attribute(name.c_str()).set_value(value.c_str());
    }
}

} // namespace

XmlAttributes standAttributes(std::string_view id, double lat, double lon, double radiusM, double headingDeg,
                              XmlAttributes extra)
{
    XmlAttributes attributes{{"id", std::string(id)},
                             {"latitude", fmt::format("{:.6f}", lat)},
                             {"longitude", fmt::format("{:.6f}", lon)},
                             {"heading", fmt::format("{:.1f}", headingDeg)},
                             {"radius", fmt::format("{:.1f}", radiusM)}};
    attributes.insert(attributes.end(), extra.begin(), extra.end());
    return attributes;
}

XmlAttributes optionAttributes(std::string_view reg, std::string_view airline, std::string_view type, int day,
                               std::string_view hh, std::string_view cs, bool soft)
{
    XmlAttributes attributes{{"reg", std::string(reg)},
                             {"airl", std::string(airline)},
                             {"type", std::string(type)},
                             {"day", std::to_string(day)},
                             {"hh", std::string(hh)}};
    if (!cs.empty())
    {
        attributes.emplace_back("cs", std::string(cs));
    }
    if (soft)
    {
        attributes.emplace_back("soft", "true");
    }
    return attributes;
}

AirportFileBuilder::AirportFileBuilder() = default;

AirportFileBuilder AirportFileBuilder::airportFile(std::string_view name, std::string_view publisher,
                                                   int altitudeFt)
{
    AirportFileBuilder builder;
    builder.param("airport_name", name).param("publisher", publisher).param("altitude", altitudeFt);
    return builder;
}

AirportFileBuilder AirportFileBuilder::learnedFile(std::string_view name, std::string_view publisher)
{
    AirportFileBuilder builder;
    builder.param("airport_name", name).param("publisher", publisher);
    return builder;
}

AirportFileBuilder AirportFileBuilder::handmadeFile(std::string_view name, std::string_view publisher,
                                                    int altitudeFt)
{
    AirportFileBuilder builder;
    builder.param("airport_name", name)
        .param("publisher", publisher)
        .param("handmade", "true")
        .param("altitude", altitudeFt);
    return builder;
}

AirportFileBuilder& AirportFileBuilder::withoutMeta(std::string_view entry)
{
    metaLeftOut_.emplace_back(entry);
    return *this;
}

AirportFileBuilder& AirportFileBuilder::param(std::string_view name, std::string_view value)
{
    parameters_.emplace_back(std::string(name), std::string(value));
    return *this;
}

AirportFileBuilder& AirportFileBuilder::param(std::string_view name, int value)
{
    return param(name, std::to_string(value));
}

AirportFileBuilder& AirportFileBuilder::parkpos(XmlAttributes attributes)
{
    parkpos_.push_back(Element{std::move(attributes), {}});
    return *this;
}

AirportFileBuilder& AirportFileBuilder::stand(std::string_view id, double lat, double lon, double radiusM,
                                              double headingDeg, XmlAttributes extra)
{
    return parkpos(standAttributes(id, lat, lon, radiusM, headingDeg, std::move(extra)));
}

AirportFileBuilder& AirportFileBuilder::opt(XmlAttributes attributes)
{
    if (parkpos_.empty())
    {
        throw std::logic_error("an opt needs a parkpos before it");
    }
    parkpos_.back().options.push_back(std::move(attributes));
    return *this;
}

std::string AirportFileBuilder::text() const
{
    pugi::xml_document doc;
    pugi::xml_node meta = doc.append_child("meta");
    const XmlAttributes entries{{"author", "Ordalis_P3D"},
                                {"version", "11.0.4"},
                                {"date", "Dec 07, 2026"},
                                {"copyright", "test file"},
                                {"P3D", "v5/v6"}};
    for (const auto& [name, value] : entries)
    {
        if (std::find(metaLeftOut_.begin(), metaLeftOut_.end(), name) == metaLeftOut_.end())
        {
            addAttributes(meta.append_child("info"), {{"name", name}, {"value", value}});
        }
    }
    pugi::xml_node parameters = doc.append_child("parameters");
    for (const auto& [name, value] : parameters_)
    {
        addAttributes(parameters.append_child("parameter"), {{"name", name}, {"value", value}});
    }
    pugi::xml_node parkpositions = doc.append_child("parkpositions");
    for (const Element& element : parkpos_)
    {
        pugi::xml_node node = parkpositions.append_child("parkpos");
        addAttributes(node, element.attributes);
        for (const XmlAttributes& option : element.options)
        {
            addAttributes(node.append_child("opt"), option);
        }
    }
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

void AirportFileBuilder::write(const std::filesystem::path& file) const
{
    writeBytes(file, text());
}

} // namespace oxl::test
