// The main window: its components, the start-up sequence, the ways the program ends and the
// rules that keep the three long-lived windows' states together.
#include "app/wm033f1.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "datalog/records.h"
#include "datalog/timestamp.h"
#include "onewire/tmex.h"
#include "onewire/tmex_factory.h"

namespace wm033 {

namespace {
constexpr const char* kClosingNotice =
    "The settings file C:\\WM033\\WM033ini2.txt has a problem (see the messages before this "
    "one). The program will close once start-up has finished. Correct the file and start the "
    "program again.";
}  // namespace

TWM033f1::TWM033f1(Platform& platform, const Environment& env, TWM033fControl& control,
                   TWM033ErrDisp& errdisp)
    : Form("WM033f1", {269, 91, 738, 443}, ""),
      DeviceRoutines(platform),
      WM033fControl(control),
      WM033ErrDisp(errdisp),
      laMsgs("laMsgs", {4, 2, 730, 16}, "", forms::Align::Left, true),
      laTOD("laTOD", {4, 259, 220, 16}, "", forms::Align::Centre),
      laCycle("laCycle", {230, 259, 80, 16}),
      laText4("laText4", {312, 259, 140, 16}, "cycles since boot"),
      laBNW("laBNW", {4, 327, 620, 14}),
      laWatchForCrash("laWatchForCrash", {4, 341, 300, 14}),
      imMainGraphPane("imMainGraphPane", {4, 20, 730, 237}),
      iWindDial("iWindDial", {630, 262, 60, 60}),
      meFile("meFile", {4, 380, 200, 40}),
      meHTML("meHTML", {210, 380, 250, 40}),
      meQuotesLib("meQuotesLib", {466, 380, 250, 40}),
      buQuit("buQuit", {4, 277, 60, 23}, "Quit"),
      buCorF("buCorF", {68, 277, 110, 23}, "&Show Celcius"),
      buInsCmnt("buInsCmnt", {182, 277, 200, 23}, "&Insert Comment in Data File"),
      buHelp("buHelp", {386, 277, 25, 23}, "?"),
      buCopyright("buCopyright", {415, 277, 30, 23}, "(c)"),
      buCommentInHTML("buCommentInHTML", {4, 302, 200, 23}, "&Insert Comment 1 in HTML"),
      buComment2InHTML("buComment2InHTML", {208, 302, 200, 23}, "&Insert Comment 2 in HTML"),
      Button1("Button1", {412, 302, 70, 23}, "Button1"),
      Button2("Button2", {486, 302, 70, 23}, "Button2"),
      Timer1("Timer1"),
      MainMenu1("MainMenu1", ""),
      Quit1("Quit1", "&Quit"),
      Restack1("Restack1", "&Restack"),
      SchemeA1("SchemeA1", "Scheme &A"),
      SchemeB1("SchemeB1", "Scheme &B"),
      About1("About1", "&About"),
      Ini2Info1("Ini2Info1", "&Ini2Info"),
      Overview1("Overview1", "Overview"),
      Legacy1("Legacy1", "Legacy"),
      Modern1("Modern1", "Modern"),
      Help1("Help1", "&Help"),
      env_(env) {
  UseTmex(MakeStationTmex());
  buQuit.SetEnabled(false);
  buQuit.OnClick = [this] { buQuitClick(); };
  buCorF.OnClick = [this] { buCorFClick(); };
  buInsCmnt.OnClick = [this] { buInsCmntClick(); };
  buHelp.OnClick = [this] { buHelpClick(); };
  buCopyright.OnClick = [this] { buCopyrightClick(); };
  buCommentInHTML.OnClick = [this] { buCommentInHTMLClick(); };
  buComment2InHTML.OnClick = [this] { buComment2InHTMLClick(); };
  Button1.OnClick = [this] { Button1Click(); };
  Button2.OnClick = [this] { Button2Click(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  meQuotesLib.SetReadOnly(true);

  Quit1.OnClick = [this] { Quit1Click(); };
  SchemeA1.OnClick = [this] { SchemeA1Click(); };
  SchemeB1.OnClick = [this] { SchemeB1Click(); };
  About1.OnClick = [this] { buCopyrightClick(); };
  Overview1.OnClick = [this] { Overview1Click(); };
  Legacy1.OnClick = [this] { Legacy1Click(); };
  Modern1.OnClick = [this] { Modern1Click(); };
  Help1.OnClick = [this] { buHelpClick(); };
  Restack1.Items = {&SchemeA1, &SchemeB1};
  Ini2Info1.Items = {&Overview1, &Legacy1, &Modern1};
  MainMenu1.Items = {&Quit1, &Restack1, &About1, &Ini2Info1, &Help1};

  OnClose = [this] { FormClose(); };
  OnResize = [this] { FormResize(); };
  WM033ErrDisp.OnClose = [this] { ErrDispFormClose(); };
  WM033fControl.InstanceHook = [this] { OnInstanceMessage(); };
}

TWM033f1::~TWM033f1() {
  // Ended without Quit (a window closed): the counts of repeated errors still reach the log.
  ReportRepeatedErrors(/*flush=*/true);
}

// The TMEX calls of this station: the simulated MicroLan built from the chips of the sensor
// configuration as it is at each session start, or the adapter of the configured port.
std::unique_ptr<onewire::Tmex> TWM033f1::MakeStationTmex() {
  auto plan = [this] {
    onewire::sim::StationPlan p = onewire::PlanFromChips(
        env_.sim_seed, bWindDirTable, bWindDirRotation, bChipRom, sChipId, bCounterPage);
    // The simulated counters keep their counts across restarts, as DS2423s do.
    p.state_file = MapPath(env_, "WM033SimChips.txt").value_or("");
    return p;
  };
  return onewire::MakeTmex(env_, platform_, plan,
                           [this](const std::string& text) { ReportError(text); });
}

void TWM033f1::FormCreate() {
  // 1-2
  Button1.SetVisible(false);
  Button2.SetVisible(false);
  bMicroLanInUse = 0;
  bCycleReady = false;
  bQuitting = false;
  platform_.SeedRandom();
  // 3: the quotes library.
  meQuotesLib.SetVisible(false);
  LoadQuotesLibrary();
  if (!bQuitting) CleanQuotesLibrary();
  // 4-7
  InitPageTable();
  sHtmlMsg1.clear();
  sHtmlMsg2.clear();
  dtHtmlExpiry1 = dtHtmlExpiry2 = 0;
  sMsgText1 = sHtmlMsg1;
  sMsgText2 = sHtmlMsg2;
  dtMsgExpiry1 = dtHtmlExpiry1;
  dtMsgExpiry2 = dtHtmlExpiry2;
  lOnOffCount = {};
  lOnOffPrev = {};
  nOnOffCalls = {};
  bOnOffSeen = {};
  bOnOffPrevChanged = {};
  dtNextImage = platform_.Now();
  dtNextPage = dtNextImage;
  // 8-10
  InitChannelLabels();
  meHTML.SetVisible(false);
  Timer1.SetEnabled(false);
  bDataLogBusy = false;
  liCycleCount = 1;
  InitState();
  // 11: settings.
  SetDefaultSettings();
  if (!ReadSettingsFile()) {
    platform_.ShowMessage(kClosingNotice);
    bQuitting = true;
    platform_.Terminate(kExitFatalConfig);
  }
  // 12-14: the sensor configuration (the program takes no command-line arguments).
  meFile.SetEnabled(false);
  meFile.SetVisible(false);
  meFile.SetBounds({meFile.Bounds().left, meFile.Bounds().top, 1, 1});
  meFile.SetWordWrap(false);
  StartSensorHardware();
  // 15-16
  sHtmlMsg1 = sMsgText1;
  sHtmlMsg2 = sMsgText2;
  dtHtmlExpiry1 = dtMsgExpiry1;
  dtHtmlExpiry2 = dtMsgExpiry2;
  WM033ErrDisp.Repaint();
  // 17-21: the graph pane and the error log.
  bErrorLogOn = true;
  bDataLogOpen = true;
  imMainGraphPane.NewPicture(kGraphWidth, kGraphHeight);
  dtColumnPeriod = 0.012;
  WM033ErrDisp.SetCaption(bErrorLogOn ? "Error messages (Being logged to file). Number at line "
                                        "start is count of errors since program started"
                                      : "Error messages (NOT being logged to file)");
  EstablishErrorLog();
  // 22-23: the data log and its start-up records.
  if (bDataLogOpen) OpenDataLog();
  if (bDataLogOpen) {
    WriteDataLogLine(StartRecord(MakeTimeStamp(), kVersion));
    WriteDataLogLine(WindOptionsRecord(MakeTimeStamp(), bWindDirRotation, bWindDirTable));
  }
  // 24: the start-up diagonal.
  imMainGraphPane.Picture().Line(0, 0, kGraphWidth, 236, forms::RGB(0, 128, 0));
  imMainGraphPane.Repaint();
  // 25: the error window's header lines. The five splash lines sit at the bottom of the list,
  // below any error line reported earlier in start-up; they give way to the two header lines,
  // and the early error lines stay above them, newest first, as every later line will.
  {
    std::vector<std::string>& lines = WM033ErrDisp.Memo1.MutableLines();
    const size_t splash = std::min<size_t>(5, lines.size());
    lines.resize(lines.size() - splash);
    lines.push_back(
        "Errors since program last restarted.... N.B. Not all sensors will have been read until "
        "54 cycles have passed...");
    lines.push_back(
        "And \"WD(a)\" (average wind direction in recent readings) stays \"XXX\" for at least 500 "
        "cycles.");
    WM033ErrDisp.Memo1.Touch();
  }
  // 26-28: the history, then the data log for the run.
  {
    const auto started = std::chrono::steady_clock::now();
    ReloadHistory();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    platform_.Note("history reloaded in " + std::to_string(us / 1000) + "." +
                   std::to_string(us / 100 % 10) + " ms");
  }
  if (bDataLogOpen) OpenDataLog();
  ResetGraphStep();
  // 29-31
  laMsgs.SetCaption("One moment please while first \"wait\" cycle completes...");
  ApplySchemeA();
  SetCaption((sTitlePrefix.empty() ? std::string() : sTitlePrefix + " ") +
             "Weather monitor- WM033" + " Ver: " + kVersion +
             "    (Use \"About\" to get component unit versions)");
  // 32-34 (MQTT first, so that the first page's readings reach the broker too)
  if (!bQuitting) StartMqtt();
  Timer1.SetInterval(1600);
  Timer1.SetEnabled(true);
  WriteWebPage();
  bCycleReady = true;
  bStartupComplete = true;
  // 35: the warning about a "C:\WM33" folder.
  if (auto dir = MapPath(env_, "C:\\WM33"); dir && DirectoryExists(*dir)) {
    wm033warnF1 = std::make_unique<Twm033warnF1>();
    wm033warnF1->OnClose = [this] { wm033warnF1->Closed = true; };
    wm033warnF1->SetVisible(true);
    wm033warnF1->BringToFront();
  }
}

void TWM033f1::InitState() {
  // 1: application title "WM033" and help file "WM033.hlp" are fixed in the views.
  lLastWindBar = lLastRainBar = lLastLightningBar = kNoneYet;
  static const char* kNames[16] = {" N ", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                   "S",   "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
  for (int i = 0; i < 32; ++i) CompassNames[static_cast<size_t>(i)] = kNames[i % 16];
  nTtureCalls = {};
  nWindSpeedCalls = nLightningCalls = nBaroReadings = 0;
  wWindDirReadings = 0;
  wErrorCount = 0;
  bColumnLogged = {};
  rsTtureLatest = {kNotRead, kNotRead, kNotRead, kNotRead, kNotRead};
  bShowCelsius = false;
  Timer1.SetInterval(1600);
  laMsgs.SetCaption("One moment please while program initializes.");
  wWindDirTally = {};
  const double now = platform_.Now();
  dtNextColumn = now + dtColumnPeriod;
  rsDayMarker = static_cast<float>(static_cast<long long>(now));
  // 13: the wind dial's outer and inner points for the 16 directions.
  static const int kX[16] = {30, 37, 47, 53, 60, 53, 47, 37, 30, 23, 13, 7, 0, 7, 13, 23};
  static const int kY[16] = {0, 7, 13, 23, 30, 37, 47, 53, 60, 53, 47, 37, 30, 23, 13, 7};
  static const int kX2[16] = {30, 34, 37, 43, 50, 43, 37, 34, 30, 26, 23, 17, 10, 17, 23, 26};
  static const int kY2[16] = {10, 17, 23, 26, 30, 34, 37, 43, 50, 43, 37, 34, 30, 26, 23, 17};
  for (int d = 0; d < 16; ++d) {
    iDialX[static_cast<size_t>(d)] = kX[d];
    iDialY[static_cast<size_t>(d)] = kY[d];
    iDialX2[static_cast<size_t>(d)] = kX2[d];
    iDialY2[static_cast<size_t>(d)] = kY2[d];
  }
}

void TWM033f1::ResetGraphStep() {
  liColumnCount = 0;
}

void TWM033f1::buQuitClick() {
  buQuit.SetEnabled(false);
  laMsgs.SetCaption("One moment please");
  if (bErrorLogOn) CloseErrorLog();
  bErrorLogOn = false;
  if (bReloadInProgress) {
    if (iReloadFd >= 0) ::close(iReloadFd);
    iReloadFd = -1;
    bReloadInProgress = false;
    bDataLogOpen = false;
  }
  if (bDataLogOpen) CloseDataLog();
  bDataLogOpen = false;
  bQuitting = true;
  NoteHealthSummary();
  StopMqtt();
  platform_.Note(std::to_string(liCycleCount - 1) + " cycles; slowest cycle " +
                 std::to_string(iSlowestCycleUs / 1000) + " ms");
  platform_.Terminate(kExitOk);
}

void TWM033f1::FormClose() {
  // A data log write in progress finishes first.
  while (bDataLogBusy) platform_.WaitForEvents(10);
  bQuitting = true;
  platform_.Terminate(kExitOk);
}

void TWM033f1::FormResize() {
  switch (State()) {
    case forms::WindowState::Maximized:
      SetState(forms::WindowState::Normal);
      break;
    case forms::WindowState::Minimized:
      WM033fControl.SetState(forms::WindowState::Minimized);
      WM033ErrDisp.SetState(forms::WindowState::Minimized);
      break;
    case forms::WindowState::Normal:
      WM033fControl.SetState(forms::WindowState::Normal);
      WM033ErrDisp.SetState(forms::WindowState::Normal);
      break;
  }
}

void TWM033f1::ErrDispFormClose() {
  bQuitting = true;
  platform_.Terminate(kExitOk);
}

void TWM033f1::OnInstanceMessage() {
  // The application's windows are restored together, the main window last, so that it ends in
  // front with the focus.
  WM033fControl.SetState(forms::WindowState::Normal);
  WM033ErrDisp.SetState(forms::WindowState::Normal);
  SetState(forms::WindowState::Normal);
  WM033fControl.BringToFront();
  WM033ErrDisp.BringToFront();
  BringToFront();
}

std::string TWM033f1::MakeTimeStamp() {
  return TimeStampOf(DecodeDayCount(platform_.Now()));
}

std::string TWM033f1::MakeReadableDateTime(bool with_seconds) {
  return ReadableDateTimeOf(DecodeDayCount(platform_.Now()), with_seconds);
}

}  // namespace wm033
