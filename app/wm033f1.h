// The main window, TWM033f1. It owns every piece of run-time state of the program and the
// routines that work on it. Its member functions are defined in the folder of their subsystem:
//   app/       start-up, shutdown, windows, the cycle and error reporting
//   config/    sensor configuration file, settings file, window schemes, help texts
//   onewire/   device routines on the TMEX calls (the base class onewire::DeviceRoutines holds
//              them and the 1-Wire state; it knows no form)
//   sensors/   the measurement routines
//   datalog/   data log writing and the history reload
//   display/   graph and numeric display
//   webpage/   page, image, quotes and operator messages
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/error_repeats.h"
#include "app/forms.h"
#include "forms/components.h"
#include "mqtt/station_mqtt.h"
#include "onewire/device_routines.h"
#include "outputs/snapshot.h"
#include "outputs/station_outputs.h"
#include "platform/durable_file.h"
#include "platform/environment.h"
#include "platform/platform.h"

namespace wm033 {

using forms::Colour;
using forms::Image;
using forms::MenuItem;
using forms::Timer;

constexpr const char* kVersion = "23Aug12c";
constexpr int kChannels = onewire::kChipSlots;
constexpr int kGraphWidth = 780;
constexpr int kGraphHeight = 237;
constexpr uint32_t kNoneYet = 268435455;  // 0FFFFFFF: a last bar value not yet known
constexpr float kNotRead = 999.0f;        // a temperature never read
constexpr uint16_t kSquashFactor = 10000;

// One line of the page's recent-readings table.
struct RecentReading {
  float t0 = 999.0f;
  float t1 = 999.0f;
  std::string unit = "C";
  std::string time = "Not Read Yet";
  int32_t onoff1 = 999999;
};

// One of the page's extra images (second, third, fourth).
struct ExtraImageSpec {
  std::string caption;
  std::string name = "qzrroguenotfound.jpg";
  std::string alt;
  std::string width = "80";
};

class TWM033f1 : public forms::Form, public onewire::DeviceRoutines {
 public:
  // The main window needs the other two long-lived windows (created before it) and the platform.
  TWM033f1(Platform& platform, const Environment& env, TWM033fControl& control,
           TWM033ErrDisp& errdisp);
  ~TWM033f1() override;

  const Environment& env() const { return env_; }
  TWM033fControl& WM033fControl;
  TWM033ErrDisp& WM033ErrDisp;
  std::unique_ptr<Twm033warnF1> wm033warnF1;  // created only when needed

  // ---- Components ---------------------------------------------------------------------------
  Label laMsgs, laTOD, laCycle, laText4, laBNW, laWatchForCrash;
  Image imMainGraphPane, iWindDial;
  Memo meFile, meHTML, meQuotesLib;
  Button buQuit, buCorF, buInsCmnt, buHelp, buCopyright, buCommentInHTML, buComment2InHTML;
  Button Button1, Button2;
  Timer Timer1;
  MenuItem MainMenu1, Quit1, Restack1, SchemeA1, SchemeB1, About1, Ini2Info1, Overview1, Legacy1,
      Modern1, Help1;

  // ---- Start-up, shutdown and windows (app/wm033f1.cpp) ---------------------------------------
  void FormCreate();  // the start-up sequence
  void InitState();
  void ResetGraphStep();
  void buQuitClick();
  void Quit1Click() { buQuitClick(); }
  void FormClose();  // closing the main window by its frame
  void FormResize();
  void ErrDispFormClose();   // closing the error window
  void OnInstanceMessage();  // a second copy asked us to come to the front
  bool StartupComplete() const { return bStartupComplete; }

  // ---- Cycle (app/cycle.cpp) ------------------------------------------------------------------
  void Timer1Timer();
  void RunCycle();
  bool IsGraphStepDue();
  bool IsPageDue();
  bool IsImageDue();
  void CheckQuitRequest();
  void WriteMachineComment();
  void ExpireMessages();  // webpage/operator_messages.cpp
  void RunSlot(int slot);

  // ---- Messages and error log (app/error_report.cpp) ------------------------------------------
  // A numbered line for every report; a text that repeats within the hour is counted and told
  // of in an hourly summary line instead (app/error_repeats.h).
  void ReportError(const std::string& message) override;
  void ReportDallasError(const std::string& message, uint16_t code, int32_t tmex_result) override;
  void EstablishErrorLog();
  // Opens (creating it with its header when missing) the error log and writes the early lines.
  void OpenErrorLog();
  void CloseErrorLog();
  // Writes the summary lines of repeated errors that are due (all that are owed with `flush`);
  // the cycle calls it once per cycle.
  void ReportRepeatedErrors(bool flush = false);
  void PutErrorLine(const std::string& line);
  // A last-resort trap caught something: show the tag and what was caught.
  void ShowTrap(const std::string& what) override;

  // ---- Time stamps (datalog/timestamp.cpp has the pure parts) ---------------------------------
  std::string MakeTimeStamp();
  std::string MakeReadableDateTime(bool with_seconds);

  // ---- Configuration (config/) ----------------------------------------------------------------
  bool ReadSensorConfig();
  void StartSensorHardware();
  void SetDefaultSettings();
  bool ReadSettingsFile();
  float siSecToDT(int32_t seconds);
  uint32_t ParseColourSpec(int channel, const std::string& text);
  bool ParseWindowGeometry(int scheme, int window, const std::string& text);
  void ApplySchemeA();
  void SchemeA1Click();
  void SchemeB1Click();
  void buHelpClick();
  void buCopyrightClick();
  void Overview1Click();
  void Legacy1Click();
  void Modern1Click();

  // ---- 1-Wire device routines (onewire/, inherited) -------------------------------------------
  // The test buttons (app/test_buttons.cpp) and what the routines show on this form.
  void Button1Click();
  void Button2Click();
  void ShowBnwStatus(const std::string& text) override { laBNW.SetCaption(text); }
  // Their reads, counted per configuration line (outputs/station_outputs.cpp).
  void ReadBegins(int line) override;
  void ReadEnds(int line, uint16_t code, bool trapped) override;
  void ReadAbandoned() override;

  // ---- Sensors (sensors/) ---------------------------------------------------------------------
  void LookAtWindSpeed();
  void LookAtAndDealWithRainfallCount();
  void LookLightning();
  void LookAtWindDir();
  void DrawWindDial(int d);  // display/wind_dial.cpp
  void LogWindTallies();
  void LookAtAndDealWithBaro();
  void LookAtAndDealWithHum();
  void LookOnOff(int n);
  // One on/off reading applied at column x: the change rules, the trace by plot style, the
  // remembered state (the live reading and the history reload share it).
  void ApplyOnOffReading(int n, int x, int32_t count);
  void LookAtTture(int c);

  // ---- Data log (datalog/) --------------------------------------------------------------------
  void OpenDataLog();
  // Appends one line and makes it durable; false (with a numbered error line) when it failed.
  bool WriteDataLogLine(const std::string& line);
  void CloseDataLog();
  void buInsCmntClick();
  void ReloadHistory();
  void DecodeHistoryRecord(std::string_view line);

  // ---- Display (display/) ---------------------------------------------------------------------
  uint16_t wYCoord(uint32_t raw, int channel);
  uint16_t TemperatureY(int channel, float v);
  uint16_t AnalogueY(int channel, int32_t v);
  uint16_t OnOffY(int channel, int32_t n);
  void PlotReading(int y, Colour colour);
  void DrawBar(Colour colour, int x, int height);
  int TimeToX(double t);
  void DrawDayLine(double t);
  void ScrollGraph();
  void StampGraph();
  void AddRecentReadings(const std::string& unit, float t0, float t1);
  void InitPageTable();
  void InitChannelLabels();
  void SetReadingColours();
  void buCorFClick();
  void ToggleUnits() { buCorFClick(); }
  float ToFahrenheit(float x);
  std::string FormatReading(long double value, int digits);

  // ---- Web page (webpage/) --------------------------------------------------------------------
  void WriteWebPage();
  void SaveGraphImage();
  void ChooseQuote(std::string& quote, std::string& source);
  void LoadQuotesLibrary();
  void CleanQuotesLibrary();
  void buCommentInHTMLClick();
  void buComment2InHTMLClick();

  // ---- Outputs beside the page: health, readings file, health page, PNG (outputs/) -----------
  outputs::StationSnapshot TakeSnapshot();
  std::string ReadingsDocument();  // the readings file's content, from the state as it is now
  void WriteReadingsFile();        // also tells Outputs.on_readings
  void WriteHealthPage();
  void SaveGraphPng();
  bool IsReadingsDue();
  void ApplyOutputSettings(std::string_view settings_text);
  void NoteHealthChange(const outputs::StateChange& change);
  void NoteHealthSummary();

  // ---- MQTT (mqtt/) ---------------------------------------------------------------------------
  void ReadMqttSettings(std::string_view settings_text);
  void StartMqtt();    // once the sensor configuration is known
  void ServiceMqtt();  // every cycle: the link's lines, the state message when due
  void StopMqtt();     // "offline" and a clean disconnect

  // ==== State ==================================================================================
  // Start-up and shutdown.
  bool bCycleReady = false;
  bool bQuitting = false;
  bool bErrorLogOn = false;
  // Error lines reported before the error log is established (the sensor hardware starts
  // first); they are written to the log once it is, so its numbers start at 1 in every run.
  bool bErrorLogPending = true;
  std::vector<std::string> vsEarlyErrorLines;
  bool bDataLogOpen = false;
  bool bDataLogBusy = false;
  bool bStartupComplete = false;
  bool bInCycle = false;
  int64_t iSlowestCycleUs = 0;  // real time of the slowest cycle so far
  int32_t liCycleCount = 1;
  std::array<std::string, 32> CompassNames;

  // Cycle timing (day counts) and intervals.
  double dtNextColumn = 0;
  double dtColumnPeriod = 0;
  double dtNextPage = 0;
  double dtNextImage = 0;

  // Error reporting.
  uint16_t wErrorCount = 0;  // sExceptionTag is in onewire::DeviceRoutines
  std::string sErrorLogName = "C:/WM33ErLg.txt";
  DurableFile fErrorLog;
  bool bErrorLogWriteFailed = false;  // the notice about a failed log write was shown
  ErrorRepeats errRepeats;            // errors counted instead of written again

  // Sensor configuration file (the port, type and chips are in onewire::DeviceRoutines).
  std::array<uint8_t, kChannels> bCounterPage{};  // used for the counter slots 5, 6, 7, 11, 12
  uint8_t bWindDirTable = 0;
  uint8_t bWindDirRotation = 9;

  // Settings file.
  std::string sTitlePrefix;
  std::string sPageFolder = "C:\\";
  std::string sPageFile = "WM033BC.htm";
  std::string sImageFile = "WM033BC.jpg";
  int32_t iPageIntervalSecs = 0;
  float rsPageInterval = 0;
  int32_t iImageIntervalSecs = 0;
  float rsImageInterval = 0;
  std::array<ExtraImageSpec, 5> ExtraImage;  // 2, 3, 4 used
  std::array<std::string, kChannels> sFieldLabel;
  std::array<Colour, kChannels> clChannel{};
  std::array<uint16_t, kChannels> wLineOffset{};
  std::array<uint16_t, kChannels> wLineScale{};
  std::array<bool, kChannels> boBarGraph{};
  std::array<uint8_t, kChannels> bPlotStyle{};
  int32_t iWinGeom[2][3][4] = {};    // scheme A/B, window 1..3, left/top/width/height
  std::string sMsgText1, sMsgText2;  // settings copies of the operator messages
  double dtMsgExpiry1 = 0, dtMsgExpiry2 = 0;
  bool bSettingsOk = true;
  std::string sDataLogName = "C:/WM33DtLg.txt";
  Colour clSilver = forms::RGB(192, 192, 192);
  Colour clWhite = forms::RGB(255, 255, 255);
  Colour clAqua = forms::RGB(0, 255, 255);
  int32_t iWindLowThreshold = 300;
  int32_t iWindHighThreshold = 5500;
  uint16_t wWindDivisor = 150;

  // Wind speed, rainfall, lightning.
  int32_t lWindSpeedCount = 0, lRainCount = 0, lLightningCount = 0;
  int32_t lWindSpeedLogged = 0, lRainLogged = 0, lLightningLogged = 0;
  int32_t nWindSpeedCalls = 0, nRainCalls = 0, nLightningCalls = 0;

  // Wind direction.
  uint8_t bLastRawWindDir = 16;
  uint8_t bDisplayedWindDir = 16;
  std::array<uint16_t, 17> wWindDirTally{};
  uint16_t wWindDirReadings = 0;  // successful readings since the last "wd" record
  std::array<int, 16> iDialX{}, iDialY{}, iDialX2{}, iDialY2{};

  // Pressure and humidity.
  float rsBaroLatest = 0, rsHumLatest = 0;
  int16_t siBaroLatest = 0, siHumLatest = 0;
  int32_t nBaroReadings = 0, nHumReadings = 0;

  // On/off channels 1 and 2 (index 0 unused).
  std::array<int32_t, 3> lOnOffCount{}, lOnOffPrev{}, nOnOffCalls{};
  std::array<bool, 3> bOnOffSeen{}, bOnOffPrevChanged{};

  // Temperatures.
  std::array<float, 5> rsTtureLatest{999.0f, 999.0f, 999.0f, 999.0f, 999.0f};
  std::array<int32_t, 5> nTtureCalls{};
  bool bShowCelsius = false;

  // Data log.
  DurableFile fDataLog;
  bool bIoFailure = false;
  std::array<bool, kChannels> bColumnLogged{};

  // History reload.
  bool bReloadInProgress = false;
  bool bReloadStop = false;
  int iReloadSkipped = 0;            // damaged records skipped by the reload in progress
  int iReloadLongTallies = 0;        // "wd" records too long to restore the tallies from
  bool bReloadTalliesTaken = false;  // the newest "wd" record's tallies were restored
  int iReloadFd = -1;
  uint32_t lLastWindBar = kNoneYet, lLastRainBar = kNoneYet, lLastLightningBar = kNoneYet;
  bool bRainBarDrawn = true, bLightningBarDrawn = true;

  // Graph.
  double dtReference = 0;
  float rsDayMarker = 0;
  int32_t liColumnCount = 0;
  std::array<RecentReading, 8> RecentReadings;

  // Web page and operator messages (live copies).
  std::string sPrevQuote;
  bool bPageFolderSwept = false;  // temporary files of an interrupted publish were looked for
  std::string sHtmlMsg1, sHtmlMsg2;
  double dtHtmlExpiry1 = 0, dtHtmlExpiry2 = 0;

  // Health of the configuration lines, readings file and calibrations.
  outputs::StationOutputs Outputs;
  mqtt::StationMqtt Mqtt;

 private:
  std::unique_ptr<onewire::Tmex> MakeStationTmex();
  const Environment& env_;
};

}  // namespace wm033
