// varnolt-sim [--root DIR] [--now "YYYY/MM/DD HH:MM:SS"] SCENARIO
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "simrun/scenario.hpp"

int main(int argc, char** argv) {
  using namespace varnolt;
  simrun::Options options;
  options.now = simrun::hostNow();
  std::string scenario;
  bool rootGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc) {
      options.root = argv[++i];
      rootGiven = true;
    } else if (a == "--now" && i + 1 < argc) {
      if (!simrun::parseDateTime(argv[++i], options.now)) {
        std::cerr << "varnolt-sim: --now takes \"YYYY/MM/DD HH:MM:SS\"\n";
        return 2;
      }
    } else if (!a.empty() && a[0] != '-' && scenario.empty()) {
      scenario = a;
    } else {
      std::cerr << "usage: varnolt-sim [--root DIR] [--now \"YYYY/MM/DD HH:MM:SS\"] SCENARIO\n";
      return 2;
    }
  }
  if (scenario.empty()) {
    std::cerr << "usage: varnolt-sim [--root DIR] [--now \"YYYY/MM/DD HH:MM:SS\"] SCENARIO\n";
    return 2;
  }
  std::ifstream in(scenario, std::ios::binary);
  if (!in) {
    std::cerr << "varnolt-sim: cannot read " << scenario << "\n";
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!rootGiven) {
    char tmpl[] = "/tmp/varnolt-sim-XXXXXX";
    if (!mkdtemp(tmpl)) {
      std::cerr << "varnolt-sim: cannot create a temporary folder\n";
      return 2;
    }
    options.root = tmpl;
  }
  try {
    simrun::Runner runner(options, std::cout);
    return runner.run(text.str(), scenario, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "varnolt-sim: " << e.what() << "\n";
    return 2;
  }
}
