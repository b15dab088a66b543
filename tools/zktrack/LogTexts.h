// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the log's commands (log, log add, log settings, report) share: opening the
// session log of a data folder, and money, bytes, moments and tables as they print
// them.
#include <QChar>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "Zktrack.h"
#include "core/Pricing.h"
#include "tracker/CallLog.h"

namespace zktrack {

using prandel::tracker::Epoch;

// The currency label and decimal mark of a data folder's main record (CurSymbol,
// CommaDecimal, else the locale's decimal sign); none and the locale's sign for a
// folder without records.
struct MoneyStyle {
  std::string currency;
  QChar decimal = u'.';
  std::string money(double v) const;          // "$ 1.23", "€ 1,23"
  std::string number(double v, int decimals) const;  // "1.23", "1,23"
  std::string bytes(std::uint64_t n) const;   // "512 B", "1.5 KB", "12.3 MB", "2.04 GB"
};
MoneyStyle moneyStyleOf(const store::MainRecord& main);
// The main record of a folder, read without creating or changing anything; a
// record of zeros when the folder has none.
store::MainRecord readMainRecord(const std::string& folder);

// Opens the folder's log for reading. False, and error says why, when the folder is
// missing or the log cannot be read; false with `none` set, and no error, when the
// folder simply has no log yet.
bool openLogForReading(const std::string& folder, prandel::tracker::CallLog& log, bool& none, std::string& error);
// "No calls logged yet in FOLDER".
std::string noCallsYet(const std::string& folder);
// Opens the folder's log for writing, making it when missing; false, and error says
// why, when it cannot.
bool openLogForWriting(const std::string& folder, prandel::tracker::CallLog& log, std::string& error);

// "2026-12-14 17:50:00" on the local wall clock.
std::string localMoment(Epoch t);
// "2026-12-14T17:50:00+01:00": the local wall clock with its offset from UTC.
std::string isoMoment(Epoch t);
// The first moment of a local day.
Epoch dayStart(const QDate& day);
// "--from DATE" and "--to DATE" as a span of local days, --to included; false, and
// error says why, when one is no day or --to lies before --from.
bool daySpan(const std::string& from, const std::string& to, prandel::tracker::Span& span, std::string& error);

// Columns padded to their widest cell; the columns named in `right` aligned right.
void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& right,
                const std::string& indent = "");

// "Condition 2: $ 2.50 Per Hour": the slot and the first line the expense window
// shows for it, as it reads now; the words the log keeps for a slice.
std::string sliceLabel(const prandel::core::TariffSettings& settings, int slot);

// A field of an RFC 4180 CSV record: quoted when it holds a comma, a quote or a line
// break, its quotes doubled.
std::string csvField(const std::string& text);

}  // namespace zktrack

namespace zktrack {
// The commands within `zktrack log`.
void addLogAddCommand(CLI::App& log, Context& ctx);
void addLogSettingsCommand(CLI::App& log, Context& ctx);
}  // namespace zktrack
