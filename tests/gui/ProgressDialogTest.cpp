#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "LibraryFiles.h"
#include "Locations.h"
#include "QtProgram.h"
#include "SlowFileSystem.h"
#include "qt/QtProgressDisplay.h"

namespace {

using namespace std::chrono_literals;

// The Qt dialog as the program uses it, watched: after every update it notes what the dialog
// showed, and before every update a test may act on it as the user would.
class WatchedProgress : public ProgressDisplay {
public:
  struct Seen {
    bool visible;
    QString label;
    int value;
    int maximum;
  };
  QtProgressDisplay qt;
  std::vector<Seen> seen;
  std::vector<QString> titles;
  int ends = 0;
  bool wasModal = false;
  std::function<void(QProgressDialog&)> beforeUpdate;

  void begin(const std::string& title, std::uint64_t totalBytes) override {
    qt.begin(title, totalBytes);
    if (QProgressDialog* d = qt.dialog()) titles.push_back(d->windowTitle());
  }
  bool update(const std::string& file, std::uint64_t doneBytes) override {
    if (QProgressDialog* d = qt.dialog(); d && beforeUpdate) beforeUpdate(*d);
    const bool go = qt.update(file, doneBytes);
    if (QProgressDialog* d = qt.dialog()) {
      seen.push_back({d->isVisible(), d->labelText(), d->value(), d->maximum()});
      if (d->isVisible())
        wasModal = d->windowModality() == Qt::ApplicationModal &&
                   QApplication::activeModalWidget() == d;
    }
    return go;
  }
  void end() override {
    qt.end();
    ++ends;
  }
  std::vector<Seen> visible() const {
    std::vector<Seen> out;
    for (const Seen& s : seen)
      if (s.visible) out.push_back(s);
    return out;
  }
};

bool anyProgressDialogShows() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QProgressDialog*>(w) && w->isVisible()) return true;
  return false;
}

// "Rock" is active, "Jazz" selected; each of Jazz's four database files has 6 KiB, and without
// saving back the switch copies just those, 24 KiB. Copies report every KiB.
struct ProgressDialog : ::testing::Test {
  QtProgram p;
  WatchedProgress progress;
  std::vector<std::string> database{LibraryFiles.begin(), LibraryFiles.end()};
  std::unique_ptr<SlowFileSystem> slow;

  void start(std::chrono::milliseconds pausePerKiB) {
    slow = std::make_unique<SlowFileSystem>(p.files, 1024, pausePerKiB);
    for (const std::string& f : database) writeText(p.iTunes / f, "iTunes " + f);
    p.library("Rock", database);
    p.library("Jazz", {});
    for (const std::string& f : database)
      writeText(p.librariesRoot / "Jazz" / f, std::string(6 * 1024, 'j'));
    p.setActive("Rock");
    p.registry.setDword(reg::kLocalMachine, Locations::kSettingsKey, "Overwrite Library", 0);
    p.filesLayer = slow.get();
    p.progress = &progress;
    p.start();
    radio(slotOf("Jazz"))->click();
    ASSERT_EQ(p.form1().CheckListBox1->Count(), 4);
  }
  QAbstractButton* button(const TControl* c) { return qobject_cast<QAbstractButton*>(p.widget(c)); }
  QAbstractButton* radio(int slot) {
    return p.widget(p.form1().LibGroup)->findChild<QButtonGroup*>()->button(slot);
  }
  int slotOf(const std::string& name) {
    for (int i = 0; i < p.form1().LibGroup->Count(); ++i)
      if (p.form1().LibGroup->Item(i) == name) return i;
    ADD_FAILURE() << "no slot holds " << name;
    return 0;
  }
  void makeActive() { button(p.form1().Button2)->click(); }
  std::string libraryName() {
    const auto& data =
        p.registry.values(reg::kLocalMachine, Locations::kSettingsKey).at("Library Name").data;
    return std::string(data.begin(), data.end() - 1);
  }
};

}  // namespace

// 24 updates, 22 ms apart: the dialog shows after half a second, modal, with the file being
// copied and rising figures up to the whole.
TEST_F(ProgressDialog, ShowsAfterHalfASecondWithRisingFigures) {
  start(22ms);
  makeActive();

  EXPECT_TRUE(p.reporter.messages.empty());
  EXPECT_EQ(libraryName(), "Jazz");
  EXPECT_EQ(progress.titles, std::vector<QString>{"Making library active"});
  EXPECT_EQ(progress.ends, 1);
  ASSERT_EQ(progress.seen.size(), 24u);
  EXPECT_FALSE(progress.seen.front().visible);
  const std::vector<WatchedProgress::Seen> shown = progress.visible();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_TRUE(progress.wasModal);
  int previous = -1;
  for (const WatchedProgress::Seen& s : shown) {
    EXPECT_GT(s.value, previous) << s.label.toStdString();
    EXPECT_EQ(s.maximum, 24);
    EXPECT_TRUE(s.label.startsWith("Copying iTunes ")) << s.label.toStdString();
    EXPECT_TRUE(s.label.endsWith(
        QString::fromStdString(readableSize(static_cast<std::uint64_t>(s.value) * 1024) +
                               " of 24.0 KB")))
        << s.label.toStdString();
    previous = s.value;
  }
  EXPECT_EQ(shown.back().value, 24);
  EXPECT_FALSE(anyProgressDialogShows());
}

// The user presses the dialog's Cancel as soon as it shows: every folder and "Library Name"
// are as before, nothing is said, and the dialog goes.
TEST_F(ProgressDialog, CancelLeavesEverythingAsItWas) {
  start(30ms);  // long enough that the window shows well before the last file
  const std::vector<std::string> folders = folderContents(p.music);
  bool pressed = false;
  progress.beforeUpdate = [&pressed](QProgressDialog& d) {
    if (!d.isVisible() || pressed) return;
    pressed = true;
    QPushButton* cancel = d.findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
  };
  makeActive();

  EXPECT_TRUE(pressed);
  EXPECT_LT(progress.seen.size(), 24u);
  EXPECT_TRUE(p.reporter.messages.empty());
  EXPECT_EQ(folderContents(p.music), folders);
  EXPECT_EQ(libraryName(), "Rock");
  EXPECT_EQ(progress.ends, 1);
  EXPECT_FALSE(anyProgressDialogShows());
}

// Clicks that reach the main window while the switch runs (here pressed from code, past the
// dialog's modality) run nothing.
TEST_F(ProgressDialog, ClicksDuringTheSwitchRunNothing) {
  start(0ms);
  const bool copyContent = p.form1().CheckBox2->Checked();
  const int jazz = slotOf("Jazz");
  bool clicked = false;
  progress.beforeUpdate = [&](QProgressDialog&) {
    if (clicked) return;
    clicked = true;
    button(p.form1().Button2)->click();    // "Make library active" again
    button(p.form1().Button1)->click();    // "Add library"
    button(p.form1().CheckBox2)->click();  // an option
    radio(slotOf("Rock"))->click();        // another library
  };
  makeActive();

  EXPECT_TRUE(clicked);
  EXPECT_EQ(progress.titles.size(), 1u);
  EXPECT_FALSE(p.form2().Showing());
  EXPECT_EQ(p.form1().CheckBox2->Checked(), copyContent);
  // The widgets show what the controls hold, not the dropped clicks.
  EXPECT_EQ(button(p.form1().CheckBox2)->isChecked(), copyContent);
  EXPECT_EQ(p.form1().LibGroup->ItemIndex(), jazz);
  EXPECT_TRUE(radio(jazz)->isChecked());
  EXPECT_EQ(libraryName(), "Jazz");
  EXPECT_TRUE(p.reporter.messages.empty());
}
