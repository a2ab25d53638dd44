// The main window's minimum size and the controls that follow its edges.
#include <map>
#include <set>
#include <utility>

#include "fixture.hpp"

namespace varnolt::testing {

using controls::Control;
using controls::Kind;
using controls::Rect;
namespace {

constexpr int kDesignWidth = 10530, kDesignHeight = 8730;

class LayoutTest : public WorldTest {
 protected:
  // Every control's rect and the status bar's panel widths, by name.
  std::map<std::string, Rect> snapshot() {
    std::map<std::string, Rect> m;
    for (Control* c : form->all()) m[c->name()] = c->rect();
    for (std::size_t i = 1; i <= form->StatusBar1.panelCount(); ++i)
      m["panel" + std::to_string(i)] = {0, 0, form->StatusBar1.panelWidth(i), 0};
    return m;
  }
  // The window as a backend drives it: a size request raises another resize event.
  void attachWindow() {
    form->resizeWindow = [this](int w, int h) {
      requests.emplace_back(w, h);
      form->width = w;
      form->height = h;
      form->Form_Resize();
    };
  }
  void userResize(int w, int h) {
    form->width = w;
    form->height = h;
    form->Form_Resize();
  }
  std::vector<std::pair<int, int>> requests;
};

TEST_F(LayoutTest, StartUpTakesTheWindowSizeAsMinimumAndPrevious) {
  Form1& f = startForm();
  EXPECT_EQ(f.state.minWidth, kDesignWidth);
  EXPECT_EQ(f.state.minHeight, kDesignHeight);
  EXPECT_EQ(f.state.prevWidth, kDesignWidth);
  EXPECT_EQ(f.state.prevHeight, kDesignHeight);
}

TEST_F(LayoutTest, EnlargingMovesAndGrowsExactlyTheListedControls) {
  Form1& f = startForm();
  attachWindow();
  auto before = snapshot();
  userResize(kDesignWidth + 1200, kDesignHeight + 600);
  EXPECT_TRUE(requests.empty());
  auto after = snapshot();

  auto grown = [&](const std::string& n, int dw, int dh) {
    Rect want = before.at(n);
    want.width += dw;
    want.height += dh;
    EXPECT_EQ(after.at(n), want) << n;
  };
  auto moved = [&](const std::string& n, int dx, int dy) {
    Rect want = before.at(n);
    want.left += dx;
    want.top += dy;
    EXPECT_EQ(after.at(n), want) << n;
  };
  for (const char* n : {"SSTab1", "ListView1", "Text5", "AutoFNameView", "ListView10"})
    grown(n, 1200, 600);
  for (const char* n : {"Label100", "Slider1", "panel1"}) grown(n, 1200, 0);
  for (const char* n : {"Frame6", "Frame9", "Frame12"}) moved(n, 1200, 600);
  // The line under the conversion list stays at the left edge, below the list.
  moved("Label8", 0, 600);
  Rect frame8 = before.at("Frame8");
  frame8.top += 600;
  frame8.width += 1200;
  EXPECT_EQ(after.at("Frame8"), frame8);

  const std::set<std::string> changed = {
      "SSTab1", "ListView1", "Text5",  "AutoFNameView", "ListView10", "Label100", "Slider1",
      "panel1", "Frame6",    "Frame9", "Frame12",       "Frame8",     "Label8"};
  for (const auto& [name, rect] : before) {
    if (!changed.count(name)) {
      EXPECT_EQ(after.at(name), rect) << name << " must not move";
    }
  }
  EXPECT_EQ(f.state.prevWidth, kDesignWidth + 1200);
  EXPECT_EQ(f.state.prevHeight, kDesignHeight + 600);
}

TEST_F(LayoutTest, ShrinkingBackRestoresEveryControlExactly) {
  startForm();
  attachWindow();
  auto design = snapshot();
  userResize(kDesignWidth + 1200, kDesignHeight + 600);
  userResize(kDesignWidth + 333, kDesignHeight + 17);
  userResize(kDesignWidth, kDesignHeight);
  EXPECT_EQ(snapshot(), design);
  EXPECT_TRUE(requests.empty());
}

TEST_F(LayoutTest, TooSmallInBothDirectionsSpringsBackHeightFirst) {
  Form1& f = startForm();
  attachWindow();
  auto design = snapshot();
  userResize(kDesignWidth - 900, kDesignHeight - 450);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], std::make_pair(kDesignWidth - 900, kDesignHeight));
  EXPECT_EQ(requests[1], std::make_pair(kDesignWidth, kDesignHeight));
  EXPECT_EQ(f.width, kDesignWidth);
  EXPECT_EQ(f.height, kDesignHeight);
  EXPECT_EQ(snapshot(), design);
}

TEST_F(LayoutTest, TooNarrowOnlyRestoresTheWidthAndKeepsTheNewHeight) {
  Form1& f = startForm();
  attachWindow();
  userResize(kDesignWidth - 10, kDesignHeight + 300);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0], std::make_pair(kDesignWidth, kDesignHeight + 300));
  EXPECT_EQ(f.state.prevHeight, kDesignHeight + 300);
  EXPECT_EQ(f.Text5.rect().height, 5940 + 300);
  EXPECT_EQ(f.Text5.rect().width, 10110);
}

TEST_F(LayoutTest, ShrinkingFromALargerSizeBelowTheMinimumLandsOnTheDesign) {
  startForm();
  attachWindow();
  auto design = snapshot();
  userResize(kDesignWidth + 2000, kDesignHeight + 1000);
  userResize(kDesignWidth - 500, kDesignHeight - 500);
  EXPECT_EQ(snapshot(), design);
}

TEST_F(LayoutTest, TheSameSizeAgainChangesNothing) {
  // What a minimise and restore amounts to once the window is back.
  startForm();
  attachWindow();
  userResize(kDesignWidth + 450, kDesignHeight + 90);
  auto laidOut = snapshot();
  userResize(kDesignWidth + 450, kDesignHeight + 90);
  EXPECT_EQ(snapshot(), laidOut);
}

TEST_F(LayoutTest, WindowsWiderThanSixteenBitsKeepTheirLayout) {
  Form1& f = startForm();
  attachWindow();
  auto design = snapshot();
  userResize(40000, 30000);
  EXPECT_EQ(f.state.prevWidth, 40000);
  EXPECT_EQ(f.SSTab1.rect().width, 10290 + 40000 - kDesignWidth);
  EXPECT_EQ(f.Frame6.rect().left, 90 + 40000 - kDesignWidth);
  userResize(kDesignWidth, kDesignHeight);
  EXPECT_EQ(snapshot(), design);
}

TEST_F(LayoutTest, ResizeWithoutAWindowTakesTheSizeAsGiven) {
  Form1& f = startForm();
  f.setWindowSize(kDesignWidth + 100, kDesignHeight);
  EXPECT_EQ(f.width, kDesignWidth + 100);
  EXPECT_EQ(f.ListView1.rect().width, 10110 + 100);
  f.setWindowSize(kDesignWidth - 100, kDesignHeight);  // springs back by itself
  EXPECT_EQ(f.width, kDesignWidth);
  EXPECT_EQ(f.ListView1.rect().width, 10110);
}

// --- the design itself --------------------------------------------------------------

bool visual(const Control& c) {
  return c.kind() != Kind::Timer && c.kind() != Kind::MenuItem && c.kind() != Kind::CommonDialog &&
         c.visible();
}

bool overlaps(const Rect& a, const Rect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST_F(LayoutTest, EveryVisibleControlHasASizeInsideItsContainer) {
  Form1& f = makeForm();
  for (Control* c : f.all()) {
    if (!visual(*c)) continue;
    const Rect& r = c->rect();
    EXPECT_GT(r.width, 0) << c->name();
    EXPECT_GT(r.height, 0) << c->name();
    EXPECT_GE(r.left, 0) << c->name();
    EXPECT_GE(r.top, 0) << c->name();
    int cw = 10410, ch = 7965;
    if (!c->container.empty()) {
      Control* parent = f.find(c->container);
      ASSERT_NE(parent, nullptr) << c->name() << " in " << c->container;
      cw = parent->rect().width;
      ch = parent->rect().height;
    }
    EXPECT_LE(r.left + r.width, cw) << c->name() << " sticks out of " << c->container;
    EXPECT_LE(r.top + r.height, ch) << c->name() << " sticks out of " << c->container;
  }
}

TEST_F(LayoutTest, ControlsOfOnePageDoNotOverlap) {
  Form1& f = makeForm();
  std::vector<Control*> v;
  for (Control* c : f.all())
    if (visual(*c)) v.push_back(c);
  for (std::size_t i = 0; i < v.size(); ++i)
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      if (v[i]->container != v[j]->container || v[i]->tab != v[j]->tab) continue;
      EXPECT_FALSE(overlaps(v[i]->rect(), v[j]->rect()))
          << v[i]->name() << " overlaps " << v[j]->name();
    }
}

// The rect in the form's coordinates: containers add their offsets (the tab pages of
// SSTab1 share its corner).
Rect onForm(Form1& f, const Control& c) {
  Rect r = c.rect();
  for (Control* p = f.find(c.container); p; p = f.find(p->container)) {
    r.left += p->rect().left;
    r.top += p->rect().top;
  }
  return r;
}

bool inside(Form1& f, const Control& inner, const Control& outer) {
  for (Control* p = f.find(inner.container); p; p = f.find(p->container))
    if (p == &outer) return true;
  return false;
}

// What a user sees of one tab: no control covers another that it does not hold, at the
// design size and after the window grew or shrank back. Controls left on the page while
// their neighbours follow the edges are what this catches.
TEST_F(LayoutTest, NoControlCoversAnotherAfterEnlargingOrShrinking) {
  Form1& f = startForm();
  attachWindow();
  auto check = [&](const std::string& when) {
    std::vector<Control*> v;
    for (Control* c : f.all())
      if (visual(*c) && c != &f.SSTab1 && c->kind() != Kind::StatusBar) v.push_back(c);
    for (std::size_t i = 0; i < v.size(); ++i)
      for (std::size_t j = i + 1; j < v.size(); ++j) {
        Control& a = *v[i];
        Control& b = *v[j];
        if (a.tab != b.tab && a.tab >= 0 && b.tab >= 0) continue;
        if (inside(f, a, b) || inside(f, b, a)) continue;
        EXPECT_FALSE(overlaps(onForm(f, a), onForm(f, b)))
            << when << ": " << a.name() << " and " << b.name() << " overlap";
      }
  };
  check("design");
  userResize(kDesignWidth + 1200, kDesignHeight + 600);
  check("enlarged");
  userResize(kDesignWidth + 40, kDesignHeight + 600);
  check("narrower");
  userResize(kDesignWidth, kDesignHeight);
  check("shrunk back");
}

TEST_F(LayoutTest, StatusBarPanelsSpanTheWindow) {
  Form1& f = makeForm();
  int total = 0;
  for (std::size_t i = 1; i <= 4; ++i) total += f.StatusBar1.panelWidth(i);
  EXPECT_EQ(total, f.StatusBar1.rect().width);
  EXPECT_EQ(f.StatusBar1.rect().top + f.StatusBar1.rect().height, 7965);
}

TEST_F(LayoutTest, TheTimeSeparatorsSitInTheirTimeBoxes) {
  Form1& f = makeForm();
  int inStart = 0, inEnd = 0;
  for (auto& l : f.ruleLabels) {
    if (l.caption() != "：") continue;
    inStart += l.container == "Picture2";
    inEnd += l.container == "Picture3";
  }
  EXPECT_EQ(inStart, 1);
  EXPECT_EQ(inEnd, 1);
  EXPECT_EQ(f.Label100.container, "Frame8");
  EXPECT_EQ(f.Slider1.container, "Frame8");
}

}  // namespace
}  // namespace varnolt::testing

namespace varnolt::testing {
namespace {

// The end-of-work frame: the programs' choices above the machine's, each in its place.
TEST_F(LayoutTest, EndOfWorkChoicesInTwoRowsWithTheMachineTips) {
  makeForm();
  const Rect frame = form->Frame5.rect();
  auto rectOf = [&](std::size_t i) { return form->Option1[i].rect(); };
  const std::size_t upper[] = {5, 6, 7, 8}, lower[] = {0, 2, 1, 3, 4};
  for (const auto& row : {std::vector<std::size_t>(std::begin(upper), std::end(upper)),
                          std::vector<std::size_t>(std::begin(lower), std::end(lower))}) {
    for (std::size_t k = 0; k < row.size(); ++k) {
      const Rect r = rectOf(row[k]);
      EXPECT_EQ(r.top, rectOf(row[0]).top) << row[k];
      EXPECT_GT(r.width, 0);
      EXPECT_LE(r.left + r.width, frame.width) << row[k];
      if (k > 0) {
        const Rect before = rectOf(row[k - 1]);
        EXPECT_GE(r.left, before.left + before.width) << row[k];
      }
    }
  }
  EXPECT_GE(rectOf(0).top, rectOf(5).top + rectOf(5).height);
  EXPECT_LE(rectOf(0).top + rectOf(0).height, frame.height);
  // Inside the settings page and clear of the frame of folders above it.
  const Rect folders = form->Frame4.rect();
  EXPECT_GE(frame.top, folders.top + folders.height);
  EXPECT_LE(frame.top + frame.height, form->SSTab1.rect().height);

  const char* tips[] = {"マシンをサスペンド（スタンバイ）状態にします", "マシンを休止状態にします",
                        "マシンをログオフします", "マシンを再起動します", "マシンを終了します"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(form->Option1[i].toolTipText, tips[i]);
  for (std::size_t i = 5; i < 9; ++i) EXPECT_EQ(form->Option1[i].toolTipText, "");
}

}  // namespace
}  // namespace varnolt::testing
