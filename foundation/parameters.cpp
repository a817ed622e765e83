// Reading, saving and logging of the parameter objects.
#include "foundation/parameters.h"

#include <cmath>
#include <fmt/format.h>
#include <unordered_set>

#include "foundation/log.h"
#include "foundation/settings_file.h"
#include "platform/win.h"

namespace oxl
{
namespace
{

constexpr const char* kRootName = "parameters";
constexpr const char* kElementName = "parameter";
constexpr const char* kNameAttribute = "name";
constexpr const char* kValueAttribute = "value";

const char* lf_boolText(bool on)
{
    return on ? "true" : "false";
}

// A hand-edited element may lack "value": the attribute is added, so that the change is kept.
void lf_setValueAttribute(pugi::xml_node element, std::string_view text)
{
    pugi::xml_attribute value = element.attribute(kValueAttribute);
    if (!value)
    {
        value = element.append_attribute(kValueAttribute);
    }
    value.set_value(std::string(text).c_str());
}

// One load, change and write of parameters.xml, under the file's lock, replacing the file whole.
template <class LogFn> void lf_saveSetting(const std::string& name, const std::string& text, LogFn logIt)
{
    const std::lock_guard lock(gf_parametersFileMutex());
    pugi::xml_document doc;
    pugi::xml_node root;
    if (!gf_loadParametersFile(doc))
    {
        // The file is gone (its folder removed while the program runs) or damaged: it is written anew with
        // every setting as the program holds it, not with this one alone.
        doc.reset();
        root = doc.append_child(kRootName);
        gf_addCurrentSettings(root);
    }
    else
    {
        root = doc.child(kRootName);
        if (!root)
        {
            root = doc.append_child(kRootName);
        }
    }
    if (pugi::xml_node element = gf_findParameterNode(doc, name))
    {
        lf_setValueAttribute(element, text);
    }
    else
    {
        gf_addStringNode(root, name, text);
    }
    logIt();
    if (!gf_writeParametersFile(doc))
    {
        gf_logIfRunning(fmt::format("Saving '{}' failed", gf_parametersPathText()));
    }
}

void lf_logAddFailed(const std::string& name, std::string_view defaultText)
{
    gf_logIfRunning(
        fmt::format("{}Adding Init XML parameter '{}' with value '{}' failed!", "===> ", name, defaultText));
}

bool lf_canTakeChildren(pugi::xml_node root)
{
    return root.type() == pugi::node_element || root.type() == pugi::node_document;
}

pugi::xml_node lf_appendParameterElement(pugi::xml_node root, std::string_view name)
{
    if (!lf_canTakeChildren(root))
    {
        return {};
    }
    pugi::xml_node element = root.append_child(kElementName);
    if (element)
    {
        element.append_attribute(kNameAttribute).set_value(std::string(name).c_str());
    }
    return element;
}

} // namespace

pugi::xml_node gf_findParameterNode(const pugi::xml_document& doc, std::string_view name)
{
    // The key goes in as an XPath variable, so that no key text can change the query.
    pugi::xpath_variable_set variables;
    variables.set("key", std::string(name).c_str());
    const pugi::xpath_query query("/parameters/parameter[@name=$key]", &variables);
    return doc.select_node(query).node();
}

void gf_dropRepeatedParameters(pugi::xml_document& doc)
{
    // Reads and saves both take the first element; a later one would only surface once the first is removed.
    pugi::xml_node root = doc.child(kRootName);
    std::unordered_set<std::string> names;
    for (pugi::xml_node element = root.child(kElementName); element;)
    {
        const pugi::xml_node next = element.next_sibling(kElementName);
        const pugi::xml_attribute name = element.attribute(kNameAttribute);
        if (name && !names.insert(name.value()).second)
        {
            gf_logIfRunning(
                fmt::format("===> Parameter '{}' appears again with value '{}': the first one counts",
                            name.value(), element.attribute(kValueAttribute).value()));
            root.remove_child(element);
        }
        element = next;
    }
}

pugi::xml_node gf_findOrAddParameterNode(pugi::xml_node node, std::string_view name)
{
    const std::string key(name);
    if (pugi::xml_node found = node.find_child_by_attribute(kElementName, kNameAttribute, key.c_str()))
    {
        return found;
    }
    pugi::xml_node element = lf_appendParameterElement(node, name);
    if (element)
    {
        element.append_attribute(kValueAttribute);
    }
    return element;
}

StringParameter::StringParameter(std::string key, std::string defaultText)
    : Parameter(std::move(key)), defaultValue(std::move(defaultText)), current_(defaultValue)
{
}

std::string StringParameter::value() const
{
    const std::lock_guard lock(mutex_);
    return current_;
}

void StringParameter::set(std::string text)
{
    const std::lock_guard lock(mutex_);
    current_ = std::move(text);
}

bool StringParameter::read(const pugi::xml_document& doc)
{
    const pugi::xml_node element = gf_findParameterNode(doc, name);
    set(element ? element.attribute(kValueAttribute).as_string() : defaultValue);
    log();
    return static_cast<bool>(element);
}

void StringParameter::save() const
{
    lf_saveSetting(name, value(), [this] { log(); });
}

void StringParameter::setAndSave(std::string text)
{
    set(std::move(text));
    save();
}

void StringParameter::log() const
{
    gf_logIfRunning(fmt::format("{}=\"{}\"", name, value()));
}

IntParameter::IntParameter(std::string key, std::int32_t defaultNumber, std::int32_t min, std::int32_t max)
    : Parameter(std::move(key)), defaultValue(defaultNumber), minimum(min), maximum(max),
      current_(defaultNumber)
{
}

std::int32_t IntParameter::clamped(std::int32_t number) const
{
    if (number < minimum)
    {
        return minimum;
    }
    if (number > maximum)
    {
        return maximum;
    }
    return number;
}

bool IntParameter::read(const pugi::xml_document& doc, bool logIt)
{
    const pugi::xml_node element = gf_findParameterNode(doc, name);
    set(element ? clamped(element.attribute(kValueAttribute).as_int()) : defaultValue);
    if (logIt)
    {
        log();
    }
    return static_cast<bool>(element);
}

void IntParameter::save() const
{
    lf_saveSetting(name, std::to_string(value()), [this] { log(); });
}

void IntParameter::log() const
{
    gf_logIfRunning(fmt::format("{}={}", name, value()));
}

FloatParameter::FloatParameter(std::string key, float defaultNumber, float min, float max)
    : Parameter(std::move(key)), defaultValue(defaultNumber), minimum(min), maximum(max),
      current_(defaultNumber)
{
}

float FloatParameter::clamped(float number) const
{
    if (std::isnan(number) || number < minimum)
    {
        return minimum;
    }
    return number > maximum ? maximum : number;
}

BoolParameter::BoolParameter(std::string key, bool defaultOn)
    : Parameter(std::move(key)), defaultValue(defaultOn), current_(defaultOn)
{
}

bool BoolParameter::read(const pugi::xml_document& doc)
{
    const pugi::xml_node element = gf_findParameterNode(doc, name);
    set(element ? element.attribute(kValueAttribute).as_bool() : defaultValue);
    log();
    return static_cast<bool>(element);
}

void BoolParameter::save() const
{
    lf_saveSetting(name, lf_boolText(value()), [this] { log(); });
}

void BoolParameter::log() const
{
    gf_logIfRunning(fmt::format("{}={}", name, lf_boolText(value())));
}

ComboParameter::ComboParameter(std::string key, std::int32_t defaultNumber,
                               std::vector<std::int32_t> choiceList, std::uint32_t id, std::int32_t row)
    : IntParameter(std::move(key), defaultNumber, choiceList.front(), choiceList.back()),
      ControlBinding(id, row), choices(std::move(choiceList))
{
}

int ComboParameter::choiceIndex(std::int32_t number) const
{
    for (std::size_t i = 0; i < choices.size(); ++i)
    {
        if (choices[i] == number)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ComboParameter::fillCombo() const
{
    // The binding holds the window the box lies in; the box itself is found by its id.
    const win::Hwnd box = win::getDlgItem(window, controlId);
    if (box == win::kNoWindow)
    {
        return;
    }
    win::comboResetContent(box);
    for (const std::int32_t choice : choices)
    {
        win::comboAddString(box, std::to_string(choice));
    }
    const int index = choiceIndex(value());
    if (index >= 0)
    {
        win::comboSetCurSel(box, index);
    }
}

bool gf_removeParameter(const Parameter& parameter)
{
    const std::lock_guard lock(gf_parametersFileMutex());
    return gf_removeParameterFromFile(parameter);
}

bool gf_removeParameterFromFile(const Parameter& parameter)
{
    pugi::xml_document doc;
    if (!gf_loadParametersFile(doc))
    {
        return false;
    }
    const pugi::xml_node root = doc.child(kRootName);
    if (!root)
    {
        return false;
    }
    const pugi::xml_node element = gf_findParameterNode(doc, parameter.name);
    if (!element)
    {
        return false;
    }
    element.parent().remove_child(element);
    gf_logIfRunning(fmt::format("Parameter '{}' removed", parameter.name));
    if (!gf_writeParametersFile(doc))
    {
        gf_logIfRunning(fmt::format("Saving '{}' failed", gf_parametersPathText()));
    }
    return true;
}

bool gf_isFolderParameter(std::string_view name)
{
    return name.find("lfolder") != std::string_view::npos || name.find("afolder") != std::string_view::npos;
}

bool gf_readFolder(StringParameter& parameter, const pugi::xml_document& doc)
{
    const pugi::xml_node element = gf_findParameterNode(doc, parameter.name);
    parameter.set(element ? element.attribute(kValueAttribute).as_string() : parameter.defaultValue);
    if (!parameter.value().empty())
    {
        parameter.log();
    }
    return static_cast<bool>(element);
}

bool gf_addBoolNode(pugi::xml_node root, std::string_view name, bool on)
{
    return gf_addStringNode(root, name, lf_boolText(on));
}

bool gf_addIntNode(pugi::xml_node root, std::string_view name, std::int32_t number)
{
    return gf_addStringNode(root, name, std::to_string(number));
}

bool gf_addStringNode(pugi::xml_node root, std::string_view name, std::string_view text)
{
    pugi::xml_node element = lf_appendParameterElement(root, name);
    return element && element.append_attribute(kValueAttribute).set_value(std::string(text).c_str());
}

void gf_addBoolParam(BoolParameter& parameter, pugi::xml_node root)
{
    if (!gf_addBoolNode(root, parameter.name, parameter.defaultValue))
    {
        lf_logAddFailed(parameter.name, lf_boolText(parameter.defaultValue));
    }
    parameter.set(parameter.defaultValue);
    parameter.log();
}

void gf_addIntParam(IntParameter& parameter, pugi::xml_node root)
{
    if (!gf_addIntNode(root, parameter.name, parameter.defaultValue))
    {
        lf_logAddFailed(parameter.name, std::to_string(parameter.defaultValue));
    }
    parameter.set(parameter.defaultValue);
    parameter.log();
}

void gf_addStringParam(StringParameter& parameter, pugi::xml_node root)
{
    if (!gf_addStringNode(root, parameter.name, parameter.defaultValue))
    {
        lf_logAddFailed(parameter.name, parameter.defaultValue);
    }
    parameter.set(parameter.defaultValue);
    parameter.log();
}

} // namespace oxl
