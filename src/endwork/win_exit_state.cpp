// The end-of-work action. Only the default choice, "何もしない", is carried out so far.
#include "app/form1.hpp"

namespace varnolt {

void Form1::Win_Exit_State() {
  int chosen = static_cast<int>(Option1.size());
  for (std::size_t i = 0; i < Option1.size(); ++i)
    if (Option1[i].value()) {
      chosen = static_cast<int>(i);
      break;
    }
  state.exitFlag = chosen != 5;
  if (chosen != 5) return;
  Label100.setCaption("全ての作業が終了しました");
  msgBox(Label100.caption());
  logAdd(Label100.caption());
}

}  // namespace varnolt
