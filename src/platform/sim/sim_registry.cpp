// Registry values of the world.
#include "platform/sim/sim_world.hpp"

namespace varnolt::sim {

std::string SimRegistry::norm(platform::RegRoot root, std::string_view key) {
  std::string k = std::to_string(static_cast<int>(root)) + "\\";
  for (char c : key) k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return k;
}

void SimRegistry::set(platform::RegRoot root, const std::string& key, const std::string& name,
                      platform::RegValue v) {
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  keys_[norm(root, key)][n] = std::move(v);
}

bool SimRegistry::keyExists(platform::RegRoot root, std::string_view key) {
  return keys_.count(norm(root, key)) > 0;
}

std::optional<platform::RegValue> SimRegistry::queryValue(platform::RegRoot root,
                                                          std::string_view key,
                                                          std::string_view name) {
  auto k = keys_.find(norm(root, key));
  if (k == keys_.end()) return std::nullopt;
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto v = k->second.find(n);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

}  // namespace varnolt::sim
