// Design positions and sizes of the main window's controls, in twips, relative to
// their container. Kept here rather than in a window backend so that the layout
// rules can be checked without a window system.
#include "app/form1.hpp"

namespace varnolt {

namespace {

void place(Control& c, int left, int top, int width, int height) {
  c.setRect({left, top, width, height});
}

}  // namespace

void Form1::applyDesign() {
  // Form: the tab control above the frame of the controller start button and the
  // status bar. Client area 10410 x 7965.
  place(SSTab1, 60, 60, 10290, 6420);
  place(Frame8, 60, 6500, 10290, 1110);
  place(Command3, 120, 210, 2280, 450);
  place(Slider1, 2520, 180, 7650, 480);
  place(Label100, 120, 750, 10050, 270);
  place(StatusBar1, 0, 7650, 10410, 315);
  StatusBar1.setPanelWidth(1, 5010);
  StatusBar1.setPanelWidth(2, 2400);
  StatusBar1.setPanelWidth(3, 1800);
  StatusBar1.setPanelWidth(4, 1200);

  // Tab 0: the recording list fills the page; below it Frame6 holds the remote and the
  // gauge texts on the left and the download commands and the gauge on the right.
  place(ListView1, 90, 420, 10110, 4080);
  place(Frame6, 90, 4560, 10110, 1800);
  place(Frame10, 60, 150, 5400, 690);
  for (std::size_t i = 0; i < RC_SOUSA.size(); ++i)
    place(*RC_SOUSA[i], 90 + static_cast<int>(i) * 880, 210, 840, 420);
  // The separator lines: one under the remote frame, the rest are unused designs.
  place(*Line1[0], 60, 870, 5400, 15);
  for (std::size_t i = 1; i < Line1.size(); ++i) Line1[i]->setVisible(false);
  place(Label7, 60, 930, 5400, 255);
  place(Label6, 60, 1215, 5400, 255);
  place(Label5, 60, 1500, 5400, 255);
  place(Command5, 5580, 210, 1440, 420);
  place(Command1, 7080, 210, 1440, 420);
  place(Command8, 8580, 210, 1410, 420);
  place(Check1, 5580, 690, 4410, 255);
  place(ProgressBar1, 5580, 990, 4410, 225);
  place(Frame7, 5580, 1260, 4410, 480);
  place(Check3, 90, 180, 4230, 255);

  // Tab 1: the rule list above the entry form.
  place(AutoFNameView, 90, 420, 10110, 3300);
  place(Frame12, 90, 3780, 10110, 2580);
  Label& titleLabel = *ruleLabels[0];
  Label& endLabel = *ruleLabels[1];
  Label& startLabel = *ruleLabels[2];
  Label& endColon = *ruleLabels[3];
  Label& startColon = *ruleLabels[4];
  endColon.container = "Picture3";
  startColon.container = "Picture2";
  place(titleLabel, 120, 300, 900, 255);
  place(Rec_Taitle, 1080, 240, 5400, 330);
  place(DTPicker1, 120, 720, 2400, 330);
  for (std::size_t i = 0; i < youbi.size(); ++i) {
    const int x = 2700 + static_cast<int>(i) * 600;
    place(*youbi[i], x, 750, 270, 270);
    place(*ruleLabels[5 + i], x + 270, 765, 300, 255);
  }
  place(startLabel, 120, 1230, 900, 255);
  place(Picture2, 1080, 1170, 1200, 375);
  place(Start_H, 0, 0, 450, 375);
  place(startColon, 480, 60, 240, 255);
  place(Start_M, 720, 0, 450, 375);
  place(endLabel, 2520, 1230, 900, 255);
  place(Picture3, 3480, 1170, 1200, 375);
  place(End_H, 0, 0, 450, 375);
  place(endColon, 480, 60, 240, 255);
  place(End_M, 720, 0, 450, 375);
  place(Command13, 120, 1800, 1200, 420);
  place(Command14, 1440, 1800, 1200, 420);

  // Tab 2: the conversion list above the conversion commands.
  place(ListView10, 90, 420, 10110, 4680);
  place(Frame9, 3990, 5160, 6210, 1200);
  place(Check2, 120, 240, 5970, 255);
  place(Command9, 120, 600, 3000, 480);
  place(Command6, 3240, 600, 1500, 480);

  // Tab 3: the work log fills the page.
  place(Text5, 90, 420, 10110, 5940);

  // Tab 4: folders and switches above, the end-of-work choice below them.
  place(Frame4, 90, 420, 6300, 3780);
  place(Frame2, 120, 300, 6060, 900);
  place(Command10, 120, 300, 1200, 420);
  place(Text4, 1440, 330, 4500, 330);
  place(Frame1, 120, 1320, 6060, 900);
  place(Command7, 120, 300, 1200, 420);
  place(Label2, 1440, 375, 4500, 255);
  place(Frame11, 120, 2340, 6060, 1260);
  place(Check4, 120, 300, 5820, 510);
  // Two rows: what happens to the programs (5, 6, 7, 8), then what happens to the machine
  // (0, 2, 1, 3, 4), left to right. The index, not the place, is what is stored.
  place(Frame5, 90, 4260, 10110, 1260);
  struct Slot {
    std::size_t index;
    int width;
  };
  constexpr Slot upper[] = {{5, 1500}, {6, 2250}, {7, 2700}, {8, 3450}};
  constexpr Slot lower[] = {{0, 1500}, {2, 1500}, {1, 1500}, {3, 1500}, {4, 1800}};
  int x = 150;
  for (const Slot& slot : upper) {
    place(Option1[slot.index], x, 300, slot.width - 60, 300);
    x += slot.width;
  }
  x = 150;
  for (const Slot& slot : lower) {
    place(Option1[slot.index], x, 780, slot.width - 60, 300);
    x += slot.width;
  }

  // Tab 5: three window lists, the tools and the controller control map.
  place(Frame3, 90, 420, 10110, 5940);
  place(*Label1[1], 120, 240, 3240, 255);
  place(ListView2, 120, 510, 3240, 1980);
  place(*Label1[2], 3420, 240, 3240, 255);
  place(ListView3, 3420, 510, 3240, 1980);
  place(*Label1[5], 6720, 240, 3270, 255);
  place(ListView4, 6720, 510, 3270, 1980);
  // The tool buttons share one row; each is as wide as its caption needs.
  place(GetTopWindBtn, 120, 2580, 1800, 390);
  place(Command2, 1980, 2580, 1350, 390);
  place(Command4, 3390, 2580, 1600, 390);
  place(Command11, 5050, 2580, 1300, 390);
  place(Command12, 6410, 2580, 1300, 390);
  place(Command15, 7770, 2580, 2220, 390);
  place(Text101, 120, 3060, 2400, 300);
  place(Text100, 2610, 3060, 2400, 300);
  place(*Label1[0], 5100, 3090, 1600, 255);
  place(*Label1[3], 6720, 3090, 1600, 255);
  place(*Label1[4], 8340, 3090, 1650, 255);
  const auto map = controlMap();
  for (std::size_t i = 0; i < std::size(map); ++i) {
    const int x = 120 + static_cast<int>(i % 4) * 2480;
    const int y = 3480 + static_cast<int>(i / 4) * 480;
    // A handle text is eight hexadecimal digits; the names take the rest.
    place(*Label3[i], x, y + 30, 1400, 255);
    place(*map[i], x + 1400, y, 1000, 300);
  }
}

}  // namespace varnolt
