// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SharedProcs.h"

#include <QCoreApplication>

#include "core/RecordUpdate.h"
#include "ui/EditorState.h"

namespace prandel {

using ui::EditorState;

void refreshSeparators(EditorState& s) {
  s.DecSep = s.regional.decimalSeparator();
  s.TimeSep = s.regional.timeSeparator();
  s.DateSep = s.regional.dateSeparator();
}

namespace {
bool isDigit(int k) { return k >= '0' && k <= '9'; }
bool isSep(int k, const QString& sep) { return !sep.isEmpty() && k == sep.at(0).unicode(); }
}  // namespace

int KeyFilter(EditorState& s, int keyAscii, int kind, const QString& text) {
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

QString CommaToDecimal(EditorState& s, const QString& text) {
  refreshSeparators(s);
  return commaToDecimal(s.regional, s.MainRec.CommaDecimal, text);
}

QString DecimalToComma(EditorState& s, const QString& text) {
  refreshSeparators(s);
  return decimalToComma(s.regional, s.MainRec.CommaDecimal, text);
}

QString FormatDNum(EditorState& s, const QString& text) {
  refreshSeparators(s);
  return formatDNum(s.regional, text);
}

void RunApp(EditorState& s, std::int16_t code, bool wait) {
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
      updateLinkRecord(s.files, s.LinkRec, [code](store::LinkRecord& l) { l.RequestCode = code; });
      break;
  }
  if (!s.platform.launcher) return;
  std::string path = s.ProgramDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += "zkapp" + std::to_string(program);
  s.platform.launcher->startDetached(path);
}

}  // namespace prandel
