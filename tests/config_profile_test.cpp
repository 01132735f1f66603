// The profile reader reads settings files as the Windows profile functions do. The cases follow
// what those functions are documented and observed to do (the independent implementations'
// conformance tests record the Windows results).
#include <gtest/gtest.h>

#include "config/profile.h"

namespace wm033::config {
namespace {

// The bytes of a literal, NULs included.
template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

// The conformance tests' sample file, with each kind of line end.
TEST(Profile, SampleFileWithEveryKindOfLineEnd) {
  for (const char* end : {"\r\n", "\n", "\r", "\n\r", "\r\r\n"}) {
    std::string text;
    for (const char* line :
         {"[section1]", "name1=val1", "name2=\"val2\"", "name3", "name4=a", "[section2]"})
      text += std::string(line) + end;
    const Profile p = Profile::FromText(text);
    EXPECT_EQ(p.ReadString("section1", "name1", "default"), "val1")
        << ::testing::PrintToString(end);
    EXPECT_EQ(p.ReadString("section1", "NaMe1", "default"), "val1");
    EXPECT_EQ(p.ReadString("section1", "name2", "default"), "val2") << "quotes are stripped";
    EXPECT_EQ(p.ReadString("section1", "name3", "default"), "default") << "no \"=\"";
    EXPECT_EQ(p.ReadString("section1", "name4", "default"), "a");
    EXPECT_EQ(p.ReadString("section1", "notakey", "default"), "default");
    EXPECT_EQ(p.ReadString("section2", "DoesntExist", ""), "");
    EXPECT_EQ(p.ReadString("notasection", "name1", "default"), "default");
  }
  // No line end after the last line, and blank lines in between.
  const Profile p = Profile::FromText("[s]\r\n\r\n\n  \t\r\nk=last");
  EXPECT_EQ(p.Find("s", "k"), "last");
}

TEST(Profile, BlanksQuotesAndEmptyValues) {
  const Profile p = Profile::FromText(
      "abWM033ini2 marker\r\n"
      "bcp=before any section\r\n"
      "[ LineOffsetScale ]\r\n"
      "  P1A =  190  \r\n"
      "\tname\t=\tOut \t\x1A\r\n"
      "inner blank = a  b \r\n"
      "empty=\r\n"
      "blank=   \r\n"
      "quoted=\"  kept blanks  \"\r\n"
      "single='x'\r\n"
      "pair=\"\"\r\n"
      "lone=\"\r\n"
      "half=\"open\r\n"
      "mixed=\"a'\r\n"
      "inside=a\"b\"\r\n"
      "eq=a=b\r\n"
      "  = no name\r\n");
  EXPECT_EQ(p.Find("lineoffsetscale", "p1a"), "190") << "names ignore case and blanks";
  EXPECT_EQ(p.Find("LineOffsetScale", "name"), "Out") << "tabs and Ctrl-Z are blanks";
  EXPECT_EQ(p.Find("LineOffsetScale", "inner blank"), "a  b");
  EXPECT_EQ(p.Find("LineOffsetScale", " NAME\t"), "Out") << "the names looked up are trimmed too";
  EXPECT_EQ(p.ReadString("LineOffsetScale", "empty", "-"), "") << "present but empty";
  EXPECT_EQ(p.ReadString("LineOffsetScale", "blank", "-"), "");
  EXPECT_EQ(p.Find("LineOffsetScale", "quoted"), "  kept blanks  ");
  EXPECT_EQ(p.Find("LineOffsetScale", "single"), "x");
  EXPECT_EQ(p.Find("LineOffsetScale", "pair"), "");
  EXPECT_EQ(p.Find("LineOffsetScale", "lone"), "\"");
  EXPECT_EQ(p.Find("LineOffsetScale", "half"), "\"open");
  EXPECT_EQ(p.Find("LineOffsetScale", "mixed"), "\"a'");
  EXPECT_EQ(p.Find("LineOffsetScale", "inside"), "a\"b\"");
  EXPECT_EQ(p.Find("LineOffsetScale", "eq"), "a=b");
  EXPECT_EQ(p.Find("sbc", "bcp"), std::nullopt) << "lines before the first section";
  EXPECT_EQ(p.ReadString("LineOffsetScale", "absent", "T0 "), "T0 ")
      << "defaults are kept as given";
}

TEST(Profile, RepeatedSectionsAndKeys) {
  const Profile p = Profile::FromText(
      "[sbc]\n"
      "bch=first.htm\n"
      "BCH=second.htm\n"
      "hsi\n"
      "hsi=600\n"
      "[enis]\n"
      "bci=a.jpg\n"
      "[SBC]\n"
      "bcp=D:\\web\n"
      "bch=third.htm\n");
  EXPECT_EQ(p.Find("sbc", "bch"), "first.htm") << "the first line of a key wins";
  EXPECT_EQ(p.ReadInteger("sbc", "hsi", 9), 9)
      << "a key line without \"=\" gives the default and hides the later line";
  EXPECT_EQ(p.Find("sbc", "bcp"), std::nullopt) << "a repeated section is not searched";
  EXPECT_EQ(p.Find("enis", "bci"), "a.jpg");
}

TEST(Profile, SectionHeaders) {
  const Profile p = Profile::FromText(
      "[sbc] the page\n"
      "bch=page.htm\n"
      "[enis\n"
      "bci=in-sbc.jpg\n"
      "[a]b]\n"
      "k=1\n"
      "[x] ; note [y]\n"
      "k=2\n"
      "[  \tHTML Msg  ]\n"
      "Msg=hello\n"
      "[]\n"
      "k=3\n");
  EXPECT_EQ(p.Find("sbc", "bch"), "page.htm") << "text after the \"]\" is ignored";
  EXPECT_EQ(p.Find("enis", "bci"), std::nullopt) << "a header without \"]\" opens no section";
  EXPECT_EQ(p.Find("sbc", "bci"), "in-sbc.jpg") << "its keys stay in the section before";
  EXPECT_EQ(p.Find("sbc", "[enis"), std::nullopt) << "it is a key line without a value";
  EXPECT_EQ(p.Find("a]b", "k"), "1") << "the name runs to the last \"]\"";
  EXPECT_EQ(p.Find("a", "k"), std::nullopt);
  EXPECT_EQ(p.Find("x] ; note [y", "k"), "2");
  EXPECT_EQ(p.Find("html msg", "msg"), "hello");
  EXPECT_EQ(p.Find("HTML Msg", "Msg"), "hello");
}

TEST(Profile, CommentLinesAreKeysNoOneLooksUp) {
  const Profile p = Profile::FromText(
      "[ChannelColors]\n"
      ";p0c=00FF00\n"
      "; p1c=00FF00\n"
      "#p2c=00FF00\n"
      "p3c=0000FF ; blue\n"
      "[;comment]\n");
  EXPECT_EQ(p.Find("ChannelColors", "p0c"), std::nullopt);
  EXPECT_EQ(p.Find("ChannelColors", "p1c"), std::nullopt);
  EXPECT_EQ(p.Find("ChannelColors", "p2c"), std::nullopt);
  EXPECT_EQ(p.Find("ChannelColors", "p3c"), "0000FF ; blue") << "no comments after a value";
  EXPECT_EQ(p.Find("ChannelColors", ";p0c"), "00FF00");
}

TEST(Profile, OddBytesAndEncodings) {
  const std::string nul = Bytes("[a\0x]\rk=v\0w\nx\0y=1\r\n");
  const Profile p = Profile::FromText(nul);
  EXPECT_EQ(p.Find("a", "k"), "v") << "a NUL ends a value";
  EXPECT_EQ(p.Find("a", "x"), "1") << "and a name";

  const Profile binary = Profile::FromText("\x80\n[\xe9t\xe9]\n\x80=\x81\n[\xc9T\xc9]\nk=2");
  EXPECT_EQ(binary.Find("\xe9t\xe9", "\x80"), "\x81") << "bytes are taken as they stand";
  EXPECT_EQ(binary.Find("\xe9T\xe9", "k"), std::nullopt) << "only ASCII letters fold";

  EXPECT_EQ(Profile::FromText("\xEF\xBB\xBF[s]\nk=1").Find("s", "k"), "1") << "UTF-8 mark";
  const std::string le = Bytes("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0\x3D\xD8\x00\xDE");
  EXPECT_EQ(Profile::FromText(le).Find("s", "k"), "\xC3\xA9\xF0\x9F\x98\x80") << "UTF-16 LE";
  const std::string be = Bytes("\xFE\xFF\0[\0s\0]\0\n\0k\0=\0v");
  EXPECT_EQ(Profile::FromText(be).Find("S", "K"), "v") << "UTF-16 BE";
  EXPECT_EQ(Profile::FromText(Bytes("\xFF\xFE[\0s\0]\0\n\0k\0=\0\x00\xDC")).Find("s", "k"),
            "\xEF\xBF\xBD")
      << "a lone surrogate";
}

TEST(Profile, IntegersAreWholeNumbersOnly) {
  const Profile p = Profile::FromText(
      "[s]\nplain=600\nneg=-3\nplus=+7\nfrac=1.5\ntail=12abc\nhex=0x10\nblank=\n"
      "big=2147483648\nmin=-2147483648\nsigns=+-1\nspaced=1 2\nquoted=\"42\"\nnovalue\n");
  EXPECT_EQ(p.ReadInteger("s", "plain", 9), 600);
  EXPECT_EQ(p.ReadInteger("s", "neg", 9), -3);
  EXPECT_EQ(p.ReadInteger("s", "plus", 9), 7);
  EXPECT_EQ(p.ReadInteger("s", "min", 9), INT32_MIN);
  EXPECT_EQ(p.ReadInteger("s", "quoted", 9), 42);
  for (const char* k :
       {"frac", "tail", "hex", "blank", "big", "signs", "spaced", "absent", "novalue"})
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
