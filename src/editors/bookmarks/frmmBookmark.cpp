// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/bookmarks/frmmBookmark.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/BookmarkFile.h"
#include "core/EditorRequests.h"
#include "core/RecordUpdate.h"
#include "editors/bookmarks/BookCount.h"
#include "store/BookmarkRecord.h"
#include "store/Codec.h"
#include "store/RecordIO.h"
#include "ui/AccessibleNames.h"
#include "ui/Controls.h"
#include "ui/EditorState.h"
#include "ui/EntryField.h"
#include "ui/Prompter.h"
#include "ui/SharedProcs.h"
#include "ui/Twips.h"

namespace prandel {

using store::BookmarkRecord;
using ui::placeTwips;

namespace {

using ui::indexed;
using ui::make;

bool isBlank(const QString& s) {
  return std::all_of(s.begin(), s.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

// The link shows when the pointer rests on the entry.
QListWidgetItem* newEntry(const QString& text, const QString& link, std::int64_t recNo) {
  auto* item = new QListWidgetItem(text);
  item->setData(frmmBookmark::RecNoRole, QVariant::fromValue<qlonglong>(recNo));
  item->setToolTip(link);
  return item;
}

QString trimmed(const QString& s) { return QString::fromStdString(store::trimSpaces(s.toStdString())); }

// The entry of a bookmark just added, made from the texts as typed (in the characters
// the file can hold): the trimmed name; without one, the link whole and trimmed when
// the typed link is shorter than 24 characters, else its first 24 characters trimmed
// and "...". Trailing spaces count here, so a link of 22 characters and three spaces
// is cut, where the next load, which measures the trimmed link, lists it whole.
QString addedEntryText(const QString& name, const QString& link) {
  const QString shownName = trimmed(bookmarks::storedForm(name));
  if (!shownName.isEmpty()) return shownName;
  const QString typedLink = bookmarks::storedForm(link);
  if (typedLink.size() < 24) return trimmed(typedLink);
  return trimmed(typedLink.left(24)) + QStringLiteral("...");
}

// The list is filled with its signals blocked and without painting in between, so
// that a long file costs one layout and one paint.
class BulkFill {
 public:
  explicit BulkFill(QListWidget* list) : list_(list), block_(list) { list_->setUpdatesEnabled(false); }
  ~BulkFill() { list_->setUpdatesEnabled(true); }
  BulkFill(const BulkFill&) = delete;
  BulkFill& operator=(const BulkFill&) = delete;

 private:
  QListWidget* list_;
  QSignalBlocker block_;
};

}  // namespace

frmmBookmark::frmmBookmark(ui::WindowContext& context, QWidget* parent)
    : FormBase(context, QStringLiteral("Zelkora Bookmarks"), parent) {
  setClientSizeTwips(9900, 5760);
  buildControls();
  centreOnScreen();
  Form_Load();
}

void frmmBookmark::buildControls() {
  Label1 = make<QLabel>(this, QStringLiteral("Label1"));
  Label1->setText(QStringLiteral("D&escription"));
  placeTwips(Label1, 120, 165, 1080, 225);

  tHoli[0] = make<ui::EntryField>(this, indexed("tHoli", 0));
  tHoli[0]->setMaxLength(24);
  placeTwips(tHoli[0], 1260, 120, 3360, 315);
  Label1->setBuddy(tHoli[0]);

  Label2 = make<QLabel>(this, QStringLiteral("Label2"));
  Label2->setText(QStringLiteral("&Link"));
  placeTwips(Label2, 120, 555, 1080, 225);

  tHoli[1] = make<ui::EntryField>(this, indexed("tHoli", 1));
  placeTwips(tHoli[1], 1260, 510, 6660, 315);
  Label2->setBuddy(tHoli[1]);

  const char* editCaptions[] = {"&Add", "&Delete"};
  const int editTops[] = {495, 960};
  for (std::size_t i = 0; i < Command2.size(); ++i) {
    Command2[i] = make<QPushButton>(this, indexed("Command2", i));
    Command2[i]->setText(QString::fromLatin1(editCaptions[i]));
    placeTwips(Command2[i], 8100, editTops[i], 1680, 345);
    connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(static_cast<int>(i)); });
  }

  lstHolidays = make<QListWidget>(this, QStringLiteral("lstHolidays"));
  lstHolidays->setSelectionMode(QAbstractItemView::SingleSelection);
  lstHolidays->setUniformItemSizes(true);
  placeTwips(lstHolidays, 120, 960, 7800, 4560);
  connect(lstHolidays, &QListWidget::itemSelectionChanged, this, &frmmBookmark::lstHolidays_Click);

  cmdBMark[2] = make<QPushButton>(this, indexed("cmdBMark", 2));
  cmdBMark[2]->setText(QStringLiteral("&Online Bookmarks"));
  placeTwips(cmdBMark[2], 8100, 4710, 1680, 345);
  connect(cmdBMark[2], &QPushButton::clicked, this, [this] { cmdBMark_Click(2); });

  Command1 = make<QPushButton>(this, QStringLiteral("Command1"));
  Command1->setText(QStringLiteral("Close"));
  placeTwips(Command1, 8100, 5175, 1680, 345);
  connect(Command1, &QPushButton::clicked, this, &frmmBookmark::Command1_Click);

  for (ui::EntryField* f : tHoli) connect(f, &QLineEdit::textChanged, this, &frmmBookmark::tHoli_Change);

  ui::nameControl(tHoli[0], Label1);
  ui::nameControl(tHoli[1], Label2);
  ui::nameControl(lstHolidays, QStringLiteral("Bookmarks"));

  QWidget::setTabOrder(tHoli[0], tHoli[1]);
  QWidget::setTabOrder(tHoli[1], Command2[0]);
  QWidget::setTabOrder(Command2[0], lstHolidays);
  QWidget::setTabOrder(lstHolidays, Command2[1]);
  QWidget::setTabOrder(Command2[1], cmdBMark[2]);
  QWidget::setTabOrder(cmdBMark[2], Command1);
  setDefaultButton(nullptr);
}

void frmmBookmark::Form_Load() {
  setTopmost(true);
  Command2[1]->setEnabled(false);
  if (bookmarks::reopenAndCount(ctx.state) > 0) LoadBookmarkList();
}

void frmmBookmark::showEvent(QShowEvent* e) {
  FormBase::showEvent(e);
  if (activated_) return;
  activated_ = true;
  tHoli[0]->setFocus();
}

void frmmBookmark::LoadBookmarkList() {
  const std::vector<bookmarks::Entry> entries = bookmarks::liveEntries(ctx.state.files, ctx.state.BookCount);
  BulkFill fill(lstHolidays);
  lstHolidays->clear();
  for (const bookmarks::Entry& e : entries) lstHolidays->addItem(newEntry(e.text, e.link, e.recNo));
}

void frmmBookmark::Command2_Click(int index) {
  if (index == 0) addBookmark();
  else deleteBookmark();
}

void frmmBookmark::addBookmark() {
  ui::EditorState& s = ctx.state;
  bookmarks::reopenAndCount(s);
  if (isBlank(tHoli[1]->text())) {
    tHoli[1]->setFocus();
    ctx.prompter.message(this, QStringLiteral("Please insert link properly"));
    return;
  }
  s.BookRec.BmName = tHoli[0]->text().toStdString();
  s.BookRec.BmNameMore.clear();
  s.BookRec.BmLink = tHoli[1]->text().toStdString();  // the record holds 384 characters
  s.BookRec.BmDeleted = 0;
  s.BookRec.BmSpare.fill(' ');
  // Appended at the end as the file is at the write, which may lie past BookCount when
  // the tracker appended meanwhile. A bookmark the file did not take is not listed,
  // and what was typed stays.
  const auto recNo = store::appendRecord(s.files, BookmarkRecord::Channel, s.BookRec);
  if (!recNo) return;
  s.BookCount = *recNo;

  const auto bytes = s.BookRec.encoded();
  QListWidgetItem* item =
      newEntry(addedEntryText(tHoli[0]->text(), tHoli[1]->text()), bookmarks::linkText(bytes.data()), s.BookCount);
  {
    const QSignalBlocker block(lstHolidays);
    lstHolidays->addItem(item);
  }
  lstHolidays->scrollToItem(item);
  tHoli[0]->clear();
  tHoli[1]->clear();
  tHoli[0]->setFocus();
}

void frmmBookmark::deleteBookmark() {
  ui::EditorState& s = ctx.state;
  bookmarks::reopenAndCount(s);
  const QList<QListWidgetItem*> selected = lstHolidays->selectedItems();
  if (selected.isEmpty()) return;
  const std::int64_t recNo = selected.first()->data(RecNoRole).toLongLong();
  // Marked even when the file was cut short meanwhile: the record then reads as zeros
  // and writing it lengthens the file. Nothing is lost by it, and the tracker sees the
  // bookmark as deleted. A record that cannot be read is not written: the buffer
  // would carry another bookmark into it.
  if (recNo >= 1 && store::readRecord(s.files, BookmarkRecord::Channel, recNo, s.BookRec)) {
    s.BookRec.BmDeleted = -1;
    store::writeRecord(s.files, BookmarkRecord::Channel, recNo, s.BookRec);
  }
  LoadBookmarkList();
  if (lstHolidays->count() > 0) lstHolidays->setCurrentRow(0);
  lstHolidays_Click();
}

void frmmBookmark::lstHolidays_Click() { Command2[1]->setEnabled(!lstHolidays->selectedItems().isEmpty()); }

// Enter adds while something is typed; otherwise it presses nothing.
void frmmBookmark::tHoli_Change() {
  const bool typing = !tHoli[0]->text().isEmpty() || !tHoli[1]->text().isEmpty();
  setDefaultButton(typing ? Command2[0] : nullptr);
}

void frmmBookmark::cmdBMark_Click(int) { RunApp(ctx.state, kOnlineBookmarksRequest, false); }

void frmmBookmark::Command1_Click() {
  updateMainRecord(ctx.state.files, ctx.state.MainRec, [](store::MainRecord& m) { m.ChangeCode = 6; });
  hideAndEnd();
}

}  // namespace prandel
