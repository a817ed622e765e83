// Reading of dbase.xml: sixteen top-level sections (no common root), each read by its own rules.

#include "foundation/units.h"
#include "liveries/liveries_state.h"

#include "foundation/decryption.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/strings.h"
#include "foundation/system_lookups.h"
#include "platform/win_path.h"

#include <algorithm>
#include <fmt/format.h>
#include <optional>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>

namespace oxl
{

namespace fs = std::filesystem;

namespace
{

// Room reserved before reading, so the usual file never reallocates.
constexpr std::size_t kSimilarGroupsReserved = 64;
constexpr std::size_t kPublisherGroupsReserved = 640;
constexpr std::size_t kThirdPartiesReserved = 200;

std::string attr(const pugi::xml_node& node, const char* name)
{
    return node.attribute(name).value();
}

/// The items of every element's list attribute in one set; error 61 when none is found.
std::set<std::string> lf_readSetSection(const pugi::xml_document& doc, const char* section,
                                        const char* element, const char* attribute)
{
    std::set<std::string> items;
    for (const pugi::xml_node node : doc.child(section).children(element))
    {
        for (std::string& item : gf_splitString(attr(node, attribute), ','))
        {
            items.insert(std::move(item));
        }
    }
    if (items.empty())
    {
        throw UserErrorException(
            61, fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.", section,
                            element, attribute));
    }
    return items;
}

void lf_readSimilarTypes(const pugi::xml_document& doc, Dbase& db)
{
    db.similarGroups.reserve(kSimilarGroupsReserved);
    for (const pugi::xml_node node : doc.child("similar_types").children("similar"))
    {
        std::vector<std::string> group = gf_splitString(attr(node, "types"), ',');
        std::sort(group.begin(), group.end());
        db.similarGroups.push_back(std::move(group));
    }
    db.similarGroups.shrink_to_fit();
}

void lf_readPublishers(const pugi::xml_document& doc, Dbase& db)
{
    std::vector<std::string> texts;
    for (const pugi::xml_node node : doc.child("publishers").children("pub"))
    {
        texts.push_back(attr(node, "names"));
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    db.publisherGroups.reserve(kPublisherGroupsReserved);
    for (const std::string& text : texts)
    {
        std::vector<std::string> group = gf_splitString(text, ',');
        group.shrink_to_fit();
        db.publisherGroups.push_back(std::move(group));
    }
    db.publisherGroups.shrink_to_fit();
    gf_log(fmt::format("   {} publishers", db.publisherGroups.size()));
}

void lf_readWingspans(const pugi::xml_document& doc, Dbase& db)
{
    for (const pugi::xml_node node : doc.child("wingspans").children("wingspan"))
    {
        const std::string type = attr(node, "type");
        if (type.empty() || !db.aircraftTypes.contains(type))
        {
            gf_logMarked(fmt::format("wingspan model {} is not valid, skipped", type));
            continue;
        }
        const double halfSpanNm = metresToNm(gf_parseMeters(attr(node, "meters")) * 0.5);
        db.halfSpansNm.try_emplace(type, halfSpanNm);
        // A repeated type still counts here although its map entry keeps the first value.
        db.largestHalfSpanNm = std::max(db.largestHalfSpanNm, halfSpanNm);
    }
    if (db.halfSpansNm.empty())
    {
        return;
    }
    std::array<double, 6> sum{};
    std::array<std::size_t, 6> count{};
    double allSum = 0.0;
    for (const auto& [type, halfSpanNm] : db.halfSpansNm)
    {
        const auto c = static_cast<std::size_t>(gf_aircraftCategory(type));
        sum.at(c) += halfSpanNm;
        ++count.at(c);
        allSum += halfSpanNm;
    }
    // A category without any entry of its own takes the average of all entries, so that every
    // aircraft gets a plausible radius.
    const double allAverage = allSum / static_cast<double>(db.halfSpansNm.size());
    for (std::size_t c = 0; c < sum.size(); ++c)
    {
        db.categoryHalfSpansNm.at(c) =
            count.at(c) > 0 ? sum.at(c) / static_cast<double>(count.at(c)) : allAverage;
    }
}

void lf_readFixes(const pugi::xml_document& doc, Dbase& db)
{
    for (const pugi::xml_node node : doc.child("fixes").children("fx"))
    {
        const std::string wrong = attr(node, "wro");
        const std::string correct = attr(node, "cor");
        if (correct.empty() || !db.aircraftTypes.contains(correct))
        {
            gf_logMarked(fmt::format("wrong fix {} -> {}, the latter is not valid", wrong, correct));
            continue;
        }
        if (!db.modelFixes.try_emplace(wrong, correct).second)
        {
            gf_logMarked(fmt::format("wrong part of fix: '{}', already exists, skipped", wrong));
        }
    }
}

void lf_readThirdParties(const pugi::xml_document& doc, Dbase& db)
{
    db.thirdParties.reserve(kThirdPartiesReserved);
    for (const pugi::xml_node node : doc.child("thirdpartiesP3D").children("thirdpartieP3D"))
    {
        db.thirdParties.push_back(
            ThirdPartyEntry{attr(node, "pub"), gf_splitString(attr(node, "arpts"), ',')});
    }
}

bool lf_isTrueText(const char* text)
{
    const char c = text[0];
    return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y';
}

void lf_readRegistrations(const pugi::xml_document& doc, Dbase& db)
{
    db.registrations.clear();
    db.shortRegKeys.clear();
    for (const pugi::xml_node node : doc.child("dbase").children("db"))
    {
        const std::string reg = attr(node, "reg");
        DbaseRecord record{attr(node, "airl"), attr(node, "type"), attr(node, "opr"),
                           lf_isTrueText(node.attribute("cargo").value())};
        if (!db.registrations.try_emplace(reg, std::move(record)).second)
        {
            gf_logMarked(fmt::format("regcode {} already exists", reg));
            continue;
        }
        // The empty key would stand inside every title; it is no registration.
        if (!reg.empty() && reg.size() <= kInlineRegcodeMaxBytes)
        {
            db.shortRegKeys.insert(reg);
        }
    }
}

void lf_readSections(const pugi::xml_document& doc, Dbase& db)
{
    db.aircraftTypes = lf_readSetSection(doc, "aircrafts", "aircraft", "types");
    db.highPerfTypes = lf_readSetSection(doc, "high_performance", "hpf", "types");
    db.heavyTypes = lf_readSetSection(doc, "heavy", "hvy", "types");
    db.largeTypes = lf_readSetSection(doc, "large", "lar", "types");
    db.buzjetTypes = lf_readSetSection(doc, "buzjet", "bzj", "types");
    db.rotorcraftTypes = lf_readSetSection(doc, "rotorcraft", "rot", "types");
    db.cargoTypes = lf_readSetSection(doc, "cargo_types", "cargo_type", "types");
    lf_readSimilarTypes(doc, db);
    db.airlineCodes = lf_readSetSection(doc, "ICAO_airlines", "ICAO", "codes");
    db.cargoOperators = lf_readSetSection(doc, "cargo_operators", "ICAO", "codes");
    lf_readPublishers(doc, db);
    lf_readWingspans(doc, db);
    lf_readFixes(doc, db);
    db.simaddonAirports = lf_readSetSection(doc, "simaddonsP3D", "simaddonP3D", "arpts");
    lf_readThirdParties(doc, db);
    lf_readRegistrations(doc, db);
}

} // namespace

bool gf_readDbase()
{
    return gf_readDbase(fs::path("input"));
}

bool gf_readDbase(const fs::path& inputFolder)
{
    const fs::path encPath = inputFolder / "dbase.enc";
    const fs::path xmlPath = inputFolder / "dbase.xml";
    // The database is decrypted in memory: no plain copy is ever readable on the disk, and a full or
    // read-only disk cannot stop the reading. A plain file that an older version left goes.
    gf_removeFileIfExists(xmlPath);
    if (!fs::exists(encPath))
    {
        throw std::runtime_error(fmt::format("{} not available", WinPath::fromReal(encPath)));
    }
    const std::optional<std::string> plain = gf_streamDecrypt(encPath);
    if (!plain)
    {
        throw std::runtime_error(fmt::format("{} stream decrypt failed", WinPath::fromReal(encPath)));
    }
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(plain->data(), plain->size());
    if (!parsed)
    {
        throw UserErrorException(
            60, fmt::format("'{}' not read because of {}", WinPath::fromReal(xmlPath), parsed.description()));
    }
    gLiveries.gDbase = Dbase{};
    lf_readSections(doc, gLiveries.gDbase);
    gf_log(fmt::format("{} dbase records read", gLiveries.gDbase.registrations.size()));
    return true;
}

} // namespace oxl
