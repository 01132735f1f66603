// Toolkit-free models of the window components the forms are built from. A view (gui/) mirrors
// each component into a widget by listening to its change signal and turns user actions back
// into the handlers held here. Headless runs build no views; the models work the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/bitmap.h"

namespace wm033::forms {

// Colours are 24-bit values with red in the low byte (0x00BBGGRR).
using Colour = uint32_t;
constexpr Colour RGB(unsigned r, unsigned g, unsigned b) {
  return r | (g << 8) | (b << 16);
}
constexpr Colour kBlack = RGB(0, 0, 0);
constexpr Colour kButtonFace = RGB(240, 240, 240);

// Called after a component changed, so that a view can mirror it.
using ChangeSignal = std::function<void()>;

struct Geometry {
  int left = 0, top = 0, width = 0, height = 0;
};

class Component {
 public:
  explicit Component(std::string name, Geometry g = {}) : name_(std::move(name)), geometry_(g) {}
  virtual ~Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::string& Name() const { return name_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) { Set(enabled_, e); }
  const Geometry& Bounds() const { return geometry_; }
  void SetBounds(Geometry g) {
    geometry_ = g;
    Changed();
  }
  void OnChange(ChangeSignal s) { on_change_ = std::move(s); }

 protected:
  template <typename T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed() {
    if (on_change_) on_change_();
  }

 private:
  std::string name_;
  Geometry geometry_;
  bool visible_ = true;
  bool enabled_ = true;
  ChangeSignal on_change_;
};

enum class Align { Left, Centre, Right };

class Label : public Component {
 public:
  Label(std::string name, Geometry g = {}, std::string caption = {}, Align align = Align::Left,
        bool word_wrap = false)
      : Component(std::move(name), g),
        caption_(std::move(caption)),
        align_(align),
        word_wrap_(word_wrap) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { Set(caption_, c); }
  Colour FontColour() const { return font_colour_; }
  void SetFontColour(Colour c) { Set(font_colour_, c); }
  Align Alignment() const { return align_; }
  bool WordWrap() const { return word_wrap_; }

 private:
  std::string caption_;
  Colour font_colour_ = kBlack;
  Align align_;
  bool word_wrap_;
};

class Button : public Component {
 public:
  Button(std::string name, Geometry g, std::string caption)
      : Component(std::move(name), g), caption_(std::move(caption)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { Set(caption_, c); }
  std::function<void()> OnClick;
  // Runs the click handler as a click by the user would (only while enabled).
  void Click() {
    if (Enabled() && OnClick) OnClick();
  }
  void SetFocus() {
    ++focus_requests_;
    Changed();
  }
  int FocusRequests() const { return focus_requests_; }

 private:
  std::string caption_;
  int focus_requests_ = 0;
};

class Memo : public Component {
 public:
  Memo(std::string name, Geometry g = {}, std::vector<std::string> lines = {})
      : Component(std::move(name), g), lines_(std::move(lines)) {}
  const std::vector<std::string>& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  // Line i, or "" beyond the end.
  std::string Line(int i) const {
    return (i >= 0 && i < Count()) ? lines_[static_cast<size_t>(i)] : std::string();
  }
  void SetLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    Changed();
  }
  void Clear() { SetLines({}); }
  void Add(const std::string& line) {
    lines_.push_back(line);
    Changed();
  }
  void Insert(int i, const std::string& line) {
    if (i < 0) i = 0;
    if (i > Count()) i = Count();
    lines_.insert(lines_.begin() + i, line);
    Changed();
  }
  void Delete(int i) {
    if (i < 0 || i >= Count()) return;
    lines_.erase(lines_.begin() + i);
    Changed();
  }
  void Replace(int i, const std::string& line) {
    if (i < 0 || i >= Count()) return;
    lines_[static_cast<size_t>(i)] = line;
    Changed();
  }
  // Lets a routine edit many lines and signal once.
  std::vector<std::string>& MutableLines() { return lines_; }
  void Touch() { Changed(); }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool r) { Set(read_only_, r); }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool w) { Set(word_wrap_, w); }

 private:
  std::vector<std::string> lines_;
  bool read_only_ = false;
  bool word_wrap_ = true;
};

// An image component holding a bitmap; views repaint it on change.
class Image : public Component {
 public:
  Image(std::string name, Geometry g) : Component(std::move(name), g), bitmap_(g.width, g.height) {}
  display::Bitmap& Picture() { return bitmap_; }
  const display::Bitmap& Picture() const { return bitmap_; }
  // Gives the image a new bitmap of that size (white) and resizes the component.
  void NewPicture(int width, int height) {
    bitmap_ = display::Bitmap(width, height);
    Geometry g = Bounds();
    g.width = width;
    g.height = height;
    SetBounds(g);
  }
  // Tells the view that the pixels changed.
  void Repaint() { Changed(); }

 private:
  display::Bitmap bitmap_;
};

class MenuItem : public Component {
 public:
  MenuItem(std::string name, std::string caption)
      : Component(std::move(name)), caption_(std::move(caption)) {}
  const std::string& Caption() const { return caption_; }
  std::function<void()> OnClick;
  void Click() {
    if (Enabled() && OnClick) OnClick();
  }
  std::vector<MenuItem*> Items;  // sub-menu entries, owned by the form

 private:
  std::string caption_;
};

class Timer : public Component {
 public:
  explicit Timer(std::string name) : Component(std::move(name)) { SetEnabled(false); }
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms) { Set(interval_, ms); }
  std::function<void()> OnTimer;
  void Fire() {
    if (Enabled() && OnTimer) OnTimer();
  }

 private:
  uint32_t interval_ = 999;
};

enum class WindowState { Normal, Minimized, Maximized };

// A top-level window: caption, place and size, state, and its close handler.
class Form : public Component {
 public:
  Form(std::string name, Geometry g, std::string caption)
      : Component(std::move(name), g), caption_(std::move(caption)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c) { Set(caption_, c); }
  WindowState State() const { return state_; }
  void SetState(WindowState s) {
    if (state_ == s) return;
    state_ = s;
    Changed();
    if (OnResize) OnResize();
  }
  void SetLeft(int v) {
    Geometry g = Bounds();
    g.left = v;
    SetBounds(g);
  }
  void SetTop(int v) {
    Geometry g = Bounds();
    g.top = v;
    SetBounds(g);
  }
  void SetWidth(int v) {
    Geometry g = Bounds();
    g.width = v;
    SetBounds(g);
  }
  void SetHeight(int v) {
    Geometry g = Bounds();
    g.height = v;
    SetBounds(g);
  }
  // Focus and bring-to-front requests, counted so that a view can act on each.
  void SetFocus() {
    ++focus_requests_;
    Changed();
  }
  int FocusRequests() const { return focus_requests_; }
  void BringToFront() {
    ++front_requests_;
    Changed();
  }
  int FrontRequests() const { return front_requests_; }
  void Repaint() { Changed(); }
  bool HasTitleButtons() const { return title_buttons_; }
  void SetTitleButtons(bool b) { title_buttons_ = b; }

  // The window system moved or resized the window (its owner or the window manager did): the
  // model follows, and a change of size reaches the resize handler as it would on Windows.
  void FollowWindow(Geometry g) {
    const Geometry was = Bounds();
    if (g.left == was.left && g.top == was.top && g.width == was.width && g.height == was.height)
      return;
    SetBounds(g);
    if ((g.width != was.width || g.height != was.height) && OnResize) OnResize();
  }

  std::function<void()> OnClose;   // closing by the window frame
  std::function<void()> OnResize;  // after the state changed
  // Closing the window as the window frame's close button does.
  void Close() {
    if (OnClose) OnClose();
  }

 private:
  std::string caption_;
  WindowState state_ = WindowState::Normal;
  int focus_requests_ = 0;
  int front_requests_ = 0;
  bool title_buttons_ = true;
};

}  // namespace wm033::forms
