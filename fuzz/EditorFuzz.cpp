// SPDX-License-Identifier: GPL-3.0-or-later
// The editor harness: opens each of the six editors in-process on random data
// folders (record files of any length and content, Zelkora.ini texts, favourites
// folders of odd shortcuts), pokes a few controls, presses the editor's confirm
// button, lets the closing path run, and checks that nothing crashed or hung and
// that no byte outside the fields the editor owns has changed.
//
//   editor_fuzz [--runs N] [--seed S] [--editor NAME] [--first K] [--timeout SEC] [--verbose]
//
// --runs is per editor; case K of an editor is reproduced alone by
// --editor NAME --first K --runs 1 with the same seed.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "FuzzFiles.h"
#include "EditorOwnership.h"
#include "app/Editors.h"
#include "app/Startup.h"
#include "app/frmzEnd.h"
#include "core/AppPath.h"
#include "core/RecordFolder.h"
#include "editors/bookmarks/frmmBookmark.h"
#include "editors/bookmarks/frmmIEBook.h"
#include "editors/callsettings/frmSetCall.h"
#include "editors/countdown/frmmCountdown.h"
#include "editors/holidays/frmmHolidays.h"
#include "expense/frmmExpGraph.h"
#include "expense/frmmExpense.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/FormBase.h"
#include "ui/SpinBar.h"
#include "ui/Style.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PRANDEL_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PRANDEL_FUZZ_ASAN 1
#endif
#ifdef PRANDEL_FUZZ_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace prandel::fuzz {
namespace fs = std::filesystem;

struct Options {
  std::uint64_t seed = 1;
  long runs = 100;
  long first = 0;
  std::string editor = "all";
  int timeoutSeconds = 60;
  bool verbose = false;
};

// --- Crash and hang reports ---------------------------------------------------------------

char g_case[512] = "before the first case";
std::atomic<long long> g_deadline{0};  // steady-clock milliseconds; 0 = no case running

void writeCase(const char* what) {
  const auto put = [](const char* s) { (void)!::write(2, s, std::strlen(s)); };
  put("\neditor_fuzz: ");
  put(what);
  put(" in ");
  put(g_case);
  put("\n");
}

void onFatalSignal(int sig) {
  writeCase(sig == SIGABRT ? "abort" : "fatal signal");
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void watchdog() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const long long d = g_deadline.load();
    if (d != 0 && nowMs() > d) {
      writeCase("hang (time limit of the case passed)");
      std::abort();
    }
  }
}

void installReports() {
#ifdef PRANDEL_FUZZ_ASAN
  __sanitizer_set_death_callback([] { writeCase("sanitizer report"); });
#else
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(sig, onFatalSignal);
#endif
  std::signal(SIGABRT, onFatalSignal);
  std::thread(watchdog).detach();
}

// Qt's warnings are collected and shown at the end: they point at misuse.
std::map<std::string, int>& qtWarnings() {
  static std::map<std::string, int> m;
  return m;
}

void onQtMessage(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (msg.contains(QStringLiteral("propagateSizeHints"))) return;  // the offscreen platform's own
  ++qtWarnings()[msg.left(200).toStdString()];
  if (type == QtFatalMsg) {
    writeCase("Qt fatal message");
    std::abort();
  }
}

// --- Editors ----------------------------------------------------------------------------------

struct Editor {
  std::int16_t code;
  const char* name;
};
constexpr Editor kEditors[] = {{501, "countdown"}, {502, "expense"},   {503, "callsettings"},
                               {504, "holidays"},  {505, "bookmarks"}, {506, "import"}};

void settle() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

void typeInto(Random& r, QLineEdit* f, const std::string& text) {
  const QString t = QString::fromStdString(text);
  f->setFocus();
  bool plain = t.size() <= 40;
  for (QChar c : t) plain = plain && c.unicode() >= 0x20 && c.unicode() < 0x7F;
  if (plain && r.chance(0.8)) {
    if (r.chance(0.5)) f->selectAll();
    QTest::keyClicks(f, t);
  } else {
    f->setText(t);  // pasted
  }
  if (r.chance(0.4)) f->clearFocus();  // leaving the field tidies it
}

// Buttons a poke may press: those that keep the window open.
std::vector<QAbstractButton*> safeButtons(ui::FormBase* w) {
  std::vector<QAbstractButton*> out;
  if (auto* e = qobject_cast<frmmExpense*>(w)) {
    for (int i : {2, 3, 4, 5, 6, 7, 9}) out.push_back(e->CmdBut[static_cast<std::size_t>(i)]);
    if (frmmExpGraph* g = e->graphWindow()) {
      for (QPushButton* b : g->Command1)
        if (b) out.push_back(b);
      for (QPushButton* b : g->CmdBut)
        if (b) out.push_back(b);
    }
  } else if (auto* h = qobject_cast<frmmHolidays*>(w)) {
    out.assign(h->Command2.begin(), h->Command2.end());
  } else if (auto* b = qobject_cast<frmmBookmark*>(w)) {
    out.assign(b->Command2.begin(), b->Command2.end());
    out.push_back(b->cmdBMark[2]);
  }
  return out;
}

// A random user action on a visible, enabled control of the window (or its map).
void pokeOnce(Random& r, ui::FormBase* w) {
  const std::vector<QAbstractButton*> buttons = safeButtons(w);
  std::vector<QWidget*> targets;
  for (QWidget* c : w->findChildren<QWidget*>()) {
    if (!c->isVisible() || !c->isEnabled()) continue;
    const bool control = qobject_cast<QCheckBox*>(c) || qobject_cast<QRadioButton*>(c) ||
                         qobject_cast<QComboBox*>(c) || qobject_cast<QListWidget*>(c) ||
                         qobject_cast<ui::EntryField*>(c) || qobject_cast<ui::SpinBar*>(c) ||
                         std::find(buttons.begin(), buttons.end(), c) != buttons.end();
    if (control) targets.push_back(c);
  }
  if (targets.empty()) return;
  QWidget* c = targets[r.below(targets.size())];
  if (auto* b = qobject_cast<QAbstractButton*>(c)) {
    b->click();
  } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
    if (combo->isEditable() && r.chance(0.4)) {
      combo->setEditText(QString::fromStdString(r.typedText()));
    } else if (combo->count() > 0) {
      const int i = static_cast<int>(r.below(static_cast<std::size_t>(combo->count())));
      combo->setCurrentIndex(i);
      emit combo->activated(i);
    }
  } else if (auto* list = qobject_cast<QListWidget*>(c)) {
    if (list->count() == 0) return;
    QListWidgetItem* item = list->item(static_cast<int>(r.below(static_cast<std::size_t>(list->count()))));
    if ((item->flags() & Qt::ItemIsUserCheckable) && r.chance(0.5))
      item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    else if (r.chance(0.8))
      list->setCurrentItem(item);
    else
      emit list->itemDoubleClicked(item);
  } else if (auto* f = qobject_cast<ui::EntryField*>(c)) {
    if (r.chance(0.15)) {
      static const int kKeys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Backspace, Qt::Key_Return, Qt::Key_Escape};
      f->setFocus();
      // Enter and Escape may press the window's own buttons: rarely.
      const int key = kKeys[r.below(r.chance(0.9) ? 3 : 5)];
      QTest::keyClick(f, static_cast<Qt::Key>(key));
    } else {
      typeInto(r, f, r.typedText());
    }
  } else if (auto* spin = qobject_cast<ui::SpinBar*>(c)) {
    if (r.chance(0.7)) r.chance(0.5) ? spin->stepUp() : spin->stepDown();
    else spin->setValue(r.range(ui::SpinBar::kMin, ui::SpinBar::kMax));
  }
  if (auto* e = qobject_cast<frmmExpense*>(w); e && e->graphWindow() && r.chance(0.2))
    (void)e->graphWindow()->slotToolTip(static_cast<int>(r.below(frmmExpGraph::kSlots)));
}

void poke(Random& r, ui::FormBase* w, int actions) {
  for (int a = 0; a < actions && w->isVisible(); ++a) {
    pokeOnce(r, w);
    settle();
  }
}

std::string validAmount(Random& r) { return std::to_string(r.range(0, 999)) + (r.chance(0.5) ? ".5" : ""); }

// The editor's own way to save, as its user would take it.
void confirm(Random& r, ui::FormBase* w) {
  if (r.chance(0.06)) {
    QTest::keyClick(w, Qt::Key_Escape);
    return;
  }
  if (r.chance(0.04)) {
    w->close();
    return;
  }
  if (auto* c = qobject_cast<frmmCountdown*>(w)) {
    const std::size_t k = r.below(10);
    c->Command1[k < 5 ? 1 : k < 9 ? 0 : 2]->click();
  } else if (auto* e = qobject_cast<frmmExpense*>(w)) {
    const std::size_t how = r.below(10);
    if (how < 4 && e->CmdBut[6]->isEnabled()) {  // a new condition
      e->CmdBut[6]->click();
      settle();
      typeInto(r, e->Text1, r.chance(0.7) ? validAmount(r) : r.typedText());
    } else if (how < 7 && e->CmdBut[3]->isEnabled() && e->lstCondtions->count() > 0) {  // a stored one
      e->lstCondtions->setCurrentRow(static_cast<int>(r.below(static_cast<std::size_t>(e->lstCondtions->count()))));
      e->CmdBut[3]->click();
      settle();
    }
    if (e->CmdBut[4]->isVisible()) {
      poke(r, w, r.range(0, 6));
      e->CmdBut[4]->click();
      settle();
    }
    if (e->CmdBut[4]->isVisible() && r.chance(0.5)) e->CmdBut[5]->click();  // a refused save given up
    settle();
    (r.chance(0.9) ? e->CmdBut[0] : e->CmdBut[1])->click();
  } else if (auto* s = qobject_cast<frmSetCall*>(w)) {
    s->Command1[r.chance(0.9) ? 1 : 2]->click();
  } else if (auto* h = qobject_cast<frmmHolidays*>(w)) {
    if (r.chance(0.5)) {
      typeInto(r, h->tHoli[0], r.chance(0.6) ? std::to_string(r.range(1, 12)) + "/" + std::to_string(r.range(1, 28)) +
                                                   "/20" + std::to_string(r.range(10, 29))
                                             : r.typedText());
      if (r.chance(0.5)) typeInto(r, h->tHoli[1], r.typedText());
      h->Command2[0]->click();
      settle();
    }
    h->Command1[r.chance(0.9) ? 0 : 1]->click();
  } else if (auto* b = qobject_cast<frmmBookmark*>(w)) {
    if (r.chance(0.8)) typeInto(r, b->tHoli[1], r.chance(0.7) ? "http://example.com/" + std::to_string(r.below(99)) : r.typedText());
    if (r.chance(0.5)) typeInto(r, b->tHoli[0], r.typedText());
    b->Command2[0]->click();
    settle();
    b->Command1->click();
  } else if (auto* i = qobject_cast<frmmIEBook*>(w)) {
    for (int n = 0; n < i->lstBMark->count(); ++n)
      if (r.chance(0.5)) i->lstBMark->item(n)->setCheckState(Qt::Checked);
    (r.chance(0.9) ? i->cmdImport : i->cmdClose)->click();
  }
}

// --- One case ---------------------------------------------------------------------------------

struct CaseResult {
  std::vector<std::string> faults;
  bool confirmed = false;  // the editor ended through its own button
  bool saved = false;      // and left its change code in the main record
};

bool inside(const std::string& folder, const std::string& root) {
  return folder == root || folder.rfind(root + "/", 0) == 0;
}

// The data folder the ini names, as start-up will resolve it; the program folder
// when the ini names none, or one outside the case's folder (never touched).
std::string dataFolderFor(const std::string& programDir, const std::string& iniText, bool& safe) {
  safe = true;
  const std::string value = dataFolderFromIni(iniText);
  if (value.empty()) return programDir;
  fs::path folder(value);
  if (folder.is_relative()) folder = fs::path(programDir) / folder;
  std::string result = folder.lexically_normal().string();
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  if (result == "/" || result.empty()) return programDir;
  safe = inside(result, programDir);
  return result;
}

// A record file, or now and then something else under its name.
void placeFile(Random& r, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::size_t k = r.below(100);
  std::error_code ec;
  if (k < 5) return;                                      // missing
  if (k < 7) return (void)fs::create_directory(path, ec);  // a folder
  if (k < 8) return (void)::mkfifo(path.c_str(), 0600);   // a pipe
  test::writeFileBytes(path, bytes);
}

CaseResult runCase(const Editor& ed, std::uint64_t caseSeed) {
  CaseResult result;
  Random r(caseSeed);
  test::TempDir root;
  const std::string programDir = root.path();

  // Zelkora.ini: absent mostly; a text that keeps the data inside the case's folder.
  std::string dataDir = programDir;
  const std::size_t iniKind = r.below(100);
  if (iniKind < 30) {
    const std::string text = randomIni(r);
    bool safe = true;
    const std::string folder = dataFolderFor(programDir, text, safe);
    if (safe) {
      test::writeFileText(programDir + "/Zelkora.ini", text);
      dataDir = folder;
    }
  } else if (iniKind < 32) {
    std::error_code ec;
    fs::create_directory(programDir + "/Zelkora.ini", ec);
  } else if (iniKind < 33) {
    ::mkfifo((programDir + "/Zelkora.ini").c_str(), 0600);
  }
  std::error_code ec;
  fs::create_directories(dataDir, ec);

  const std::vector<std::string> links = randomLinks(r);
  placeFile(r, dataDir + "/mlif.zkt", randomMlif(r));
  placeFile(r, dataDir + "/bit.zkt", randomBit(r, links));
  if (r.chance(0.1)) test::writeFileText(dataDir + "/sif.zkt", r.ansiText(300));

  test::FakePlatform fake;
  const bool favourites = ed.code == 506 || r.chance(0.1);
  if (favourites) randomFavorites(r, programDir + "/Favorites", links);
  switch (r.below(10)) {
    case 0: fake.favorites.path = programDir + "/missing"; break;
    case 1: fake.favorites.path = ""; break;
    case 2: fake.favorites.path = programDir + "/Zelkora.ini"; break;
    default: fake.favorites.path = programDir + "/Favorites"; break;
  }
  for (int n = r.range(0, 4); n > 0; --n) fake.dialup.names.push_back(r.typedText());
  static const std::vector<std::string> kShortDates = {"M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd", "d/M/yy", "",
                                                       "dddd, MMMM d", "'x'''"};
  fake.profile.values["sShortDate"] = r.chance(0.9) ? r.of(kShortDates) : r.typedText();
  fake.clock.set(QDateTime(QDate(r.range(1995, 2035), r.range(1, 12), r.range(1, 28)),
                           QTime(r.range(0, 23), r.range(0, 59), r.range(0, 59))));

  const std::string dataBelowRoot = fs::path(dataDir).lexically_relative(programDir).string();
  Tree before = snapshot(programDir);
  const QLocale locale = r.chance(0.5) ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::German, QLocale::Germany);
  {
    RecordFolder folder(fake.services(), locale);
    ui::EditorState s(folder);
    s.ProgramDir = programDir;
    takeRequest(s);

    test::ScriptedPrompter prompter;
    for (int n = 0; n < 64; ++n) prompter.answers.push_back(r.chance(0.5));
    QEventLoop loop;
    std::unique_ptr<frmzEnd> end;
    bool endShown = false;
    ui::WindowContext ctx{s, prompter, [&] {
                            endShown = true;
                            if (end) end->show();
                          }};
    // The real closing window now and then: its timers cost 300 ms a case.
    if (r.chance(0.02)) end = std::make_unique<frmzEnd>(s, [&loop] { loop.quit(); });

    std::unique_ptr<ui::FormBase> w(createEditor(ed.code, ctx));
    w->show();
    w->activateWindow();
    settle();
    // The tracker writes while the window is open: the saves must read afresh and
    // keep what it wrote. What start-up and the load did is checked first.
    if (r.chance(0.25)) {
      compareTrees(ed.code, dataBelowRoot, before, snapshot(programDir), result.faults);
      trackerWrites(r, dataDir);
      before = snapshot(programDir);
    }
    poke(r, w.get(), r.chance(0.3) ? 0 : r.range(1, 15));
    if (w->isVisible()) confirm(r, w.get());
    settle();
    result.confirmed = endShown;
    if (!w->isUnloaded() && !endShown) w->close();  // a refused save, then the close box

    if (end) {
      QTimer guard;
      guard.setSingleShot(true);
      bool late = false;
      QObject::connect(&guard, &QTimer::timeout, [&] {
        late = true;
        loop.quit();
      });
      guard.start(10000);
      if (end->isShown()) loop.exec();
      if (late) result.faults.push_back("the closing window did not end the program within 10 s");
    } else {
      // What the closing window does, without its timers.
      for (bool again = true; again;) {
        again = false;
        for (QWidget* tw : QApplication::topLevelWidgets()) {
          auto* form = qobject_cast<ui::FormBase*>(tw);
          if (form && !form->isUnloaded()) {
            form->unloadForm();
            again = true;
            break;
          }
        }
      }
      signalTrackerAndClose(s);
    }
    const std::uint8_t cc = s.MainRec.ChangeCode;
    result.saved = ed.code == 501 ? cc == 1 || cc == 2 : cc == (ed.code == 506 ? 6 : ed.code - 500 + 1);
    w.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle();
    for (QWidget* tw : QApplication::topLevelWidgets())
      if (tw->isVisible()) result.faults.push_back("a window stayed open: " + tw->windowTitle().toStdString());
  }

  const Tree after = snapshot(programDir);
  compareTrees(ed.code, dataBelowRoot, before, after, result.faults);
  return result;
}

// --- Driver -----------------------------------------------------------------------------------

std::uint64_t caseSeedOf(std::uint64_t seed, std::int16_t code, long k) {
  std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(code) * 0xBF58476D1CE4E5B9ull +
                    static_cast<std::uint64_t>(k);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--verbose") {
      o.verbose = true;
      continue;
    }
    if (a != "--runs" && a != "--seed" && a != "--editor" && a != "--first" && a != "--timeout") return false;
    if (!(v = value())) return false;
    if (a == "--runs") o.runs = std::atol(v);
    else if (a == "--seed") o.seed = std::strtoull(v, nullptr, 10);
    else if (a == "--editor") o.editor = v;
    else if (a == "--first") o.first = std::atol(v);
    else o.timeoutSeconds = std::atoi(v);
  }
  return o.runs >= 0 && o.timeoutSeconds > 0;
}

int run(int argc, char** argv) {
  Options opt;
  if (!parse(argc, argv, opt)) {
    std::fprintf(stderr,
                 "usage: editor_fuzz [--runs N] [--seed S] [--editor countdown|expense|callsettings|holidays|"
                 "bookmarks|import|all] [--first K] [--timeout SEC] [--verbose]\n");
    return 2;
  }
  installReports();
  qInstallMessageHandler(onQtMessage);
  ui::applyAppStyle();

  int failed = 0;
  bool known = false;
  for (const Editor& ed : kEditors) {
    if (opt.editor != "all" && opt.editor != ed.name) continue;
    known = true;
    long confirmed = 0, saved = 0, faulty = 0;
    long long slowest = 0;
    for (long k = opt.first; k < opt.first + opt.runs; ++k) {
      std::snprintf(g_case, sizeof g_case, "editor %s, case %ld, seed %llu (editor_fuzz --editor %s --first %ld --runs 1 --seed %llu)",
                    ed.name, k, static_cast<unsigned long long>(opt.seed), ed.name, k,
                    static_cast<unsigned long long>(opt.seed));
      if (opt.verbose) std::fprintf(stderr, "%s\n", g_case);
      const long long started = nowMs();
      g_deadline = started + 1000LL * opt.timeoutSeconds;
      const CaseResult res = runCase(ed, caseSeedOf(opt.seed, ed.code, k));
      g_deadline = 0;
      const long long took = nowMs() - started;
      slowest = std::max(slowest, took);
      if (took > 5000) std::fprintf(stderr, "slow: %lld ms for %s\n", took, g_case);
      confirmed += res.confirmed ? 1 : 0;
      saved += res.saved ? 1 : 0;
      if (!res.faults.empty()) {
        ++faulty;
        std::fprintf(stderr, "FAIL %s\n", g_case);
        for (std::size_t f = 0; f < res.faults.size() && f < 12; ++f) std::fprintf(stderr, "  %s\n", res.faults[f].c_str());
      }
    }
    std::printf("%-12s %ld files, %ld ended by the editor's own button, %ld saved, %ld with faults; slowest %lld ms\n",
                ed.name, opt.runs, confirmed, saved, faulty, slowest);
    std::fflush(stdout);
    failed += faulty > 0 ? 1 : 0;
  }
  if (!known) {
    std::fprintf(stderr, "editor_fuzz: no editor named %s\n", opt.editor.c_str());
    return 2;
  }
  if (!qtWarnings().empty()) {
    std::printf("Qt warnings:\n");
    for (const auto& [text, count] : qtWarnings()) std::printf("  %5d x %s\n", count, text.c_str());
  }
  std::fflush(stdout);
  return failed == 0 ? 0 : 1;
}

}  // namespace prandel::fuzz

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return prandel::fuzz::run(argc, argv);
}
