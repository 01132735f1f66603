// The platform of a run with windows: Qt's message boxes, input box and help viewer.
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "gui/views.h"

namespace wm033::gui {
namespace {

QString ToQt(const std::string& s) {
  QString q = QString::fromStdString(s);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QChar('\r'), QChar('\n'));
  return q;
}

class QtPlatform : public EventLoopPlatform {
 public:
  using EventLoopPlatform::EventLoopPlatform;

  void ShowMessage(const std::string& text) override {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("WM033"), ToQt(text), QMessageBox::Ok);
    box.exec();
  }
  void ShowMessageAt(const std::string& text, int x, int y) override {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("WM033"), ToQt(text), QMessageBox::Ok);
    box.move(x, y);
    box.exec();
  }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& default_text) override {
    bool ok = false;
    const QString v = QInputDialog::getText(nullptr, ToQt(caption), ToQt(prompt), QLineEdit::Normal,
                                            ToQt(default_text), &ok);
    if (!ok) return std::nullopt;
    return v.toStdString();
  }
  DialogAnswer YesNoCancel(const std::string& text, int x, int y) override {
    QMessageBox box(QMessageBox::Question, QStringLiteral("WM033"), ToQt(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.move(x, y);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return DialogAnswer::Yes;
    if (r == QMessageBox::No) return DialogAnswer::No;
    return DialogAnswer::Cancel;
  }
  bool OpenHelp(const std::string& path) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  }
  bool Headless() const override { return false; }
};

}  // namespace

std::unique_ptr<EventLoopPlatform> MakeQtPlatform(const Environment& env) {
  return std::make_unique<QtPlatform>(env);
}

}  // namespace wm033::gui
