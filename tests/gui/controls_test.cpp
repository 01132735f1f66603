// The main window's menu entries and buttons through the real windows: help, About and the
// settings texts, the units toggle, the comment boxes (OK and Cancel), texts shown as plain
// text, and the demo station's layout with the reloaded history on the screen.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest/QTest>
#include <cmath>

#include "datalog/records.h"
#include "datalog/timestamp.h"
#include "tests/gui/gui_station.h"

namespace wm033::guitest {
namespace {

bool Contains(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

std::function<bool()> Running(GuiStation& s) {
  return [&s] {
    QMainWindow* main = Window("WM033f1");
    return s.form && s.form->bCycleReady && main && main->isVisible() &&
           main->frameGeometry() != main->geometry();
  };
}

QPushButton* Button(const std::string& name) {
  return Widget<QPushButton>("WM033f1", name);
}

void Click(const std::string& name) {
  QTest::mouseClick(Button(name), Qt::LeftButton);
}

// After the step before it: no box open.
std::function<bool()> NoBox() {
  return [] { return QApplication::activeModalWidget() == nullptr; };
}

// A box at the main window's left + 10, top + 60, answered with OK.
void ExpectBoxNearMainWindow(Driver& d, const std::string& text) {
  d.OnBox(text, [](QDialog&) {});
  d.Step(
      "\"" + text + "\" at the main window's left + 10, top + 60",
      [] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return box && box->frameGeometry().topLeft() ==
                          Window("WM033f1")->frameGeometry().topLeft() + QPoint(10, 60);
      },
      [] {
        Driver::Press(*qobject_cast<QDialog*>(QApplication::activeModalWidget()), QMessageBox::Ok);
      });
}

void Quit(Driver& d) {
  d.Step(
      "Quit enabled", [] { return NoBox()() && Button("buQuit")->isEnabled(); },
      [] { Click("buQuit"); });
}

TEST(Controls, EveryMenuEntryAndHelpButton) {
  GuiStation s;
  Driver d;
  auto ok = [](QDialog& box) { Driver::Press(box, QMessageBox::Ok); };
  d.Step("running", Running(s), [] { EXPECT_TRUE(KeysTo("WM033f1", "alt+h")); });
  ExpectBoxNearMainWindow(d, "The program was supplied with a help file");
  d.Step("", NoBox(), [] { Click("buHelp"); });
  ExpectBoxNearMainWindow(d, "The program was supplied with a help file");
  d.Step("", NoBox(), [] { EXPECT_TRUE(KeysTo("WM033f1", "alt+a")); });
  ExpectBoxNearMainWindow(d, "Incorporates:");
  d.Step("", NoBox(), [] { Click("buCopyright"); });
  ExpectBoxNearMainWindow(d, "Incorporates:");
  // "&Ini2Info": Overview, Legacy, Modern, in menu order.
  d.Step("", NoBox(), [] { EXPECT_TRUE(MenuEntry("WM033f1", "Ini2Info1", "Down Return")); });
  d.OnBox("must begin with the marker", ok);
  d.Step("", NoBox(), [] { EXPECT_TRUE(MenuEntry("WM033f1", "Ini2Info1", "Down Down Return")); });
  d.OnBox("[wp1spa]", ok);
  d.Step("", NoBox(),
         [] { EXPECT_TRUE(MenuEntry("WM033f1", "Ini2Info1", "Down Down Down Return")); });
  d.OnBox("[WindowPosnsAndSizes]", [](QDialog& box) {
    // The long text fits on the screen.
    EXPECT_TRUE(QApplication::primaryScreen()->geometry().contains(box.frameGeometry()));
    Driver::Press(box, QMessageBox::Ok);
  });
  // "&Restack" is tested with the windows; "&Quit" ends the program.
  d.Step("", NoBox(), [] { EXPECT_TRUE(KeysTo("WM033f1", "alt+q")); });
  EXPECT_EQ(s.Run(d), 0);
  EXPECT_EQ(d.boxes.size(), 7u);
}

double Number(const std::string& label) {
  return std::stod(Widget<QLabel>("WM033fControl", label)->text().toStdString());
}

TEST(Controls, UnitsToggleAndPlainTextLabels) {
  GuiStation s;
  s.SetEnv("WM033_CLOCK_RATE", "20");
  // A channel name that would be italic if labels guessed rich text.
  std::string settings = s.Read("WM033/WM033ini2.txt");
  const size_t at = settings.find("p0fL=Out ");
  settings.replace(at, 9, "p0fL=<i>Out</i>");
  s.Write("WM033/WM033ini2.txt", settings);
  Driver d;
  double fahrenheit = 0;
  d.Step(
      "temperature 0 read",
      [&] {
        return Running(s)() && Widget<QLabel>("WM033fControl", "laTture0")->text() != "- - -";
      },
      [&] {
        QLabel* caption = Widget<QLabel>("WM033fControl", "laTxtTture0");
        EXPECT_EQ(caption->text(), "<i>Out</i>(F)");
        // Shown as it stands: as wide as its characters, tags and all.
        EXPECT_GE(caption->sizeHint().width(),
                  QFontMetrics(caption->font()).horizontalAdvance("<i>Out</i>(F)"));
        EXPECT_EQ(Button("buCorF")->text(), "&Show Celcius");
        fahrenheit = Number("laTture0");
        Click("buCorF");
      });
  d.Step(
      "Celsius shown", [] { return Button("buCorF")->text() == "&Show F'heit"; },
      [&] {
        EXPECT_EQ(Widget<QLabel>("WM033fControl", "laTxtTture0")->text(), "<i>Out</i>(C)");
        EXPECT_EQ(Widget<QLabel>("WM033fControl", "laTxtTture1")->text(), "In(C)");
        EXPECT_NEAR(Number("laTture0") * 1.8 + 32, fahrenheit, 0.5);
        Click("buCorF");
      });
  d.Step(
      "Fahrenheit again", [] { return Button("buCorF")->text() == "&Show Celcius"; },
      [] { EXPECT_EQ(Widget<QLabel>("WM033fControl", "laTxtTture1")->text(), "In(F)"); });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

// Types a text into the open input box and answers it.
void Answer(QDialog& box, const QString& text, QMessageBox::StandardButton which) {
  if (QLineEdit* edit = box.findChild<QLineEdit*>()) QTest::keyClicks(edit, text);
  Driver::Press(box, which);
}

TEST(Controls, CommentBoxesOkAndCancel) {
  GuiStation s;
  Driver d;
  d.Step("running", Running(s), [] { Click("buInsCmnt"); });
  d.OnBox("What you enter will be prefixed",
          [](QDialog& box) { Answer(box, "Gate <b>open</b>", QMessageBox::Ok); });
  d.Step("", NoBox(), [] { Click("buInsCmnt"); });
  d.OnBox("What you enter will be prefixed",
          [](QDialog& box) { Answer(box, "never written", QMessageBox::Cancel); });
  // Operator message 1: a line, no time limit.
  d.Step("", NoBox(), [] { Click("buCommentInHTML"); });
  d.OnBox("Enter the line you want included",
          [](QDialog& box) { Answer(box, "Hedge cut today", QMessageBox::Ok); });
  d.OnBox("Set time limit for display?", [](QDialog& box) { Driver::Press(box, QMessageBox::No); });
  d.Step("the page written with the message",
         [&] { return NoBox()() && Contains(s.Read("web/WM033BC.htm"), "Hedge cut today"); });
  // Operator message 2 cancelled all the way: no line, the lifetime box takes its default.
  d.Step("", NoBox(), [] { Click("buComment2InHTML"); });
  d.OnBox("Enter the line you want included",
          [](QDialog& box) { Answer(box, "not this", QMessageBox::Cancel); });
  d.OnBox("Set time limit for display?",
          [](QDialog& box) { Driver::Press(box, QMessageBox::Cancel); });
  d.OnBox("Next you will set how long", [](QDialog& box) { Driver::Press(box, QMessageBox::Ok); });
  d.OnBox("For how many days?", [](QDialog& box) { Answer(box, "", QMessageBox::Cancel); });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
  const auto log = s.Lines("WM33DtLg.txt");
  std::vector<std::string> comments;
  for (const std::string& l : log)
    if (l.compare(0, 2, "cm") == 0 && Contains(l, " By hand: ")) comments.push_back(l);
  ASSERT_EQ(comments.size(), 2u);
  EXPECT_EQ(comments[0].substr(comments[0].find(" By hand: ")), " By hand: Gate <b>open</b>");
  // Cancel writes the comment line with an empty text.
  EXPECT_EQ(comments[1].substr(comments[1].find(" By hand: ")), " By hand: ");
  const std::string page = s.Read("web/WM033BC.htm");
  EXPECT_TRUE(Contains(page, "Hedge cut today"));
  EXPECT_FALSE(Contains(page, "not this"));
}

// Pixels of the outdoor temperature's colour on the screen, in the graph pane's row 216 from
// column x0 to x1.
int RedOnScreen(int x0, int x1) {
  QWidget* pane = Widget<QWidget>("WM033f1", "imMainGraphPane");
  const QPoint at = pane->mapToGlobal(QPoint(0, 0));
  const QImage shot =
      QApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 780, 237).toImage();
  int red = 0;
  for (int x = x0; x < x1; ++x)
    if (shot.pixelColor(x, 216) == QColor(255, 0, 0)) ++red;
  return red;
}

// The demo station as it starts on a 1366 x 768 screen: all three windows and the whole graph
// pane visible at once, the pane on the screen showing the history the start-up reloaded.
TEST(Controls, DemoLayoutShowsTheWholeGraphWithItsHistory) {
  GuiStation s;
  const double now = EncodeDayCount(2012, 8, 23, 14, 5);
  s.SetEnv("WM033_CLOCK_START", "2012-08-23 14:05:00");
  // Three days of outdoor temperature at 20.00 C, every 10 minutes: a red line at y = 216.
  std::string log = s.Read("WM33DtLg.txt");
  for (double t = now - 3.0; t < now - 0.02; t += 10.0 / 1440)
    log += TemperatureRecord(0, TimeStampOf(DecodeDayCount(t)), 20.0f) + "\r\n";
  s.Write("WM33DtLg.txt", log);
  Driver d;
  d.Step(
      "running, the windows placed by the demo's scheme A",
      [&] {
        return Running(s)() && SameFrame(Window("WM033f1"), {0, 0, 790, 410}) &&
               SameFrame(Window("WM033ErrDisp"), {792, 0, 574, 662}) &&
               SameFrame(Window("WM033fControl"), {0, 412, 790, 250});
      },
      [] {
        QWidget* pane = Widget<QWidget>("WM033f1", "imMainGraphPane");
        const QRect on_screen(pane->mapToGlobal(QPoint(0, 0)), pane->size());
        ASSERT_EQ(on_screen.size(), QSize(780, 237));
        const QRect screen = QApplication::primaryScreen()->geometry();
        EXPECT_TRUE(screen.contains(on_screen));
        // The three windows side by side on the screen, none over another.
        const char* names[3] = {"WM033f1", "WM033ErrDisp", "WM033fControl"};
        for (int i = 0; i < 3; ++i) {
          const QRect a = Window(names[i])->frameGeometry();
          EXPECT_TRUE(screen.contains(a)) << names[i];
          for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(a.intersects(Window(names[j])->frameGeometry())) << names[i] << names[j];
        }
        // The numeric display's reading strip is whole.
        QWidget* strip_end = Widget<QWidget>("WM033fControl", "laOnOff2");
        EXPECT_TRUE(Window("WM033fControl")
                        ->frameGeometry()
                        .contains(QRect(strip_end->mapToGlobal(QPoint(0, 0)), strip_end->size())));
      });
  // What the screen shows in the pane (once it is painted): the reloaded line, from 3 days back
  // (x = 530) to now, and nothing of it before.
  d.Step(
      "the screen showing the reloaded line", [] { return RedOnScreen(535, 775) >= 216; },
      [] { EXPECT_EQ(RedOnScreen(20, 500), 0); });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

TEST(Controls, FileNameWarningWindowClosesAndIsFreed) {
  GuiStation s;
  s.Write("WM33/anything.txt", "");  // a folder "C:\\WM33" beside the station's files
  Driver d;
  d.Step(
      "the warning shown",
      [&] {
        QMainWindow* warn = Window("wm033warnF1");
        return Running(s)() && warn && warn->isVisible();
      },
      [] {
        EXPECT_EQ(Window("wm033warnF1")->windowTitle(), "WM033 Warning about file names");
        QTest::mouseClick(Widget<QPushButton>("wm033warnF1", "buClose"), Qt::LeftButton);
      });
  d.Step("the warning gone", [&] { return !Window("wm033warnF1") && !s.form->wm033warnF1; });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

}  // namespace
}  // namespace wm033::guitest
