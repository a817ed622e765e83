// The tie between a setting and the main-window control that shows it.
#pragma once

#include <cstdint>

#include "platform/win.h"

namespace oxl
{

/// Control id, row and window of a control bound to a setting. The main window fills in the
/// window and the previous procedure on the GUI thread before any cycle worker starts.
class ControlBinding
{
  public:
    /// Binds to the control id (also its command id) drawn on row y of the client area.
    ControlBinding(std::uint32_t id, std::int32_t row) : controlId(id), rowY(row) {}
    /// Virtual, so that an object deleted through this base is destroyed whole.
    virtual ~ControlBinding() = default;
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;

    const std::uint32_t controlId; ///< control identifier
    const std::int32_t rowY;       ///< y of the control's row in the main window [px]
    win::Hwnd window{};            ///< window holding the control; none until it is made
    win::WndProc previousProc{};   ///< procedure an edit box had before it was subclassed
};

} // namespace oxl
