// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/bookmarks/frmmIEBook.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/BookmarkFile.h"
#include "core/FavoritesWalk.h"
#include "core/RecordUpdate.h"
#include "editors/bookmarks/BookCount.h"
#include "store/BookmarkRecord.h"
#include "store/RecordIO.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorState.h"
#include "ui/Twips.h"

namespace prandel {

using store::BookmarkRecord;
using ui::placeTwips;

namespace {

using ui::make;

}  // namespace

frmmIEBook::frmmIEBook(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Import Bookmarks"), parent) {
  setClientSizeTwips(7440, 5640);
  buildControls();
  centreOnScreen();
  Form_Load();
}

void frmmIEBook::buildControls() {
  Frame1 = make<QGroupBox>(this, QStringLiteral("Frame1"));
  placeTwips(Frame1, 120, 60, 7200, 4920);

  lstBMark = make<QListWidget>(Frame1, QStringLiteral("lstBMark"));
  lstBMark->setSelectionMode(QAbstractItemView::SingleSelection);
  lstBMark->setUniformItemSizes(true);
  ui::nameControl(lstBMark, QStringLiteral("Favourites to import"));
  placeTwips(lstBMark, 120, 180, 6960, 4620);

  lstLink = make<QListWidget>(this, QStringLiteral("lstLink"));
  lstLink->setUniformItemSizes(true);
  lstLink->setVisible(false);

  cmdImport = make<QPushButton>(this, QStringLiteral("cmdImport"));
  cmdImport->setText(QStringLiteral("&Import"));
  placeTwips(cmdImport, 4680, 5160, 1230, 345);
  connect(cmdImport, &QPushButton::clicked, this, &frmmIEBook::cmdImport_Click);

  cmdClose = make<QPushButton>(this, QStringLiteral("cmdClose"));
  cmdClose->setText(QStringLiteral("Close"));
  placeTwips(cmdClose, 6090, 5160, 1230, 345);
  connect(cmdClose, &QPushButton::clicked, this, &frmmIEBook::cmdClose_Click);

  QWidget::setTabOrder(lstBMark, cmdImport);
  QWidget::setTabOrder(cmdImport, cmdClose);
  setDefaultButton(cmdImport);
  setCancelButton(cmdClose);
}

void frmmIEBook::Form_Load() {
  ui::EditorState& s = ctx.state;
  bookmarks::reopenAndCount(s);
  ExistingLinks = bookmarks::existingLinks(s.files, s.BookCount);
  AddIEFolder(GetFavoritesPath());
  if (lstBMark->count() > 0) lstBMark->setCurrentRow(0);
  lstBMark->setFocus();
}

std::string frmmIEBook::GetFavoritesPath() const {
  platform::FavoritesLocator* favorites = ctx.state.platform.favorites;
  return favorites ? favorites->favoritesPath() : std::string();
}

void frmmIEBook::AddIEFolder(const std::string& path) {
  const bookmarks::DuplicateTest isDuplicate(ExistingLinks);
  const std::vector<bookmarks::Favorite> found =
      bookmarks::collectFavorites(path, ctx.state.platform.ini, isDuplicate);
  // Filled without signals and without painting in between: one layout at the end.
  const QSignalBlocker blockNames(lstBMark);
  const QSignalBlocker blockLinks(lstLink);
  lstBMark->setUpdatesEnabled(false);
  for (const bookmarks::Favorite& f : found) {
    auto* name = new QListWidgetItem(f.name);
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    name->setCheckState(Qt::Unchecked);
    name->setToolTip(f.url);
    lstBMark->addItem(name);
    lstLink->addItem(f.url);
  }
  lstBMark->setUpdatesEnabled(true);
}

void frmmIEBook::cmdImport_Click() {
  ui::EditorState& s = ctx.state;
  bookmarks::reopenAndCount(s);
  const int n = std::min(lstBMark->count(), lstLink->count());
  // The bookmarks and ChangeCode 6 as one save over both files.
  SaveTransaction save(s.files, s.MainRec);
  for (int i = 0; i < n; ++i) {
    if (lstBMark->item(i)->checkState() == Qt::Checked) {
      save.coverAppends(BookmarkRecord::Channel);
      break;
    }
  }
  save.coverMainRecord();
  if (!save.begin()) {
    hideAndEnd();
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (lstBMark->item(i)->checkState() != Qt::Checked) continue;
    const bookmarks::SplitName name = bookmarks::splitImportName(lstBMark->item(i)->text());
    s.BookRec.BmName = name.name.toStdString();
    s.BookRec.BmNameMore = name.more.toStdString();
    s.BookRec.BmLink = lstLink->item(i)->text().toStdString();  // the record holds 384 characters
    s.BookRec.BmDeleted = 0;
    s.BookRec.BmSpare.fill(' ');
    // Each record goes to the end of the file as it is at that write, so records the
    // tracker appends during a long import are never overwritten; one the file
    // refused takes no number.
    if (const auto recNo = store::appendRecord(s.files, BookmarkRecord::Channel, s.BookRec)) s.BookCount = *recNo;
  }
  updateMainRecord(s.files, s.MainRec, [](store::MainRecord& m) { m.ChangeCode = 6; });
  save.commit();
  hideAndEnd();
}

void frmmIEBook::cmdClose_Click() { hideAndEnd(); }

}  // namespace prandel
