// SPDX-License-Identifier: GPL-3.0-or-later
// The tracker runs beside the editors and writes the same files without locking: a
// second process keeps rewriting the tracker's own fields of MainRecord and the
// unused fields of the link record, and appends bookmarks, while every editor goes
// through its confirm path, round after round. After each save the tracker's bytes
// must hold values it wrote after the editor's window was loaded (never a copy the
// editor read earlier), and no bookmark it appended may be overwritten.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/Editors.h"
#include "app/Startup.h"
#include "ui/EditorState.h"
#include "store/BookmarkRecord.h"
#include "store/ExpenseCondition.h"
#include "store/RecordIO.h"
#include "support/FakePlatform.h"
#include "support/StateKit.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "ui/FormBase.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"

namespace prandel {
namespace {

using store::BookmarkRecord;
using test::readFileBytes;
using test::TempDir;

constexpr std::size_t kMain = 1024;
constexpr std::size_t kLink = 8192;
constexpr std::size_t kSlot = 512;

// A stretch of bytes the tracker owns, rewritten as a whole in every pass with a
// value made from the pass number, so that a value read back names its pass.
enum class Kind { Short, Long, Wide, Counter, Seconds, Label };
struct Unit {
  std::size_t offset;  // in the file
  Kind kind;
  const char* name;
};

std::size_t widthOf(Kind k) {
  switch (k) {
    case Kind::Short: return 2;
    case Kind::Long: return 4;
    case Kind::Wide: return 5;
    default: return 8;
  }
}

// Passes a value of this kind tells apart (it wraps after that many).
std::uint64_t modulusOf(Kind k) {
  switch (k) {
    case Kind::Short: return 1u << 15;
    case Kind::Long: return 1ull << 32;
    case Kind::Wide: return 1ull << 40;
    case Kind::Label: return 1ull << 32;
    default: return 0;  // no wrap
  }
}

constexpr Unit kUnits[] = {
    // MainRecord: CurSymbol, CommaDecimal, CdStatus, CdUsed and every byte no editor uses.
    {kMain + 0, Kind::Short, "Main 0..1"},
    {kMain + 14, Kind::Label, "CurSymbol"},
    {kMain + 22, Kind::Short, "Main 22..23"},
    {kMain + 26, Kind::Short, "CdStatus"},
    {kMain + 36, Kind::Seconds, "CdUsed"},
    {kMain + 44, Kind::Short, "Main 44..45"},
    {kMain + 47, Kind::Counter, "Main 47..54"},
    {kMain + 83, Kind::Counter, "Main 83..90"},
    {kMain + 133, Kind::Short, "CommaDecimal"},
    {kMain + 151, Kind::Wide, "Main 151..155"},
    {kMain + 157, Kind::Long, "Main 157..160"},
    // LinkRecord: fields of other programs, in every part of the record.
    {kLink + 2, Kind::Short, "Link 2..3"},
    {kLink + 4, Kind::Counter, "Link 4..11"},
    {kLink + 20, Kind::Counter, "Link 20..27"},
    {kLink + 120, Kind::Counter, "Link 120..127"},
    {kLink + 208, Kind::Counter, "Link 208..215"},
    {kLink + 216, Kind::Short, "Link 216..217"},
    {kLink + 222, Kind::Counter, "Link 222..229"},
    {kLink + 232, Kind::Counter, "Link 232..239"},
    {kLink + 240, Kind::Long, "Link 240..243"},
    {kLink + 246, Kind::Long, "Link 246..249"},
    {kLink + 250, Kind::Counter, "Link 250..257"},
    {kLink + 290, Kind::Counter, "Link 290..297"},
    {kLink + 350, Kind::Counter, "Link 350..357"},
};

// Written without the library (the tracker is a forked child of a threaded process).
void encode(Kind k, std::uint64_t n, std::uint8_t* out) {
  switch (k) {
    case Kind::Short: {
      // Never 0, so that a Boolean stays True and 0 can only come from an editor.
      const std::uint16_t v = static_cast<std::uint16_t>(0x8000 | (n & 0x7FFF));
      std::memcpy(out, &v, 2);
      break;
    }
    case Kind::Long: {
      const auto v = static_cast<std::uint32_t>(n);
      std::memcpy(out, &v, 4);
      break;
    }
    case Kind::Wide:
      for (int i = 0; i < 5; ++i) out[i] = static_cast<std::uint8_t>(n >> (8 * i));
      break;
    case Kind::Counter: std::memcpy(out, &n, 8); break;
    case Kind::Seconds: {
      const double v = static_cast<double>(n + 1);  // never 0 either
      std::memcpy(out, &v, 8);
      break;
    }
    case Kind::Label:
      for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>("0123456789ABCDEF"[(n >> (28 - 4 * i)) & 15]);
      break;
  }
}

// The pass a value names (modulo the kind's wrap), or nothing when it is no value the
// tracker writes.
std::optional<std::uint64_t> decode(Kind k, const std::uint8_t* in) {
  switch (k) {
    case Kind::Short: {
      std::uint16_t v = 0;
      std::memcpy(&v, in, 2);
      if (!(v & 0x8000)) return std::nullopt;
      return v & 0x7FFF;
    }
    case Kind::Long: {
      std::uint32_t v = 0;
      std::memcpy(&v, in, 4);
      return v;
    }
    case Kind::Wide: {
      std::uint64_t v = 0;
      for (int i = 0; i < 5; ++i) v |= static_cast<std::uint64_t>(in[i]) << (8 * i);
      return v;
    }
    case Kind::Counter: {
      std::uint64_t v = 0;
      std::memcpy(&v, in, 8);
      return v;
    }
    case Kind::Seconds: {
      double v = 0;
      std::memcpy(&v, in, 8);
      if (!(v >= 1) || v != std::floor(v)) return std::nullopt;
      return static_cast<std::uint64_t>(v) - 1;
    }
    case Kind::Label: {
      std::uint64_t v = 0;
      for (int i = 0; i < 8; ++i) {
        const char c = static_cast<char>(in[i]);
        const char* p = std::strchr("0123456789ABCDEF", c);
        if (!p || c == 0) return std::nullopt;
        v = (v << 4) | static_cast<std::uint64_t>(p - "0123456789ABCDEF");
      }
      return v;
    }
  }
  return std::nullopt;
}

// What the tracker and the test share (an anonymous shared mapping).
struct Shared {
  static constexpr std::uint32_t kMaxAppends = 1 << 16;
  std::atomic<std::uint64_t> written{0};  // last pass written whole
  std::atomic<int> command{0};            // 0 run, 1 stand still, 2 end
  std::atomic<int> still{0};              // 1 while standing still
  std::atomic<std::uint32_t> appended{0};
  std::int64_t where[kMaxAppends];  // record number of the tracker's bookmark k
};

std::array<std::uint8_t, kSlot> trackerBookmark(std::uint32_t k) {
  std::array<std::uint8_t, kSlot> r{};
  r.fill(' ');
  std::snprintf(reinterpret_cast<char*>(r.data()), 24, "Tracker %u", k);
  std::snprintf(reinterpret_cast<char*>(r.data() + 24), 384, "http://tracker.example/%u", k);
  for (auto& b : r)
    if (b == 0) b = ' ';
  r[BookmarkRecord::Off::BmDeleted] = 0;
  r[BookmarkRecord::Off::BmDeleted + 1] = 0;
  return r;
}

[[noreturn]] void runTracker(Shared* sh, const char* mlifPath, const char* bitPath) {
  const int mlif = ::open(mlifPath, O_WRONLY);
  const int bit = ::open(bitPath, O_WRONLY | O_APPEND);
  if (mlif < 0 || bit < 0) ::_exit(3);
  const timespec pause{0, 20000};
  std::uint8_t buf[8];
  for (std::uint64_t n = sh->written.load() + 1;; ++n) {
    while (sh->command.load() != 0) {
      if (sh->command.load() == 2) ::_exit(0);
      sh->still.store(1);
      ::nanosleep(&pause, nullptr);
    }
    sh->still.store(0);
    for (const Unit& u : kUnits) {
      encode(u.kind, n, buf);
      if (::pwrite(mlif, buf, widthOf(u.kind), static_cast<off_t>(u.offset)) < 0) ::_exit(4);
    }
    sh->written.store(n);
    const std::uint32_t k = sh->appended.load();
    if (n % 64 == 0 && k < Shared::kMaxAppends) {
      const auto rec = trackerBookmark(k);
      if (::write(bit, rec.data(), rec.size()) != static_cast<ssize_t>(rec.size())) ::_exit(5);
      const off_t end = ::lseek(bit, 0, SEEK_CUR);
      sh->where[k] = end / static_cast<off_t>(kSlot);
      sh->appended.store(k + 1);
    }
    ::nanosleep(&pause, nullptr);
  }
}

// Bytes nobody writes: outside both records, and the link record's last byte.
std::uint8_t filler(std::size_t i) { return static_cast<std::uint8_t>(i * 29 + 11); }
bool nobodyWrites(std::size_t i) {
  return (i >= kMain + store::MainRecord::Size && i < kMain + kSlot) ||
         (i >= kLink + store::LinkRecord::Size - 1 && i < kLink + kSlot);
}

// Link record bytes that no program writes in this test: they must pass through.
bool isQuietLinkByte(std::size_t i) {
  if (i < kLink + 2 || i >= kLink + store::LinkRecord::Size - 1 || i == kLink + 244 || i == kLink + 245) return false;
  for (const Unit& u : kUnits)
    if (i >= u.offset && i < u.offset + widthOf(u.kind)) return false;
  return true;
}

class ConcurrentTracker : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::applyAppStyle();
    std::vector<std::uint8_t> mlif(40000);
    for (std::size_t i = 0; i < mlif.size(); ++i) mlif[i] = filler(i);
    // Editors' fields in a state every window loads without complaint.
    store::MainRecord m;
    m.CdTotal = 1e7;
    m.CdResetPeriod = 0;
    m.CdExpenseMode = 0;
    m.HolidayCount = 0;
    m.ChangeCode = 0;
    auto bytes = m.encoded();
    std::copy(bytes.begin(), bytes.end(), mlif.begin() + kMain);
    std::fill(mlif.begin() + kLink, mlif.begin() + kLink + store::LinkRecord::Size - 1, 0);
    for (const Unit& u : kUnits) encode(u.kind, 0, mlif.data() + u.offset);
    test::writeFileBytes(dir.file("mlif.zkt"), mlif);
    initial = mlif;
    test::writeFileBytes(dir.file("bit.zkt"), {});

    void* mem = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    shared = new (mem) Shared;
    mlifPath = dir.file("mlif.zkt");
    bitPath = dir.file("bit.zkt");
    tracker = ::fork();
    ASSERT_GE(tracker, 0);
    if (tracker == 0) runTracker(shared, mlifPath.c_str(), bitPath.c_str());
  }

  void TearDown() override {
    if (tracker > 0) {
      shared->command.store(2);
      int status = 0;
      ::waitpid(tracker, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the tracker failed: " << status;
    }
    if (shared) ::munmap(shared, sizeof(Shared));
  }

  // Waits (bounded) until the tracker has written `passes` more passes.
  void waitPasses(std::uint64_t passes) {
    const std::uint64_t from = shared->written.load();
    for (int i = 0; i < 50000 && shared->written.load() < from + passes; ++i) ::usleep(100);
    ASSERT_GE(shared->written.load(), from + passes) << "the tracker stands still";
  }

  void standStill() {
    shared->command.store(1);
    for (int i = 0; i < 50000 && shared->still.load() == 0; ++i) ::usleep(100);
    ASSERT_EQ(shared->still.load(), 1) << "the tracker did not stop";
  }

  void goOn() { shared->command.store(0); }

  void setRequest(std::int16_t code) {
    const int fd = ::open(mlifPath.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, &code, 2, kLink), 2);
    ::close(fd);
  }

  // One round: open the editor for code, let the tracker write a few passes, do what
  // `act` does (it ends with the confirm), signal the tracker as shutdown does, stop
  // the tracker, and check every byte it owns.
  struct Round {
    std::int16_t code;
    std::uint8_t changeCode;
    bool zeroCdUsed = false;    // the save may set CdUsed to 0
    bool zeroCdStatus = false;  // and CdStatus
    std::function<void(ui::FormBase&, int round)> act;
  };

  void runRound(const Round& r, int round) {
    SCOPED_TRACE("request " + std::to_string(r.code) + " round " + std::to_string(round));
    addedLinks.clear();
    setRequest(r.code);
    test::StandaloneState s(fake.services());
    s.ProgramDir = dir.path();
    ASSERT_EQ(takeRequest(s).code, r.code);
    test::ScriptedPrompter prompter;
    prompter.answers.assign(8, true);
    bool ended = false;
    ui::WindowContext ctx{s, prompter, [&ended] { ended = true; }};
    std::unique_ptr<ui::FormBase> w(createEditor(r.code, ctx));
    ASSERT_TRUE(w);
    w->show();
    // Whatever the window read at load is now older than what the tracker holds.
    waitPasses(3);
    const std::uint64_t before = shared->written.load();
    r.act(*w, round);
    EXPECT_TRUE(ended) << "the confirm did not end the window";
    signalTrackerAndClose(s);
    standStill();
    const std::uint64_t after = shared->written.load();
    const std::uint32_t appended = shared->appended.load();
    for (const auto& shown : prompter.shown) {
      if (!shown.isQuestion) ADD_FAILURE() << "message: " << shown.text.toStdString();
    }
    w.reset();

    const auto mlif = readFileBytes(mlifPath);
    ASSERT_GE(mlif.size(), initial.size());
    for (const Unit& u : kUnits) {
      const std::uint8_t* p = mlif.data() + u.offset;
      if ((r.zeroCdUsed && u.offset == kMain + 36) || (r.zeroCdStatus && u.offset == kMain + 26)) {
        if (std::all_of(p, p + widthOf(u.kind), [](std::uint8_t b) { return b == 0; })) continue;
      }
      const auto pass = decode(u.kind, p);
      ASSERT_TRUE(pass) << u.name << " holds no value the tracker wrote";
      const std::uint64_t mod = modulusOf(u.kind);
      ASSERT_TRUE(mod == 0 || after - before < mod / 2) << "the tracker ran too fast for the check";
      // Unsigned: a pass older than `before` comes out huge.
      const std::uint64_t since = mod ? (*pass - before) % mod : *pass - before;
      EXPECT_LE(since, after - before)
          << u.name << " holds pass " << *pass << ", older than pass " << before << " before the save";
    }
    for (std::size_t i = 0; i < initial.size(); ++i) {
      if (nobodyWrites(i) || isQuietLinkByte(i)) {
        ASSERT_EQ(mlif[i], initial[i]) << "byte " << i;
      }
    }
    EXPECT_EQ(mlif[kMain + 156], r.changeCode) << "ChangeCode";
    EXPECT_EQ(mlif[kLink] | mlif[kLink + 1], 0) << "RequestCode";
    EXPECT_EQ(mlif[kLink + 244] & mlif[kLink + 245], 0xFF) << "ReloadFlag";

    // Every bookmark the tracker appended is where it put it, and every one the
    // editor appended is there once.
    const auto bit = readFileBytes(bitPath);
    ASSERT_EQ(bit.size() % kSlot, 0u);
    for (std::uint32_t k = 0; k < appended; ++k) {
      const auto want = trackerBookmark(k);
      const auto at = static_cast<std::size_t>(shared->where[k] - 1) * kSlot;
      ASSERT_TRUE(at + kSlot <= bit.size() && std::equal(want.begin(), want.end(), bit.begin() + static_cast<std::ptrdiff_t>(at)))
          << "the tracker's bookmark " << k << " was overwritten";
    }
    std::map<std::string, int> links;
    for (std::size_t at = 0; at < bit.size(); at += kSlot) {
      std::string link(reinterpret_cast<const char*>(bit.data() + at + 24), 384);
      link.erase(link.find_last_not_of(' ') + 1);
      ++links[link];
    }
    for (const std::string& link : addedLinks) EXPECT_EQ(links[link], 1) << link;
    goOn();
  }

  template <class W = QWidget>
  static W* child(QWidget& w, const char* name) {
    W* c = w.findChild<W*>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
  }
  static void click(QWidget& w, const char* name) {
    if (auto* b = child<QPushButton>(w, name)) b->click();
  }
  static void tick(QWidget& w, const char* name, bool on) {
    if (auto* c = child<QCheckBox>(w, name); c && c->isChecked() != on) c->click();
  }
  static void type(QWidget& w, const char* name, const QString& text) {
    if (auto* e = child<QLineEdit>(w, name)) e->setText(text);
  }

  TempDir dir;
  TempDir favorites;
  std::set<std::string> addedLinks;  // links the editor appended in this round
  test::FakePlatform fake;
  std::vector<std::uint8_t> initial;
  std::string mlifPath, bitPath;
  Shared* shared = nullptr;
  pid_t tracker = -1;
};

TEST_F(ConcurrentTracker, EveryEditorsSaveKeepsTheTrackersBytesAndBookmarks) {
  fake.favorites.path = favorites.path();
  const std::vector<Round> rounds = {
      {501, 2, true, true, [](ui::FormBase& w, int) { click(w, "Command1(0)"); }},  // Discard
      {501, 1, true, false,
       [](ui::FormBase& w, int round) {
         tick(w, "chkEnaCoundown", true);
         type(w, "txtHour(0)", QString::number(1 + round % 5));
         type(w, "txtMin(0)", QStringLiteral("30"));
         click(w, "Command1(1)");  // Reset, with the countdown on
       }},
      {501, 1, false, false,
       [](ui::FormBase& w, int) {
         tick(w, "chkEnaCoundown", false);
         click(w, "Command1(1)");  // Reset, with the countdown off: written twice
       }},
      {502, 3, false, false,
       [](ui::FormBase& w, int) {
         auto* list = child<QListWidget>(w, "lstCondtions");
         ASSERT_TRUE(list && list->count() > 0);
         list->setCurrentRow(0);
         click(w, "CmdBut(2)");  // Delete (answered Yes), so that OK writes ChangeCode
         click(w, "CmdBut(0)");
       }},
      {503, 4, false, false, [](ui::FormBase& w, int) { click(w, "Command1(1)"); }},
      {504, 5, false, false,
       [](ui::FormBase& w, int) {
         tick(w, "chkWeek(0)", true);
         click(w, "Command1(0)");
       }},
      {505, 6, false, false,
       [this](ui::FormBase& w, int round) {
         for (int k = 0; k < 5; ++k) {
           const std::string link = "http://editor.example/" + std::to_string(round) + "/" + std::to_string(k);
           type(w, "tHoli(0)", QStringLiteral("Editor %1").arg(k));
           type(w, "tHoli(1)", QString::fromStdString(link));
           click(w, "Command2(0)");
           addedLinks.insert(link);
         }
         click(w, "Command1");
       }},
      {506, 6, false, false,
       [this](ui::FormBase& w, int) {
         auto* list = child<QListWidget>(w, "lstBMark");
         auto* links = child<QListWidget>(w, "lstLink");
         ASSERT_TRUE(list && links && list->count() == 40);
         for (int i = 0; i < list->count(); ++i) {
           list->item(i)->setCheckState(Qt::Checked);
           addedLinks.insert(links->item(i)->text().toStdString());
         }
         click(w, "cmdImport");
       }},
  };

  constexpr int kRounds = 15;
  for (int round = 0; round < kRounds; ++round) {
    // Conditions for the expense window to delete, and shortcuts not yet imported.
    {
      store::DataFiles f;
      f.openAll(dir.path());
      store::ExpenseCondition c;
      c.InUse = true;
      for (int slot = 1; slot <= 3; ++slot) store::writeRecord(f, c.Channel, store::ExpenseCondition::LiveBase + slot, c);
    }
    std::filesystem::remove_all(favorites.path());
    std::filesystem::create_directories(favorites.path());
    for (int k = 0; k < 40; ++k)
      test::writeFileText(favorites.file("Site " + std::to_string(k) + ".url"),
                          "[InternetShortcut]\r\nURL=http://favorite.example/" + std::to_string(round) + "/" +
                              std::to_string(k) + "\r\n");
    for (const Round& r : rounds) {
      runRound(r, round);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(shared->appended.load(), 0u);
}

}  // namespace
}  // namespace prandel
