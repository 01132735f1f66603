// The platform of a run with windows: Qt's message boxes, input box and help viewer. Every box
// shows its texts as plain text, runs as a handler (nothing ends the program inside its event
// loop), and closes as if cancelled when the program is asked to quit from outside.
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "gui/views.h"

namespace wm033::gui {
namespace {

QString ToQt(const std::string& s) {
  QString q = QString::fromStdString(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}

// Keeps a box's outer frame at a given top-left corner: a window manager may place a new
// window's client area there instead, which is only seen once the frame is known.
class FrameAt : public QObject {
 public:
  FrameAt(QWidget& box, QPoint at) : QObject(&box), box_(box), at_(at) {
    box.move(at);
    box.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    const QEvent::Type t = e->type();
    if ((t == QEvent::Move || t == QEvent::Resize || t == QEvent::Paint) && box_.isVisible() &&
        corrections_ < 3 && box_.frameGeometry().topLeft() != at_) {
      ++corrections_;
      box_.move(at_);  // a shown window's move() places its frame
    }
    return false;
  }

 private:
  QWidget& box_;
  QPoint at_;
  int corrections_ = 0;
};

// A message too long for the screen (the settings help texts): the same text in a read-only
// text area that scrolls, from which lines can be copied, with an OK button.
class LongMessageBox : public QDialog {
 public:
  explicit LongMessageBox(const QString& text) {
    setObjectName(QStringLiteral("MessageBox"));
    setWindowTitle(QStringLiteral("WM033"));
    auto* layout = new QVBoxLayout(this);
    auto* area = new QPlainTextEdit(this);
    area->setObjectName(QStringLiteral("MessageText"));
    area->setReadOnly(true);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    area->setPlainText(text);
    layout->addWidget(area);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    const QFontMetrics fm(area->font());
    int width = 0;
    for (const QString& l : text.split('\n')) width = std::max(width, fm.horizontalAdvance(l));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(width + 80, screen.width() - 40), screen.height() * 3 / 4);
  }
};

constexpr int kLongMessageLines = 30;

class QtPlatform : public EventLoopPlatform {
 public:
  using EventLoopPlatform::EventLoopPlatform;

  void ShowMessage(const std::string& text) override { Message(text, nullptr); }
  void ShowMessageAt(const std::string& text, int x, int y) override {
    const QPoint at(x, y);
    Message(text, &at);
  }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& default_text) override {
    if (QuitRequested()) return std::nullopt;
    QInputDialog box;
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(ToQt(caption));
    box.setLabelText(ToQt(prompt));
    box.setTextValue(ToQt(default_text));
    for (QLabel* l : box.findChildren<QLabel*>()) l->setTextFormat(Qt::PlainText);
    if (Run(box) != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
  }
  DialogAnswer YesNoCancel(const std::string& text, int x, int y) override {
    if (QuitRequested()) return DialogAnswer::Cancel;
    QMessageBox box(QMessageBox::Question, QStringLiteral("WM033"), ToQt(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setObjectName(QStringLiteral("YesNoCancel"));
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(QMessageBox::Cancel);
    new FrameAt(box, QPoint(x, y));
    Run(box);
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == box.button(QMessageBox::Yes)) return DialogAnswer::Yes;
    if (clicked == box.button(QMessageBox::No)) return DialogAnswer::No;
    return DialogAnswer::Cancel;
  }
  bool OpenHelp(const std::string& path) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  }
  bool Headless() const override { return false; }

 protected:
  void CancelModalBoxes() override {
    for (const QPointer<QDialog>& d : open_)
      if (d) d->reject();
  }

 private:
  void Message(const std::string& text, const QPoint* at) {
    if (QuitRequested()) return;
    if (ToQt(text).count('\n') >= kLongMessageLines) {
      LongMessageBox box(ToQt(text));
      if (at) new FrameAt(box, *at);
      Run(box);
      return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("WM033"), ToQt(text), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setTextFormat(Qt::PlainText);
    if (at) new FrameAt(box, *at);
    Run(box);
  }
  // Runs a modal box as a handler, so that the end of the program waits until it is closed.
  int Run(QDialog& box) {
    HandlerScope scope(*this);
    open_.push_back(&box);
    const int result = box.exec();
    open_.pop_back();
    return result;
  }

  std::vector<QPointer<QDialog>> open_;
};

}  // namespace

std::unique_ptr<EventLoopPlatform> MakeQtPlatform(const Environment& env) {
  return std::make_unique<QtPlatform>(env);
}

}  // namespace wm033::gui
