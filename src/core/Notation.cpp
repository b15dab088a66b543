// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Notation.h"

namespace prandel {

QString commaToDecimal(const Regional& r, bool commaDecimal, const QString& text) {
  if (!commaDecimal) return text;
  QString out = text;
  return out.replace(QLatin1Char(','), r.decimalSeparator());
}

QString decimalToComma(const Regional& r, bool commaDecimal, const QString& text) {
  const QString sep = r.decimalSeparator();
  if (!commaDecimal || sep.isEmpty()) return text;
  QString out = text;
  return out.replace(sep, QStringLiteral(","));
}

QString formatDNum(const Regional& r, const QString& text) {
  const QString sep = r.decimalSeparator();
  const qsizetype p = sep.isEmpty() ? -1 : text.indexOf(sep);  // 0-based, -1 when absent
  const qsizetype d = text.size() - (p + 1);
  if (d < 0 || d > 2) return text;
  const auto value = r.parseNumber(text);
  if (!value) return text;
  return r.formatNumber(*value, QStringLiteral("#0.00"));
}

QString FixTimeText(const QString& text) {
  const auto n = text.size();
  if (n == 3 || n == 4) return QStringLiteral("00:") + text;
  if (n == 5) return text.at(1) == QLatin1Char(':') ? text : QStringLiteral("00:") + text;
  return text;
}

}  // namespace prandel
