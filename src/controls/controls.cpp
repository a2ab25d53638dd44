#include "controls/controls.hpp"

#include <stdexcept>

#include "common/text_rules.hpp"

namespace varnolt::controls {

void ControlList::add(Control& c) {
  order_.push_back(&c);
  byName_[c.name()] = &c;
}

Control* ControlList::find(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

Control::Control(Declaration d, Kind kind)
    : container(d.where.container ? d.where.container->name() : std::string()),
      toolTipText(std::move(d.initially.toolTip)),
      tab(d.where.tab),
      name_(std::move(d.name)),
      kind_(kind),
      enabled_(d.initially.enabled),
      visible_(d.initially.visible),
      rect_(d.rect) {
  if (d.list) d.list->add(*this);
}

void Control::notify(Property property) {
  // Observers may subscribe further observers; iterate by index.
  for (std::size_t i = 0; i < observers_.size(); ++i) observers_[i](*this, property);
}

void Control::setEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  notify(Property::Enabled);
}

void Control::setVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  notify(Property::Visible);
}

void Control::setRect(const Rect& r) {
  if (rect_ == r) return;
  rect_ = r;
  notify(Property::Rect);
}

void Button::setCaption(std::string v) {
  if (caption_ == v) return;
  caption_ = std::move(v);
  notify(Property::Caption);
}

bool Button::click() {
  if (!enabled() || !visible()) return false;
  if (onClick) onClick();
  return true;
}

void CheckBox::setValue(int v) {
  if (v < 0 || v > 2) throw RunError(run_error::kInvalidProperty);
  if (value_ == v) return;
  value_ = v;
  notify(Property::Value);
  if (onClick) onClick();
}

bool CheckBox::click() {
  if (!enabled() || !visible()) return false;
  setValue(value_ == 1 ? 0 : 1);
  return true;
}

void OptionButton::setRaw(bool v) {
  if (value_ == v) return;
  value_ = v;
  notify(Property::Value);
}

void OptionButton::setValue(bool v) {
  if (v) {
    group_->selectOnly(this);
  } else {
    setRaw(false);
  }
}

bool OptionButton::click() {
  if (!enabled() || !visible()) return false;
  setValue(true);
  return true;
}

OptionGroup::OptionGroup(const std::string& baseName, const std::vector<std::string>& captions) {
  for (std::size_t i = 0; i < captions.size(); ++i)
    buttons_.push_back(std::make_unique<OptionButton>(elementName(baseName, i), captions[i], this));
}

OptionGroup::OptionGroup(ControlList& list, const std::string& baseName, Where where,
                         std::vector<Option> options, int chosen) {
  for (std::size_t i = 0; i < options.size(); ++i) {
    Option& o = options[i];
    buttons_.push_back(std::make_unique<OptionButton>(
        Declaration(list, elementName(baseName, i), where, o.rect, std::move(o.initially)),
        std::move(o.caption), this));
  }
  if (chosen >= 0) (*this)[static_cast<std::size_t>(chosen)].setValue(true);
}

int OptionGroup::selected() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->value()) return static_cast<int>(i);
  return -1;
}

void OptionGroup::selectOnly(OptionButton* chosen) {
  bool changed = !chosen->value();
  for (auto& b : buttons_)
    if (b.get() != chosen) b->setRaw(false);
  chosen->setRaw(true);
  if (changed && onClick) {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
      if (buttons_[i].get() == chosen) onClick(static_cast<int>(i));
  }
}

void Label::setCaption(std::string v) {
  if (caption_ == v) return;
  caption_ = std::move(v);
  notify(Property::Caption);
}

void Frame::setCaption(std::string v) {
  if (caption_ == v) return;
  caption_ = std::move(v);
  notify(Property::Caption);
}

void TextBox::setText(std::string v) {
  if (text_ == v) return;
  text_ = std::move(v);
  selStart = selLength = 0;
  notify(Property::Text);
  if (onChange) onChange();
}

void TextBox::selectAll() {
  selStart = 0;
  // Characters, not bytes: count UTF-8 lead bytes.
  int n = 0;
  for (unsigned char c : text_)
    if ((c & 0xC0) != 0x80) ++n;
  selLength = n;
  notify(Property::Selection);
}

const std::string& ListItem::subItem(std::size_t k) const {
  static const std::string empty;
  return k >= 1 && k <= subItems.size() ? subItems[k - 1] : empty;
}

ListItem& ListView::at(std::size_t row) {
  if (row < 1 || row > items_.size()) throw RunError(run_error::kIndexOutOfBounds);
  return items_[row - 1];
}

const ListItem& ListView::item(std::size_t row) const {
  if (row < 1 || row > items_.size()) throw RunError(run_error::kIndexOutOfBounds);
  return items_[row - 1];
}

void ListView::itemsChanged() {
  if (batch_ > 0)
    batchChanged_ = true;
  else
    notify(Property::Items);
}

void ListView::endUpdate() {
  if (batch_ > 0 && --batch_ == 0 && batchChanged_) {
    batchChanged_ = false;
    notify(Property::Items);
  }
}

std::size_t ListView::add(std::string text) {
  ListItem it;
  it.text = std::move(text);
  items_.push_back(std::move(it));
  itemsChanged();
  return items_.size();
}

std::size_t ListView::addRow(std::string text, std::vector<std::string> subItems) {
  if (subItems.size() > 64) throw RunError(run_error::kInvalidProperty);
  ListItem it;
  it.text = std::move(text);
  it.subItems = std::move(subItems);
  items_.push_back(std::move(it));
  itemsChanged();
  return items_.size();
}

void ListView::setSubItemAll(std::size_t k, const std::string& text) {
  if (k < 1 || k > 64) throw RunError(run_error::kInvalidProperty);
  if (items_.empty()) return;
  for (auto& it : items_) {
    if (it.subItems.size() < k) it.subItems.resize(k);
    it.subItems[k - 1] = text;
  }
  itemsChanged();
}

void ListView::remove(std::size_t row) {
  at(row);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row - 1));
  itemsChanged();
}

void ListView::clear() {
  if (items_.empty()) return;
  items_.clear();
  itemsChanged();
}

void ListView::setSubItem(std::size_t row, std::size_t k, std::string text) {
  if (k < 1 || k > 64) throw RunError(run_error::kInvalidProperty);
  auto& it = at(row);
  if (it.subItems.size() < k) it.subItems.resize(k);
  it.subItems[k - 1] = std::move(text);
  itemsChanged();
}

void ListView::setText(std::size_t row, std::string text) {
  at(row).text = std::move(text);
  itemsChanged();
}

void ListView::setChecked(std::size_t row, bool v) {
  auto& it = at(row);
  if (it.checked == v) return;
  it.checked = v;
  if (batch_ > 0)
    batchChanged_ = true;
  else
    notify(Property::Checked);
}

void ListView::setDownloaded(std::size_t row, bool v) {
  auto& it = at(row);
  if (it.downloaded == v) return;
  it.downloaded = v;
  itemsChanged();
}

void ListView::userCheck(std::size_t row, bool v) {
  if (!enabled()) return;
  auto& it = at(row);
  if (it.checked == v) return;
  it.checked = v;
  notify(Property::Checked);
  if (onItemCheck) onItemCheck(row);
}

void ListView::setSelected(std::size_t row, bool v) {
  auto& it = at(row);
  if (it.selected == v) return;
  it.selected = v;
  notify(Property::Selected);
}

void ListView::selectOnly(std::size_t row) {
  at(row);
  for (std::size_t r = 1; r <= items_.size(); ++r) items_[r - 1].selected = r == row;
  notify(Property::Selected);
}

bool ListView::drop(const std::vector<std::string>& paths) {
  if (!enabled() || !visible()) return false;
  if (onOLEDragDrop) onOLEDragDrop(paths);
  return true;
}

std::size_t ListView::nextChecked(std::size_t row) const {
  for (std::size_t r = row + 1; r <= items_.size(); ++r)
    if (items_[r - 1].checked) return r;
  return 0;
}

std::size_t ListView::selectedRow() const {
  for (std::size_t r = 1; r <= items_.size(); ++r)
    if (items_[r - 1].selected) return r;
  return 0;
}

void Timer::setInterval(int ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  notify(Property::Interval);
}

void Slider::setRange(int min, int max) {
  min_ = min;
  max_ = max;
  notify(Property::Range);
}

void Slider::setTickFrequency(int v) {
  if (tickFrequency_ == v) return;
  tickFrequency_ = v;
  notify(Property::TickFrequency);
}

void Slider::setValue(int v) {
  if (value_ == v) return;
  value_ = v;
  notify(Property::Value);
}

void ProgressBar::setMax(float v) {
  if (max_ == v) return;
  max_ = v;
  if (value_ > max_) value_ = max_;
  notify(Property::Max);
}

void ProgressBar::setValue(float v) {
  // The bar refuses values outside its range, as the control does.
  if (v < min_ || v > max_) throw RunError(run_error::kInvalidProperty);
  if (value_ == v) return;
  value_ = v;
  notify(Property::Value);
}

StatusBar::StatusBar(Declaration d, const std::vector<int>& panelWidths)
    : Control(std::move(d), kKind) {
  for (int w : panelWidths) panels_.push_back({{}, w});
}

void StatusBar::setPanel(std::size_t i, std::string text) {
  auto& p = panels_.at(i - 1);
  if (p.text == text) return;
  p.text = std::move(text);
  notify(Property::Panels);
}

void StatusBar::setPanelWidth(std::size_t i, int w) {
  auto& p = panels_.at(i - 1);
  if (p.width == w) return;
  p.width = w;
  notify(Property::Panels);
}

void TabControl::setTab(int t) {
  if (t < 0 || t >= static_cast<int>(captions_.size())) throw RunError(run_error::kInvalidProperty);
  if (t == tab_) return;
  int prev = tab_;
  tab_ = t;
  notify(Property::Tab);
  if (onClick) onClick(prev);
}

bool MenuItem::click() {
  if (!enabled() || separator()) return false;
  if (onClick) onClick();
  return true;
}

void DatePicker::setValue(const Date& d) {
  if (value_ == d) return;
  value_ = d;
  notify(Property::Value);
}

}  // namespace varnolt::controls
