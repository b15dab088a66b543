// SPDX-License-Identifier: GPL-3.0-or-later
#include "tracker/CountdownMemory.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tracker/CallLog.h"

namespace prandel::tracker {
namespace {

// Doubles written so that they read back to the same bits.
std::string exact(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

bool sameLength(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

bool CountdownMemory::observe(const store::MainRecord& main, core::Epoch now) {
  if (!main.CdEnabled) return false;
  // Half a second of slack: CdUsed only ever holds whole seconds added to it.
  const bool refilled = main.CdUsed < used - 0.5;
  if (!sameLength(main.CdTotal, total) || refilled) {
    total = main.CdTotal;
    used = main.CdUsed;
    warned = 0;
    since = now;
    return true;
  }
  if (main.CdUsed == used) return false;
  used = main.CdUsed;
  return true;
}

std::string CountdownMemory::text() const {
  return exact(total) + " " + exact(used) + " " + std::to_string(warned) + " " + std::to_string(since);
}

std::optional<CountdownMemory> CountdownMemory::parse(const std::string& text) {
  // strtod, unlike a stream, reads back the "nan" a garbled CdTotal is written as.
  const char* p = text.c_str();
  char* end = nullptr;
  CountdownMemory m;
  m.total = std::strtod(p, &end);
  if (end == p) return std::nullopt;
  m.used = std::strtod(p = end, &end);
  if (end == p) return std::nullopt;
  m.warned = static_cast<unsigned>(std::strtoul(p = end, &end, 10)) & 7u;
  if (end == p) return std::nullopt;
  m.since = std::strtoll(p = end, &end, 10);
  if (end == p || *end != '\0') return std::nullopt;
  return m;
}

std::string ResetMemory::text() const { return std::to_string(applied) + " " + rule; }

std::optional<ResetMemory> ResetMemory::parse(const std::string& text) {
  const auto blank = text.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  ResetMemory m;
  try {
    std::size_t used = 0;
    m.applied = std::stoll(text.substr(0, blank), &used);
    if (used != blank) return std::nullopt;
  } catch (...) {
    return std::nullopt;
  }
  m.rule = text.substr(blank + 1);
  return m;
}

bool readCountdownMemory(CallLog& log, CountdownMemory& countdown, ResetMemory& reset) {
  const auto c = log.setting(CountdownMemory::kKey);
  if (!c && !log.error().empty()) return false;
  countdown = (c ? CountdownMemory::parse(*c) : std::nullopt).value_or(CountdownMemory{});
  const auto r = log.setting(ResetMemory::kKey);
  if (!r && !log.error().empty()) return false;
  reset = (r ? ResetMemory::parse(*r) : std::nullopt).value_or(ResetMemory{});
  return true;
}

}  // namespace prandel::tracker
