// Virtual time.
#include "platform/sim/sim_world.hpp"

#include <algorithm>
#include <chrono>

namespace varnolt::sim {

using platform::DateTime;

namespace {

std::int64_t daysFromCivil(int y, int m, int d) {
  using namespace std::chrono;
  return sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}}
      .time_since_epoch()
      .count();
}

DateTime fromSeconds(std::int64_t seconds, int ms) {
  using namespace std::chrono;
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  std::int64_t rest = seconds - days * 86400;
  sys_days sd{std::chrono::days{days}};
  year_month_day ymd{sd};
  weekday wd{sd};
  DateTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  t.millisecond = ms;
  t.weekday = static_cast<int>(wd.c_encoding());
  return t;
}

}  // namespace

SimClock::SimClock(DateTime start) : start_(start) {
  startSeconds_ = daysFromCivil(start.year, start.month, start.day) * 86400 +
                  std::int64_t{start.hour} * 3600 + std::int64_t{start.minute} * 60 + start.second;
}

DateTime SimClock::now() {
  std::int64_t ms = start_.millisecond + nowMs_;
  return fromSeconds(startSeconds_ + ms / 1000, static_cast<int>(ms % 1000));
}

void SimClock::advanceTo(std::int64_t ms) {
  if (ms <= nowMs_) return;
  nowMs_ = ms;
  for (std::size_t i = 0; i < advancers_.size(); ++i) advancers_[i](nowMs_);
}

void SimClock::sleep(int milliseconds) {
  passesSinceSleep_ = 0;
  if (milliseconds > 0) advanceTo(nowMs_ + milliseconds);
}

void SimClock::runPosted() {
  while (!posted_.empty()) {
    auto f = std::move(posted_.front());
    posted_.pop_front();
    f();
  }
}

bool SimClock::fireDue() {
  for (auto& w : timers_) {
    if (!w.due || *w.due > nowMs_) continue;
    // The next tick counts from this one, as a system timer does.
    w.due = nowMs_ + std::max(1, w.timer->interval());
    // A tick of a timer whose previous tick still runs (waiting in the message loop) is
    // dropped; other timers tick meanwhile.
    if (w.running || !w.timer->onTimer) continue;
    w.running = true;
    handlers.push_back(w.timer->name() + "_Timer");
    struct Done {
      Watched& w;
      std::vector<std::string>& handlers;
      ~Done() {
        w.running = false;
        handlers.pop_back();
      }
    } done{w, handlers};
    // The watched list does not change while the program runs; the reference stays valid.
    w.timer->onTimer();
    return true;
  }
  return false;
}

void SimClock::pump() {
  runPosted();
  while (fireDue()) runPosted();
}

void SimClock::doEvents() {
  advanceTo(nowMs_ + 1);
  pump();
  if (++passesSinceSleep_ >= 2 && userTurn) userTurn();
}

void SimClock::watch(controls::Timer& timer) {
  timers_.push_back({&timer, std::nullopt});
  std::size_t index = timers_.size() - 1;
  auto update = [this, index](controls::Control& c, controls::Property) {
    auto& t = static_cast<controls::Timer&>(c);
    auto& w = timers_[index];
    if (t.enabled() && t.interval() > 0)
      w.due = nowMs_ + t.interval();
    else
      w.due.reset();
  };
  timer.subscribe(update);
  update(timer, controls::Property::Enabled);
}

void SimClock::idle(std::int64_t milliseconds) {
  const std::int64_t target = nowMs_ + milliseconds;
  pump();
  for (;;) {
    std::optional<std::int64_t> next;
    for (auto& w : timers_)
      if (w.due && (!next || *w.due < *next)) next = w.due;
    if (!next || *next > target) break;
    advanceTo(*next);
    pump();
  }
  advanceTo(target);
  pump();
}

}  // namespace varnolt::sim
