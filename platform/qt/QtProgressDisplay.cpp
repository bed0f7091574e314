#include "QtProgressDisplay.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <limits>

std::string readableSize(std::uint64_t bytes) {
  const char* units[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

namespace {
// The bar counts in KiB so that a library of any size fits its int range.
int kib(std::uint64_t bytes) { return static_cast<int>(bytes / 1024); }
}  // namespace

void QtProgressDisplay::begin(const std::string& title, std::uint64_t totalBytes) {
  end();
  total_ = totalBytes;
  cancelled_ = false;
  clock_.start();
  dialog_ = new QProgressDialog(QApplication::activeWindow());
  dialog_->setWindowTitle(QString::fromStdString(title));
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  // Shown by update() itself once half a second has passed, however soon the end looks.
  dialog_->setMinimumDuration(std::numeric_limits<int>::max());
  dialog_->setRange(0, std::max(1, kib(totalBytes)));
  dialog_->setValue(0);
  QObject::connect(dialog_.data(), &QProgressDialog::canceled, [this] { cancelled_ = true; });
}

bool QtProgressDisplay::update(const std::string& file, std::uint64_t doneBytes) {
  if (!dialog_) return !cancelled_;
  dialog_->setLabelText(QString::fromStdString("Copying " + file + "\n" + readableSize(doneBytes) +
                                               " of " + readableSize(total_)));
  dialog_->setValue(std::min(kib(doneBytes), dialog_->maximum()));
  if (!cancelled_ && !dialog_->isVisible() && clock_.elapsed() >= 500) dialog_->show();
  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return !cancelled_;
}

void QtProgressDisplay::end() {
  if (dialog_) {
    dialog_->hide();
    dialog_->deleteLater();
  }
  dialog_.clear();
}
