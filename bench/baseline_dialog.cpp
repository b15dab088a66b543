// SPDX-License-Identifier: GPL-3.0-or-later
// A bare Qt dialog with a label and a button that ends at its first paint: the
// yardstick for prandel's time to a painted editor window and its memory.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPaintEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
class Dialog : public QDialog {
 protected:
  void paintEvent(QPaintEvent* e) override {
    QDialog::paintEvent(e);
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Dialog d;
  d.setWindowTitle(QStringLiteral("Baseline"));
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(new QLabel(QStringLiteral("A bare dialog"), &d));
  layout->addWidget(new QPushButton(QStringLiteral("Cancel"), &d));
  d.show();
  return QApplication::exec();
}
