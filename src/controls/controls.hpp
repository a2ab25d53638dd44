// Toolkit-free models of the standard controls. Handlers read and write these; a
// window backend (or the headless runner) observes them and mirrors every change.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace varnolt::controls {

// Position and size in twips, relative to the container.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

enum class Kind {
  Button,
  CheckBox,
  OptionButton,
  Label,
  TextBox,
  Frame,
  ListView,
  Timer,
  Slider,
  ProgressBar,
  StatusBar,
  TabControl,
  MenuItem,
  DatePicker,
  Line,
  Picture,
  CommonDialog,
};

// The properties whose changes a control announces to its observers.
enum class Property {
  Enabled,
  Visible,
  Rect,
  Caption,
  Text,
  // A text box's selection.
  Selection,
  Value,
  // A list's rows: added, removed or changed.
  Items,
  // A list row's check box.
  Checked,
  // Which list rows are selected.
  Selected,
  Interval,
  // A slider's minimum and maximum.
  Range,
  TickFrequency,
  Max,
  // A status bar's panels: text or width.
  Panels,
  // A tab control's shown tab.
  Tab,
};

class Control;
// Called after a property of the control changed.
using Observer = std::function<void(Control&, Property)>;

// The controls of one form in the order of their declaration, found by name.
class ControlList {
 public:
  void add(Control& c);
  Control* find(std::string_view name) const;
  const std::vector<Control*>& all() const { return order_; }

 private:
  std::vector<Control*> order_;
  std::map<std::string, Control*, std::less<>> byName_;
};

// Where a control sits: its container (nullptr: the form itself) and the tab page it is
// on (-1: none).
struct Where {
  const Control* container = nullptr;
  int tab = -1;
};

// The state a control starts in.
struct Initially {
  bool enabled = true;
  bool visible = true;
  // Shown while the mouse rests on the control.
  std::string toolTip{};
};

// What every control is constructed with: its name and, for a control of a form, the
// form's list it joins in the order of declaration, where it sits, its design rectangle
// and the state it starts in.
struct Declaration {
  // A name alone: a control on its own, placed by whoever holds it.
  Declaration(std::string name) : name(std::move(name)) {}
  Declaration(const char* name) : name(name) {}
  Declaration(ControlList& list, std::string name, Where where, Rect rect = {},
              Initially initially = {})
      : list(&list),
        name(std::move(name)),
        where(where),
        rect(rect),
        initially(std::move(initially)) {}

  ControlList* list = nullptr;
  std::string name;
  Where where;
  Rect rect;
  Initially initially;
};

class Control {
 public:
  Control(Declaration d, Kind kind);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  Kind kind() const { return kind_; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool v);
  bool visible() const { return visible_; }
  void setVisible(bool v);
  const Rect& rect() const { return rect_; }
  void setRect(const Rect& r);
  // Name of the containing control ("" for the form itself) and the tab it sits on.
  std::string container;
  // Shown while the mouse rests on the control; "" for none.
  std::string toolTipText;
  int tab = -1;

  void subscribe(Observer o) { observers_.push_back(std::move(o)); }

 protected:
  void notify(Property property);

 private:
  std::string name_;
  Kind kind_;
  bool enabled_ = true;
  bool visible_ = true;
  Rect rect_;
  std::vector<Observer> observers_;
};

// Inside control `c`, on the page `c` is on.
inline Where in(const Control& c) {
  return {&c, c.tab};
}

// The events of a control are a struct of its own, so that a declaration can name the
// handlers: Button Command1{..., "caption", {.onClick = ...}}. The members of such structs
// all have initializers, so that a declaration may leave out any of them.
struct ButtonEvents {
  std::function<void()> onClick{};
  std::function<void()> onLostFocus{};
};

class Button : public Control, public ButtonEvents {
 public:
  static constexpr Kind kKind = Kind::Button;
  explicit Button(Declaration d, std::string caption = {}, ButtonEvents events = {})
      : Control(std::move(d), kKind),
        ButtonEvents(std::move(events)),
        caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  void setCaption(std::string v);
  // A user's click: only an enabled, visible button reacts.
  bool click();

 private:
  std::string caption_;
};

struct CheckBoxEvents {
  std::function<void()> onClick{};
};

class CheckBox : public Control, public CheckBoxEvents {
 public:
  static constexpr Kind kKind = Kind::CheckBox;
  explicit CheckBox(Declaration d, std::string caption = {}, CheckBoxEvents events = {})
      : Control(std::move(d), kKind),
        CheckBoxEvents(std::move(events)),
        caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  int value() const { return value_; }
  // Raises onClick only when the value really changes; values other than 0, 1, 2
  // are refused with run-time error 380.
  void setValue(int v);
  // A user's click toggles between unchecked and checked.
  bool click();

 private:
  std::string caption_;
  int value_ = 0;
};

class OptionGroup;

class OptionButton : public Control {
 public:
  static constexpr Kind kKind = Kind::OptionButton;
  OptionButton(Declaration d, std::string caption, OptionGroup* group)
      : Control(std::move(d), kKind), caption_(std::move(caption)), group_(group) {}
  const std::string& caption() const { return caption_; }
  bool value() const { return value_; }
  // Setting true clears the other buttons of the group.
  void setValue(bool v);
  bool click();

 private:
  friend class OptionGroup;
  void setRaw(bool v);
  std::string caption_;
  OptionGroup* group_;
  bool value_ = false;
};

// A control array of option buttons forming one group (`Option1(0)` ... `Option1(8)`).
class OptionGroup {
 public:
  OptionGroup(const std::string& baseName, const std::vector<std::string>& captions);
  struct Option {
    std::string caption{};
    Rect rect{};
    Initially initially{};
  };
  // Declared in a form: one button per option, all in `where`; `chosen` is selected.
  OptionGroup(ControlList& list, const std::string& baseName, Where where,
              std::vector<Option> options, int chosen = -1);
  std::size_t size() const { return buttons_.size(); }
  OptionButton& operator[](std::size_t i) { return *buttons_.at(i); }
  const OptionButton& operator[](std::size_t i) const { return *buttons_.at(i); }
  // Index of the selected button, -1 when none is.
  int selected() const;
  std::function<void(int index)> onClick;

 private:
  friend class OptionButton;
  void selectOnly(OptionButton* chosen);
  std::vector<std::unique_ptr<OptionButton>> buttons_;
};

struct LabelEvents {
  std::function<void()> onMouseDown{};
};

class Label : public Control, public LabelEvents {
 public:
  static constexpr Kind kKind = Kind::Label;
  explicit Label(Declaration d, std::string caption = {}, LabelEvents events = {})
      : Control(std::move(d), kKind),
        LabelEvents(std::move(events)),
        caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  void setCaption(std::string v);

 private:
  std::string caption_;
};

class Frame : public Control {
 public:
  static constexpr Kind kKind = Kind::Frame;
  explicit Frame(Declaration d, std::string caption = {})
      : Control(std::move(d), kKind), caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  void setCaption(std::string v);

 private:
  std::string caption_;
};

struct TextBoxEvents {
  std::function<void()> onGotFocus{};
  std::function<void()> onChange{};
};

class TextBox : public Control, public TextBoxEvents {
 public:
  static constexpr Kind kKind = Kind::TextBox;
  explicit TextBox(Declaration d, std::string text = {}, bool multiLine = false,
                   TextBoxEvents events = {})
      : Control(std::move(d), kKind),
        TextBoxEvents(std::move(events)),
        text_(std::move(text)),
        multiLine_(multiLine) {}
  const std::string& text() const { return text_; }
  void setText(std::string v);
  bool multiLine() const { return multiLine_; }
  // Selection in characters, as the focus handlers set it.
  int selStart = 0;
  int selLength = 0;
  void selectAll();

 private:
  std::string text_;
  bool multiLine_;
};

struct ListItem {
  std::string text;
  std::vector<std::string> subItems;  // sub-item k at index k - 1
  bool checked = false;
  bool selected = false;
  // The recording is in the download history: the list shows it as already downloaded.
  bool downloaded = false;
  const std::string& subItem(std::size_t k) const;
};

struct ColumnHeader {
  std::string text{};
  int width = 0;  // in the list's columnUnitsPerInch
  bool rightAligned = false;
};

struct ListViewDesign {
  bool checkBoxes = false;
  std::vector<ColumnHeader> columns{};
  // Unit of the column widths: 1440 twips or 2540 hundredths of a millimetre per inch.
  int columnUnitsPerInch = 1440;
};

struct ListViewEvents {
  std::function<void(std::size_t row)> onItemCheck{};
  std::function<void(int columnIndex)> onColumnClick{};  // 1-based
  std::function<void()> onRightClick{};
  // Files dropped from the shell, full Windows paths in the order the drop lists them.
  std::function<void(const std::vector<std::string>& paths)> onOLEDragDrop{};
};

class ListView : public Control, public ListViewEvents {
 public:
  static constexpr Kind kKind = Kind::ListView;
  explicit ListView(Declaration d, ListViewDesign design = {}, ListViewEvents events = {})
      : Control(std::move(d), kKind),
        ListViewEvents(std::move(events)),
        columns(std::move(design.columns)),
        columnUnitsPerInch(design.columnUnitsPerInch),
        checkBoxes_(design.checkBoxes) {}
  bool checkBoxes() const { return checkBoxes_; }
  std::vector<ColumnHeader> columns;
  int columnUnitsPerInch;

  std::size_t count() const { return items_.size(); }
  // Rows are addressed 1-based, as the program counts them.
  const ListItem& item(std::size_t row) const;
  std::size_t add(std::string text = {});
  // Appends a whole row (sub-items 1, 2, ...) with one change notice.
  std::size_t addRow(std::string text, std::vector<std::string> subItems);
  void remove(std::size_t row);
  void clear();
  void setSubItem(std::size_t row, std::size_t k, std::string text);
  void setText(std::size_t row, std::string text);
  // Sub-item k of every row, with one change notice.
  void setSubItemAll(std::size_t k, const std::string& text);
  // Program-side change of a check box: raises no event. Inside beginUpdate/endUpdate
  // the change is announced with the rows, once.
  void setChecked(std::size_t row, bool v);
  void setDownloaded(std::size_t row, bool v);
  // The user's click on a check box: raises onItemCheck.
  void userCheck(std::size_t row, bool v);
  void setSelected(std::size_t row, bool v);
  // Makes `row` the only selected row (a plain click on a row).
  void selectOnly(std::size_t row);
  // 1-based index of the first selected row, 0 when none.
  std::size_t selectedRow() const;
  // The first checked row after `row` (0: from the top); 0 when there is none.
  std::size_t nextChecked(std::size_t row) const;

  // A user's drop: only an enabled list takes it.
  bool drop(const std::vector<std::string>& paths);

  // Changes to the rows between these calls are announced once, at the end.
  void beginUpdate() { ++batch_; }
  void endUpdate();

 private:
  ListItem& at(std::size_t row);
  void itemsChanged();
  int batch_ = 0;
  bool batchChanged_ = false;
  bool checkBoxes_;
  std::vector<ListItem> items_;
};

// Holds a list's change notices for the length of a scope.
class ListUpdate {
 public:
  explicit ListUpdate(ListView& list) : list_(list) { list_.beginUpdate(); }
  ~ListUpdate() { list_.endUpdate(); }
  ListUpdate(const ListUpdate&) = delete;
  ListUpdate& operator=(const ListUpdate&) = delete;

 private:
  ListView& list_;
};

struct TimerEvents {
  std::function<void()> onTimer{};
};

// Starts disabled.
class Timer : public Control, public TimerEvents {
 public:
  static constexpr Kind kKind = Kind::Timer;
  Timer(Declaration d, int interval, TimerEvents events = {})
      : Control(std::move(d), kKind), TimerEvents(std::move(events)), interval_(interval) {
    Control::setEnabled(false);
  }
  int interval() const { return interval_; }
  void setInterval(int ms);

 private:
  int interval_;
};

class Slider : public Control {
 public:
  static constexpr Kind kKind = Kind::Slider;
  explicit Slider(Declaration d) : Control(std::move(d), kKind) {}
  int min() const { return min_; }
  int max() const { return max_; }
  int value() const { return value_; }
  int tickFrequency() const { return tickFrequency_; }
  void setRange(int min, int max);
  void setValue(int v);
  void setTickFrequency(int v);

 private:
  int min_ = 0, max_ = 10, value_ = 0, tickFrequency_ = 1;
};

struct ProgressBarEvents {
  std::function<void()> onMouseDown{};
};

class ProgressBar : public Control, public ProgressBarEvents {
 public:
  static constexpr Kind kKind = Kind::ProgressBar;
  explicit ProgressBar(Declaration d, ProgressBarEvents events = {})
      : Control(std::move(d), kKind), ProgressBarEvents(std::move(events)) {}
  float min() const { return min_; }
  float max() const { return max_; }
  float value() const { return value_; }
  void setMax(float v);
  void setValue(float v);

 private:
  float min_ = 0, max_ = 1, value_ = 0;
};

class StatusBar : public Control {
 public:
  static constexpr Kind kKind = Kind::StatusBar;
  // One panel per width, in twips.
  StatusBar(Declaration d, const std::vector<int>& panelWidths);
  std::size_t panelCount() const { return panels_.size(); }
  // Panels are 1-based.
  const std::string& panel(std::size_t i) const { return panels_.at(i - 1).text; }
  void setPanel(std::size_t i, std::string text);
  int panelWidth(std::size_t i) const { return panels_.at(i - 1).width; }
  void setPanelWidth(std::size_t i, int w);

 private:
  struct Panel {
    std::string text;
    int width = 0;
  };
  std::vector<Panel> panels_;
};

struct TabControlEvents {
  std::function<void(int previousTab)> onClick{};
};

class TabControl : public Control, public TabControlEvents {
 public:
  static constexpr Kind kKind = Kind::TabControl;
  TabControl(Declaration d, std::vector<std::string> captions, TabControlEvents events = {})
      : Control(std::move(d), kKind),
        TabControlEvents(std::move(events)),
        captions_(std::move(captions)) {}
  const std::vector<std::string>& captions() const { return captions_; }
  int tab() const { return tab_; }
  // Shows tab `t`; raises onClick(previous tab) when it changes.
  void setTab(int t);

 private:
  std::vector<std::string> captions_;
  int tab_ = 0;
};

struct MenuItemEvents {
  std::function<void()> onClick{};
};

// A menu of the menu bar, or an item of the menu that contains it.
class MenuItem : public Control, public MenuItemEvents {
 public:
  static constexpr Kind kKind = Kind::MenuItem;
  MenuItem(Declaration d, std::string caption, MenuItemEvents events = {},
           std::string shortcut = {})
      : Control(std::move(d), kKind),
        MenuItemEvents(std::move(events)),
        parent(container),
        shortcut(std::move(shortcut)),
        caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  // The menu it is an item of ("" for a menu of the menu bar): its container.
  std::string parent;
  std::string shortcut;  // e.g. "F1"
  bool separator() const { return caption_ == "-"; }
  bool click();

 private:
  std::string caption_;
};

struct Date {
  int year = 2000, month = 1, day = 1;
  bool operator==(const Date&) const = default;
};

class DatePicker : public Control {
 public:
  static constexpr Kind kKind = Kind::DatePicker;
  explicit DatePicker(Declaration d, std::string customFormat = {})
      : Control(std::move(d), kKind), customFormat(std::move(customFormat)) {}
  const Date& value() const { return value_; }
  void setValue(const Date& d);
  std::string customFormat;

 private:
  Date value_;
};

// A separator line: etched, horizontal or vertical as its rect is wider or taller.
class Line : public Control {
 public:
  static constexpr Kind kKind = Kind::Line;
  explicit Line(Declaration d) : Control(std::move(d), kKind) {}
};

// A picture box: the program's icon, or a plain panel when it holds other controls.
class Picture : public Control {
 public:
  static constexpr Kind kKind = Kind::Picture;
  explicit Picture(Declaration d) : Control(std::move(d), kKind) {}
};

// The common-dialog component: it has no window; the platform shows the dialogs.
class CommonDialog : public Control {
 public:
  static constexpr Kind kKind = Kind::CommonDialog;
  explicit CommonDialog(Declaration d) : Control(std::move(d), kKind) {}
};

// The name of element `index` of control array `base`: "base(index)".
inline std::string elementName(const std::string& base, std::size_t index) {
  return base + "(" + std::to_string(index) + ")";
}

// A control array: elements named "base(0)", "base(1)", ..., as the program indexes them.
template <class T>
class ControlArray {
 public:
  struct Element {
    std::string caption{};  // for the kinds that have one
    Rect rect{};
    Initially initially{};
    // The element's container when it is not the array's.
    const Control* container = nullptr;
  };
  // Declared in a form: one control per element, in `where` unless the element names
  // its container; `wire` sets the handlers of the element at `index`.
  ControlArray(ControlList& list, const std::string& base, Where where,
               std::vector<Element> elements,
               const std::function<void(T& element, std::size_t index)>& wire = {}) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
      Element& e = elements[i];
      Declaration d(list, elementName(base, i), e.container ? in(*e.container) : where, e.rect,
                    std::move(e.initially));
      if constexpr (std::is_constructible_v<T, Declaration, std::string>)
        elements_.emplace_back(std::move(d), std::move(e.caption));
      else
        elements_.emplace_back(std::move(d));
      if (wire) wire(elements_.back(), i);
    }
  }
  std::size_t size() const { return elements_.size(); }
  T& operator[](std::size_t i) { return elements_.at(i); }
  const T& operator[](std::size_t i) const { return elements_.at(i); }
  auto begin() { return elements_.begin(); }
  auto end() { return elements_.end(); }
  auto begin() const { return elements_.begin(); }
  auto end() const { return elements_.end(); }

 private:
  // A deque keeps its elements where they were made: the form's list points at them.
  std::deque<T> elements_;
};

// --- a control as its own kind ---------------------------------------------------------
// visit() and as() are the one place that turns a Control into the class of its kind. A
// new kind is an entry in Kind, its class above and a case in visit(); the compiler then
// names every visitor that has to take it (those with a Control& case take it as they
// take the other kinds they leave alone).

// Lambdas overloaded into one visitor: visit(c, Overloaded{[](Button& b) {...}, ...}).
template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

namespace detail {
// Kinded, const when C is.
template <class Kinded, class C>
using Like = std::conditional_t<std::is_const_v<C>, const Kinded, Kinded>;
}  // namespace detail

// Calls `f` with `c` as the class of its kind (Button&, ListView&, ...; const when `c` is)
// and returns what `f` returns, which is the same for every kind.
template <class C, class F>
requires std::is_same_v<std::remove_const_t<C>, Control>
decltype(auto) visit(C& c, F&& f) {
  using detail::Like;
  switch (c.kind()) {
    case Kind::Button:
      return f(static_cast<Like<Button, C>&>(c));
    case Kind::CheckBox:
      return f(static_cast<Like<CheckBox, C>&>(c));
    case Kind::OptionButton:
      return f(static_cast<Like<OptionButton, C>&>(c));
    case Kind::Label:
      return f(static_cast<Like<Label, C>&>(c));
    case Kind::TextBox:
      return f(static_cast<Like<TextBox, C>&>(c));
    case Kind::Frame:
      return f(static_cast<Like<Frame, C>&>(c));
    case Kind::ListView:
      return f(static_cast<Like<ListView, C>&>(c));
    case Kind::Timer:
      return f(static_cast<Like<Timer, C>&>(c));
    case Kind::Slider:
      return f(static_cast<Like<Slider, C>&>(c));
    case Kind::ProgressBar:
      return f(static_cast<Like<ProgressBar, C>&>(c));
    case Kind::StatusBar:
      return f(static_cast<Like<StatusBar, C>&>(c));
    case Kind::TabControl:
      return f(static_cast<Like<TabControl, C>&>(c));
    case Kind::MenuItem:
      return f(static_cast<Like<MenuItem, C>&>(c));
    case Kind::DatePicker:
      return f(static_cast<Like<DatePicker, C>&>(c));
    case Kind::Line:
      return f(static_cast<Like<Line, C>&>(c));
    case Kind::Picture:
      return f(static_cast<Like<Picture, C>&>(c));
    case Kind::CommonDialog:
      return f(static_cast<Like<CommonDialog, C>&>(c));
  }
  std::abort();  // a Kind outside the enumeration
}

// `c` as a T when it is of T's kind, else nullptr.
template <class T>
T* as(Control* c) {
  return c && c->kind() == T::kKind ? static_cast<T*>(c) : nullptr;
}
template <class T>
const T* as(const Control* c) {
  return c && c->kind() == T::kKind ? static_cast<const T*>(c) : nullptr;
}

}  // namespace varnolt::controls
