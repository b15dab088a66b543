// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The condition map, "Expense Graph": a week of quarter-hour stripes, each in the
// colour of the expense condition in force then, for all connections or for one.
// It reads the working copy of the conditions at every drawing, so it shows the
// edits of the expense window that are not saved yet. It writes nothing, and closing
// it only closes it: the expense window goes on.
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>

#include "ui/FormBase.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace prandel {

// A picture box: shows an image drawn elsewhere, and asks for the tooltip of the
// point under the mouse.
class GraphPicture final : public QWidget {
 public:
  explicit GraphPicture(QWidget* parent = nullptr);
  void setImage(QImage image);
  const QImage& image() const { return image_; }
  void setToolTipAt(std::function<QString(QPoint)> f) { toolTipAt_ = std::move(f); }

 protected:
  void paintEvent(QPaintEvent* e) override;
  bool event(QEvent* e) override;

 private:
  QImage image_;
  std::function<QString(QPoint)> toolTipAt_;
};

class frmmExpGraph final : public ui::FormBase {
  Q_OBJECT
 public:
  static constexpr int kSlots = 673;   // quarter hours 0 .. 672 of the week drawn
  static constexpr int kLegend = 21;   // "No Condition" and conditions 1 to 20

  explicit frmmExpGraph(ui::WindowContext& ctx, QWidget* parent = nullptr);

  // --- Controls, under their own names -------------------------------------------
  GraphPicture* Picture1 = nullptr;  // the day strip
  GraphPicture* PicGraph = nullptr;  // the chart
  QLabel* Label11 = nullptr;         // the dates of the week drawn
  QLabel* Label1 = nullptr;          // "Valid Connection :"
  QComboBox* cmbExpCon = nullptr;
  std::array<QPushButton*, 3> Command1{};  // (1) "&Next", (2) "&Prev"; there is no (0)
  std::array<QPushButton*, 4> CmdBut{};    // "&Refresh", "&Close", "S&tart Over", legend toggle
  QFrame* PicG = nullptr;                  // the progress box
  QFrame* picWork = nullptr;               // its marker
  QGroupBox* Frame1 = nullptr;             // the legend
  std::array<QLabel*, kLegend> lblColor{};
  std::array<QLabel*, kLegend> lblCond{};

  // --- Window variables ------------------------------------------------------------
  double GraphStart = 0;
  double SlotWidth = 0;
  bool GraphReady = false;

  // The legend colour of condition n (0: no condition); white outside 0..20.
  static QColor legendColour(int n);
  // The condition that coloured each slot in the last drawing.
  const std::array<int, kSlots>& slotConditions() const { return slotCond_; }
  // What the chart's tooltip says about a slot.
  QString slotToolTip(int slot) const;
  // The slot drawn at a horizontal position of the chart; -1 past the last one.
  int slotAt(int x) const;

 protected:
  // Closing the map is no way out of the program.
  void Form_Unload() override;

 private:
  enum class Move { Keep, Next, Prev, StartOver };

  void buildControls();
  void buildLegend();
  void Form_Load();
  void ListDUNs();
  void drawChart();
  void redraw(Move move);
  void setBusy(bool busy);
  void CmdBut3_Click();
  void placeLegend(int windowHeight, int frameHeight, int buttonTop);
  void markLegend(int n, bool neverInForce);

  std::array<int, kSlots> slotCond_{};
  int condCount_ = 0;  // CondCount as the last drawing left it
  std::array<bool, kLegend> inForce_{};
  // The conditions as the last drawing read them, for the tooltips.
  std::array<QString, kLegend> description_{};
};

}  // namespace prandel
