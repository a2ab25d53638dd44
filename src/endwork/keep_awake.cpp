// The machine stays awake while a night is under way: an idle machine would otherwise go
// to sleep after the power plan's minutes and the controller's transfer would stop.
#include "app/form1.hpp"

namespace varnolt {

void Form1::keepAwake(bool on) {
  if (state.awake == on) return;
  state.awake = on;
  ports.power.keepAwake(on);
}

void Form1::nightStartSettled() {
  // A download run polls its transfer from the moment the save is confirmed; a
  // conversion run keeps "中　止" enabled until it ends or is stopped.
  const bool underWay = Timer1.enabled() || (Command6.enabled() && !state.ConvStop);
  if (!underWay) nightOver();
}

}  // namespace varnolt
