#include "QtBackend.h"

#include <QApplication>
#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "EmbeddedResources.h"
#include "controls/TButton.h"
#include "controls/TCheckBox.h"
#include "controls/TCheckListBox.h"
#include "controls/TEdit.h"
#include "controls/TForm.h"
#include "controls/TGroupBox.h"
#include "controls/TImage.h"
#include "controls/TLabel.h"
#include "controls/TRadioGroup.h"
#include "controls/TSpeedButton.h"

namespace {

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QByteArray resourceBytes(const std::string& name) {
  std::string_view data = embeddedResource(name);
  return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

// A glyph with its bottom-left pixel's colour made transparent, as speed buttons draw them.
QPixmap glyphPixmap(const std::string& name) {
  QImage image = QImage::fromData(resourceBytes(name), "BMP");
  if (image.isNull()) return {};
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(0, image.height() - 1)));
  return pixmap;
}

QIcon applicationIcon() {
  QByteArray bytes = resourceBytes("MAINICON.ico");
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ICO");
  QIcon icon;
  for (int i = 0; i < reader.imageCount(); ++i) {
    if (!reader.jumpToImage(i)) break;
    QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

// A flat picture button. The glyph is drawn unscaled and centred, the halves of any overhang
// rounded toward zero (a 27-pixel glyph in a 24-pixel button overhangs one pixel left and top,
// two right and bottom), over the skin's own flat button face.
class SpeedButtonWidget : public QToolButton {
public:
  SpeedButtonWidget(QPixmap glyph, QWidget* parent) : QToolButton(parent), glyph_(std::move(glyph)) {}

protected:
  void paintEvent(QPaintEvent* e) override {
    QToolButton::paintEvent(e);
    if (glyph_.isNull()) return;
    QPainter p(this);
    p.drawPixmap((width() - glyph_.width()) / 2, (height() - glyph_.height()) / 2, glyph_);
  }

private:
  QPixmap glyph_;
};

// The top-level window of a form: its close box asks the form, which decides.
class FormWindow : public QWidget {
public:
  explicit FormWindow(TForm& form) : form_(form) {}

protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    form_.userClose();
  }

private:
  TForm& form_;
};

// Locked items are drawn greyed, tick box included, yet stay selectable.
class LockedItemDelegate : public QStyledItemDelegate {
public:
  LockedItemDelegate(TCheckListBox& list, QObject* parent)
      : QStyledItemDelegate(parent), list_(list) {}

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.row() < list_.Count() && !list_.ItemEnabled(index.row())) {
      option->state &= ~QStyle::State_Enabled;
      // A skin may colour every item's text alike; a locked item still reads as greyed.
      const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
      option->palette.setColor(QPalette::Text, grey);
      option->palette.setColor(QPalette::HighlightedText, grey.lighter(160));
    }
  }

private:
  TCheckListBox& list_;
};

std::uint16_t virtualKey(const QKeyEvent& e) {
  const int k = e.key();
  if (k == Qt::Key_Return || k == Qt::Key_Enter) return VK_RETURN;
  if (k == Qt::Key_Escape) return VK_ESCAPE;
  if (k == Qt::Key_Space) return VK_SPACE;
  if (k == Qt::Key_Shift) return 16;    // VK_SHIFT
  if (k == Qt::Key_Control) return 17;  // VK_CONTROL
  if (k == Qt::Key_Alt) return 18;      // VK_MENU
  if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))
    return static_cast<std::uint16_t>(k);
  return 0;
}

TShiftState shiftState(Qt::KeyboardModifiers m) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

// The edit box: its key-down handler runs before the key does its editing.
class EditWidget : public QLineEdit {
public:
  EditWidget(TEdit& edit, QWidget* parent) : QLineEdit(parent), edit_(edit) {
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& t) { edit_.userSetText(t.toStdString()); });
  }

protected:
  void keyPressEvent(QKeyEvent* e) override {
    edit_.userKeyDown(virtualKey(*e), shiftState(e->modifiers()));
    // The handler may have hidden the window; Enter and Escape do nothing more here.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
      e->accept();
      return;
    }
    QLineEdit::keyPressEvent(e);
  }

private:
  TEdit& edit_;
};


}  // namespace

QtBackend::QtBackend() {
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  const std::string_view skin = embeddedResource("Molvane.qss");
  if (!skin.empty()) qApp->setStyleSheet(QString::fromUtf8(skin.data(), static_cast<int>(skin.size())));
  const QIcon icon = applicationIcon();
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
  connect(qApp, &QApplication::focusChanged, this, &QtBackend::onFocusChanged);
}

QtBackend::~QtBackend() {
  // The windows are top-level widgets without a parent; their children go with them.
  for (const QPointer<QWidget>& window : windows_) delete window.data();
}

QFont QtBackend::resolveFont(const LayoutFont& font) {
  // Asking the font database for its families is costly; every control asks at start-up.
  static const QStringList installed = QFontDatabase::families();
  QFont f;
  QString family = text(font.face);
  if (!installed.contains(family)) {
    for (const std::string& fallback : font.fallbacks) {
      if (installed.contains(text(fallback))) {
        family = text(fallback);
        break;
      }
    }
  }
  f.setFamily(family);
  f.setPixelSize(font.height);
  f.setBold(font.bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

QWidget* QtBackend::widgetOf(const TControl& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second.data();
}

TControl* QtBackend::controlOf(const QWidget* widget) const {
  auto it = controls_.find(widget);
  return it == controls_.end() ? nullptr : it->second;
}

void QtBackend::formCreated(TForm& form) {
  auto* window = new FormWindow(form);
  windows_.push_back(window);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  widgets_[&form] = window;
  controls_[window] = &form;
  const Layout& layout = form.WindowLayout();
  if (const LayoutFont* f = layout.findFont(layout.font)) window->setFont(resolveFont(*f));
  if (layout.clientWidth) {
    if (layout.prop("border") == "single")
      window->setFixedSize(layout.clientWidth, layout.clientHeight);
    else
      window->resize(layout.clientWidth, layout.clientHeight);
  } else {
    window->resize(layout.outerWidth, layout.outerHeight);
  }
  for (const auto& control : form.Controls()) {
    QWidget* parent = control->Parent() == &form ? window : widgetOf(*control->Parent());
    build(form, *control, parent);
  }
  // Labels, pictures and picture buttons are drawn on the window's own surface, under the
  // child controls.
  for (const auto& control : form.Controls()) {
    const std::string& k = control->Kind();
    if (k == "TLabel" || k == "TImage" || k == "TSpeedButton") widgetOf(*control)->lower();
  }
  // Tab order: the window's tab stops in order, each group's own stops in their place.
  std::vector<TControl*> stops;
  std::function<void(TControl*)> collect = [&](TControl* parent) {
    std::vector<TControl*> level;
    for (const auto& c : form.Controls())
      if (c->Parent() == parent && c->CanFocus()) level.push_back(c.get());
    std::stable_sort(level.begin(), level.end(),
                     [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* c : level) {
      if (c->Kind() == "TGroupBox") {
        collect(c);
      } else {
        stops.push_back(c);
      }
    }
  };
  collect(&form);
  for (size_t i = 1; i < stops.size(); ++i)
    QWidget::setTabOrder(widgetOf(*stops[i - 1]), widgetOf(*stops[i]));
  sync(form);
}

void QtBackend::build(TForm& form, TControl& control, QWidget* parent) {
  const Layout& layout = form.WindowLayout();
  const std::string& kind = control.Kind();
  QWidget* w = nullptr;
  if (kind == "TLabel") {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    w = label;
  } else if (kind == "TButton") {
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    auto& b = static_cast<TButton&>(control);
    connect(button, &QPushButton::clicked, this, [&b] { b.userClick(); });
    w = button;
  } else if (kind == "TSpeedButton") {
    auto& b = static_cast<TSpeedButton&>(control);
    auto* button = new SpeedButtonWidget(glyphPixmap(b.Glyph()), parent);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [&b] { b.userClick(); });
    w = button;
  } else if (kind == "TImage") {
    auto* image = new QLabel(parent);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setScaledContents(false);
    QImage picture =
        QImage::fromData(resourceBytes(static_cast<TImage&>(control).Picture()), "BMP");
    if (!picture.isNull()) image->setPixmap(QPixmap::fromImage(picture));
    w = image;
  } else if (kind == "TCheckListBox") {
    auto& list = static_cast<TCheckListBox&>(control);
    auto* view = new QListWidget(parent);
    view->setItemDelegate(new LockedItemDelegate(list, view));
    view->setUniformItemSizes(true);
    // Long names are cut at the edge, as the list shows them; no sideways scrolling.
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setTextElideMode(Qt::ElideNone);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(view, &QListWidget::itemChanged, this, [&list, view](QListWidgetItem* item) {
      const int row = view->row(item);
      if (row < 0 || row >= list.Count()) return;
      const bool shown = item->checkState() == Qt::Checked;
      if (shown != list.Checked(row)) list.userToggle(row);
    });
    connect(view, &QListWidget::currentRowChanged, this, [&list](int row) {
      if (row >= 0 && row < list.Count()) list.userSelect(row);
    });
    w = view;
  } else if (kind == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(control);
    auto* box = new QGroupBox(parent);
    auto* buttons = new QButtonGroup(box);
    buttons->setExclusive(true);
    for (int i = 0; i < group.Count(); ++i) {
      auto* radio = new QRadioButton(box);
      const TRect row = group.RowRect(i);
      radio->setGeometry(row.left, row.top, row.width, row.height);
      buttons->addButton(radio, i);
    }
    connect(buttons, &QButtonGroup::idClicked, this, [this, &group](int id) {
      group.userSelect(id);
      // The handler may have moved the selection elsewhere; show what the control holds.
      sync(group);
    });
    w = box;
  } else if (kind == "TGroupBox") {
    w = new QGroupBox(parent);
  } else if (kind == "TCheckBox") {
    auto* box = new QCheckBox(parent);
    auto& c = static_cast<TCheckBox&>(control);
    connect(box, &QCheckBox::clicked, this, [this, &c] {
      c.userClick();
      sync(c);
    });
    w = box;
  } else if (kind == "TEdit") {
    w = new EditWidget(static_cast<TEdit&>(control), parent);
  } else {
    w = new QWidget(parent);
  }
  w->setObjectName(text(control.Name()));
  w->setGeometry(control.Left(), control.Top(), control.Width(), control.Height());
  if (const LayoutFont* f = layout.findFont(control.FontName())) {
    w->setFont(resolveFont(*f));
    if (f->red >= 0) {
      QPalette p = w->palette();
      const QColor colour(f->red, f->green, f->blue);
      p.setColor(QPalette::WindowText, colour);
      p.setColor(QPalette::ButtonText, colour);
      p.setColor(QPalette::Text, colour);
      w->setPalette(p);
    }
  }
  if (control.Cursor() == TCursor::crHandPoint) w->setCursor(Qt::PointingHandCursor);
  if (!control.CanFocus() && kind != "TRadioGroup" && kind != "TGroupBox")
    w->setFocusPolicy(kind == "TLabel" || kind == "TImage" || kind == "TSpeedButton"
                          ? Qt::NoFocus
                          : w->focusPolicy());
  widgets_[&control] = w;
  controls_[w] = &control;
  sync(control);
}

void QtBackend::sync(TControl& control) {
  QWidget* w = widgetOf(control);
  if (!w) return;
  const QSignalBlocker blocker(w);
  const std::string& kind = control.Kind();
  if (&control == control.Form()) {
    w->setWindowTitle(text(control.Caption()));
    return;
  }
  w->move(control.Left(), control.Top());
  if (kind == "TLabel") {
    auto* label = static_cast<QLabel*>(w);
    label->setText(text(control.Caption()));
    // Labels size themselves to their text: a face wider than the designed one never clips.
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 1;
    label->resize(std::max(control.Width(), needed), control.Height());
  } else if (kind == "TButton") {
    static_cast<QPushButton*>(w)->setText(text(control.Caption()));
  } else if (kind == "TGroupBox") {
    static_cast<QGroupBox*>(w)->setTitle(text(control.Caption()));
  } else if (kind == "TCheckBox") {
    auto* box = static_cast<QCheckBox*>(w);
    box->setText(text(control.Caption()));
    box->setChecked(static_cast<TCheckBox&>(control).Checked());
  } else if (kind == "TEdit") {
    auto* edit = static_cast<QLineEdit*>(w);
    const QString t = text(control.Caption());
    if (edit->text() != t) edit->setText(t);
  } else if (kind == "TRadioGroup") {
    auto& group = static_cast<TRadioGroup&>(control);
    auto* buttons = w->findChild<QButtonGroup*>();
    for (int i = 0; i < group.Count(); ++i) {
      QAbstractButton* radio = buttons->button(i);
      const QSignalBlocker b(radio);
      radio->setText(text(group.Item(i)));
    }
    // An exclusive group cannot show "nothing selected" unless exclusivity is lifted.
    buttons->setExclusive(false);
    for (int i = 0; i < group.Count(); ++i) buttons->button(i)->setChecked(i == group.ItemIndex());
    buttons->setExclusive(true);
  } else if (kind == "TCheckListBox") {
    auto& list = static_cast<TCheckListBox&>(control);
    auto* view = static_cast<QListWidget*>(w);
    view->setUpdatesEnabled(false);
    const auto& items = list.Items();
    // Rebuild when the texts differ; otherwise only ticks and locks change.
    bool same = view->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < view->count(); ++i)
      same = view->item(i)->text() == text(items[static_cast<size_t>(i)].text);
    if (!same) {
      view->clear();
      QStringList names;
      names.reserve(static_cast<qsizetype>(items.size()));
      for (const auto& e : items) names.push_back(text(e.text));
      view->addItems(names);
    }
    for (int i = 0; i < view->count(); ++i) {
      const auto& e = items[static_cast<size_t>(i)];
      QListWidgetItem* item = view->item(i);
      Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
      if (e.enabled) flags |= Qt::ItemIsUserCheckable;
      item->setFlags(flags);
      item->setCheckState(e.checked ? Qt::Checked : Qt::Unchecked);
    }
    view->setCurrentRow(list.ItemIndex());
    view->setUpdatesEnabled(true);
  }
}

void QtBackend::controlChanged(TControl& control) {
  dirty_.insert(&control);
  scheduleFlush();
}

void QtBackend::scheduleFlush() {
  if (flushScheduled_) return;
  flushScheduled_ = true;
  QTimer::singleShot(0, this, [this] { flush(); });
}

void QtBackend::flush() {
  flushScheduled_ = false;
  std::set<TControl*> pending;
  pending.swap(dirty_);
  for (TControl* c : pending) sync(*c);
}

void QtBackend::showForm(TForm& form) {
  flush();
  QWidget* w = widgetOf(form);
  if (!w) return;
  w->show();
  if (!placed_.count(&form)) {
    placed_.insert(&form);
    const Layout& layout = form.WindowLayout();
    if (layout.outerWidth) {
      // The layout gives the size with the frame; take off whatever frame the system draws.
      const QRect frame = w->frameGeometry();
      const QRect client = w->geometry();
      w->resize(layout.outerWidth - (frame.width() - client.width()),
                layout.outerHeight - (frame.height() - client.height()));
    }
    if (layout.prop("position") == "desktopcenter") {
      const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
      const QRect frame = w->frameGeometry();
      w->move(desktop.left() + (desktop.width() - frame.width()) / 2,
              desktop.top() + (desktop.height() - frame.height()) / 2);
    }
  }
  w->raise();
  w->activateWindow();
  if (TControl* focus = form.ActiveControl()) {
    if (QWidget* fw = widgetOf(*focus)) {
      if (focus->Kind() == "TRadioGroup") {
        auto* buttons = fw->findChild<QButtonGroup*>();
        auto& group = static_cast<TRadioGroup&>(*focus);
        if (QAbstractButton* b = buttons->button(std::max(0, group.ItemIndex()))) fw = b;
      }
      fw->setFocus(Qt::ActiveWindowFocusReason);
    }
  }
}

void QtBackend::hideForm(TForm& form) {
  if (QWidget* w = widgetOf(form)) w->hide();
}

TRect QtBackend::outerRect(const TForm& form) {
  QWidget* w = widgetOf(form);
  if (!w) return {};
  const QRect r = w->frameGeometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

void QtBackend::moveForm(TForm& form, int left, int top) {
  if (QWidget* w = widgetOf(form)) w->move(left, top);
}

std::uintptr_t QtBackend::nativeHandle(const TForm& form) {
  QWidget* w = widgetOf(form);
  return w ? static_cast<std::uintptr_t>(w->winId()) : 0;
}

void QtBackend::runMessageLoop() {
  flush();
  QApplication::exec();
}

void QtBackend::quit() { QApplication::quit(); }

void QtBackend::onFocusChanged(QWidget*, QWidget* now) {
  for (QWidget* w = now; w; w = w->parentWidget()) {
    if (TControl* c = controlOf(w)) {
      if (c != c->Form()) c->Form()->userFocus(c);
      return;
    }
  }
}
