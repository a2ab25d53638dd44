// Verbs about the world around the window: files, drives and registry values the
// program finds, the power requests it makes, the virtual clock, and headings in the
// output. Each verb is one function; the table at the end names them.
#include <cctype>
#include <filesystem>

#include "simrun/scenario.hpp"
#include "standin/roku_config.hpp"

namespace varnolt::simrun {

namespace {

using Words = std::vector<std::string>;

// write PATH TEXT: a file of that text in CP932, "\r\n" for line ends.
void writeFile(Runner& r, const Words& w, const std::string& rest) {
  if (w.empty()) r.fail("write PATH TEXT");
  std::string text = rest.size() > w[0].size() ? rest.substr(w[0].size() + 1) : std::string();
  auto& fsys = r.world().files;
  try {
    (void)fsys.makeSurePathExists(w[0]);  // a folder that cannot be made fails the write
    fsys.replaceFile(w[0], r.world().codec.toAnsi(standin::unescapeLineEnds(text)));
  } catch (const RunError& e) {
    r.fail("cannot write " + w[0] + ": " + e.description());
  }
}

void makeFolder(Runner& r, const Words& w, const std::string& rest) {
  if (w.empty()) r.fail("mkdir PATH");
  if (!r.world().files.makeSurePathExists(rest + "\\")) r.fail("cannot create " + rest);
}

// The path is the rest of the line before its last word, the number its last word.
template <typename T>
std::pair<std::string, T> pathAndNumber(Runner& r, const Words& w, const std::string& rest,
                                        const char* usage) {
  if (w.size() < 2) r.fail(usage);
  return {text_rules::trimSpaces(rest.substr(0, rest.rfind(w.back()))),
          numberWord<T>(r, w.back(), usage)};
}

// file PATH BYTES: sparse, so that gigabytes cost nothing.
void makeSizedFile(Runner& r, const Words& w, const std::string& rest) {
  auto [path, bytes] = pathAndNumber<std::uint64_t>(r, w, rest, "file PATH BYTES");
  try {
    r.world().files.makeFile(path, bytes);
  } catch (const RunError&) {
    r.fail("cannot create " + path);
  }
}

void setAttributes(Runner& r, const Words& w, const std::string& rest) {
  auto [path, value] = pathAndNumber<std::uint32_t>(r, w, rest, "attrib PATH N");
  try {
    r.world().files.setAttributes(path, value);
  } catch (const RunError&) {
    r.fail("no file or folder " + path);
  }
}

void setReadOnly(Runner& r, const Words& w, const std::string&) {
  if (w.size() != 2) r.fail("readonly PATH on|off");
  auto& fsys = r.world().files;
  try {
    std::uint32_t a = fsys.attributes(w[0]);
    fsys.setAttributes(w[0], w[1] == "on" ? (a | 1) : (a & ~1u));
  } catch (const RunError&) {
    r.fail("no file or folder " + w[0]);
  }
}

void showFile(Runner& r, const Words& w, const std::string& rest) {
  if (w.empty()) r.fail("show PATH");
  auto& fsys = r.world().files;
  if (!fsys.fileExists(rest)) {
    r.emit("file " + rest + " missing");
    return;
  }
  std::string bytes;
  try {
    bytes = fsys.readAll(rest);
  } catch (const RunError& e) {
    r.fail("cannot read " + rest + ": " + e.description());
  }
  // A file that starts with a UTF-8 byte-order mark (history.ini) is shown as UTF-8.
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (bytes.starts_with(kBom))
    r.emit("file " + rest + " (UTF-8)=" + sim::escapeLine(bytes.substr(kBom.size())));
  else
    r.emit("file " + rest + "=" + sim::escapeLine(r.world().codec.fromAnsi(bytes)));
}

void showFileSize(Runner& r, const Words& w, const std::string& rest) {
  if (w.empty()) r.fail("filesize PATH");
  auto& files = r.world().files;
  if (!files.fileExists(rest))
    r.emit("filesize " + rest + " missing");
  else
    r.emit("filesize " + rest + "=" + std::to_string(files.fileSize(rest)));
}

// drive X: [free BYTES]
void addDrive(Runner& r, const Words& w, const std::string&) {
  if (w.empty() || w[0].size() != 2 || w[0][1] != ':') r.fail("drive X: [free BYTES]");
  char d = static_cast<char>(std::tolower(static_cast<unsigned char>(w[0][0])));
  std::filesystem::create_directories(r.root() / std::string(1, d));
  if (w.size() == 3 && w[1] == "free")
    r.world().files.setFreeSpace(d, numberWord<std::uint64_t>(r, w[2], "drive X: [free BYTES]"));
  else if (w.size() != 1)
    r.fail("drive X: [free BYTES]");
}

// registry HKLM\KEY|NAME|VALUE
void setRegistryValue(Runner& r, const Words& w, const std::string& rest) {
  auto parts = text_rules::split(rest, "|");
  if (w.empty() || parts.size() != 3 || parts[0].rfind("HKLM\\", 0) != 0)
    r.fail("registry HKLM\\KEY|NAME|VALUE");
  r.world().registry.set(platform::RegRoot::LocalMachine, parts[0].substr(5), parts[1],
                         {1, r.world().codec.toAnsi(parts[2]) + std::string(1, '\0')});
}

// power fail CODE: the next suspend or hibernate request fails with that last error.
void failNextPowerRequest(Runner& r, const Words& w, const std::string&) {
  if (w.size() != 2 || w[0] != "fail") r.fail("power fail CODE");
  r.world().power.nextPowerStateError = numberWord<std::uint32_t>(r, w[1], "power fail CODE");
}

void printHeading(Runner& r, const Words&, const std::string& rest) {
  r.emit("== " + rest);
}

// Virtual milliseconds since the scenario began.
void printElapsed(Runner& r, const Words&, const std::string&) {
  r.emit("elapsed " + std::to_string(r.world().clock.ticks()));
}

constexpr VerbEntry kWorldVerbs[] = {
    {"write", &writeFile},           {"mkdir", &makeFolder},
    {"file", &makeSizedFile},        {"attrib", &setAttributes},
    {"readonly", &setReadOnly},      {"show", &showFile},
    {"filesize", &showFileSize},     {"drive", &addDrive},
    {"registry", &setRegistryValue}, {"power", &failNextPowerRequest},
    {"say", &printHeading},          {"elapsed", &printElapsed},
};

}  // namespace

void registerWorldVerbs(Runner& runner) {
  runner.addVerbs(kWorldVerbs);
}

}  // namespace varnolt::simrun
