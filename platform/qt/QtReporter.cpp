#include "QtReporter.h"

#include <QMessageBox>

void QtReporter::showFailure(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(title_),
                  QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
}
