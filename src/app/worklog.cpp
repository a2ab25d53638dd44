// The work log: time-stamped lines in front of Text5, kept in log.ini between runs.
#include "app/form1.hpp"

namespace varnolt {

void Form1::logAdd(std::string_view message) {
  // Date and time are read from the clock one after the other, each for its own field.
  const std::string date = os.regional.shortDate(os.clock.now());
  const std::string time = os.regional.longTime(os.clock.now());
  std::string line;
  line.reserve(date.size() + time.size() + message.size() + 8 + Text5.text().size());
  line.append(date).append("   ").append(time).append("   ").append(message).append("\r\n");
  const std::size_t added = line.size();
  line.append(Text5.text());
  Text5.setText(std::move(line));
  if (onLogLine)
    for (const auto& l : text_rules::textLines(std::string_view(Text5.text()).substr(0, added)))
      onLogLine(l);
}

void Form1::logInPut(const std::string& path) {
  std::string bytes;
  try {
    bytes = os.files.readAll(path);
  } catch (const std::exception&) {
    return;  // no log yet: the box starts empty
  }
  std::string text = Text5.text();
  for (const std::string& line : text_rules::textLines(os.codec.fromAnsi(bytes)))
    text.append("\r\n").append(line);
  Text5.setText(std::move(text));
}

void Form1::logOutPut(const std::string& path) {
  os.files.replaceFile(path, os.codec.toAnsi(Text5.text() + "\r\n"));
}

}  // namespace varnolt
