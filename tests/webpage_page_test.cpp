// The web page: its figures and table lines, whole pages against golden files, the quote rule,
// and what happens when the page cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/settings.h"
#include "tests/station_fixture.h"
#include "webpage/atomic_file.h"
#include "webpage/page_text.h"

namespace wm033::testing {
namespace {

namespace fs = std::filesystem;

// Compares with tests/golden/page/<name>; WM033_UPDATE_GOLDEN=1 rewrites the file instead.
void ExpectGolden(const std::string& name, const std::string& actual) {
  ExpectGoldenFile(std::string(WM033_SOURCE_DIR) + "/tests/golden/page/" + name, actual);
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A form with a fixed clock, page folder C:\web and a three-line quotes library in which the
// quote to come is decided: the last page showed the other one.
TWM033f1& PageForm(Station& s) {
  s.Write("web/.keep", "");
  fs::remove(s.Path("web/.keep"));
  TWM033f1& f = s.Create();
  f.sPageFolder = "C:\\web";
  f.meQuotesLib.SetLines({"qqClimate is what we expect, weather is what we get.",
                          "qsMark Twain (attributed)",
                          "qqThe best thing one can do when it's raining is to let it rain."});
  f.sPrevQuote = "The best thing one can do when it's raining is to let it rain.";
  return f;
}

ExtraImageSpec Image(const std::string& caption, const std::string& name, const std::string& w) {
  return {caption, name,
          "Picture " + name +
              " (It may not have displayed if in wrong place or "
              "error exists in name spec.)",
          w};
}

TEST(PageText, TemperatureFigures) {
  EXPECT_EQ(FormatPageTemperature(999.0f), "----");
  EXPECT_EQ(FormatPageTemperature(23.46f), "23.5");
  EXPECT_EQ(FormatPageTemperature(19.0f), "19.0");
  EXPECT_EQ(FormatPageTemperature(9.96f), "10.0");
  EXPECT_EQ(FormatPageTemperature(-5.25f), "-5.2");  // 5.25f is exact: ties go to even
  EXPECT_EQ(FormatPageTemperature(-0.04f), "0.0");
  EXPECT_EQ(FormatPageTemperature(123.46f), "123.5");
  EXPECT_EQ(FormatPageTemperature(1830.2f), "1830.0");  // four significant digits
  EXPECT_EQ(FormatPageTemperature(999.96f), "1000.0");
  EXPECT_EQ(FormatPageTemperature(12346.0f), "1.235E+004");
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a decimal comma, where that locale exists
  EXPECT_EQ(FormatPageTemperature(23.46f), "23.5");
  std::setlocale(LC_NUMERIC, "C");
}

TEST(PageText, TableLines) {
  EXPECT_EQ(PageTableLine(RecentReading{}), "  ---- C    ---- C  --at--  Not Read Yet   999999");
  EXPECT_EQ(PageTableLine({23.46f, 19.0f, "C", "23-Aug-2012, 14:05", 123}),
            "  23.5 C    19.0 C  --at--  23-Aug-2012, 14:05   000123");
  EXPECT_EQ(PageTableLine({-12.0f, 104.5f, "F", "t", 1234567}),
            " -12.0 F   104.5 F  --at--  t   1234567");
  EXPECT_TRUE(PageTableLine({0, 0, "C", "t", -5}).ends_with("  t   -000005"));
}

TEST(PageText, FolderGetsItsBackslash) {
  EXPECT_EQ(JoinPageFolder("C:\\web", "a.htm"), "C:\\web\\a.htm");
  EXPECT_EQ(JoinPageFolder("C:\\web\\", "a.htm"), "C:\\web\\a.htm");
  EXPECT_EQ(JoinPageFolder("/srv/www/", "a.htm"), "/srv/www/a.htm");
  EXPECT_EQ(JoinPageFolder("", "a.htm"), "a.htm");
}

TEST(PageText, AttributeValuesCannotEndTheirAttribute) {
  EXPECT_EQ(AttributeText("x.jpg\" onerror=\"alert(1)"), "x.jpg&quot; onerror=&quot;alert(1)");
  EXPECT_EQ(AttributeText("<b>'50'</b>"), "&lt;b&gt;'50'&lt;/b&gt;");
  EXPECT_EQ(AttributeText("Caf&eacute; &#233; &#xE9; &X1;"), "Caf&eacute; &#233; &#xE9; &X1;")
      << "character references the owner wrote stay";
  EXPECT_EQ(AttributeText("a&b &copy.jpg &#; &#x; &1; &"),
            "a&amp;b &amp;copy.jpg &amp;#; &amp;#x; &amp;1; &amp;")
      << "a bare ampersand could be read as a reference";
  EXPECT_EQ(AttributeText("80"), "80");
  EXPECT_EQ(GraphImageLine("a\"b.jpg"),
            "<center><img src=\"a&quot;b.jpg\" alt=\"Graph of Weather Data. If not, prob can't "
            "find file, or you have graphics off.\"></center>");
  // The caption is page text, which may carry HTML.
  const auto lines = ExtraImageLines({"<i>Mast</i>", "m\".jpg", "a\"", "5\""});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "<br><br><center><i>Mast</i></center>");
  EXPECT_EQ(
      lines[1],
      "<br><br><center><img src=\"m&quot;.jpg\" width=\"5&quot;%\" alt=\"a&quot;\"></center>");
}

// An extra image named in the settings without an alternative text: the default text quotes the
// word "alt", which would end the attribute early.
TEST(PageGolden, DefaultAlternativeText) {
  Station s;
  TWM033f1& f = PageForm(s);
  const config::ImageSettings d;
  f.ExtraImage[2] = {d.caption, "mast.jpg", d.alt + config::kAltTextSuffix, d.width};
  f.WriteWebPage();
  ExpectGolden("default_alt.htm", s.Read("web/WM033BC.htm"));
  EXPECT_EQ(f.meHTML.Line(26),
            "<br><br><center><img src=\"mast.jpg\" width=\"80%\" alt=\"There should have been "
            "an image here. If you didn't expect the &quot;alt&quot; text, check your ini2 "
            "settings. (It may not have displayed if in wrong place or error exists in name "
            "spec.)\"></center>");
}

TEST(PageGolden, PlainPage) {
  Station s;
  TWM033f1& f = PageForm(s);
  f.WriteWebPage();
  ExpectGolden("plain.htm", s.Read("web/WM033BC.htm"));
  EXPECT_EQ(f.sPrevQuote, "Climate is what we expect, weather is what we get.");
  EXPECT_EQ(f.meHTML.Count(), 27);
  // The page, and beside it the health page and the readings file; no temporary file.
  EXPECT_EQ(FilesIn(s.Path("web")),
            (std::vector<std::string>{"WM033BC-health.htm", "WM033BC.htm", "WM033BC.json"}));
}

TEST(PageGolden, PrefixMessagesAndReadings) {
  Station s;
  TWM033f1& f = PageForm(s);
  f.sTitlePrefix = "Hilltop";
  f.sHtmlMsg1 = "Mast <b>down</b> for repair.";
  f.sHtmlMsg2 = "Back on Monday.";
  for (size_t i = 5; i < 8; ++i)
    f.RecentReadings[i] = {20.0f + static_cast<float>(i) * 1.01f, 19.0f, "C",
                           "23-Aug-2012, 1" + std::to_string(i) + ":00", 120 + static_cast<int>(i)};
  f.RecentReadings[7] = {23.46f, 19.0f, "C", "23-Aug-2012, 14:05", 123};
  f.WriteWebPage();
  ExpectGolden("prefix_messages.htm", s.Read("web/WM033BC.htm"));
}

TEST(PageGolden, ThreeExtraImages) {
  Station s;
  TWM033f1& f = PageForm(s);
  f.ExtraImage[2] = Image("The mast", "mast.jpg", "80");
  f.ExtraImage[3] = Image("The vane", "vane.jpg", "60");
  f.ExtraImage[4] = Image("", "sky.png", "100");
  f.WriteWebPage();
  ExpectGolden("three_images.htm", s.Read("web/WM033BC.htm"));
}

TEST(PageGolden, OneExtraImageWidth50) {
  Station s;
  TWM033f1& f = PageForm(s);
  f.ExtraImage[3] = Image("Rain gauge", "gauge.jpg", "50");
  f.sPageFile = "index.htm";
  f.sImageFile = "graph.jpg";
  f.WriteWebPage();
  ExpectGolden("one_image_width50.htm", s.Read("web/index.htm"));
}

TEST(PageQuotes, NeverTheSameQuoteTwiceWhenThereIsAnother) {
  Station s;
  TWM033f1& f = PageForm(s);
  std::string prev;
  for (int i = 0; i < 40; ++i) {
    f.WriteWebPage();
    EXPECT_NE(f.sPrevQuote, prev);
    prev = f.sPrevQuote;
  }
}

TEST(PageQuotes, LibraryOfOneRepeatedQuoteKeepsIt) {
  Station s;
  TWM033f1& f = PageForm(s);
  f.meQuotesLib.SetLines({"qqSame.", "qsA", "qqSame.", "qqSame."});
  f.sPrevQuote = "Same.";
  f.WriteWebPage();
  EXPECT_EQ(f.meHTML.Line(23), "<br>Same.");
  // With a single other quote, the pages take turns.
  f.meQuotesLib.SetLines({"qqSame.", "qqSame.", "qqSame.", "qqOther.", "qsSrc"});
  for (int i = 0; i < 5; ++i) {
    f.WriteWebPage();
    EXPECT_EQ(f.sPrevQuote, i % 2 == 0 ? "Other." : "Same.");
  }
  // An empty library (start-up after a refused one) gives an empty quote, not a hang.
  f.meQuotesLib.Clear();
  f.WriteWebPage();
  EXPECT_EQ(f.meHTML.Line(23), "<br>");
  EXPECT_EQ(f.meHTML.Line(24), "<br><br><br><hr>");
}

// Keeps the process's file-size limit at `bytes` for its lifetime.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit l = saved_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST(PageFile, ReplacingKeepsTheOldFileWhenTheDiskIsFull) {
  Station s;
  s.Write("web/page.htm", "old page");
  fs::permissions(s.Path("web/page.htm"), fs::perms(0640));
  std::string why;
  {
    FileSizeLimit limit(100);
    EXPECT_FALSE(ReplaceFileAtomically(s.Path("web/page.htm"), std::string(5000, 'x'), why));
  }
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(s.Read("web/page.htm"), "old page");
  EXPECT_EQ(FilesIn(s.Path("web")), std::vector<std::string>{"page.htm"});
  ASSERT_TRUE(ReplaceFileAtomically(s.Path("web/page.htm"), "new page", why)) << why;
  EXPECT_EQ(s.Read("web/page.htm"), "new page");
  EXPECT_EQ(fs::status(s.Path("web/page.htm")).permissions(), fs::perms(0640));
  EXPECT_EQ(FilesIn(s.Path("web")), std::vector<std::string>{"page.htm"});
  // A new file is readable by a web server running as another user.
  ASSERT_TRUE(ReplaceFileAtomically(s.Path("web/new.htm"), "x", why));
  EXPECT_NE(fs::status(s.Path("web/new.htm")).permissions() & fs::perms::others_read,
            fs::perms::none);
}

TEST(PageFile, FullDiskIsReportedAndNothingIsLeftBehind) {
  Station s;
  TWM033f1& f = PageForm(s);
  {
    FileSizeLimit limit(200);
    f.WriteWebPage();
  }
  ASSERT_EQ(s.platform.error_lines.size(), 1u);
  EXPECT_NE(s.platform.error_lines[0].find("WriteWebPage: the page C:\\web\\WM033BC.htm could not "
                                           "be written (File too large)"),
            std::string::npos)
      << s.platform.error_lines[0];
  EXPECT_TRUE(FilesIn(s.Path("web")).empty());
  EXPECT_EQ(f.meHTML.Count(), 27);  // the memo still shows the page
}

// The error lines of the page and image writers, leaving out what the sensors report.
std::vector<std::string> WriterErrors(const Station& s) {
  std::vector<std::string> out;
  for (const std::string& l : s.platform.error_lines)
    if (l.find("WriteWebPage") != l.npos || l.find("SaveGraphImage") != l.npos) out.push_back(l);
  return out;
}

TEST(PageFile, MissingFolderIsReportedAndTheCycleRunsOn) {
  Station s({{"WM033_MICROLAN", "sim"}});
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.sPageFolder = "C:\\nowhere\\";
  f.rsTtureLatest[0] = 20.0f;
  f.iImageIntervalSecs = 300;
  f.rsImageInterval = 300 / 86400.0f;
  ASSERT_TRUE(WriterErrors(s).empty());
  const int32_t cycle = f.liCycleCount;
  f.dtNextPage = f.dtNextImage = 0;
  s.Ticks(1);
  const auto errors = WriterErrors(s);
  ASSERT_EQ(errors.size(), 2u) << ::testing::PrintToString(errors);
  EXPECT_NE(errors[0].find("WriteWebPage: the page C:\\nowhere\\WM033BC.htm could not be "
                           "written (No such file or directory)"),
            std::string::npos);
  EXPECT_NE(errors[1].find("SaveGraphImage: the image C:\\nowhere\\WM033BC.jpg could not be "
                           "written"),
            std::string::npos);
  s.Ticks(1);
  EXPECT_EQ(f.liCycleCount, cycle + 2);
  EXPECT_TRUE(f.bCycleReady);
  // The next due writes try again, and succeed once the folder is there.
  fs::create_directories(s.Path("nowhere"));
  f.dtNextPage = f.dtNextImage = 0;
  s.Ticks(1);
  EXPECT_EQ(WriterErrors(s).size(), 2u);
  EXPECT_EQ(s.Lines("nowhere/WM033BC.htm"), f.meHTML.Lines());
  EXPECT_EQ(FilesIn(s.Path("nowhere")),
            (std::vector<std::string>{"WM033BC-health.htm", "WM033BC.htm", "WM033BC.jpg",
                                      "WM033BC.json", "WM033BC.png"}));
}

TEST(PageFile, FolderThatIsAFileOrAnUnmappedDrive) {
  Station s;
  TWM033f1& f = PageForm(s);
  s.Write("plainfile", "x");
  f.sPageFolder = "C:\\plainfile\\";
  f.WriteWebPage();
  f.sPageFolder = "Q:\\web\\";
  f.WriteWebPage();
  ASSERT_EQ(s.platform.error_lines.size(), 2u);
  EXPECT_NE(s.platform.error_lines[0].find("(Not a directory)"), std::string::npos);
  EXPECT_NE(s.platform.error_lines[1].find("Q:\\web\\WM033BC.htm was not written"),
            std::string::npos);
  EXPECT_NE(s.platform.error_lines[1].find("WM033_DRIVE_Q"), std::string::npos);
}

}  // namespace
}  // namespace wm033::testing

namespace wm033::testing {
namespace {

TEST(PageFile, TemporaryFileNames) {
  for (const char* ours : {".WM033BC.htm.a8Kq2Z", ".WM033BC.jpg.000000", ".x.ZZZZZZ",
                           ".WM033BC.json.Ab12Cd", ".WM033BC-health.htm.q1w2e3"})
    EXPECT_TRUE(IsReplacementTempName(ours)) << ours;
  for (const char* other :
       {"WM033BC.htm.a8Kq2Z", "..a8Kq2Z", ".htaccess", ".keep", ".WM033BC.htm.a8Kq2",
        ".WM033BC.htm.a8Kq2Z1", ".WM033BC.htm.a8K-2Z", ".WM033BC.htm_a8Kq2Z", ""})
    EXPECT_FALSE(IsReplacementTempName(other)) << other;
}

// The demo station on the simulated MicroLan, publishing into C:\web.
struct PublishingStation : Station {
  PublishingStation() : Station({{"WM033_MICROLAN", "sim"}}) {
    CopyDemo();
    Write("web/WM033BC.htm", "the last good page");
    Write("web/WM033BC.jpg", "the last good image");
  }
};

TEST(PageFile, LeftoversOfAKilledPublishGoAtTheNextStart) {
  PublishingStation s;
  const std::vector<std::string> ours = {".WM033BC.htm.a8Kq2Z", ".WM033BC.jpg.000000",
                                         ".WM033BC.json.Ab12Cd", ".WM033BC-health.htm.q1w2e3"};
  for (const std::string& n : ours) s.Write("web/" + n, std::string(4000, 'x'));
  // Not ours: other names, a folder and a link of our pattern.
  s.Write("web/.htaccess", "x");
  s.Write("web/notes.txt.a8Kq2Z", "x");
  fs::create_directories(s.Path("web/.archive.2012ab"));
  fs::create_symlink(s.Path("web/notes.txt.a8Kq2Z"), s.Path("web/.link.A1b2C3"));
  TWM033f1& f = s.Start();
  ASSERT_FALSE(s.platform.terminated) << ::testing::PrintToString(s.platform.messages);
  EXPECT_EQ(FilesIn(s.Path("web")),
            (std::vector<std::string>{".archive.2012ab", ".htaccess", ".keep", ".link.A1b2C3",
                                      "WM033BC-health.htm", "WM033BC.htm", "WM033BC.jpg",
                                      "WM033BC.json", "notes.txt.a8Kq2Z"}));
  EXPECT_EQ(s.Lines("web/WM033BC.htm"), f.meHTML.Lines());
  // Once a run: a file of that name made later (by another program, say) stays.
  s.Write("web/.later.a8Kq2Z", "x");
  f.WriteWebPage();
  EXPECT_TRUE(fs::exists(s.Path("web/.later.a8Kq2Z")));
}

TEST(PageFile, AFatalStartLeavesThePublishedPageAndImage) {
  for (const char* fault : {"no quotes library", "settings marker", "sensor configuration"}) {
    PublishingStation s;
    const std::string f(fault);
    if (f == "no quotes library") fs::remove(s.Path("WM33QuotesLibrary.txt"));
    if (f == "settings marker")
      s.Write("WM033/WM033ini2.txt", "ab WM033ini2\r\n[sbc]\r\nbcp=C:\\web\r\n");
    if (f == "sensor configuration") s.Write("WM033ini.txt", "not a configuration\r\n");
    s.Write("web/.WM033BC.htm.a8Kq2Z", "left by a killed publish");
    TWM033f1& form = s.Start();
    EXPECT_TRUE(s.platform.terminated) << fault;
    EXPECT_EQ(s.platform.exit_status, 1) << fault;
    // A cycle that a timer tick might still run before the end changes nothing either.
    form.dtNextPage = form.dtNextImage = 0;
    form.rsTtureLatest[0] = 20.0f;
    form.iImageIntervalSecs = 300;
    form.rsImageInterval = 300 / 86400.0f;
    s.Ticks(2);
    form.WriteWebPage();
    form.SaveGraphImage();
    EXPECT_EQ(s.Read("web/WM033BC.htm"), "the last good page") << fault;
    EXPECT_EQ(s.Read("web/WM033BC.jpg"), "the last good image") << fault;
    EXPECT_EQ(FilesIn(s.Path("web")), (std::vector<std::string>{".WM033BC.htm.a8Kq2Z", ".keep",
                                                                "WM033BC.htm", "WM033BC.jpg"}))
        << fault;
  }
}

}  // namespace
}  // namespace wm033::testing
