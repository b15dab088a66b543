// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands that take a day, a moment or a connection share (which, check).
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <CLI/CLI.hpp>

#include "Zktrack.h"
#include "core/ConditionMatching.h"
#include "core/Regional.h"

namespace zktrack {

using prandel::Regional;

bool recordHoldsDay(const QDate& day) { return day.isValid() && Regional::isValidDate(Regional::fromDate(day)); }

std::optional<QDate> parseDay(const std::string& text) {
  static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
  const auto m = form.match(QString::fromStdString(text));
  if (!m.hasMatch()) return std::nullopt;
  const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  if (!recordHoldsDay(d)) return std::nullopt;
  return d;
}

std::optional<WallClock> parseMoment(const std::string& text) {
  if (text == "now") {
    // The matching works in whole minutes.
    const QDateTime now = QDateTime::currentDateTime();
    return WallClock{now.date(), QTime(now.time().hour(), now.time().minute())};
  }
  static const QRegularExpression form(QStringLiteral("^(\\S{10})(?:[ T](\\d{2}):(\\d{2}))?$"));
  const auto m = form.match(QString::fromStdString(text));
  if (!m.hasMatch()) return std::nullopt;
  const auto day = parseDay(m.captured(1).toStdString());
  if (!day) return std::nullopt;
  if (!m.hasCaptured(2)) return WallClock{*day, QTime(0, 0)};
  const QTime time(m.captured(2).toInt(), m.captured(3).toInt());
  if (!time.isValid()) return std::nullopt;
  return WallClock{*day, time};
}

std::string dayLabel(const QDate& day) {
  return QLocale::c().toString(day, QStringLiteral("ddd yyyy-MM-dd")).toStdString();
}

QString evalConnFor(const std::string& connection) {
  // As on the condition map, whose list offers "Default" before the connections.
  if (connection.empty() || connection == "Default") return prandel::kDefaultConnection;
  return QString::fromStdString(connection);
}

std::string connectionLabel(const QString& evalConn) {
  return evalConn == prandel::kDefaultConnection ? std::string("Default") : quoted(evalConn.toStdString());
}

CLI::Option* addConnectionOption(CLI::App& command, std::string& connection) {
  return command
      .add_option("--connection", connection,
                  "Only the conditions bound to the dial-up connection NAME, as on the condition map "
                  "(default: Default, those bound to none)")
      ->type_name("NAME");
}

}  // namespace zktrack
