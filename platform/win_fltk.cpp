#include "platform/win_fltk.h"

#include "platform/win_system.h"

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

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <utility>

namespace oxl::win
{
namespace
{

constexpr Fl_Font kFont = FL_HELVETICA;
constexpr Fl_Fontsize kFontSize = 12; // [px] the tightest label gaps allow about 6.5 px per glyph
constexpr double kWaitBound = 0.25;   // [s] longest wait of the loop before it looks at its flags
constexpr unsigned kAllDirty = kDirtyState | kDirtyText | kDirtyItems | kDirtySelect;

Fl_Color flColour(ColorRef c)
{
    return fl_rgb_color(static_cast<uchar>(redOf(c)), static_cast<uchar>(greenOf(c)),
                        static_cast<uchar>(blueOf(c)));
}

int signOf(int v)
{
    return (v > 0) - (v < 0);
}

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

// Returning keeps the process alive: every later call on the broken connection returns at once, so
// whatever was drawing finishes and releases its locks, and the loop closes the window headless.
void onDisplayLostExit(Display*, void*)
{
}

class FltkWindows;

// The device context of one WM_PAINT: FLTK's drawing calls on the window's back buffer.
class FltkCanvas final : public Canvas
{
  public:
    explicit FltkCanvas(const Rect& paintRect) : paintRect_(paintRect) {}
    void fillRect(const Rect& r, ColorRef colour) override
    {
        if (r.empty())
            return;
        fl_color(flColour(colour));
        fl_rectf(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    void line(int x1, int y1, int x2, int y2, ColorRef colour) override
    {
        if (x1 == x2 && y1 == y2)
            return;
        fl_color(flColour(colour));
        fl_line_style(FL_SOLID, 1);
        fl_line(x1, y1, x2 - signOf(x2 - x1), y2 - signOf(y2 - y1)); // the last point is not drawn
        fl_line_style(0);
    }
    void textOut(int x, int y, std::string_view utf8, ColorRef colour) override
    {
        fl_font(kFont, kFontSize);
        fl_color(flColour(colour));
        fl_draw(utf8.data(), static_cast<int>(utf8.size()), x, y + fl_height() - fl_descent());
    }
    int textWidth(std::string_view utf8) const override
    {
        fl_font(kFont, kFontSize);
        return static_cast<int>(std::ceil(fl_width(utf8.data(), static_cast<int>(utf8.size()))));
    }
    Rect paintRect() const override { return paintRect_; }

  private:
    Rect paintRect_;
};

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
    bool click(int x, int y);
    bool key(unsigned long keysym);
    bool closeRequest();

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
    void applyTopmost(bool topmost);
    void rethrowPaintError()
    {
        if (paintError_)
            std::rethrow_exception(std::exchange(paintError_, nullptr));
    }
    bool sendPointer(int type, int x, int y, unsigned state);

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
        // A click puts the keyboard here, as on a button; a check box takes no keys, so the window holds it.
        Fl::focus(window());
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

int EditWidget::handle(int event)
{
    if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter))
    {
        owner_.userPressedEnter(id_);
        return 1;
    }
    return Fl_Input::handle(event);
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
    const int key = Fl::event_key();
    const bool plain = (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) == 0;
    if (event == FL_KEYBOARD && plain && (key == FL_Up || key == FL_Down))
    {
        step(key == FL_Up ? -1 : 1);
        return 1;
    }
    if (event == FL_PUSH || (event == FL_KEYBOARD && key == ' '))
    {
        owner_.listOpen(this); // the list runs a loop of its own until it closes
        const int result = Fl_Choice::handle(event);
        owner_.listOpen(nullptr);
        // The keyboard stays here, also when the list went with a key (Escape) that FLTK then takes for
        // the list's own window and drops.
        if (active_r() && visible_r())
            Fl::focus(this);
        return result;
    }
    return Fl_Choice::handle(event);
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

int MainFlWindow::handle(int event)
{
    // Keys that no control took end here. FLTK's navigation would move the keyboard on Return and the
    // arrows, to the next control and round to the first (the install path, where a Return restarts the
    // program): only Tab and Shift+Tab move it, and only from a control the user chose.
    if (event == FL_KEYBOARD || event == FL_SHORTCUT)
    {
        const bool tab = Fl::event_key() == FL_Tab && (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) == 0;
        if (event == FL_KEYBOARD && tab && Fl::focus() != this && contains(Fl::focus()))
        {
            Fl_Double_Window::handle(event);
            owner_.noteFocus();
        }
        return 1;
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

void FltkWindows::applyTopmost(bool topmost)
{
    const Window xid = fl_xid(window_);
    if (xid == 0)
        return;
    // The window manager keeps the window above others when asked through _NET_WM_STATE;
    // without a window manager nothing covers the window anyway.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.send_event = True;
    e.xclient.display = fl_display;
    e.xclient.window = xid;
    e.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = topmost ? 1 : 0; // add or remove
    e.xclient.data.l[1] = static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False));
    e.xclient.data.l[3] = 1; // asked by an application
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(fl_display);
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
        applyTopmost(*topmost);
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

bool FltkWindows::sendPointer(int type, int x, int y, unsigned state)
{
    XEvent e{};
    XButtonEvent& b = e.xbutton;
    b.type = type;
    b.send_event = True;
    b.display = fl_display;
    b.window = fl_xid(window_);
    b.root = RootWindow(fl_display, fl_screen);
    b.subwindow = None;
    b.time = CurrentTime;
    b.x = x;
    b.y = y;
    b.x_root = window_->x() + x;
    b.y_root = window_->y() + y;
    b.state = state;
    b.button = Button1;
    b.same_screen = True;
    return XSendEvent(fl_display, b.window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
                      &e) != 0;
}

bool FltkWindows::click(int x, int y)
{
    if (window_ == nullptr || !window_->shown() || gDisplayLost.load())
        return false;
    const bool sent = sendPointer(ButtonPress, x, y, 0) && sendPointer(ButtonRelease, x, y, Button1Mask);
    XSync(fl_display, False);
    Fl::check();
    return sent;
}

bool FltkWindows::key(unsigned long keysym)
{
    if (window_ == nullptr || !window_->shown() || gDisplayLost.load())
        return false;
    XEvent e{};
    XKeyEvent& k = e.xkey;
    k.type = KeyPress;
    k.send_event = True;
    k.display = fl_display;
    k.window = fl_xid(window_);
    k.root = RootWindow(fl_display, fl_screen);
    k.subwindow = None;
    k.time = CurrentTime;
    k.x = 1;
    k.y = 1;
    k.keycode = XKeysymToKeycode(fl_display, keysym);
    k.same_screen = True;
    bool sent = XSendEvent(fl_display, k.window, True, KeyPressMask, &e) != 0;
    k.type = KeyRelease;
    sent = XSendEvent(fl_display, k.window, True, KeyReleaseMask, &e) != 0 && sent;
    XSync(fl_display, False);
    Fl::check();
    return sent;
}

bool FltkWindows::closeRequest()
{
    if (window_ == nullptr || !window_->shown() || gDisplayLost.load())
        return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.send_event = True;
    e.xclient.display = fl_display;
    e.xclient.window = fl_xid(window_);
    e.xclient.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(fl_display, e.xclient.window, False, NoEventMask, &e) != 0;
    XSync(fl_display, False);
    Fl::check();
    return sent;
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
    return fltk != nullptr && fltk->click(x, y);
}

bool sendKey(unsigned long keysym)
{
    FltkWindows* fltk = fltkInUse();
    return fltk != nullptr && fltk->key(keysym);
}

bool sendCloseRequest()
{
    FltkWindows* fltk = fltkInUse();
    return fltk != nullptr && fltk->closeRequest();
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
