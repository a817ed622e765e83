#include "platform/win_fltk.h"

#include "platform/fltk_canvas.h"
#include "platform/win_system.h"
#include "platform/x11_input.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <utility>

namespace oxl::win
{
namespace
{

constexpr double kWaitBound = 0.25; // [s] longest wait of the loop before it looks at its flags
constexpr unsigned kAllDirty = kDirtyState | kDirtyText | kDirtyItems | kDirtySelect;

// Set on the GUI thread when the connection to the display breaks (a crashed X server, a logout);
// from then on nothing may touch the display.
std::atomic<bool> gDisplayLost{false};

int onDisplayLost(Display* display)
{
    gDisplayLost.store(true);
    std::fprintf(stderr, "X connection to %s broken: the window closes\n", DisplayString(display));
    return 0;
}

// The events a person causes with the pointer or the keyboard.
bool isInput(int event)
{
    return event == FL_PUSH || event == FL_RELEASE || event == FL_KEYBOARD || event == FL_SHORTCUT ||
           event == FL_MOUSEWHEEL;
}

// The event's key as the key rules tell keys apart.
KeyStroke pressOf()
{
    const int key = Fl::event_key();
    Key k = Key::other;
    if (key == FL_Enter || key == FL_KP_Enter)
        k = Key::enter;
    else if (key == FL_Up || key == FL_Down)
        k = key == FL_Up ? Key::up : Key::down;
    else if (key == FL_Tab || key == ' ')
        k = key == FL_Tab ? Key::tab : Key::space;
    return {k, Fl::event_state(FL_SHIFT) != 0, Fl::event_state(FL_CTRL | FL_ALT | FL_META) != 0};
}

// A key the rules keep from the control: 1 (taken) when it is lost, 0 when it goes on to the window.
int keptFromControl(KeyAction action)
{
    return action == KeyAction::nothing ? 1 : 0;
}

// After a click on a control: the window keeps the keyboard where the rules say the click does not take it.
void afterClick(ControlKind kind, Fl_Widget* control)
{
    if (!clickTakesKeyboard(kind) && control->window() != nullptr)
        Fl::focus(control->window());
}

// Returning keeps the process alive: every later call on the broken connection returns at once, so
// whatever was drawing finishes and releases its locks, and the loop closes the window headless.
void onDisplayLostExit(Display*, void*)
{
}

class FltkWindows;

// The control kinds as FLTK widgets; each knows its window system and id for its notifications.
class CheckBoxWidget final : public Fl_Widget
{
  public:
    CheckBoxWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h)
        : Fl_Widget(x, y, w, h), owner_(owner), id_(id)
    {
    }
    bool checked = false;

  protected:
    void draw() override;
    int handle(int event) override;

  private:
    FltkWindows& owner_;
    unsigned id_;
};

class ButtonWidget final : public Fl_Button
{
  public:
    ButtonWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h);

  protected:
    int handle(int event) override;

  private:
    FltkWindows& owner_;
    unsigned id_;
};

class EditWidget final : public Fl_Input
{
  public:
    EditWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h);

  protected:
    int handle(int event) override;

  private:
    FltkWindows& owner_;
    unsigned id_;
};

class ComboWidget final : public Fl_Choice
{
  public:
    ComboWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h);

  protected:
    int handle(int event) override;

  private:
    void step(int by);
    int openList(int event);

    FltkWindows& owner_;
    unsigned id_;
};

class MainFlWindow final : public Fl_Double_Window
{
  public:
    MainFlWindow(FltkWindows& owner, int x, int y, int w, int h) : Fl_Double_Window(x, y, w, h), owner_(owner)
    {
    }

  protected:
    void draw() override;
    void resize(int x, int y, int w, int h) override;
    int handle(int event) override;

  private:
    void moveKeyboard(int by);

    FltkWindows& owner_;
};

class FltkWindows final : public WindowSystem
{
  public:
    FltkWindows(int wakeRead, int wakeWrite) : wakeRead_(wakeRead), wakeWrite_(wakeWrite)
    {
        Fl::add_fd(wakeRead_, FL_READ, onWakeFd, this);
        // Checks run in every wait, also in the loop of an open list: there a close must end the list.
        Fl::add_check(onEveryWait, this);
        gActive = this;
        Fl::event_dispatch(dispatchEvent);
        setSignalWakeFd(wakeWrite_);
    }
    ~FltkWindows() override
    {
        setSignalWakeFd(-1);
        Fl::event_dispatch(nullptr);
        gActive = nullptr;
        Fl::remove_check(onEveryWait, this);
        Fl::remove_fd(wakeRead_);
        if (!gDisplayLost.load())
            delete window_; // a window's end talks to its display; without one the process ends soon
        ::close(wakeRead_);
        ::close(wakeWrite_);
    }
    FltkWindows(const FltkWindows&) = delete;
    FltkWindows& operator=(const FltkWindows&) = delete;
    std::string_view name() const override { return "fltk"; }
    Rect workArea(int x, int y) const override
    {
        // The window manager's work area on the first screen (less its panels), the whole screen elsewhere.
        int left = 0, top = 0, width = 0, height = 0;
        Fl::screen_work_area(left, top, width, height, x, y);
        return {left, top, left + width, top + height};
    }

    // What the widgets report, on the GUI thread.
    void userClicked(unsigned id)
    {
        if (takesInput(id, kDirtyState))
            postMessage(kMainWindow, WM_COMMAND, makeWParam(id, BN_CLICKED), id);
    }
    void userTyped(unsigned id, const char* text)
    {
        if (!takesInput(id, kDirtyText))
            return;
        std::lock_guard lock(mutex_);
        if (auto it = controls_.find(id); it != controls_.end())
            it->second.text = text == nullptr ? "" : text;
    }
    void userChose(unsigned id, int index)
    {
        if (!takesInput(id, kDirtySelect))
            return;
        {
            std::lock_guard lock(mutex_);
            if (auto it = controls_.find(id); it != controls_.end())
                it->second.selection = index;
        }
        postMessage(kMainWindow, WM_COMMAND, makeWParam(id, CBN_SELCHANGE), id);
    }
    void userPressedEnter(unsigned id)
    {
        if (takesInput(id, 0))
            postMessage(id, WM_CHAR, kEnterKey, 0);
    }
    void closeClicked() { postMessage(kMainWindow, WM_CLOSE, 0, 0); }
    // The window takes the keyboard (focus-in, a control coming back): it goes back to the control
    // the user last chose, or stays with the window when that control went grey under it.
    void restoreFocus()
    {
        if (keyFocus_ != nullptr && keyFocus_->active_r() && keyFocus_->visible_r() &&
            keyFocus_->take_focus())
            return;
        keyFocus_ = nullptr;
    }
    // After each event the window saw: where the user's click or Tab put the keyboard (the window
    // itself after a click on a check box).
    void noteFocus()
    {
        Fl_Widget* focus = Fl::focus();
        if (focus == window_)
            keyFocus_ = nullptr;
        else if (focus != nullptr && window_->contains(focus))
            keyFocus_ = focus;
    }
    // The combo box whose list is open (its own loop runs), or none.
    void listOpen(Fl_Widget* combo) { openList_ = combo; }
    void windowPlaced();
    void windowMapped(bool mapped);
    void paint(const Rect& client)
    {
        try
        {
            FltkCanvas canvas(client);
            sendPaint(canvas);
        }
        catch (...)
        {
            // An exception may not cross FLTK's drawing code; the loop throws it on.
            paintError_ = std::current_exception();
        }
    }
    std::optional<ClientImage> read(std::chrono::milliseconds limit);
    // Input that a test sends through the display to the shown window, read by the toolkit at once.
    template <class Send> bool input(Send send)
    {
        if (window_ == nullptr || !window_->shown() || gDisplayLost.load())
            return false;
        const bool sent = send(fl_xid(window_), window_->x(), window_->y());
        Fl::check();
        return sent;
    }

  protected:
    void wake() override
    {
        if (wakePending_.exchange(true))
            return;
        const char byte = 'w';
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &byte, 1); // non-blocking: never waits
    }
    void nativeCreateWindow() override;
    void nativeCreateControl(unsigned id) override;
    void nativeShowWindow() override
    {
        if (window_ == nullptr || displayGone())
            return;
        window_->show();
        sync();
    }
    void nativePaintNow() override
    {
        if (displayGone())
            return;
        sync();
        Fl::flush();
        rethrowPaintError();
    }
    void nativeLoop() override;
    int nativePump() override;

  private:
    static void onEveryWait(void* data)
    {
        auto* self = static_cast<FltkWindows*>(data);
        self->endPopupOnClose();
        // The list's own loop waits here too: the window keeps showing what changes meanwhile.
        if (self->openList_ != nullptr)
            self->sync();
    }
    // A close (signal, lost display) while a list is open: the list goes, so that the program's own
    // loop runs again and closes the window.
    void endPopupOnClose()
    {
        if (gDisplayLost.load() || signalWaiting())
            endPopup();
    }
    // An open list holds the pointer and keyboard grab; Escape ends it with nothing chosen.
    void endPopup()
    {
        Fl_Window* popup = Fl::grab();
        if (popup == nullptr || popup == window_)
            return;
        const int key = Fl::e_keysym;
        Fl::e_keysym = FL_Escape;
        popup->handle(FL_KEYBOARD);
        Fl::e_keysym = key;
    }
    // FLTK drops a window manager's close while a list is open; here it closes the list and the window.
    static int dispatchEvent(int event, Fl_Window* window)
    {
        FltkWindows* self = gActive;
        if (event == FL_CLOSE && self != nullptr && window == self->window_ && Fl::grab() != nullptr)
        {
            self->endPopup();
            self->closeClicked();
            return 1;
        }
        // Input meets the controls as the model has them now (filled, greyed), not as last mirrored.
        if (self != nullptr && isInput(event))
            self->sync();
        return Fl::handle_(event, window);
    }
    // True once the display is gone; the first time, the window is closed as its close button does.
    bool displayGone()
    {
        if (!gDisplayLost.load())
            return false;
        if (!closedForLostDisplay_)
        {
            closedForLostDisplay_ = true;
            closeClicked();
        }
        return true;
    }
    int dispatchAll()
    {
        routeSignal();
        int n = 0;
        while (!quitRequested() && dispatchOne())
            ++n;
        return n;
    }
    // The loop's wait without a display: until a message is posted or a signal comes, at most the bound.
    void waitWithoutDisplay()
    {
        pollfd p{wakeRead_, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(kWaitBound * 1000));
        onWakeFd(wakeRead_, this);
    }
    static void onWakeFd(int fd, void* data)
    {
        auto* self = static_cast<FltkWindows*>(data);
        self->wakePending_.store(false);
        char buffer[256];
        while (::read(fd, buffer, sizeof buffer) > 0)
        {
        }
        self->endPopupOnClose();
    }
    // A control disabled in the model takes no input, even before its widget has gone grey: what
    // the widget took (the `undo` parts of its state) is put back from the model.
    bool takesInput(unsigned id, unsigned undo)
    {
        {
            std::lock_guard lock(mutex_);
            auto it = controls_.find(id);
            if (it == controls_.end())
                return false;
            if (it->second.enabled)
                return true;
            it->second.dirty |= undo;
        }
        wake();
        return false;
    }
    void sync();
    void apply(Fl_Widget* widget, const Control& c, unsigned dirty, ColorRef background);
    void rethrowPaintError()
    {
        if (paintError_)
            std::rethrow_exception(std::exchange(paintError_, nullptr));
    }

    int wakeRead_;
    int wakeWrite_;
    std::atomic<bool> wakePending_{false};
    MainFlWindow* window_ = nullptr;
    std::map<unsigned, Fl_Widget*> widgets_;
    std::exception_ptr paintError_;
    bool closedForLostDisplay_ = false;
    bool framePlaced_ = false;      ///< the frame's corner was put on the stored one (GUI thread)
    std::pair<int, int> asked_;     ///< the outer corner the window was created at
    Fl_Widget* keyFocus_ = nullptr; ///< the control the user gave the keyboard; none = the window
    Fl_Widget* openList_ = nullptr; ///< the combo box whose list is open; its changes wait until it closes
    static FltkWindows* gActive;    ///< the one instance, for FLTK's event dispatch
};

FltkWindows* FltkWindows::gActive = nullptr;

void CheckBoxWidget::draw()
{
    const Fl_Color frame = active_r() ? FL_BLACK : fl_rgb_color(0xA0, 0xA0, 0xA0);
    fl_color(FL_WHITE);
    fl_rectf(x(), y(), w(), h());
    fl_color(frame);
    fl_rect(x(), y(), w(), h());
    if (!checked)
        return;
    // A tick from the left middle down to the bottom third and up to the top right.
    fl_line_style(FL_SOLID, 2);
    fl_line(x() + 3, y() + h() / 2, x() + w() / 2 - 1, y() + h() - 4, x() + w() - 3, y() + 3);
    fl_line_style(0);
}

int CheckBoxWidget::handle(int event)
{
    switch (event)
    {
    case FL_PUSH:
        afterClick(ControlKind::CheckBox, this);
        return 1;
    case FL_RELEASE:
        // Not automatic: the click only notifies; the window procedure decides the mark.
        if (Fl::event_inside(this))
            owner_.userClicked(id_);
        return 1;
    default:
        return Fl_Widget::handle(event);
    }
}

ButtonWidget::ButtonWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h)
    : Fl_Button(x, y, w, h), owner_(owner), id_(id)
{
    labelsize(kFontSize);
    callback(
        [](Fl_Widget* w, void*)
        {
            auto* button = static_cast<ButtonWidget*>(w);
            button->owner_.userClicked(button->id_);
        });
}

EditWidget::EditWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h)
    : Fl_Input(x, y, w, h), owner_(owner), id_(id)
{
    box(FL_BORDER_BOX);
    textsize(kFontSize);
    maximum_size(static_cast<int>(kMaxTextUnits));
    when(FL_WHEN_CHANGED);
    callback(
        [](Fl_Widget* w, void*)
        {
            auto* edit = static_cast<EditWidget*>(w);
            edit->owner_.userTyped(edit->id_, edit->value());
        });
}

int ButtonWidget::handle(int event)
{
    if (const KeyAction action =
            event == FL_KEYBOARD ? keyAtControl(ControlKind::PushButton, pressOf()) : KeyAction::own;
        action != KeyAction::own)
        return keptFromControl(action);
    const int result = Fl_Button::handle(event);
    if (event == FL_PUSH)
        afterClick(ControlKind::PushButton, this);
    return result;
}

int EditWidget::handle(int event)
{
    const KeyAction action =
        event == FL_KEYBOARD ? keyAtControl(ControlKind::Edit, pressOf()) : KeyAction::own;
    if (action == KeyAction::enter)
        owner_.userPressedEnter(id_);
    if (action != KeyAction::own)
        return action == KeyAction::enter ? 1 : keptFromControl(action);
    const int result = Fl_Input::handle(event);
    if (event == FL_PUSH)
        afterClick(ControlKind::Edit, this);
    return result;
}

ComboWidget::ComboWidget(FltkWindows& owner, unsigned id, int x, int y, int w, int h)
    : Fl_Choice(x, y, w, h), owner_(owner), id_(id)
{
    textsize(kFontSize);
    down_box(FL_BORDER_BOX);
    callback(
        [](Fl_Widget* w, void*)
        {
            auto* combo = static_cast<ComboWidget*>(w);
            combo->owner_.userChose(combo->id_, combo->value());
        });
}

int ComboWidget::handle(int event)
{
    const KeyAction action =
        event == FL_KEYBOARD ? keyAtControl(ControlKind::Combo, pressOf()) : KeyAction::own;
    if (action == KeyAction::chooseAbove || action == KeyAction::chooseBelow)
    {
        step(action == KeyAction::chooseAbove ? -1 : 1);
        return 1;
    }
    if (event == FL_PUSH || action == KeyAction::openList)
        return openList(event);
    return action == KeyAction::own ? Fl_Choice::handle(event) : keptFromControl(action);
}

// The list runs a loop of its own until it closes; a key opens it as the toolkit's own key (Space) does.
int ComboWidget::openList(int event)
{
    owner_.listOpen(this);
    if (event == FL_KEYBOARD)
    {
        Fl::e_keysym =
            ' '; // the toolkit's own key; the rules' key (plain Space for the window) may be another
        Fl::e_state &= ~(FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    }
    const int result = Fl_Choice::handle(event);
    owner_.listOpen(nullptr);
    // Where the click takes the keyboard it stays here, also when the list went with a key (Escape) that
    // FLTK then takes for the list's own window and drops.
    if (clickTakesKeyboard(ControlKind::Combo) && active_r() && visible_r())
        Fl::focus(this);
    else
        afterClick(ControlKind::Combo, this);
    return result;
}

// Up and Down on the closed box choose the item above or below, as a click in the list chooses it.
void ComboWidget::step(int by)
{
    const int items = size() - 1; // without the menu's terminator
    const int next = value() < 0 ? 0 : value() + by;
    if (next < 0 || next >= items || next == value())
        return;
    picked(menu() + next);
}

void MainFlWindow::draw()
{
    if (damage() & ~FL_DAMAGE_CHILD)
    {
        owner_.paint(Rect{0, 0, w(), h()});
        for (int i = 0; i < children(); ++i)
            draw_child(*child(i));
    }
    else
    {
        for (int i = 0; i < children(); ++i)
            update_child(*child(i));
    }
}

void MainFlWindow::resize(int x, int y, int w, int h)
{
    Fl_Double_Window::resize(x, y, w, h);
    owner_.windowPlaced();
}

// The keyboard moves to the next (or previous) control that takes it, round the window's controls.
void MainFlWindow::moveKeyboard(int by)
{
    const int n = children();
    const int from = find(Fl::focus());
    for (int step = 1; from < n && step < n; ++step)
    {
        Fl_Widget* next = child(((from + by * step) % n + n) % n);
        if (next->visible() && next->active() && next->take_focus())
            break;
    }
    owner_.noteFocus();
}

int MainFlWindow::handle(int event)
{
    // Keys that no control took end here, where the rules say what they do.
    if (event == FL_KEYBOARD || event == FL_SHORTCUT)
    {
        const KeyAction action = keyLeftOver(Fl::focus() != this && contains(Fl::focus()), pressOf());
        if (event == FL_KEYBOARD &&
            (action == KeyAction::nextControl || action == KeyAction::previousControl))
            moveKeyboard(action == KeyAction::nextControl ? 1 : -1);
        if (action != KeyAction::own)
            return 1;
        const int result = Fl_Double_Window::handle(event);
        owner_.noteFocus();
        return result;
    }
    // FLTK would hand the keyboard to the first control that takes it, which the user never chose.
    if (event == FL_FOCUS)
    {
        owner_.restoreFocus();
        return 1;
    }
    if (event == FL_SHOW || event == FL_HIDE)
    {
        const int result = Fl_Double_Window::handle(event);
        owner_.windowMapped(event == FL_SHOW);
        return result;
    }
    const int result = Fl_Double_Window::handle(event);
    owner_.noteFocus();
    return result;
}

void FltkWindows::windowPlaced()
{
    if (window_ == nullptr)
        return;
    // The display reports the client area; the stored position is the frame's outer corner.
    const int frameW = window_->shown() ? window_->decorated_w() - window_->w() : 0;
    const int frameH = window_->shown() ? window_->decorated_h() - window_->h() : 0;
    const int side = frameW / 2;
    const int left = window_->x() - side;
    const int top = window_->y() - (frameH - side);
    std::optional<std::pair<int, int>> move;
    {
        std::lock_guard lock(mutex_);
        // The stored corner is the frame's; a window manager that keeps the client area where it was
        // asked for (FLTK asks for static gravity) puts the frame up and left of it: move it in once.
        if (!framePlaced_ && frameW + frameH > 0)
        {
            framePlaced_ = true;
            if (left != asked_.first || top != asked_.second)
                move.emplace(asked_.first + side, asked_.second + (frameH - side));
        }
        if (!move)
            outer_ = {left, top, left + (outer_.right - outer_.left), top + (outer_.bottom - outer_.top)};
    }
    if (move)
        window_->position(move->first, move->second); // comes back here from the new place
}

void FltkWindows::windowMapped(bool mapped)
{
    std::lock_guard lock(mutex_);
    if (!shown_)
        return;
    iconified_ = !mapped;
    if (mapped)
        invalid_ = client_;
}

void FltkWindows::nativeCreateWindow()
{
    std::string title;
    Rect outer;
    Rect client;
    {
        std::lock_guard lock(mutex_);
        title = title_;
        outer = outer_;
        client = client_;
    }
    Fl_Group::current(nullptr);
    asked_ = {outer.left, outer.top};
    window_ = new MainFlWindow(*this, outer.left, outer.top, client.right, client.bottom);
    window_->end();
    window_->copy_label(title.c_str());
    window_->size_range(client.right, client.bottom, client.right, client.bottom); // fixed size
    window_->callback(
        [](Fl_Widget*, void* data)
        {
            if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
                return;                                      // Escape does not close it
            static_cast<FltkWindows*>(data)->closeClicked(); // the window stays until the program ends
        },
        this);
}

void FltkWindows::nativeCreateControl(unsigned id)
{
    ControlSpec spec;
    {
        std::lock_guard lock(mutex_);
        auto it = controls_.find(id);
        if (it == controls_.end() || window_ == nullptr)
            return;
        spec = it->second.spec;
        it->second.dirty = kAllDirty;
    }
    Fl_Group::current(nullptr);
    Fl_Widget* widget = nullptr;
    switch (spec.kind)
    {
    case ControlKind::CheckBox:
        widget = new CheckBoxWidget(*this, id, spec.x, spec.y, spec.width, spec.height);
        break;
    case ControlKind::PushButton:
        widget = new ButtonWidget(*this, id, spec.x, spec.y, spec.width, spec.height);
        break;
    case ControlKind::Edit:
        widget = new EditWidget(*this, id, spec.x, spec.y, spec.width, spec.height);
        break;
    case ControlKind::Combo:
        widget = new ComboWidget(*this, id, spec.x, spec.y, spec.width, spec.height);
        break;
    }
    window_->add(widget);
    widgets_[id] = widget;
    wake();
}

void FltkWindows::apply(Fl_Widget* widget, const Control& c, unsigned dirty, ColorRef background)
{
    if (dirty & kDirtyState)
    {
        if (c.enabled)
        {
            widget->activate();
        }
        else
        {
            // FLTK would hand the keyboard to the next control; it stays with the window instead.
            if (widget->contains(keyFocus_))
                keyFocus_ = nullptr;
            if (widget->contains(Fl::focus()))
                Fl::focus(window_);
            widget->deactivate();
        }
    }
    switch (c.spec.kind)
    {
    case ControlKind::CheckBox:
        static_cast<CheckBoxWidget*>(widget)->checked = c.checked;
        break;
    case ControlKind::PushButton:
        if (dirty & kDirtyText)
            widget->copy_label(c.text.c_str());
        break;
    case ControlKind::Edit:
    {
        auto* edit = static_cast<EditWidget*>(widget);
        if (dirty & kDirtyState)
            edit->color(flColour(background));
        if ((dirty & kDirtyText) && c.text != edit->value())
            edit->value(c.text.data(), static_cast<int>(c.text.size()));
        break;
    }
    case ControlKind::Combo:
    {
        auto* combo = static_cast<ComboWidget*>(widget);
        if (dirty & kDirtyItems)
        {
            combo->clear();
            for (std::size_t i = 0; i < c.items.size(); ++i)
            {
                // add() reads '/', '&' and '_' as menu syntax; replace() takes the text as it is.
                const int index = combo->add("x");
                combo->replace(index, c.items[i].c_str());
            }
        }
        if (dirty & (kDirtyItems | kDirtySelect))
        {
            if (c.selection >= 0 && static_cast<std::size_t>(c.selection) < c.items.size())
            {
                combo->value(c.selection);
            }
            else
            {
                combo->value(static_cast<const Fl_Menu_Item*>(nullptr));
            }
        }
        break;
    }
    }
    widget->redraw();
}

void FltkWindows::sync()
{
    if (window_ == nullptr || gDisplayLost.load())
        return;
    struct Pending
    {
        Fl_Widget* widget;
        Control state;
        unsigned dirty;
    };
    std::vector<Pending> pending;
    ColorRef background = 0;
    std::optional<bool> topmost;
    bool repaint = false;
    std::string title;
    {
        std::lock_guard lock(mutex_);
        for (auto& [id, c] : controls_)
        {
            auto w = widgets_.find(id);
            // An open list shows the items it was opened with: a refill would pull them from under it.
            if (c.dirty == 0 || w == widgets_.end() || w->second == openList_)
                continue;
            pending.push_back({w->second, c, std::exchange(c.dirty, 0u)});
        }
        background = controlBackground_;
        if (topmostDirty_ && window_->shown())
        {
            topmostDirty_ = false;
            topmost = topmost_;
        }
        repaint = shown_ && !invalid_.empty();
        if (repaint)
            invalid_ = {};
        title = title_;
    }
    for (const Pending& p : pending)
        apply(p.widget, p.state, p.dirty, background);
    if (title != (window_->label() == nullptr ? "" : window_->label()))
        window_->copy_label(title.c_str());
    if (repaint)
        window_->redraw();
    if (topmost)
        x11::setAbove(fl_display, fl_xid(window_), fl_screen, *topmost);
}

void FltkWindows::nativeLoop()
{
    for (;;)
    {
        dispatchAll();
        if (quitRequested())
            break;
        if (displayGone())
        {
            waitWithoutDisplay();
            continue;
        }
        sync();
        Fl::wait(kWaitBound); // paints first, as WM_PAINT comes when no message waits
        rethrowPaintError();
    }
}

int FltkWindows::nativePump()
{
    constexpr int kMaxRounds = 50; // a window that waits for its first expose is painted later
    int dispatched = 0;
    for (int round = 0; round < kMaxRounds && !displayGone(); ++round)
    {
        Fl::check();
        rethrowPaintError();
        routeSignal();
        int n = 0;
        while (dispatchOne())
            ++n;
        dispatched += n;
        sync();
        if (n == 0 && !Fl::damage())
            break;
    }
    if (displayGone())
        return dispatched + dispatchAll();
    Fl::flush();
    rethrowPaintError();
    return dispatched;
}

std::optional<ClientImage> FltkWindows::read(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto late = [&] { return std::chrono::steady_clock::now() > deadline; };
    if (window_ == nullptr || !window_->shown() || gDisplayLost.load())
        return std::nullopt;
    while (!window_->visible())
    {
        if (late())
            return std::nullopt;
        Fl::wait(0.05);
    }
    window_->redraw();
    do
    {
        XSync(fl_display, False);
        nativePump();
    } while (Fl::damage() && !late());
    XSync(fl_display, False);
    window_->make_current();
    const int w = window_->w();
    const int h = window_->h();
    uchar* pixels = fl_read_image(nullptr, 0, 0, w, h);
    if (pixels == nullptr)
        return std::nullopt;
    ClientImage image{w, h, std::vector<std::uint8_t>(pixels, pixels + static_cast<std::size_t>(w) * h * 3)};
    delete[] pixels;
    return image;
}

FltkWindows* fltkInUse()
{
    return dynamic_cast<FltkWindows*>(&windowSystem());
}

} // namespace

std::unique_ptr<WindowSystem> makeFltkSystem()
{
    if (fl_display == nullptr)
    {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr)
            return nullptr;
        fl_open_display(display);
        Fl::scheme("gtk+");
    }
    XSetIOErrorHandler(onDisplayLost);
    XSetIOErrorExitHandler(fl_display, onDisplayLostExit, nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    return std::make_unique<FltkWindows>(fds[0], fds[1]);
}

bool useFltk()
{
    auto system = makeFltkSystem();
    if (!system)
        return false;
    installWindowSystem(std::move(system));
    return true;
}

std::optional<ClientImage> readClientArea(std::chrono::milliseconds limit)
{
    FltkWindows* fltk = fltkInUse();
    return fltk == nullptr ? std::nullopt : fltk->read(limit);
}

bool sendClick(int x, int y)
{
    FltkWindows* fltk = fltkInUse();
    return fltk != nullptr &&
           fltk->input(
               [&](Window window, int left, int top) {
                   return x11::sendClick(fl_display, window, fl_screen, {x, y, left + x, top + y});
               });
}

bool sendKey(unsigned long keysym)
{
    FltkWindows* fltk = fltkInUse();
    return fltk != nullptr && fltk->input([&](Window window, int, int)
                                          { return x11::sendKey(fl_display, window, fl_screen, keysym); });
}

bool sendCloseRequest()
{
    FltkWindows* fltk = fltkInUse();
    return fltk != nullptr &&
           fltk->input([](Window window, int, int) { return x11::sendClose(fl_display, window); });
}

ColorRef ClientImage::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return win::rgb(rgb[i], rgb[i + 1], rgb[i + 2]);
}

bool ClientImage::writePpm(const std::filesystem::path& file) const
{
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(out);
}

} // namespace oxl::win
