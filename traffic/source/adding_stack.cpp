#include "traffic/source/adding_stack.h"

namespace oxl
{

bool AddingStack::push(TrafficLine&& line, std::int32_t tickNow)
{
    std::lock_guard lock(mutex_);
    if (!accept_)
        return false;
    line.report.dueTick = tickNow + kReportDelayTicks;
    lines_.push_back(std::move(line));
    return true;
}

void AddingStack::setAccept(bool accept)
{
    std::lock_guard lock(mutex_);
    accept_ = accept;
}

bool AddingStack::accepting() const
{
    std::lock_guard lock(mutex_);
    return accept_;
}

std::size_t AddingStack::size() const
{
    std::lock_guard lock(mutex_);
    return lines_.size();
}

void AddingStack::clear()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

} // namespace oxl
