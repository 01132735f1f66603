// The profile reader reads settings files as the Windows profile functions do.
#include <gtest/gtest.h>

#include "config/profile.h"

namespace wm033::config {
namespace {

TEST(Profile, NamesIgnoreCaseValuesAreTrimmedAndTheFirstKeyWins) {
  const Profile p = Profile::FromText(
      "abWM033ini2 marker\r\n"
      "bcp=before any section\r\n"
      "[ LineOffsetScale ]\r\n"
      "  P1A =  190  \r\n"
      "p1a=5\r\n"
      "\tname\t=\tOut \t\r\n"
      "empty=\r\n"
      "no equals sign here\r\n"
      "quoted=\"  kept blanks  \"\r\n"
      "half=\"open\r\n"
      "eq=a=b\r\n"
      "[sbc]\r\n"
      "bch=page.htm\r\n"
      "[LINEOFFSETSCALE]\r\n"
      "late=1\r\n");
  EXPECT_EQ(p.Find("lineoffsetscale", "p1a"), "190");
  EXPECT_EQ(p.Find("LineOffsetScale", "name"), "Out");
  EXPECT_EQ(p.Find("LineOffsetScale", "empty"), "");
  EXPECT_EQ(p.ReadString("LineOffsetScale", "empty", "-"), "") << "present but empty";
  EXPECT_EQ(p.ReadString("LineOffsetScale", "absent", "-"), "-");
  EXPECT_EQ(p.Find("LineOffsetScale", "no equals sign here"), std::nullopt);
  EXPECT_EQ(p.Find("LineOffsetScale", "quoted"), "  kept blanks  ");
  EXPECT_EQ(p.Find("LineOffsetScale", "half"), "\"open");
  EXPECT_EQ(p.Find("LineOffsetScale", "eq"), "a=b");
  EXPECT_EQ(p.Find("LineOffsetScale", "late"), "1") << "a repeated section continues";
  EXPECT_EQ(p.Find("sbc", "bcp"), std::nullopt) << "lines before the first section";
  EXPECT_EQ(p.Find("SBC", "BCH"), "page.htm");
}

TEST(Profile, LineEndsAndOddBytes) {
  const std::string nul("[a]\rk=v\0w\nx=1\r\n[b\n y = 2", 24);
  const Profile p = Profile::FromText(nul);
  EXPECT_EQ(p.Find("a", "k"), std::string("v\0w", 3));
  EXPECT_EQ(p.Find("a", "x"), "1");
  EXPECT_EQ(p.Find("b", "y"), "2") << "a section without its ] and a last line without an end";
  const Profile binary = Profile::FromText("\xff\xfe\n[\xe9t\xe9]\n\x80=\x81");
  EXPECT_EQ(binary.Find("\xe9t\xe9", "\x80"), "\x81");
}

TEST(Profile, IntegersAreWholeNumbersOnly) {
  const Profile p = Profile::FromText(
      "[s]\nplain=600\nneg=-3\nplus=+7\nfrac=1.5\ntail=12abc\nhex=0x10\nblank=\n"
      "big=2147483648\nmin=-2147483648\nsigns=+-1\nspaced=1 2\n");
  EXPECT_EQ(p.ReadInteger("s", "plain", 9), 600);
  EXPECT_EQ(p.ReadInteger("s", "neg", 9), -3);
  EXPECT_EQ(p.ReadInteger("s", "plus", 9), 7);
  EXPECT_EQ(p.ReadInteger("s", "min", 9), INT32_MIN);
  for (const char* k : {"frac", "tail", "hex", "blank", "big", "signs", "spaced", "absent"})
    EXPECT_EQ(p.ReadInteger("s", k, 9), 9) << k;
}

TEST(Profile, RealNumbersUseAFullStop) {
  double d = 0;
  EXPECT_TRUE(ParseRealNumber("1.5", d));
  EXPECT_DOUBLE_EQ(d, 1.5);
  EXPECT_TRUE(ParseRealNumber(".5", d));
  EXPECT_DOUBLE_EQ(d, 0.5);
  EXPECT_TRUE(ParseRealNumber("-2", d));
  EXPECT_DOUBLE_EQ(d, -2);
  for (const char* bad : {"", "x", "1,5", "inf", "nan", "1e999", "1.5 days", "+-1", "0x1p3"})
    EXPECT_FALSE(ParseRealNumber(bad, d)) << bad;
}

}  // namespace
}  // namespace wm033::config
