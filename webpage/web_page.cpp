// Writing the station's web page into the page folder. The page is composed line by line into
// meHTML, so the memo always shows the last page written, and then replaces the old page file
// in one rename, so that the web server never serves half a page.
#include <algorithm>

#include "app/wm033f1.h"
#include "webpage/atomic_file.h"
#include "webpage/page_text.h"
#include "webpage/quotes_library.h"

namespace wm033 {

namespace {

constexpr const char* kQuoteHeading =
    "<br><br><hr><center>A quote chosen from a bank assembled by the administrator of this page. "
    "It changes often...</center>";
constexpr uint32_t kMinQuoteTries = 64;

// True when some quote in the cleaned library reads differently from `text`.
bool HasOtherQuote(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.size() >= 2 && l[0] == 'q' && l[1] == 'q' && l.compare(2, std::string::npos, text);
  });
}

}  // namespace

// Composes the page into meHTML and saves it as the page file.
void TWM033f1::WriteWebPage() {
  // A program that is ending (a start that failed on a fatal fault, say) publishes nothing: the
  // last good page stays as it was.
  if (bQuitting) return;
  std::vector<std::string> page = {"<html>",   "<head>",  "<title>", PageTitle(sTitlePrefix),
                                   "</title>", "</head>", "<body>"};
  page.push_back("<!--BCDF:aa recreated 2009-08-->Hello Gentle Reader. File updated at....<br>");
  page.push_back(MakeReadableDateTime(false));
  page.push_back("<br><br>");
  page.push_back("Recent temperatures... oldest reading first.");
  page.push_back("<br><pre>");
  for (const RecentReading& r : RecentReadings) page.push_back(PageTableLine(r));
  page.push_back("</pre>");
  page.push_back(GraphImageLine(sImageFile));
  if (!sHtmlMsg1.empty()) page.push_back("<br><br>" + sHtmlMsg1);
  if (!sHtmlMsg2.empty()) page.push_back("<br><br>" + sHtmlMsg2);

  // Never the same quote twice in a row, unless the library has no other quote to give.
  std::string quote, source;
  const auto& library = meQuotesLib.Lines();
  if (HasOtherQuote(library, sPrevQuote)) {
    const uint32_t limit = std::max<uint32_t>(kMinQuoteTries, 4 * library.size());
    uint32_t tries = 0;
    do {
      ChooseQuote(quote, source);
    } while (quote == sPrevQuote && ++tries < limit);
    // A generator that keeps landing on the same quote: take the next different one in order.
    for (size_t i = 0; quote == sPrevQuote && i < library.size(); ++i)
      ChooseQuoteFrom(library, i, quote, source);
  } else {
    ChooseQuote(quote, source);
  }
  sPrevQuote = quote;
  page.push_back(kQuoteHeading);
  page.push_back("<br>" + quote);
  page.push_back("<br>" + source + "<br><br><hr>");

  for (int k = 2; k <= 4; ++k)
    for (std::string& line : ExtraImageLines(ExtraImage[static_cast<size_t>(k)]))
      page.push_back(std::move(line));
  page.push_back("</body>");
  page.push_back("</html>");
  meHTML.SetLines(std::move(page));
  // The readings file and the health page go with every page.
  WriteReadingsFile();
  WriteHealthPage();

  std::string text;
  for (const std::string& line : meHTML.Lines()) text += line + "\r\n";
  const std::string name = JoinPageFolder(sPageFolder, sPageFile);
  std::string why;
  const auto path = MapPath(env(), name, &why);
  if (!path) {
    ReportError("Err 23aug12p WriteWebPage: the page " + name + " was not written. " + why);
    return;
  }
  if (!bPageFolderSwept) {
    // Once a run, when the folder is first there: the temporary files that a killed publish left
    // beside the outputs go.
    const std::string folder = path->substr(0, path->find_last_of('/') + 1);
    std::vector<std::string> removed;
    bPageFolderSwept = RemoveLeftoverTempFiles(folder.empty() ? "." : folder, removed);
    if (!removed.empty())
      platform().Note("removed " + std::to_string(removed.size()) +
                      " temporary file(s) that an interrupted publish left in " +
                      JoinPageFolder(sPageFolder, ""));
  }
  if (!ReplaceFileAtomically(*path, text, why))
    ReportError("Err 23aug12p WriteWebPage: the page " + name + " could not be written (" + why +
                ")");
}

}  // namespace wm033
