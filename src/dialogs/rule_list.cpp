// The file-name rule list on tab 1: an entry form whose "追加" appends one rule row.
// Nothing else reads the rules; they live only in AutoFNameView.
#include <chrono>
#include <cstdio>

#include "app/form1.hpp"

namespace varnolt {

using controls::Date;

namespace {

constexpr const char* kDays[] = {"日", "月", "火", "水", "木", "金", "土"};

// 0 = Sunday.
int weekday(const Date& d) {
  using namespace std::chrono;
  const year_month_day ymd{year{d.year}, month{static_cast<unsigned>(d.month)},
                           day{static_cast<unsigned>(d.day)}};
  return static_cast<int>(std::chrono::weekday{sys_days{ymd}}.c_encoding());
}

// "yy/MM/dd(aaa)": two-digit year, month and day, then the short Japanese weekday.
std::string ruleDate(const Date& d) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d/%02d/%02d", d.year % 100, d.month, d.day);
  return std::string(b) + "(" + kDays[weekday(d)] + ")";
}

std::string twoDigits(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

}  // namespace

void Form1::Command13_Click() {
  if (Rec_Taitle.text().empty()) {
    msgBox("タイトルを入力してください");
    return;
  }
  // Compared as texts: "9" against "09" counts as different.
  if (End_H.text() + End_M.text() == Start_H.text() + Start_M.text()) {
    msgBox("開始、終了時間が同一ではいけません");
    return;
  }
  std::string week;
  for (std::size_t i = 0; i < youbi.size(); ++i) week += youbi[i].value() == 1 ? kDays[i] : "＊";
  const std::size_t row = AutoFNameView.add();
  AutoFNameView.setSubItem(row, 1, ruleDate(DTPicker1.value()));
  AutoFNameView.setSubItem(row, 2, week);
  AutoFNameView.setSubItem(row, 3, Start_H.text() + ":" + Start_M.text());
  AutoFNameView.setSubItem(row, 4, End_H.text() + ":" + End_M.text());
  AutoFNameView.setSubItem(row, 5, Rec_Taitle.text());
}

void Form1::Start_H_GotFocus() {
  if (Start_H.text() == "00" && Start_M.text() == "00") {
    const auto now = ports.clock.now();
    Start_H.setText(twoDigits(now.hour));
    Start_M.setText(twoDigits(now.minute));
  }
  Start_H.selectAll();
}

void Form1::Start_M_GotFocus() {
  Start_M.selectAll();
}

void Form1::End_H_GotFocus() {
  if (End_H.text() == "00" && End_M.text() == "00") {
    End_H.setText(Start_H.text());
    End_M.setText(Start_M.text());
  }
  End_H.selectAll();
}

void Form1::End_M_GotFocus() {
  End_M.selectAll();
}

}  // namespace varnolt
