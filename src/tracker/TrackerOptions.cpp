// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/TrackerOptions.h"

#include <algorithm>
#include <cctype>

#include "store/Codec.h"
#include "store/Cp1252.h"
#include "tracker/CallLog.h"

namespace prandel::tracker {
namespace {

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A name as a condition's ConNm holds it and the matching compares it: Windows-1252,
// its first 20 bytes, without blanks around it.
std::string recordName(const std::string& utf8) {
  const auto bytes = store::utf8ToCp1252(utf8);
  const std::string cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes.size(), 20)));
  return store::trimSpaces(cut);
}

bool namedByCondition(const std::string& name, const core::TariffSettings& tariff) {
  const std::string wanted = recordName(name);
  if (wanted.empty()) return false;
  return std::any_of(tariff.conditions.begin(), tariff.conditions.end(), [&](const store::ExpenseCondition& c) {
    return c.InUse && c.ConVal && recordName(c.ConNm) == wanted;
  });
}

}  // namespace

void parseTracked(const std::string& text, TrackerOptions& into) {
  into.tracked.reset();
  into.trackAll = false;
  const std::string all = trimmed(text);
  if (all.empty()) return;
  if (lower(all) == "all") {
    into.trackAll = true;
    into.tracked.emplace();
    return;
  }
  std::vector<std::string> names;
  std::size_t from = 0;
  for (;;) {
    const auto comma = all.find(',', from);
    const std::string name = trimmed(all.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if (!names.empty()) into.tracked = std::move(names);
}

std::optional<bool> parseSwitch(const std::string& text) {
  const std::string v = lower(trimmed(text));
  if (v == "on" || v == "yes" || v == "true" || v == "1") return true;
  if (v == "off" || v == "no" || v == "false" || v == "0") return false;
  return std::nullopt;
}

std::optional<TrackerOptions> readTrackerOptions(CallLog& log) {
  TrackerOptions o;
  const auto tracked = log.setting(TrackerOptions::kTrackedKey);
  if (!tracked && !log.error().empty()) return std::nullopt;
  if (tracked) parseTracked(*tracked, o);
  const auto disconnect = log.setting(TrackerOptions::kDisconnectKey);
  if (!disconnect && !log.error().empty()) return std::nullopt;
  if (disconnect) o.disconnectAtZero = parseSwitch(*disconnect).value_or(false);
  return o;
}

std::string sessionName(const std::string& connectionName) {
  // Cut before the 21st character: at a byte that begins one in UTF-8.
  std::size_t characters = 0;
  for (std::size_t i = 0; i < connectionName.size(); ++i) {
    const auto byte = static_cast<unsigned char>(connectionName[i]);
    if ((byte & 0xC0) != 0x80 && ++characters > 20) return connectionName.substr(0, i);
  }
  return connectionName;
}

bool isTracked(const platform::ConnectionInfo& c, const TrackerOptions& options, const core::TariffSettings& tariff) {
  using platform::Metered;
  if (options.trackAll) return true;
  if (options.tracked)
    return std::find(options.tracked->begin(), options.tracked->end(), c.name) != options.tracked->end();
  if (c.type == "ppp" || c.type == "gsm" || c.type == "cdma") return true;
  if (c.metered == Metered::Yes || c.metered == Metered::GuessYes) return true;
  return namedByCondition(c.name, tariff);
}

}  // namespace prandel::tracker
