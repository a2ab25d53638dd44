#include "controls/controls.hpp"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "common/text_rules.hpp"

namespace varnolt::controls {
namespace {

TEST(CheckBox, ClickHandlerRunsOnlyOnARealChange) {
  CheckBox c("Check1");
  int clicks = 0;
  c.onClick = [&] { ++clicks; };
  c.setValue(0);
  EXPECT_EQ(clicks, 0);
  c.setValue(1);
  c.setValue(1);
  EXPECT_EQ(clicks, 1);
  c.setValue(2);
  EXPECT_EQ(clicks, 2);
  EXPECT_THROW(c.setValue(3), RunError);
  EXPECT_EQ(c.value(), 2);
}

TEST(CheckBox, DisabledBoxIgnoresTheUser) {
  CheckBox c("Check3");
  c.setEnabled(false);
  EXPECT_FALSE(c.click());
  EXPECT_EQ(c.value(), 0);
  c.setEnabled(true);
  EXPECT_TRUE(c.click());
  EXPECT_EQ(c.value(), 1);
  EXPECT_TRUE(c.click());
  EXPECT_EQ(c.value(), 0);
}

TEST(OptionGroup, SelectingOneClearsTheOthers) {
  OptionGroup g("Option1", {"a", "b", "c"});
  EXPECT_EQ(g[1].name(), "Option1(1)");
  EXPECT_EQ(g.selected(), -1);
  g[2].setValue(true);
  EXPECT_EQ(g.selected(), 2);
  g[0].setValue(true);
  EXPECT_FALSE(g[2].value());
  EXPECT_EQ(g.selected(), 0);
  g[0].setValue(false);
  EXPECT_EQ(g.selected(), -1);
}

TEST(ListView, OnlyTheUsersCheckRaisesItemCheck) {
  ListView l("ListView1", {.checkBoxes = true});
  std::vector<std::size_t> events;
  l.onItemCheck = [&](std::size_t r) { events.push_back(r); };
  l.add();
  l.add();
  l.setChecked(1, true);
  EXPECT_TRUE(events.empty());
  l.userCheck(2, true);
  l.userCheck(2, true);
  EXPECT_EQ(events, std::vector<std::size_t>{2});
  l.setEnabled(false);
  l.userCheck(1, false);
  EXPECT_TRUE(l.item(1).checked);
}

TEST(ListView, RowsAreOneBasedAndSubItemsGrow) {
  ListView l("ListView10", {.checkBoxes = true});
  l.add("1");
  l.setSubItem(1, 3, "C:\\x.m2t");
  EXPECT_EQ(l.item(1).subItem(3), "C:\\x.m2t");
  EXPECT_EQ(l.item(1).subItem(1), "");
  EXPECT_EQ(l.item(1).subItem(9), "");
  EXPECT_THROW(l.item(2), RunError);
  EXPECT_THROW(l.remove(0), RunError);
  l.add("2");
  l.selectOnly(2);
  EXPECT_EQ(l.selectedRow(), 2u);
  l.remove(1);
  EXPECT_EQ(l.count(), 1u);
  EXPECT_EQ(l.item(1).text, "2");
}

TEST(ListView, AnUpdateScopeAnnouncesItsRowsOnce) {
  ListView l("ListView1", {.checkBoxes = true});
  int notices = 0;
  l.subscribe([&](Control&, Property property) { notices += property == Property::Items; });
  {
    ListUpdate batch(l);
    l.addRow({}, {"1", "", "番組"});
    l.addRow({}, {"2"});
    l.setSubItemAll(8, "X:\\録画");
    EXPECT_EQ(notices, 0);
  }
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(l.count(), 2u);
  EXPECT_EQ(l.item(2).subItem(8), "X:\\録画");
  EXPECT_EQ(l.item(2).subItem(3), "");
  // Nested scopes announce once, at the outer end; a scope without changes not at all.
  {
    ListUpdate outer(l);
    {
      ListUpdate inner(l);
      l.clear();
    }
    EXPECT_EQ(notices, 1);
  }
  EXPECT_EQ(notices, 2);
  { ListUpdate idle(l); }
  EXPECT_EQ(notices, 2);
  EXPECT_THROW(l.addRow({}, std::vector<std::string>(65)), RunError);
}

TEST(Observers, SeeEveryRealChangeOnce) {
  Label lab("Label100");
  std::vector<std::pair<Property, std::string>> seen;
  lab.subscribe(
      [&](Control& c, Property p) { seen.emplace_back(p, static_cast<Label&>(c).caption()); });
  lab.setCaption("a");
  lab.setCaption("a");
  lab.setEnabled(false);
  EXPECT_EQ(seen, (std::vector<std::pair<Property, std::string>>{{Property::Caption, "a"},
                                                                 {Property::Enabled, "a"}}));
}

// A form's controls join its list in the order of their declaration, each with its place
// and the state it starts in; an element of a control array names its own container.
TEST(Declaration, JoinsTheFormsListInOrderWithItsPlace) {
  ControlList list;
  TabControl tabs({list, "SSTab1", {}, {60, 60, 900, 600}}, {"0", "1"});
  Frame frame({list, "Frame1", {&tabs, 1}, {90, 420, 300, 200}});
  Button button({list, "Command1", in(frame), {10, 20, 30, 40}, {.enabled = false, .toolTip = "t"}},
                "O  K");
  std::vector<std::size_t> wired;
  ControlArray<Label> labels(list, "Label1", in(frame),
                             {{"a", {1, 2, 3, 4}}, {"b", {}, {.visible = false}, &tabs}},
                             [&](Label&, std::size_t index) { wired.push_back(index); });
  EXPECT_EQ(list.all(), (std::vector<Control*>{&tabs, &frame, &button, &labels[0], &labels[1]}));
  EXPECT_EQ(list.find("Label1(1)"), &labels[1]);
  EXPECT_EQ(list.find("Label1"), nullptr);
  EXPECT_EQ(button.container, "Frame1");
  EXPECT_EQ(button.tab, 1);
  EXPECT_EQ(button.rect(), (Rect{10, 20, 30, 40}));
  EXPECT_FALSE(button.enabled());
  EXPECT_EQ(button.toolTipText, "t");
  EXPECT_EQ(labels[0].caption(), "a");
  EXPECT_EQ(labels[0].container, "Frame1");
  EXPECT_EQ(labels[1].container, "SSTab1");
  EXPECT_EQ(labels[1].tab, -1);
  EXPECT_FALSE(labels[1].visible());
  EXPECT_EQ(wired, (std::vector<std::size_t>{0, 1}));
}

// visit() hands every kind to its own class; as() finds a control only as its own kind.
TEST(Visit, HandsEveryKindToItsOwnClass) {
  OptionGroup options("Option1", {"a"});
  Button button("Command1");
  CheckBox check("Check1");
  Label label("Label1");
  TextBox text("Text1");
  Frame frame("Frame1");
  ListView list("ListView1");
  Timer timer("Timer1", 1);
  Slider slider("Slider1");
  ProgressBar bar("ProgressBar1");
  StatusBar status("StatusBar1", {0});
  TabControl tabs("SSTab1", {"0"});
  MenuItem item("pulldown_file", "ファイル(&F)");
  DatePicker date("DTPicker1");
  Line line("Line1");
  Picture picture("Picture1");
  CommonDialog dialog("CommonDialog1");
  const std::vector<Control*> oneOfEach = {&button, &check, &options[0], &label,   &text,   &frame,
                                           &list,   &timer, &slider,     &bar,     &status, &tabs,
                                           &item,   &date,  &line,       &picture, &dialog};
  ASSERT_EQ(oneOfEach.size(), static_cast<std::size_t>(Kind::CommonDialog) + 1);
  auto kindOf = [](auto& c) { return std::remove_cvref_t<decltype(c)>::kKind; };
  for (Control* c : oneOfEach) {
    EXPECT_EQ(visit(*c, kindOf), c->kind()) << c->name();
    EXPECT_EQ(visit(std::as_const(*c), kindOf), c->kind()) << c->name();
  }
  EXPECT_EQ(as<Button>(&button), &button);
  EXPECT_EQ(as<Label>(static_cast<Control*>(&button)), nullptr);
  EXPECT_EQ(as<Button>(static_cast<Control*>(nullptr)), nullptr);
}

TEST(TabControl, ClickReportsTheTabThatWasLeft) {
  TabControl t("SSTab1", {"0", "1", "2"});
  std::vector<int> left;
  t.onClick = [&](int prev) { left.push_back(prev); };
  t.setTab(2);
  t.setTab(2);
  t.setTab(1);
  EXPECT_EQ(left, (std::vector<int>{0, 2}));
  EXPECT_THROW(t.setTab(3), RunError);
}

TEST(ProgressBar, RefusesValuesOutsideItsRange) {
  ProgressBar p("ProgressBar1");
  p.setMax(100);
  p.setValue(100);
  EXPECT_THROW(p.setValue(100.5f), RunError);
  p.setMax(50);
  EXPECT_EQ(p.value(), 50);
}

}  // namespace
}  // namespace varnolt::controls
