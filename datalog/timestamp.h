// Day-count date-times (days since 30 Dec 1899, the fraction being the time of day) and the two
// text forms made of them: the compact 8-character data log stamp and the readable form used on
// the page and the graph. Neither depends on the locale.
#pragma once

#include <string>

namespace wm033 {

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Splits a day count into its calendar parts (rounded to the millisecond).
DateTimeParts DecodeDayCount(double dt);
// Builds a day count; the parts are not checked (see IsValidDateTime).
double EncodeDayCount(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);
bool IsValidDateTime(int year, int month, int day, int hour, int minute);
int DaysInMonth(int year, int month);

// "12h23o05" for 23 Aug 2012 14:05: year mod 100, month letter, day, hour letter, minutes.
std::string TimeStampOf(const DateTimeParts& p);
// "23-Aug-2012, 14:05" and, with seconds, "23-Aug-2012, 14:05:37".
std::string ReadableDateTimeOf(const DateTimeParts& p, bool with_seconds);
// The main window's time-of-day line: " 9:05:07        7/ 3/2012".
std::string TimeOfDayText(const DateTimeParts& p);

}  // namespace wm033
