#include "foundation/meta_block.h"

#include "foundation/config_keys.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/time_text.h"
#include "foundation/version_data.h"

#include <fmt/format.h>

#include <string>

namespace oxl
{

namespace
{

/// The simulator versions written into the "P3D" entry.
constexpr const char* kServedSimulators = "v5/v6";

bool appendInfo(pugi::xml_node meta, const StringParameter& entry, const std::string& value)
{
    pugi::xml_node info = meta.append_child("info");
    return info && info.append_attribute("name").set_value(entry.name.c_str()) &&
           info.append_attribute("value").set_value(value.c_str());
}

} // namespace

bool gf_writeMeta(pugi::xml_node node)
{
    if (node.type() != pugi::node_element && node.type() != pugi::node_document)
    {
        return false;
    }
    pugi::xml_node meta = node.append_child("meta");
    if (!meta)
    {
        return false;
    }
    return appendInfo(meta, gMetaAuthor, std::string(kProductName)) &&
           appendInfo(meta, gMetaVersion, gProgramVersion.toString()) &&
           appendInfo(meta, gMetaDate, gf_todayDate()) &&
           appendInfo(meta, gMetaCopyright, gMetaCopyright.value()) &&
           appendInfo(meta, gMetaP3d, kServedSimulators);
}

bool gf_readMeta(pugi::xml_node node, StringParameter& entry)
{
    const std::string query = fmt::format("/meta/info[@name='{}']", entry.name);
    try
    {
        const pugi::xpath_node found = node.select_node(query.c_str());
        if (!found)
        {
            entry.set("");
            return false;
        }
        entry.set(found.node().attribute("value").value());
        return true;
    }
    catch (const pugi::xpath_exception& error)
    {
        const char* text = error.what();
        gf_log(text != nullptr && *text != '\0' ? text : "No error");
        return false;
    }
}

bool gf_setBoolValueAttribute(pugi::xml_node node, std::string_view name, bool on)
{
    if (node.type() != pugi::node_element)
    {
        return false;
    }
    const std::string key(name);
    pugi::xml_attribute attribute = node.attribute(key.c_str());
    if (!attribute)
    {
        attribute = node.append_attribute(key.c_str());
    }
    return attribute && attribute.set_value(on ? "true" : "false");
}

} // namespace oxl
