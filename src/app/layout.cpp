// The window cannot shrink below its size at start-up; a fixed set of controls
// follows the right and bottom edges.
#include "app/form1.hpp"

namespace varnolt {

using controls::Control;
using controls::Rect;

void Form1::Form_Resize() {
  try {
    if (height < state.minHeight) {
      setWindowSize(width, state.minHeight);
      return;
    }
    if (width < state.minWidth) {
      setWindowSize(state.minWidth, height);
      return;
    }
    Control_Resize();
  } catch (const std::exception&) {
    // A minimised window cannot be sized; the next resize lays it out.
  }
}

void Form1::Control_Resize() {
  auto grow = [](Control& c, int dw, int dh) {
    Rect r = c.rect();
    r.width += dw;
    r.height += dh;
    c.setRect(r);
  };
  auto move = [](Control& c, int dx, int dy) {
    Rect r = c.rect();
    r.left += dx;
    r.top += dy;
    c.setRect(r);
  };
  const int dW = width - state.prevWidth;
  const int dH = height - state.prevHeight;
  grow(SSTab1, dW, dH);
  grow(ListView1, dW, dH);
  move(Frame6, dW, dH);
  {
    Rect r = Frame8.rect();
    r.top += dH;
    r.width += dW;
    Frame8.setRect(r);
  }
  move(Frame9, dW, dH);
  move(Label8, 0, dH);
  grow(Text5, dW, dH);
  move(Frame12, dW, dH);
  grow(AutoFNameView, dW, dH);
  grow(ListView10, dW, dH);
  StatusBar1.setPanelWidth(1, StatusBar1.panelWidth(1) + dW);
  grow(Label100, dW, 0);
  grow(Slider1, dW, 0);
  state.prevWidth = width;
  state.prevHeight = height;
}

}  // namespace varnolt
