// The parameter objects: one long-lived global object per setting, read from and saved to
// parameters.xml. Current values are read from every thread: ints, floats and bools are atomics,
// strings sit behind a mutex of their own.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "foundation/control_binding.h"

namespace oxl
{

/// A setting's key (its name in parameters.xml); for a button, its caption.
class Parameter
{
  public:
    /// Makes a parameter named by its key.
    explicit Parameter(std::string key) : name(std::move(key)) {}
    /// Virtual, so that an object deleted through this base is destroyed whole.
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    /// The key in parameters.xml (the caption of a button).
    const std::string name;
};

/// A text setting.
class StringParameter : public Parameter
{
  public:
    /// Makes the setting with its default, which is also its current value.
    StringParameter(std::string key, std::string defaultText);

    /// A copy of the current value.
    std::string value() const;
    /// Replaces the current value (not saved).
    void set(std::string text);
    /// Reads the current value from a loaded settings document; true when its element exists.
    bool read(const pugi::xml_document& doc);
    /// Writes the current value into parameters.xml.
    void save() const;
    /// Replaces the current value and saves it.
    void setAndSave(std::string text);
    /// Logs NAME="value".
    void log() const;

    /// The value the setting has when parameters.xml does not hold it.
    const std::string defaultValue;

  private:
    mutable std::mutex mutex_;
    std::string current_;
};

/// A whole-number setting with an inclusive range that reading enforces.
class IntParameter : public Parameter
{
  public:
    /// Makes the setting; the default is not clamped.
    IntParameter(std::string key, std::int32_t defaultNumber, std::int32_t min, std::int32_t max);

    /// The current value.
    std::int32_t value() const { return current_.load(); }
    /// Replaces the current value (not clamped, not saved).
    void set(std::int32_t number) { current_.store(number); }
    /// The number moved into [minimum, maximum].
    std::int32_t clamped(std::int32_t number) const;
    /// Reads the current value (clamped) from a loaded document; true when its element exists.
    bool read(const pugi::xml_document& doc, bool logIt);
    /// Writes the current value into parameters.xml.
    void save() const;
    /// Logs NAME=123.
    void log() const;

    const std::int32_t defaultValue; ///< value when parameters.xml does not hold the setting
    const std::int32_t minimum;      ///< smallest value reading keeps
    const std::int32_t maximum;      ///< largest value reading keeps

  private:
    std::atomic<std::int32_t> current_;
};

/// A number setting with a range; it is never read from or written to parameters.xml.
class FloatParameter : public Parameter
{
  public:
    /// Makes the setting; the default is not clamped.
    FloatParameter(std::string key, float defaultNumber, float min, float max);

    /// The current value.
    float value() const { return current_.load(); }
    /// Replaces the current value.
    void set(float number) { current_.store(number); }
    /// The number moved into [minimum, maximum] (NaN gives the minimum).
    float clamped(float number) const;

    const float defaultValue; ///< initial value
    const float minimum;      ///< smallest value the controls keep
    const float maximum;      ///< largest value the controls keep

  private:
    std::atomic<float> current_;
};

/// An on/off setting, stored as "true" or "false".
class BoolParameter : public Parameter
{
  public:
    /// Makes the setting with its default, which is also its current value.
    BoolParameter(std::string key, bool defaultOn);

    /// The current value.
    bool value() const { return current_.load(); }
    /// Replaces the current value (not saved).
    void set(bool on) { current_.store(on); }
    /// Reads the current value from a loaded document; true when its element exists.
    bool read(const pugi::xml_document& doc);
    /// Writes the current value into parameters.xml.
    void save() const;
    /// Logs NAME=true or NAME=false.
    void log() const;

    const bool defaultValue; ///< value when parameters.xml does not hold the setting

  private:
    std::atomic<bool> current_;
};

/// A check box bound to an on/off setting.
class CheckBoxParameter : public BoolParameter, public ControlBinding
{
  public:
    /// Makes the setting and its binding to the control id on row y.
    CheckBoxParameter(std::string key, bool defaultOn, std::uint32_t id, std::int32_t row)
        : BoolParameter(std::move(key), defaultOn), ControlBinding(id, row)
    {
    }
};

/// A drop-down list of whole numbers; its range is the first and the last choice.
class ComboParameter : public IntParameter, public ControlBinding
{
  public:
    /// Makes the setting from its ascending choices (at least one) and its control binding.
    ComboParameter(std::string key, std::int32_t defaultNumber, std::vector<std::int32_t> choiceList,
                   std::uint32_t id, std::int32_t row);

    /// Index of the first choice equal to the number, or -1.
    int choiceIndex(std::int32_t number) const;
    /// Fills the bound combo box with the choices and selects the current value when it is one;
    /// does nothing while the box does not exist.
    void fillCombo() const;

    /// The combo box entries, ascending.
    const std::vector<std::int32_t> choices;
};

/// A number typed into an edit box; Base is IntParameter or FloatParameter.
template <class Base> class EditParameter : public Base, public ControlBinding
{
  public:
    /// Makes the setting and its binding to the control id on row y.
    template <class T>
    EditParameter(std::string key, T defaultNumber, T min, T max, std::uint32_t id, std::int32_t row)
        : Base(std::move(key), defaultNumber, min, max), ControlBinding(id, row)
    {
    }
};

/// A text typed into an edit box.
class StringEditParameter : public StringParameter, public ControlBinding
{
  public:
    /// Makes the setting and its binding to the control id on row y.
    StringEditParameter(std::string key, std::string defaultText, std::uint32_t id, std::int32_t row)
        : StringParameter(std::move(key), std::move(defaultText)), ControlBinding(id, row)
    {
    }
};

/// A push button; its name is the caption.
class ButtonControl : public Parameter, public ControlBinding
{
  public:
    /// Makes the button with its caption, control id and row.
    ButtonControl(std::string caption, std::uint32_t id, std::int32_t row)
        : Parameter(std::move(caption)), ControlBinding(id, row)
    {
    }
};

/// Deletes the setting's element from parameters.xml; true when one was removed.
bool gf_removeParameter(const Parameter& parameter);

/// True when the key names a livery or airport folder setting ("lfolder" or "afolder" in it).
bool gf_isFolderParameter(std::string_view name);

/// Reads a folder setting; logs it only when its new value is not empty.
bool gf_readFolder(StringParameter& parameter, const pugi::xml_document& doc);

/// Appends <parameter name=.. value="true|false"/> to root; false when root cannot take it.
bool gf_addBoolNode(pugi::xml_node root, std::string_view name, bool on);
/// Appends <parameter name=.. value="123"/> to root; false when root cannot take it.
bool gf_addIntNode(pugi::xml_node root, std::string_view name, std::int32_t number);
/// Appends <parameter name=.. value="text"/> to root; false when root cannot take it.
bool gf_addStringNode(pugi::xml_node root, std::string_view name, std::string_view text);

/// Appends the setting with its default, makes the default current and logs it.
void gf_addBoolParam(BoolParameter& parameter, pugi::xml_node root);
/// Appends the setting with its default, makes the default current and logs it.
void gf_addIntParam(IntParameter& parameter, pugi::xml_node root);
/// Appends the setting with its default, makes the default current and logs it.
void gf_addStringParam(StringParameter& parameter, pugi::xml_node root);

/// The "parameter" child of node named name; appended with "name" and an empty "value" when missing
/// (an empty node when node cannot take children).
pugi::xml_node gf_findOrAddParameterNode(pugi::xml_node node, std::string_view name);

/// The element of the named setting in a loaded document, or an empty node.
pugi::xml_node gf_findParameterNode(const pugi::xml_document& doc, std::string_view name);

/// Removes every later element of a setting named more than once, logging each: the first one counts.
void gf_dropRepeatedParameters(pugi::xml_document& doc);

} // namespace oxl
