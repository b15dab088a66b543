// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts that describe an expense condition: the list entries, the period and
// time descriptions, amounts, and the lines of the details panel.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace prandel {

class Session;
namespace store {
struct ExpenseCondition;
}

// Items of the filter lists; a condition stores their indexes.
const QStringList& counterItems();     // Combo5
const QStringList& comparisonItems();  // Combo6

// "Condition 3".
QString conditionEntry(int slot);

// The period description of a condition held in s.CondRec (kind 7 reads its weekly
// start and end from there).
QString Load_Period(Session& s, int nType, int nNum, double nsDate, double neDate);
QString Load_Time(Session& s, int nType, double nsDate, double neDate);

// A number given as text with two decimals where it has none, one or two:
// "5" -> "5.00", "12.5" -> "12.50"; "0.125" and "125" stay as they are.
QString FormatDNum(Session& s, const QString& text);

// An amount as shown: the number's text through FormatDNum and the comma notation.
QString amountText(Session& s, double amount);
// The currency label trimmed, a blank, and the amount text.
QString money(Session& s, double amount);

// The details panel: up to twelve label captions, by label index; a label without
// a caption is hidden.
using DetailLines = std::array<std::optional<QString>, 12>;
DetailLines describeCondition(Session& s, const store::ExpenseCondition& c);

}  // namespace prandel
