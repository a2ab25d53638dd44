// Real windows for control models. Every widget is a view: user input goes to the
// model (click(), setText(), ...) and every model change is mirrored at once.
// WidgetHost is defined by job: widget_host.cpp makes the windows and the pages and
// places them, widget_sync.cpp mirrors the models, widget_messages.cpp turns the window's
// messages into the models' events, widget_focus.cpp is the keyboard order and
// list_widget.cpp the list views; panel.cpp is the containers' window class.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/controls.hpp"
#include "gui/win32/panel.hpp"
#include "platform/win32/win_util.hpp"

namespace varnolt::gui {

// Posted to the top-level window when a button with a lost-focus handler lost the
// focus; wParam is the button's handle.
inline constexpr UINT kMsgFocusLeft = WM_APP + 2;

// Turns a control's drawing off while it is being filled, so that each insertion does
// not lay it out anew. Drawing back on sets WS_VISIBLE, so a control made hidden is left
// as it is.
class DrawingOff {
 public:
  explicit DrawingOff(HWND h)
      : h_(h && (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) ? h : nullptr) {
    if (h_) ::SendMessageW(h_, WM_SETREDRAW, FALSE, 0);
  }
  ~DrawingOff() {
    if (h_) ::SendMessageW(h_, WM_SETREDRAW, TRUE, 0);
  }
  DrawingOff(const DrawingOff&) = delete;
  DrawingOff& operator=(const DrawingOff&) = delete;

 private:
  HWND h_;
};

class WidgetHost {
 public:
  using Finder = std::function<controls::Control*(std::string_view)>;
  // `controls` in creation order; `find` resolves container names among them.
  WidgetHost(HWND top, std::vector<controls::Control*> controls, Finder find,
             HICON pictureIcon = nullptr);
  ~WidgetHost();
  WidgetHost(const WidgetHost&) = delete;
  WidgetHost& operator=(const WidgetHost&) = delete;

  // Creates the windows of the controls in sight: those on the pages out of sight and the
  // hidden ones wait for finish() or finishLater(), or for being shown.
  void build(int dpi, HFONT font);
  // Creates the rest at once (a dialog, whose few windows cost little).
  void finish();
  // Creates the rest while the window takes input: a timer makes one page at each tick and
  // then fills the long texts a slice at a time. Timer messages come only when no input and
  // no painting waits, so the user is never kept waiting for a page he has not asked for;
  // a page he shows is made at once (showPage).
  void finishLater();
  // Re-places every widget after a DPI change.
  void rescale(int dpi, HFONT font);

  // Messages of the top-level window; true when one of the widgets took it.
  bool onCommand(WPARAM wParam, LPARAM lParam);
  bool onNotify(const NMHDR& header, LRESULT& result);
  bool onScroll(HWND from);
  bool onTimer(UINT_PTR id);
  bool onChildPressed(HWND child);
  // Keeps the status bar docked at the bottom.
  void onTopSized();
  void onFocusLeft(HWND button);

  // Keyboard access. Tab visits the enabled, visible tab stops: a tab control, then
  // the controls of its shown page. Within one container the controls follow each
  // other top to bottom, left to right when `readingOrder`, else in creation order
  // (dialogs whose order is part of their design).
  void setReadingOrder(bool on) { readingOrder_ = on; }
  std::vector<HWND> focusCycle() const;
  // Moves the focus to the next (Shift+Tab: previous) stop; false when there is none.
  bool tabFrom(HWND from, bool backwards);
  // An arrow key on an option button: the next (step 1) or previous (step -1) enabled
  // option of its container, in the order Tab uses and round at the ends, is chosen
  // through its model, as a click chooses it, and takes the focus. False when `from` is
  // no option button.
  bool arrowInGroup(HWND from, int step);
  // The first stop of the shown page, else the first stop of all.
  HWND firstStop() const;
  // Ctrl+Tab and friends: shows the next or previous page of the first tab control, as a
  // click on its tab would (the model raises its click event with the page left).
  bool switchPage(int step);

  HWND windowOf(const controls::Control& c) const;
  // The control shown by window `h`; nullptr when it is none of this host's.
  controls::Control* controlOf(HWND h);
  int dpi() const { return dpi_; }

 private:
  struct Widget {
    controls::Control* control = nullptr;
    HWND hwnd = nullptr;    // nullptr for components without a window (timers)
    HWND parent = nullptr;  // the window it sits in
    int id = 0;
    // Tab control: one page per tab (nullptr until made, see pageWindow), and where the
    // pages start within the control.
    mutable std::vector<HWND> pages;
    POINT pageOrigin{};
    // Container is a tab control: the control's rect is relative to the tab control,
    // its window to the page.
    const Widget* tabOwner = nullptr;
    // The container's widget (nullptr: the top-level window).
    const Widget* owner = nullptr;
    // Timer: set while its handler runs, so that its ticks never nest.
    bool ticking = false;
    // Its window has been created (or it needs none).
    bool made = false;
    // Multi-line text box: the end of the model's text that its window does not hold yet;
    // it follows in slices (appendSlice), so that a long log never lays out at once.
    std::wstring pending;
  };

  void collectStops(const Widget* container, int page, std::vector<HWND>& out) const;
  const Widget* firstTabControl() const;
  void focusIntoPage(const Widget& tab);

  // Every control gets its widget in creation order (that order gives the ids); the
  // windows come later, from materialize(), for the widgets it is asked for.
  Widget& ensure(controls::Control& c);
  void materialize(const std::function<bool(const Widget&)>& wanted);
  // The tab control and page a widget sits on, through its containers ({nullptr, 0}: on
  // no page).
  std::pair<const Widget*, int> pageOf(const Widget& w) const;
  void keepOrder(const Widget& w);
  // The window of a tab control's page, made when first asked for.
  HWND pageWindow(const Widget& tab, int page);
  void create(Widget& w);
  void subscribe(Widget& w);
  void update(Widget& w, controls::Property property);
  RECT placeOf(const Widget& w) const;
  void place(Widget& w);
  void layoutPages(Widget& tab);
  void showPage(Widget& tab);
  // List views (list_widget.cpp): virtual lists that show the model's rows as they are
  // painted, so a list of any length costs nothing to fill.
  HWND createList(Widget& w, DWORD style);
  void syncList(Widget& w);
  void syncListStates(Widget& w);
  void syncColumns(Widget& w);
  bool onListNotify(Widget& w, const NMHDR& header, LRESULT& result);
  void takeListSelection(Widget& w);
  void toggleCheck(Widget& w, int item);
  static LRESULT CALLBACK listSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self);
  void syncStatus(Widget& w, const controls::StatusBar& sb);
  void syncProgress(Widget& w, const controls::ProgressBar& p);
  void syncTimer(Widget& w, const controls::Timer& t);
  // One tool-tip window for every control that has a tool-tip text.
  void addToolTip(const Widget& w);
  // One step of finishLater(); false when nothing is left.
  bool buildStep();
  // Multi-line text boxes: the model's text into the window, the first slice now and the
  // rest by appendSlice(); a text put in front of the shown one (a log line) goes in alone.
  void showLongText(Widget& w);
  void appendSlice(Widget& w);
  void scheduleBuild();
  // The model of a tab owner (or of firstTabControl()): a tab control by construction.
  static controls::TabControl& tabModel(const Widget& tab);
  Widget* byId(int id);
  Widget* byHwnd(HWND h);
  int px(int twips) const { return win32::twipsToPixels(twips, dpi_); }
  // The text a control's window shows: its caption, a text box's text; "" for the others.
  static const std::string& captionOf(const controls::Control& c);
  static std::string windowText(HWND h);
  // The id of the first widget's window; the others follow in creation order.
  static constexpr int kFirstId = 100;
  // The timer of finishLater(), below every widget's id.
  static constexpr UINT_PTR kBuildTimer = 1;

  HWND top_;
  std::vector<controls::Control*> controls_;
  Finder find_;
  HICON pictureIcon_;
  std::vector<std::unique_ptr<Widget>> widgets_;
  win32::UniqueWindow toolTip_;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  // Set while the program writes into a widget, so the widget's echo of that change
  // is not taken for the user's input.
  bool syncing_ = false;
  // Set while the model takes a change the user made in a list, so the change is not
  // written back into the list.
  bool fromList_ = false;
  bool readingOrder_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace varnolt::gui
