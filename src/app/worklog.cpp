// The work log: time-stamped lines in front of Text5, kept in log.ini between runs.
#include "app/form1.hpp"

namespace varnolt {

void Form1::logAdd(std::string_view message) {
  // Date and time are read from the clock one after the other, each for its own field.
  const std::string date = ports.regional.shortDate(ports.clock.now());
  const std::string time = ports.regional.longTime(ports.clock.now());
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
    bytes = ports.files.readAll(path);
  } catch (const std::exception&) {
    return;  // no log yet: the box starts empty
  }
  std::string text = Text5.text();
  for (const std::string& line : text_rules::textLines(ports.codec.fromAnsi(bytes)))
    text.append("\r\n").append(line);
  Text5.setText(std::move(text));
}

void Form1::logOutPut(const std::string& path) {
  ports.files.replaceFile(path, ports.codec.toAnsi(Text5.text() + "\r\n"));
}

}  // namespace varnolt
