#include "datalog/timestamp.h"

#include <cmath>
#include <cstdio>

namespace wm033 {
namespace {

// Days from 1 Jan 1970 for a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kEpoch1899 = -25569;  // 30 Dec 1899 counted from 1 Jan 1970
constexpr long long kMsPerDay = 86400000;

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

DateTimeParts DecodeDayCount(double dt) {
  DateTimeParts p;
  if (!std::isfinite(dt)) return p;
  // Whole milliseconds since the epoch day, so that 23:59:59.9996 rounds into the next day.
  const long long total_ms = std::llround(dt * static_cast<double>(kMsPerDay));
  long long days = total_ms / kMsPerDay;
  long long ms = total_ms % kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    --days;
  }
  CivilFromDays(days + kEpoch1899, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

double EncodeDayCount(int year, int month, int day, int hour, int minute, int second,
                      int millisecond) {
  const long long days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch1899;
  const double frac = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) /
                      static_cast<double>(kMsPerDay);
  return static_cast<double>(days) + frac;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool IsValidDateTime(int year, int month, int day, int hour, int minute) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

std::string TimeStampOf(const DateTimeParts& p) {
  std::string s = TwoDigits(((p.year % 100) + 100) % 100);
  s += static_cast<char>('a' + p.month - 1);
  s += TwoDigits(p.day);
  s += static_cast<char>('a' + p.hour);
  s += TwoDigits(p.minute);
  return s;
}

std::string ReadableDateTimeOf(const DateTimeParts& p, bool with_seconds) {
  static const char kMonths[] = "xxxJanFebMarAprMayJunJlyAugSepOctNovDec";
  const int m = (p.month >= 1 && p.month <= 12) ? p.month : 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d-%.3s-%04d, %02d:%02d", p.day, kMonths + 3 * m, p.year,
                p.hour, p.minute);
  std::string s = buf;
  if (with_seconds) s += ":" + TwoDigits(p.second);
  return s;
}

std::string TimeOfDayText(const DateTimeParts& p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2d:%02d:%02d       %2d/%2d/%d", p.hour, p.minute, p.second,
                p.day, p.month, p.year);
  return buf;
}

}  // namespace wm033
