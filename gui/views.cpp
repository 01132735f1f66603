// Qt Widgets views of the four windows. Components are placed at their design positions; each
// view listens to its model's change signal and redraws itself.
#include "gui/views.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <vector>

#include "app/wm033f1.h"
#include "platform/headless_platform.h"

namespace wm033::gui {
namespace {

QColor ToQColor(forms::Colour c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// Runs a form handler from a Qt event; nothing may escape into Qt's event loop.
template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    WriteStderrLine(std::string("WM033: unexpected error in a window handler: ") + e.what());
  } catch (...) {
    WriteStderrLine("WM033: unexpected error in a window handler");
  }
}

void Place(QWidget* w, const forms::Component& c, int y_offset = 0) {
  const forms::Geometry& g = c.Bounds();
  w->setGeometry(g.left, g.top + y_offset, g.width, g.height);
  w->setVisible(c.Visible());
  w->setEnabled(c.Enabled());
}

// Keeps the window that a handler last asked to have the focus active for a moment: a window
// restored on the way (from minimised) may be given the focus by the window manager once it is
// mapped again, after the request. The owner's next click or key ends the watch.
class FocusKeeper : public QObject {
 public:
  static FocusKeeper& Instance() {
    static FocusKeeper* keeper = [] {
      auto* k = new FocusKeeper;
      QCoreApplication::instance()->installEventFilter(k);
      return k;
    }();
    return *keeper;
  }
  // Activates `window` (and focuses `widget` in it) once the running handler has finished.
  void Request(QWidget* window, QWidget* widget) {
    window_ = window;
    widget_ = widget;
    budget_ = 3;
    QMetaObject::invokeMethod(
        this, [this] { Activate(); }, Qt::QueuedConnection);
  }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::KeyPress:
        budget_ = 0;  // the owner acts
        break;
      case QEvent::WindowActivate:
        if (budget_ > 0 && window_ && o != window_ && o->isWidgetType() &&
            static_cast<QWidget*>(o)->isWindow()) {
          --budget_;
          QMetaObject::invokeMethod(
              this, [this] { Activate(); }, Qt::QueuedConnection);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Activate() {
    if (!window_) return;
    window_->show();
    window_->raise();
    window_->activateWindow();
    if (widget_) widget_->setFocus();
  }
  QPointer<QWidget> window_, widget_;
  int budget_ = 0;
};

// A top-level window for a form. The form's bounds are the outer frame, as the layouts give
// them; the window follows the form, and the form follows the window when its owner or the
// window manager moves, resizes, minimises or restores it.
class FormWindow : public QMainWindow {
 public:
  explicit FormWindow(forms::Form& form) : form_(form) {
    setObjectName(QString::fromStdString(form.Name()));
    Qt::WindowFlags flags = Qt::Window;
    if (!form.HasTitleButtons())
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;  // no title-bar buttons
    setWindowFlags(flags);
    area_ = new QWidget(this);
    setCentralWidget(area_);
    Sync();
    form.OnChange([this] { Sync(); });
  }
  QWidget* Area() const { return area_; }

  void Sync() {
    setWindowTitle(QString::fromStdString(form_.Caption()));
    const forms::Geometry& g = form_.Bounds();
    const QRect want(g.left, g.top, g.width, g.height);
    if (want != applied_) ApplyOuter(want);
    const Qt::WindowStates state =
        form_.State() == forms::WindowState::Minimized   ? Qt::WindowMinimized
        : form_.State() == forms::WindowState::Maximized ? Qt::WindowMaximized
                                                         : Qt::WindowNoState;
    if (windowState() != state && !syncing_state_) setWindowState(state);
    if (form_.FrontRequests() != front_requests_ || form_.FocusRequests() != focus_requests_) {
      front_requests_ = form_.FrontRequests();
      focus_requests_ = form_.FocusRequests();
      ActivateLater();
    }
    if (isVisible() != form_.Visible() && shown_once_) setVisible(form_.Visible());
  }
  void ShowOnce() {
    shown_once_ = true;
    if (form_.Visible()) show();
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The form decides: it requests the end of the program (or frees itself).
    e->ignore();
    Guarded([this] { form_.Close(); });
  }
  void changeEvent(QEvent* e) override {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    const Qt::WindowStates s = windowState();
    const forms::WindowState st = (s & Qt::WindowMinimized)   ? forms::WindowState::Minimized
                                  : (s & Qt::WindowMaximized) ? forms::WindowState::Maximized
                                                              : forms::WindowState::Normal;
    if (st == forms::WindowState::Normal && last_state_ != forms::WindowState::Normal) {
      // Back from maximised or minimised: the window manager's moves on the way are not the
      // owner's, and its frame changes on the way; the window goes back to where the form has it.
      restoring_ = true;
      restore_events_ = 0;
    }
    last_state_ = st;
    syncing_state_ = true;
    Guarded([&] { form_.SetState(st); });
    syncing_state_ = false;
    Sync();
  }
  void moveEvent(QMoveEvent* e) override {
    QMainWindow::moveEvent(e);
    FollowWindow();
  }
  void resizeEvent(QResizeEvent* e) override {
    QMainWindow::resizeEvent(e);
    FollowWindow();
  }
  void paintEvent(QPaintEvent* e) override {
    QMainWindow::paintEvent(e);
    FollowWindow();
  }

 private:
  QMargins Margins() const { return windowHandle() ? windowHandle()->frameMargins() : QMargins(); }
  // Places the outer frame: move() places a window's frame, resize() its client area.
  void ApplyOuter(const QRect& outer) {
    applied_ = outer;
    placed_margins_ = Margins();
    if (windowState() == Qt::WindowNoState) normal_margins_ = placed_margins_;
    placing_ = true;
    const QMargins m = placed_margins_;
    move(outer.topLeft());
    resize(std::max(1, outer.width() - m.left() - m.right()),
           std::max(1, outer.height() - m.top() - m.bottom()));
    placing_ = false;
  }
  // A move or resize that the window system made, or a repaint after the frame became known.
  void FollowWindow() {
    if (placing_ || !isVisible() || windowState() != Qt::WindowNoState) return;
    if (!restoring_ && Margins() != placed_margins_) {
      // The frame became known (or changed) after the window was placed: place it again, so
      // that the outer frame is where the form has it.
      ApplyOuter(applied_);
      return;
    }
    const QRect real = frameGeometry();
    if (restoring_) {
      // Over once the frame is the normal one again and the size is back (or after enough
      // events that the window manager evidently settled elsewhere).
      const bool back =
          real == applied_ || (Margins() == normal_margins_ && real.size() == applied_.size());
      if (!back && ++restore_events_ < kMaxRestoreEvents) return;
      restoring_ = false;
      if (real != applied_) ApplyOuter(applied_);
      return;
    }
    if (real == applied_) return;
    applied_ = real;
    Guarded([&] { form_.FollowWindow({real.x(), real.y(), real.width(), real.height()}); });
  }
  // Raises and activates the window once the handler that asked for it has finished, so that
  // the last request of a handler wins over windows it restored on the way.
  void ActivateLater() { FocusKeeper::Instance().Request(this, nullptr); }

  forms::Form& form_;
  QWidget* area_ = nullptr;
  QRect applied_;  // the outer frame the form and the window last agreed on
  QMargins placed_margins_;
  bool placing_ = false;
  static constexpr int kMaxRestoreEvents = 30;
  bool restoring_ = false;  // coming back from maximised or minimised
  int restore_events_ = 0;
  QMargins normal_margins_;  // the frame of the window in its normal state
  forms::WindowState last_state_ = forms::WindowState::Normal;
  int front_requests_ = 0;
  int focus_requests_ = 0;
  bool syncing_state_ = false;
  bool shown_once_ = false;
};

void BindLabel(forms::Label& model, QWidget* parent, bool bold) {
  auto* w = new QLabel(parent);
  w->setObjectName(QString::fromStdString(model.Name()));
  w->setTextFormat(Qt::PlainText);
  w->setWordWrap(model.WordWrap());
  w->setAlignment((model.Alignment() == forms::Align::Centre  ? Qt::AlignHCenter
                   : model.Alignment() == forms::Align::Right ? Qt::AlignRight
                                                              : Qt::AlignLeft) |
                  Qt::AlignTop);
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(13);
  f.setBold(bold);
  w->setFont(f);
  auto sync = [w, &model] {
    w->setText(QString::fromStdString(model.Caption()));
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(model.FontColour()));
    w->setPalette(p);
    Place(w, model);
  };
  sync();
  model.OnChange(sync);
}

void BindButton(forms::Button& model, QWidget* parent, int y_offset = 0) {
  auto* w = new QPushButton(parent);
  w->setObjectName(QString::fromStdString(model.Name()));
  QObject::connect(w, &QPushButton::clicked, [&model] { Guarded([&] { model.Click(); }); });
  int focus = model.FocusRequests();
  auto sync = [w, &model, y_offset, focus]() mutable {
    w->setText(QString::fromStdString(model.Caption()));
    Place(w, model, y_offset);
    if (model.FocusRequests() != focus) {
      focus = model.FocusRequests();
      // After the handler, like the windows' own activation (the button's window wins).
      FocusKeeper::Instance().Request(w->window(), w);
    }
  };
  sync();
  model.OnChange(sync);
}

// A memo placed at its design position, or filling its window (`fill`).
void BindMemo(forms::Memo& model, QWidget* parent, int y_offset = 0, bool fill = false) {
  auto* w = new QPlainTextEdit(parent);
  w->setObjectName(QString::fromStdString(model.Name()));
  w->setReadOnly(true);
  if (fill) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(w);
  }
  auto sync = [w, &model, y_offset, fill] {
    w->setLineWrapMode(model.WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    QString text;
    for (const std::string& l : model.Lines()) {
      text += QString::fromStdString(l);
      text += QChar('\n');
    }
    if (!text.isEmpty()) text.chop(1);
    if (w->toPlainText() != text) w->setPlainText(text);
    if (fill)
      w->setVisible(model.Visible());
    else
      Place(w, model, y_offset);
  };
  sync();
  model.OnChange(sync);
}

// Paints a bitmap component.
class ImageWidget : public QWidget {
 public:
  ImageWidget(forms::Image& model, QWidget* parent) : QWidget(parent), model_(model) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    const display::Bitmap& b = model_.Picture();
    if (b.Width() == 0 || b.Height() == 0) return;
    QImage img(reinterpret_cast<const uchar*>(b.Data()), b.Width(), b.Height(), b.BytesPerLine(),
               QImage::Format_RGB32);
    QPainter p(this);
    p.drawImage(0, 0, img);
  }

 private:
  forms::Image& model_;
};

void BindImage(forms::Image& model, QWidget* parent, int y_offset = 0) {
  auto* w = new ImageWidget(model, parent);
  w->setObjectName(QString::fromStdString(model.Name()));
  auto sync = [w, &model, y_offset] {
    Place(w, model, y_offset);
    w->update();
  };
  sync();
  model.OnChange(sync);
}

void AddMenu(QMenuBar* bar, QMenu* menu, forms::MenuItem& item) {
  const QString caption = QString::fromStdString(item.Caption());
  if (!item.Items.empty()) {
    QMenu* sub = menu ? menu->addMenu(caption) : bar->addMenu(caption);
    sub->setObjectName(QString::fromStdString(item.Name()));
    for (forms::MenuItem* child : item.Items) AddMenu(bar, sub, *child);
    return;
  }
  QAction* a = menu ? menu->addAction(caption) : bar->addAction(caption);
  a->setObjectName(QString::fromStdString(item.Name()));
  QObject::connect(a, &QAction::triggered, [&item] { Guarded([&] { item.Click(); }); });
}

class QtViews : public Views {
 public:
  QtViews(TWM033fControl& control, TWM033ErrDisp& errdisp) {
    control_ = std::make_unique<FormWindow>(control);
    QWidget* area = control_->Area();
    auto* strip = new QFrame(area);
    strip->setGeometry(control.Panel1.left, control.Panel1.top, control.Panel1.width,
                       control.Panel1.height);
    strip->setAutoFillBackground(true);
    QPalette p = strip->palette();
    p.setColor(QPalette::Window, Qt::white);
    strip->setPalette(p);
    strip->setFrameShape(QFrame::Panel);
    for (forms::Label* l : control.AllLabels()) BindLabel(*l, area, true);
    control_->ShowOnce();

    errdisp_ = std::make_unique<FormWindow>(errdisp);
    BindMemo(errdisp.Memo1, errdisp_->Area(), 0, /*fill=*/true);
    errdisp_->ShowOnce();
  }

  void AddMainWindow(TWM033f1& f) override {
    main_form_ = &f;
    main_ = std::make_unique<FormWindow>(f);
    QMenuBar* bar = main_->menuBar();
    for (forms::MenuItem* item : f.MainMenu1.Items) AddMenu(bar, nullptr, *item);
    QWidget* area = main_->Area();
    for (forms::Label* l :
         {&f.laMsgs, &f.laTOD, &f.laCycle, &f.laText4, &f.laBNW, &f.laWatchForCrash})
      BindLabel(*l, area, false);
    BindImage(f.imMainGraphPane, area);
    BindImage(f.iWindDial, area);
    for (forms::Memo* m : {&f.meFile, &f.meHTML, &f.meQuotesLib}) BindMemo(*m, area);
    for (forms::Button* b : {&f.buQuit, &f.buCorF, &f.buInsCmnt, &f.buHelp, &f.buCopyright,
                             &f.buCommentInHTML, &f.buComment2InHTML, &f.Button1, &f.Button2})
      BindButton(*b, area);
  }

  void AfterStartup() override {
    if (main_) main_->ShowOnce();
    if (!main_form_ || !main_form_->wm033warnF1 || warn_) return;
    Twm033warnF1& w = *main_form_->wm033warnF1;
    warn_ = std::make_unique<FormWindow>(w);
    BindMemo(w.Memo1, warn_->Area());
    BindButton(w.buClose, warn_->Area());
    // Closing frees the window, once the click that closed it has been handled.
    w.OnClose = [this] {
      main_form_->wm033warnF1->Closed = true;
      warn_->hide();
      QMetaObject::invokeMethod(
          main_.get(),
          [this] {
            warn_.reset();
            main_form_->wm033warnF1.reset();
          },
          Qt::QueuedConnection);
    };
    warn_->ShowOnce();
    warn_->raise();
  }

 private:
  std::unique_ptr<FormWindow> control_, errdisp_, main_, warn_;
  TWM033f1* main_form_ = nullptr;
};

}  // namespace

std::unique_ptr<Views> MakeViews(TWM033fControl& control, TWM033ErrDisp& errdisp) {
  return std::make_unique<QtViews>(control, errdisp);
}

}  // namespace wm033::gui
