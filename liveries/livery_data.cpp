#include "liveries/livery_data.h"
#include "liveries/liveries_state.h"

#include <algorithm>
#include <fmt/format.h>
#include <utility>

namespace oxl
{

bool gf_sameLivery(const LiveryData& a, const LiveryData& b)
{
    return a.title == b.title && a.airl == b.airl && a.type == b.type && a.atcid == b.atcid &&
           a.cargo == b.cargo;
}

void ReportList::add(std::string line)
{
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::list<std::string> ReportList::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t ReportList::size() const
{
    std::lock_guard lock(mutex_);
    return lines_.size();
}

bool ReportList::empty() const
{
    std::lock_guard lock(mutex_);
    return lines_.empty();
}

void ReportList::clear()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

bool TitleRegister::claim(const LiveryData& record, const std::string& file, std::string lineIfTaken)
{
    std::lock_guard lock(mutex_);
    const auto [it, inserted] = titles_.try_emplace(record.title, Holder{record, file, lineIfTaken});
    if (inserted)
        return true;
    Holder& holder = it->second;
    // The sections of one file come in their order, so the same file keeps the title it holds.
    const bool comesFirst = record.folderIndex != holder.record.folderIndex
                                ? record.folderIndex < holder.record.folderIndex
                                : file < holder.file;
    if (!comesFirst)
        return false;
    gf_addIncompleteSection(std::move(holder.lineIfTaken));
    displaced_.push_back(std::move(holder.record));
    holder = Holder{record, file, std::move(lineIfTaken)};
    return true;
}

std::vector<LiveryData> TitleRegister::takeDisplaced()
{
    std::lock_guard lock(mutex_);
    return std::exchange(displaced_, {});
}

bool TitleRegister::contains(const std::string& title) const
{
    std::lock_guard lock(mutex_);
    return titles_.contains(title);
}

std::size_t TitleRegister::size() const
{
    std::lock_guard lock(mutex_);
    return titles_.size();
}

void TitleRegister::clear()
{
    std::lock_guard lock(mutex_);
    titles_.clear();
    displaced_.clear();
}

LiveryData gf_makeLiveryData(std::uint32_t folderIndex, const std::string& airl, const std::string& type,
                             bool passenger, const std::string& title, const std::string& atcid,
                             const std::string& file, const std::string& lineIfTaken)
{
    LiveryData record{airl, type, title, atcid, folderIndex, !passenger};
    if (!gLiveries.ScannedTitles.claim(record, file, lineIfTaken))
    {
        return {};
    }
    return record;
}

bool gf_isDontUseTitle(const std::string& title)
{
    return std::find(gLiveries.DontUseTitles.begin(), gLiveries.DontUseTitles.end(), title) !=
           gLiveries.DontUseTitles.end();
}

void gf_addInvalidCfgFile(std::string text)
{
    gLiveries.InvalidCfgFiles.add(std::move(text));
}

void gf_addIncompleteSection(std::string text)
{
    gLiveries.IncompleteSections.add(std::move(text));
}

void gf_addInvalidAirlineCode(const std::string& code, const std::string& file, const std::string& header)
{
    gLiveries.InvalidAirlineCodes.add(fmt::format("{:12} in {} ", code, file) + header);
}

void gf_addInvalidModelCode(const std::string& code, const std::string& file)
{
    gLiveries.InvalidModelCodes.add(fmt::format("{:16} in {}", code, file));
}

void gf_addModelFix(std::string text)
{
    gLiveries.ModelFixes.add(std::move(text));
}

void gf_clearScanContainers()
{
    gLiveries.EmptyCfgFiles.clear();
    gLiveries.InvalidCfgFiles.clear();
    gLiveries.IncompleteSections.clear();
    gLiveries.InvalidAirlineCodes.clear();
    gLiveries.InvalidModelCodes.clear();
    gLiveries.ModelFixes.clear();
    gLiveries.DbaseCorrections.clear();
    gLiveries.ScannedTitles.clear();
    gLiveries.DontUseTitles.clear();
}

bool gf_liveryBefore(const LiveryData& a, const LiveryData& b)
{
    if (a.airl != b.airl)
        return a.airl < b.airl;
    if (a.type != b.type)
        return a.type < b.type;
    return a.title < b.title;
}

} // namespace oxl
