// Harnesses of the foundation's files: parameters.xml, the encrypted data files, versions.json and the
// registry file; and the lines of the log.
#include "tests/fuzz/fuzz_driver.h"

#include "foundation/config_keys.h"
#include "foundation/data_key.h"
#include "foundation/decryption.h"
#include "foundation/encryption.h"
#include "foundation/log.h"
#include "foundation/parameters.h"
#include "foundation/repeat_limit.h"
#include "foundation/settings_file.h"
#include "foundation/system_lookups.h"
#include "foundation/utf.h"
#include "foundation/version_check.h"
#include "foundation/version_data.h"
#include "platform/registry.h"
#include "tests/support/settings_fixture.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <set>
#include <utility>
#include <vector>

namespace oxl::fuzz
{
namespace
{

std::vector<std::uint8_t> readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The values of every setting, as text, to compare two loads.
std::vector<std::string> settingValues()
{
    std::vector<std::string> values;
    for (Parameter* parameter : gf_configurationKeys())
    {
        if (const auto* number = dynamic_cast<IntParameter*>(parameter))
            values.push_back(parameter->name + "=" + std::to_string(number->value()));
        else if (const auto* real = dynamic_cast<FloatParameter*>(parameter))
            values.push_back(parameter->name + "=" + std::to_string(real->value()));
        else if (const auto* flag = dynamic_cast<BoolParameter*>(parameter))
            values.push_back(parameter->name + "=" + (flag->value() ? "1" : "0"));
        else if (const auto* text = dynamic_cast<StringParameter*>(parameter))
            values.push_back(parameter->name + "=" + text->value());
    }
    return values;
}

} // namespace

// parameters.xml as the start reads it: every number within its range, and a second load (of the file the
// first one completed) gives the same values.
OXL_FUZZ_TARGET(parameters_xml)
{
    const char* h = "parameters_xml";
    const auto file = gf_parametersPath();
    std::filesystem::remove_all(file.parent_path()); // with the copies of unreadable files
    std::filesystem::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
    }
    // Each run starts as the program does, from the defaults.
    test::resetSettingsToDefaults();
    gf_loadAllParameters();
    for (Parameter* parameter : gf_configurationKeys())
    {
        if (const auto* number = dynamic_cast<IntParameter*>(parameter))
            OXL_FUZZ_CHECK(number->value() >= number->minimum && number->value() <= number->maximum, h,
                           number->name + " out of its range");
        if (const auto* real = dynamic_cast<FloatParameter*>(parameter))
            OXL_FUZZ_CHECK(std::isfinite(real->value()) && real->value() >= real->minimum &&
                               real->value() <= real->maximum,
                           h, real->name + " out of its range");
    }
    // A file naming a setting twice is read by its first entry; an empty folder entry removed from it
    // lets the next start read the second one.
    pugi::xml_document doc;
    doc.load_buffer(input.data(), input.size());
    std::set<std::string> names;
    for (const pugi::xml_node entry : doc.child("parameters").children("parameter"))
        if (!names.insert(entry.attribute("name").value()).second)
            return;
    const auto first = settingValues();
    gf_loadAllParameters();
    const auto second = settingValues();
    for (std::size_t i = 0; i < first.size(); ++i)
        OXL_FUZZ_CHECK(second[i] == first[i], h, "a second load changed " + first[i] + " into " + second[i]);
}

// One byte picks the kind: arbitrary bytes decrypted (refused or decrypted, never more), or arbitrary
// plain bytes encrypted and decrypted back to the same bytes.
OXL_FUZZ_TARGET(decryption)
{
    const char* h = "decryption";
    Input in(input);
    const bool roundTrip = (in.take<std::uint8_t>() & 1) != 0;
    const auto rest = in.rest();
    const auto out = scratchFolder() / "decrypted.bin";
    if (roundTrip)
    {
        const auto plain = writeInput("plain.bin", rest);
        const auto sealed = scratchFolder() / "sealed.enc";
        gf_encryptStream(kDataFileKey, plain, sealed);
        gf_decryptStream(kDataFileKey, sealed, out);
        OXL_FUZZ_CHECK(readAll(out) == std::vector<std::uint8_t>(rest.begin(), rest.end()), h,
                       "round trip changed the bytes");
        return;
    }
    const auto sealed = writeInput("fuzz.enc", rest);
    try
    {
        gf_decryptStream(kDataFileKey, sealed, out);
    }
    catch (const std::runtime_error&)
    {
        return;
    }
    // Authenticated chunks cannot be forged, so a decryption that succeeds gives fewer bytes than it read.
    OXL_FUZZ_CHECK(readAll(out).size() < rest.size(), h, "decrypted more than was read");
}

// versions.json from the site: a data file is fetched only for a newer version, stored as text that reads
// back as that version.
OXL_FUZZ_TARGET(versions_json)
{
    const char* h = "versions_json";
    writeInput("site/versions.json", input);
    for (const auto& [site, local] :
         {std::pair{kRegcodeFileName, gRegcodePath}, {kDbaseFileName, gDbasePath}})
    {
        writeInput("site/" + std::string(site), asBytes("new"));
        writeInput(("work" / local).string(), asBytes("old"));
    }
    AIG_VERSION.set("1.2.3");
    DBASE_VERSION.set("1.2.3");
    gf_checkVersions(); // an exception ends the run
    for (const StringParameter* stored : {&AIG_VERSION, &DBASE_VERSION})
        OXL_FUZZ_CHECK(stored->value() == "1.2.3" ||
                           (VersionData(stored->value()) > VersionData(1, 2, 3) &&
                            VersionData(stored->value()).toString() == stored->value()),
                       h, stored->name + " stored as " + stored->value());
}

// Whatever a caller passes, in any form of the log or through a repeat limit: one call writes one line, and
// every line written is valid UTF-8 without a control character, a text that the one rule shows as it is.
OXL_FUZZ_TARGET(log_line)
{
    static RepeatLimitedLog repeats("limited: ");
    const auto file = scratchFolder() / "log" / "Log.txt";
    // A fresh log now and then keeps a long run's file small.
    if (std::error_code unknown; std::filesystem::file_size(file, unknown) > 1'000'000 || unknown)
        std::filesystem::create_directories(file.parent_path()), gf_openLog(file);
    Input in(input);
    const auto how = in.take<std::uint8_t>();
    const std::string_view text = asText(in.rest());
    const auto before = static_cast<std::ptrdiff_t>(std::filesystem::file_size(file));
    std::ptrdiff_t called = 0; // [bytes] written by a direct call of the log
    if (how % 4 < 3)
        gf_logAs(static_cast<LogForm>(how % 4), text),
            called = static_cast<std::ptrdiff_t>(std::filesystem::file_size(file)) - before;
    else // the kind, sender and aircraft come from the text too: they show in the count lines
        repeats.write(text.substr(0, 8), text, LogForm::marked,
                      {text.substr(0, 20), text.substr(std::min<std::size_t>(8, text.size()), 16)});
    repeats.flush(true);
    const std::vector<std::uint8_t> log = readAll(file);
    std::string written(log.begin() + before, log.end());
    OXL_FUZZ_CHECK(written.empty() || written.back() == '\n', "log_line", "a line without its end");
    OXL_FUZZ_CHECK(how % 4 == 3 || std::count(written.begin(), written.begin() + called, '\n') == 1,
                   "log_line", "one call wrote other than one line");
    std::ranges::replace(written, '\n', ' '); // every line at once
    OXL_FUZZ_CHECK(gf_showBytes(written) == written, "log_line",
                   "a line holds what the rule escapes: " + gf_showBytes(written));
}

// The registry file as the simulator's lookups read it: the size a value gives is the size it reads with.
OXL_FUZZ_TARGET(registry)
{
    const char* h = "registry";
    writeInput("registry.xml", input);
    (void)gf_getP3dSetupPath(5);
    plat::RegKey key = 0;
    if (plat::regOpenKeyEx(plat::kHkeyLocalMachine, gf_p3dRegistryKey(5), 0, plat::kKeyRead, &key) != 0)
        return;
    for (const char16_t* name : {u"SetupPath", u"Port", u"Q", u"Bin", u"E"})
    {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (plat::regGetValue(key, u"", name, plat::kRrfRtAny, &type, nullptr, &size) != 0)
            continue;
        std::vector<std::uint8_t> data(size + 1);
        std::uint32_t read = size;
        OXL_FUZZ_CHECK(plat::regGetValue(key, u"", name, plat::kRrfRtAny, &type, data.data(), &read) == 0 &&
                           read == size,
                       h, "a value does not read with its own size");
        OXL_FUZZ_CHECK((type != plat::kRegDword || size == 4) && (type != plat::kRegQword || size == 8), h,
                       "size of a number");
        OXL_FUZZ_CHECK(type != plat::kRegSz ||
                           (size >= 2 && size % 2 == 0 && data[size - 1] == 0 && data[size - 2] == 0),
                       h, "string without its ending zero");
    }
    OXL_FUZZ_CHECK(plat::regCloseKey(key) == 0, h, "the key does not close");
}

} // namespace oxl::fuzz
