// Routines of the webpage subsystem that have not been written yet. Each line goes when its routine
// is written in webpage/.
#include "app/wm033f1.h"

namespace wm033 {

void TWM033f1::WriteWebPage() {}
void TWM033f1::SaveGraphImage() {}
void TWM033f1::ChooseQuote(std::string& q, std::string& s) { q.clear(); s.clear(); }
void TWM033f1::LoadQuotesLibrary() {}
void TWM033f1::CleanQuotesLibrary() {}
void TWM033f1::buCommentInHTMLClick() {}
void TWM033f1::buComment2InHTMLClick() {}
void TWM033f1::ExpireMessages() {}

}  // namespace wm033
