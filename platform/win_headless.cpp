#include "platform/win_headless.h"

#include <algorithm>
#include <utility>

namespace oxl::win
{
namespace
{

// Bound of every wait of the loop: a SIGTERM only sets a flag, which the loop must get to see.
constexpr std::chrono::milliseconds kSignalPoll{250};

bool rectInside(const Rect& inner, const Rect& outer)
{
    return !inner.empty() && inner.left >= outer.left && inner.top >= outer.top &&
           inner.right <= outer.right && inner.bottom <= outer.bottom;
}

Rect intersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

int signOf(int v)
{
    return (v > 0) - (v < 0);
}

// The pixels a two-point polyline covers, as a rectangle (its last point is not drawn).
Rect lineBounds(const PaintedLine& l)
{
    const int lastX = l.x2 - signOf(l.x2 - l.x1);
    const int lastY = l.y2 - signOf(l.y2 - l.y1);
    return {std::min(l.x1, lastX), std::min(l.y1, lastY), std::max(l.x1, lastX) + 1,
            std::max(l.y1, lastY) + 1};
}

// Records the drawing calls of one WM_PAINT, cut to its paint rectangle as the screen would be.
class JournalCanvas final : public Canvas
{
  public:
    explicit JournalCanvas(const Rect& paintRect) : paintRect_(paintRect) {}
    void fillRect(const Rect& r, ColorRef colour) override
    {
        const Rect cut = intersect(r, paintRect_);
        if (cut.empty())
            return;
        PaintOp op;
        op.kind = PaintOp::Kind::Fill;
        op.rect = cut;
        op.colour = colour;
        ops_.push_back(std::move(op));
    }
    void line(int x1, int y1, int x2, int y2, ColorRef colour) override
    {
        PaintOp op;
        op.kind = PaintOp::Kind::Line;
        op.line = {x1, y1, x2, y2, colour};
        if (x1 == x2 && y1 == y2)
            return; // a polyline of one point draws nothing
        if (intersect(lineBounds(op.line), paintRect_).empty())
            return;
        ops_.push_back(std::move(op));
    }
    void textOut(int x, int y, std::string_view utf8, ColorRef colour) override
    {
        if (!paintRect_.contains(x, y))
            return;
        PaintOp op;
        op.kind = PaintOp::Kind::Text;
        op.text = {x, y, std::string(utf8), colour};
        ops_.push_back(std::move(op));
    }
    int textWidth(std::string_view utf8) const override
    {
        int characters = 0;
        for (const char c : utf8)
            characters += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
        return characters * kHeadlessCharacterWidth;
    }
    Rect paintRect() const override { return paintRect_; }
    std::vector<PaintOp> take() { return std::move(ops_); }

  private:
    Rect paintRect_;
    std::vector<PaintOp> ops_;
};

// True when a new paint of `paintRect` draws over the whole of an earlier drawing call.
bool coveredBy(const PaintOp& op, const Rect& paintRect)
{
    switch (op.kind)
    {
    case PaintOp::Kind::Fill:
        return rectInside(op.rect, paintRect);
    case PaintOp::Kind::Line:
        return rectInside(lineBounds(op.line), paintRect);
    case PaintOp::Kind::Text:
        return paintRect.contains(op.text.x, op.text.y);
    }
    return false;
}

} // namespace

HeadlessWindows& useHeadless()
{
    auto system = std::make_unique<HeadlessWindows>();
    HeadlessWindows& result = *system;
    installWindowSystem(std::move(system));
    return result;
}

std::unique_ptr<WindowSystem> makeHeadlessSystem()
{
    return std::make_unique<HeadlessWindows>();
}

bool HeadlessWindows::userMay(unsigned id, ControlKind kind, const Control** out) const
{
    auto it = controls_.find(id);
    if (it == controls_.end() || it->second.spec.kind != kind || !it->second.enabled)
        return false;
    if (out != nullptr)
        *out = &it->second;
    return true;
}

bool HeadlessWindows::click(unsigned id)
{
    {
        std::lock_guard lock(mutex_);
        if (!userMay(id, ControlKind::CheckBox) && !userMay(id, ControlKind::PushButton))
            return false;
    }
    return postMessage(kMainWindow, WM_COMMAND, makeWParam(id, BN_CLICKED), static_cast<LParam>(id));
}

bool HeadlessWindows::chooseItem(unsigned id, int index)
{
    {
        std::lock_guard lock(mutex_);
        const Control* c = nullptr;
        if (!userMay(id, ControlKind::Combo, &c))
            return false;
        if (index < 0 || static_cast<std::size_t>(index) >= c->items.size())
            return false;
        if (c->selection == index)
            return true; // the list closes on the same item: no notification
        controls_.at(id).selection = index;
    }
    return postMessage(kMainWindow, WM_COMMAND, makeWParam(id, CBN_SELCHANGE), static_cast<LParam>(id));
}

bool HeadlessWindows::type(unsigned id, std::string_view utf8)
{
    std::lock_guard lock(mutex_);
    if (!userMay(id, ControlKind::Edit))
        return false;
    controls_.at(id).text = std::string(utf8);
    return true;
}

bool HeadlessWindows::pressEnter(unsigned id)
{
    {
        std::lock_guard lock(mutex_);
        if (!userMay(id, ControlKind::Edit))
            return false;
    }
    return postMessage(id, WM_CHAR, kEnterKey, 0);
}

bool HeadlessWindows::clickClose()
{
    return postMessage(kMainWindow, WM_CLOSE, 0, 0);
}

void HeadlessWindows::iconify(bool minimised)
{
    {
        std::lock_guard lock(mutex_);
        iconified_ = minimised;
        if (!minimised)
            invalid_ = client_;
    }
    wake();
}

void HeadlessWindows::moveTo(int x, int y)
{
    std::lock_guard lock(mutex_);
    const int w = outer_.right - outer_.left;
    const int h = outer_.bottom - outer_.top;
    outer_ = {x, y, x + w, y + h};
}

void HeadlessWindows::setWorkArea(const Rect& area)
{
    std::lock_guard lock(mutex_);
    workArea_ = area;
}

Rect HeadlessWindows::workArea(int, int) const
{
    std::lock_guard lock(mutex_);
    return workArea_;
}

bool HeadlessWindows::paintIfInvalid()
{
    Rect r;
    {
        std::lock_guard lock(mutex_);
        if (!shown_ || iconified_ || invalid_.empty())
            return false;
        r = std::exchange(invalid_, Rect{});
    }
    JournalCanvas canvas(r);
    sendPaint(canvas);
    commit(r, canvas.take());
    return true;
}

void HeadlessWindows::commit(const Rect& paintRect, std::vector<PaintOp> ops)
{
    std::lock_guard lock(mutex_);
    std::erase_if(screen_, [&](const PaintOp& op) { return coveredBy(op, paintRect); });
    screen_.insert(screen_.end(), ops.begin(), ops.end());
    lastPaint_ = std::move(ops);
    lastPaintRect_ = paintRect;
    ++paintCount_;
}

void HeadlessWindows::nativeLoop()
{
    for (;;)
    {
        routeSignal();
        if (quitRequested())
            break;
        if (dispatchOne())
            continue;
        if (paintIfInvalid())
            continue;
        std::unique_lock lock(mutex_);
        const bool paintable = shown_ && !iconified_ && !invalid_.empty();
        if (!queue_.empty() || paintable || quit_.load())
            continue;
        waiting_ = true;
        idle_.notify_all();
        wakeup_.wait_for(lock, kSignalPoll);
        waiting_ = false;
    }
}

int HeadlessWindows::nativePump()
{
    int dispatched = 0;
    for (;;)
    {
        routeSignal();
        if (dispatchOne())
        {
            ++dispatched;
            continue;
        }
        if (!paintIfInvalid())
            break;
    }
    return dispatched;
}

bool HeadlessWindows::waitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, limit,
                          [&]
                          {
                              const bool paintable = shown_ && !iconified_ && !invalid_.empty();
                              return waiting_ && queue_.empty() && !paintable;
                          });
}

std::vector<PaintedText> HeadlessWindows::textsIn(const Rect& r) const
{
    std::lock_guard lock(mutex_);
    std::vector<PaintedText> result;
    for (const PaintOp& op : screen_)
    {
        if (op.kind == PaintOp::Kind::Text && r.contains(op.text.x, op.text.y))
            result.push_back(op.text);
    }
    return result;
}

std::optional<PaintedText> HeadlessWindows::findText(std::string_view part) const
{
    std::lock_guard lock(mutex_);
    for (auto it = screen_.rbegin(); it != screen_.rend(); ++it)
    {
        if (it->kind == PaintOp::Kind::Text && it->text.text.find(part) != std::string::npos)
            return it->text;
    }
    return std::nullopt;
}

std::optional<ColorRef> HeadlessWindows::fillAt(int x, int y) const
{
    std::lock_guard lock(mutex_);
    for (auto it = screen_.rbegin(); it != screen_.rend(); ++it)
    {
        if (it->kind == PaintOp::Kind::Fill && it->rect.contains(x, y))
            return it->colour;
    }
    return std::nullopt;
}

std::vector<PaintedLine> HeadlessWindows::lines() const
{
    std::lock_guard lock(mutex_);
    std::vector<PaintedLine> result;
    for (const PaintOp& op : screen_)
    {
        if (op.kind == PaintOp::Kind::Line)
            result.push_back(op.line);
    }
    return result;
}

std::vector<PaintOp> HeadlessWindows::lastPaint() const
{
    std::lock_guard lock(mutex_);
    return lastPaint_;
}

Rect HeadlessWindows::lastPaintRect() const
{
    std::lock_guard lock(mutex_);
    return lastPaintRect_;
}

int HeadlessWindows::paintCount() const
{
    std::lock_guard lock(mutex_);
    return paintCount_;
}

bool HeadlessWindows::topmost() const
{
    std::lock_guard lock(mutex_);
    return topmost_;
}

bool HeadlessWindows::shown() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

Rect HeadlessWindows::clientRect() const
{
    std::lock_guard lock(mutex_);
    return client_;
}

ColorRef HeadlessWindows::controlBackground() const
{
    std::lock_guard lock(mutex_);
    return controlBackground_;
}

} // namespace oxl::win
