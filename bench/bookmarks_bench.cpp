// SPDX-License-Identifier: GPL-3.0-or-later
// What a user waits for when a bookmark window opens: the bookmark list of a bit.zkt
// of 100 000 records (a third deleted), and the favourites import over a tree of
// 10 000 shortcuts in 100 folders: the reading, the filling of the list and the
// first paint of the window.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editors/bookmarks/frmmBookmark.h"
#include "editors/bookmarks/frmmIEBook.h"
#include "platform/linux/LinuxPlatform.h"
#include "store/BookmarkRecord.h"
#include "support/StateKit.h"
#include "ui/EditorState.h"
#include "ui/Prompter.h"
#include "ui/Style.h"
#include "ui/WindowContext.h"
#include "BenchFolder.h"

namespace {

using namespace prandel;

using bench::Folder;

class SilentPrompter final : public ui::Prompter {
 public:
  void message(QWidget*, const QString&, const QString&) override {}
  bool question(QWidget*, const QString&, const QString&) override { return false; }
};

class FixedFavorites final : public platform::FavoritesLocator {
 public:
  std::string favoritesPath() override { return path; }
  std::string path;
};

struct Setup {
  Folder folder;
  FixedFavorites favorites;
  platform::FileIniReader ini;
  platform::Platform services;
  std::unique_ptr<test::StandaloneState> s;
  SilentPrompter prompter;
  std::unique_ptr<ui::WindowContext> ctx;

  // records bookmarks in bit.zkt (every third deleted); shortcuts spread over folders.
  Setup(int records, int shortcuts, int folders) {
    services.favorites = &favorites;
    services.ini = &ini;
    s = std::make_unique<test::StandaloneState>(services, QLocale(QLocale::English, QLocale::UnitedStates));
    ctx = std::make_unique<ui::WindowContext>(ui::WindowContext{*s, prompter, [] {}});
    s->DataPath = folder.path;

    std::vector<std::uint8_t> bit(static_cast<std::size_t>(records) * store::BookmarkRecord::Size);
    for (int k = 0; k < records; ++k) {
      store::BookmarkRecord r;
      // Some with a long name, some without a name (listed by their link).
      if (k % 7 != 0) r.BmName = "Bookmark number " + std::to_string(k);
      if (k % 11 == 0) r.BmNameMore = "and the rest of a rather long name";
      r.BmLink = "http://www.example" + std::to_string(k % 97) + ".com/some/path/to/page" + std::to_string(k);
      r.BmDeleted = k % 3 == 2 ? -1 : 0;
      r.encode(std::span<std::uint8_t, store::BookmarkRecord::Size>(bit.data() + k * store::BookmarkRecord::Size,
                                                                    store::BookmarkRecord::Size));
    }
    std::ofstream(folder.path + "/bit.zkt", std::ios::binary)
        .write(reinterpret_cast<const char*>(bit.data()), static_cast<std::streamsize>(bit.size()));
    s->OpenDataFiles();

    favorites.path = folder.path + "/Favorites";
    for (int f = 0; f < folders; ++f) {
      const std::string dir = favorites.path + "/Folder " + std::to_string(f);
      std::filesystem::create_directories(dir);
      for (int i = 0; i < shortcuts / folders; ++i) {
        std::ofstream(dir + "/Favourite site " + std::to_string(f) + "-" + std::to_string(i) + ".url")
            << "[DEFAULT]\r\nBASEURL=http://site" << f << ".example/\r\n[InternetShortcut]\r\nURL=http://site" << f
            << ".example/page" << i << "\r\nIDList=\r\nIconIndex=0\r\n";
      }
    }
  }
};

// Opens the window as start-up does and waits for its first paint.
template <class Window>
void openAndPaint(benchmark::State& state, Setup& setup, int (*count)(const Window&)) {
  for (auto _ : state) {
    Window w(*setup.ctx);
    w.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(w.grab());
    state.counters["entries"] = count(w);
  }
}

void BM_BookmarkList100k(benchmark::State& state) {
  Setup setup(100000, 0, 0);
  openAndPaint<frmmBookmark>(state, setup, [](const frmmBookmark& w) { return w.lstHolidays->count(); });
}
BENCHMARK(BM_BookmarkList100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FavoritesImport10k(benchmark::State& state) {
  Setup setup(0, 10000, 100);
  openAndPaint<frmmIEBook>(state, setup, [](const frmmIEBook& w) { return w.lstBMark->count(); });
}
BENCHMARK(BM_FavoritesImport10k)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same tree against a bookmark file of 100 000 records: the duplicate test's share.
void BM_FavoritesImport10kAgainst100k(benchmark::State& state) {
  Setup setup(100000, 10000, 100);
  openAndPaint<frmmIEBook>(state, setup, [](const frmmIEBook& w) { return w.lstBMark->count(); });
}
BENCHMARK(BM_FavoritesImport10kAgainst100k)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  prandel::ui::applyAppStyle();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
