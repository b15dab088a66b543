// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SharedProcs.h"

#include <QCoreApplication>

#include "common/RecordUpdate.h"
#include "common/Session.h"

namespace prandel {

void refreshSeparators(Session& s) {
  s.DecSep = s.regional.decimalSeparator();
  s.TimeSep = s.regional.timeSeparator();
  s.DateSep = s.regional.dateSeparator();
}

namespace {
bool isDigit(int k) { return k >= '0' && k <= '9'; }
bool isSep(int k, const QString& sep) { return !sep.isEmpty() && k == sep.at(0).unicode(); }
}  // namespace

int KeyFilter(Session& s, int keyAscii, int kind, const QString& text) {
  refreshSeparators(s);
  const int k = keyAscii;
  bool ok = true;
  switch (kind) {
    case keykind::TimeAmPm:
      ok = isDigit(k) || k == ':' || isSep(k, s.TimeSep) || k == 'a' || k == 'm' || k == 'p' ||
           k == 'A' || k == 'M' || k == 'P' || k == ' ' || k == kBackspace;
      if (k == ':' && text.contains(QLatin1Char(':'))) ok = false;
      break;
    case keykind::Duration:
      ok = isDigit(k) || k == ':' || isSep(k, s.TimeSep) || k == kBackspace;
      break;
    case keykind::Date:
      ok = k == '/' || isDigit(k) || isSep(k, s.DateSep) || k == kBackspace;
      break;
    case keykind::Amount:
    case keykind::Amount2:
      if (s.MainRec.CommaDecimal) {
        ok = isDigit(k) || k == ',' || k == kBackspace;
        if (k == ',' && text.contains(QLatin1Char(','))) ok = false;
      } else {
        ok = isDigit(k) || isSep(k, s.DecSep) || k == kBackspace;
        if (isSep(k, s.DecSep) && text.contains(s.DecSep)) ok = false;
      }
      break;
    case keykind::Whole:
      ok = isDigit(k) || k == kBackspace;
      break;
    default:
      break;
  }
  return ok ? k : kRejectedKey;
}

QString FixTimeText(const QString& text) {
  const auto n = text.size();
  if (n == 3 || n == 4) return QStringLiteral("00:") + text;
  if (n == 5) return text.at(1) == QLatin1Char(':') ? text : QStringLiteral("00:") + text;
  return text;
}

QString CommaToDecimal(Session& s, const QString& text) {
  refreshSeparators(s);
  if (!s.MainRec.CommaDecimal) return text;
  QString out = text;
  return out.replace(QLatin1Char(','), s.DecSep);
}

QString DecimalToComma(Session& s, const QString& text) {
  refreshSeparators(s);
  if (!s.MainRec.CommaDecimal || s.DecSep.isEmpty()) return text;
  QString out = text;
  return out.replace(s.DecSep, QStringLiteral(","));
}

void RunApp(Session& s, std::int16_t code, bool wait) {
  if (wait) QCoreApplication::processEvents();
  int program = 1;
  switch (code) {
    case 0: program = 1; break;
    case 1000: program = 2; break;
    case 2000: program = 3; break;
    case 3000: program = 4; break;
    case 4000: program = 5; break;
    case 5000: program = 6; break;
    case 6000: program = 7; break;
    default:
      updateLinkRecord(s, [code](store::LinkRecord& l) { l.RequestCode = code; });
      break;
  }
  if (!s.platform.launcher) return;
  std::string path = s.ProgramDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += "zkapp" + std::to_string(program);
  s.platform.launcher->startDetached(path);
}

}  // namespace prandel
