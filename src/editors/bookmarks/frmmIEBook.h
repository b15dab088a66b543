// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The favourites import, "Import Bookmarks": the Internet shortcuts of the user's
// favourites folder and all its sub-folders whose links the bookmark file does not
// hold yet, each with a tick box; "&Import" appends the ticked ones to bit.zkt and
// tells the tracker.
#include <QString>

#include "ui/FormBase.h"

class QGroupBox;
class QListWidget;
class QPushButton;

namespace prandel {

class frmmIEBook final : public ui::FormBase {
  Q_OBJECT
 public:
  explicit frmmIEBook(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  QGroupBox* Frame1 = nullptr;
  QListWidget* lstBMark = nullptr;  // the names, tickable
  QListWidget* lstLink = nullptr;   // kept out of view: entry i is the URL of lstBMark's entry i
  QPushButton* cmdImport = nullptr;  // "&Import"
  QPushButton* cmdClose = nullptr;   // "Close"

  // "    " and, per live stored link, "   ", the link and ";": the duplicate test's text.
  QString ExistingLinks;

  // The user's favourites folder; empty when there is none.
  std::string GetFavoritesPath() const;
  // Adds the shortcuts of the folder and of all its sub-folders to the two lists.
  void AddIEFolder(const std::string& path);

 private:
  void buildControls();
  void Form_Load();
  void cmdImport_Click();
  void cmdClose_Click();
};

}  // namespace prandel
