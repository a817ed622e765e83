// Settings folder fixture.
#include "tests/support/settings_fixture.h"

#include "foundation/config_keys.h"
#include "foundation/settings_file.h"

namespace oxl::test
{

void resetSettingsToDefaults()
{
    for (Parameter* parameter : gf_configurationKeys())
    {
        if (auto* text = dynamic_cast<StringParameter*>(parameter))
            text->set(text->defaultValue);
        else if (auto* number = dynamic_cast<IntParameter*>(parameter))
            number->set(number->defaultValue);
        else if (auto* real = dynamic_cast<FloatParameter*>(parameter))
            real->set(real->defaultValue);
        else if (auto* flag = dynamic_cast<BoolParameter*>(parameter))
            flag->set(flag->defaultValue);
    }
}

SettingsFolder::SettingsFolder() : env_("OXL_APPDATA", appData_.path().string())
{
    // The main window makes the settings folder before any setting is saved.
    std::filesystem::create_directories(appData_ / "Ordalis_P3D");
    resetSettingsToDefaults();
    gf_installSettingsView(nullptr);
    gf_refreshSettingsPaths();
}

SettingsFolder::~SettingsFolder()
{
    resetSettingsToDefaults();
    gf_installSettingsView(nullptr);
    gf_refreshSettingsPaths();
}

std::filesystem::path SettingsFolder::parametersFile() const
{
    return appData_ / "Ordalis_P3D" / "parameters.xml";
}

void SettingsFolder::writeParameters(const std::string& bytes) const
{
    writeBytes(parametersFile(), bytes);
}

pugi::xml_document SettingsFolder::loadParameters() const
{
    pugi::xml_document doc;
    if (!doc.load_file(parametersFile().c_str()))
    {
        doc.reset();
    }
    return doc;
}

std::string SettingsFolder::valueOf(const std::string& key) const
{
    const pugi::xml_document doc = loadParameters();
    const pugi::xml_node element =
        doc.child("parameters").find_child_by_attribute("parameter", "name", key.c_str());
    if (!element)
    {
        return "<none>";
    }
    const pugi::xml_attribute value = element.attribute("value");
    return value ? value.as_string() : "<no value>";
}

} // namespace oxl::test
