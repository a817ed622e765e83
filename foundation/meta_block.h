// The meta block of the program's own XML data files: who wrote the file, with
// which version, when.
#pragma once

#include "foundation/parameters.h"

#include <pugixml.hpp>

#include <string_view>

namespace oxl
{

/// Appends <meta> with the entries author, version, date, copyright and P3D as
/// the node's last child; false when the node is neither an element nor a
/// document or an append fails.
bool gf_writeMeta(pugi::xml_node node);

/// Looks up "/meta/info[@name='<entry's name>']" and stores its value in
/// `entry`; false when there is no such entry (value "") or the query fails
/// (value kept, the error logged).
bool gf_readMeta(pugi::xml_node node, StringParameter& entry);

/// Sets the element's attribute `name` to "true" or "false", appending it when
/// missing; false when the node is not an element or the attribute cannot be
/// made.
bool gf_setBoolValueAttribute(pugi::xml_node node, std::string_view name, bool on);

} // namespace oxl
