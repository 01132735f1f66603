// Routines whose subsystems have not landed yet. Each line goes when its routine is written in
// the folder of its subsystem.
#include "app/wm033f1.h"

namespace wm033 {

// config/
bool TWM033f1::ReadSensorConfig() { return true; }
void TWM033f1::StartSensorHardware() { ReadSensorConfig(); }
void TWM033f1::SetDefaultSettings() {}
bool TWM033f1::ReadSettingsFile() { return true; }
float TWM033f1::siSecToDT(int32_t seconds) { return seconds < 5 ? 0.0f : seconds / 86400.0f; }
uint32_t TWM033f1::ParseColourSpec(int, const std::string&) { return 16777216; }
bool TWM033f1::ParseWindowGeometry(int, int, const std::string&) { return true; }
void TWM033f1::ApplySchemeA() {}
void TWM033f1::SchemeA1Click() {}
void TWM033f1::SchemeB1Click() {}
void TWM033f1::buHelpClick() {}
void TWM033f1::buCopyrightClick() {}
void TWM033f1::Overview1Click() {}
void TWM033f1::Legacy1Click() {}
void TWM033f1::Modern1Click() {}

// onewire/
void TWM033f1::DMLGetCount(uint8_t, uint8_t, uint32_t& count, uint16_t& code, int32_t&) { count = 0; code = 0; }
void TWM033f1::DML2450Init(uint8_t, uint16_t& code, int32_t&) { code = 0; }
void TWM033f1::DMLGet2540ADC(uint8_t, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d, uint16_t& code, int32_t&) { a = b = c = d = 999; code = 0; }
void TWM033f1::BNW25Apr12FirstTturesEtc(uint8_t, uint8_t, uint16_t& code, uint8_t&, uint8_t&, uint8_t&, uint8_t&, uint16_t&, int16_t&) { code = 0; }
void TWM033f1::TakeABNWTture(uint8_t, uint16_t& code, float& t) { code = 0; t = 0; }
void TWM033f1::Read2438(uint8_t, float& v, float& t, uint16_t& code, int16_t&) { v = t = 0; code = 0; }
float TWM033f1::ConvertRawTture(uint8_t, uint8_t, uint8_t, uint16_t& code) { code = 0; return 0; }
float TWM033f1::ReadTtureChannel(uint8_t) { return 255; }
void TWM033f1::WaitMs(uint16_t) {}
void TWM033f1::Button1Click() {}
void TWM033f1::Button2Click() {}

// sensors/
void TWM033f1::LookAtWindSpeed() {}
void TWM033f1::LookAtAndDealWithRainfallCount() {}
void TWM033f1::LookLightning() {}
void TWM033f1::LookAtWindDir() {}
void TWM033f1::LogWindTallies() {}
void TWM033f1::LookAtAndDealWithBaro() {}
void TWM033f1::LookAtAndDealWithHum() {}
void TWM033f1::LookOnOff(int) {}
void TWM033f1::LookAtTture(int) {}

// datalog/
void TWM033f1::OpenDataLog() {}
bool TWM033f1::WriteDataLogLine(const std::string&) { return false; }
void TWM033f1::CloseDataLog() { fDataLog.Close(); }
void TWM033f1::buInsCmntClick() {}
void TWM033f1::ReloadHistory() {}
void TWM033f1::DecodeHistoryRecord(const std::string&) {}

// display/
uint16_t TWM033f1::wYCoord(uint32_t, int) { return 236; }
uint16_t TWM033f1::TemperatureY(int, float) { return 236; }
uint16_t TWM033f1::AnalogueY(int, int32_t) { return 236; }
uint16_t TWM033f1::OnOffY(int, int32_t) { return 236; }
void TWM033f1::PlotReading(int, Colour) {}
void TWM033f1::DrawBar(Colour, int, int) {}
int TWM033f1::TimeToX(double) { return 0; }
void TWM033f1::DrawDayLine(double) {}
void TWM033f1::ScrollGraph() {}
void TWM033f1::StampGraph() {}
void TWM033f1::AddRecentReadings(const std::string&, float, float) {}
void TWM033f1::InitPageTable() {}
void TWM033f1::InitChannelLabels() {}
void TWM033f1::SetReadingColours() {}
void TWM033f1::buCorFClick() {}
float TWM033f1::ToFahrenheit(float x) { return x == 999.0f ? x : static_cast<float>(x * 1.8L + 32); }
std::string TWM033f1::FormatReading(long double, int) { return {}; }
void TWM033f1::DrawWindDial(int) {}

// webpage/
void TWM033f1::WriteWebPage() {}
void TWM033f1::SaveGraphImage() {}
void TWM033f1::ChooseQuote(std::string& q, std::string& s) { q.clear(); s.clear(); }
void TWM033f1::LoadQuotesLibrary() {}
void TWM033f1::CleanQuotesLibrary() {}
void TWM033f1::buCommentInHTMLClick() {}
void TWM033f1::buComment2InHTMLClick() {}
void TWM033f1::ExpireMessages() {}

}  // namespace wm033
