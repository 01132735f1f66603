// Any bytes as WM033ini2.txt: every key applied without a crash, and the values left in their
// ranges; also the colour and window geometry parsers on the raw bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wm033::config;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  SettingsValues v;
  const SettingsResult r = ApplySettingsText(text, 41144.5, v);
  if (r.terminate && r.ok) std::abort();
  if (v.page_folder.empty() || v.page_folder.back() != '\\') std::abort();
  for (const ConfigNote& n : r.notes)
    if (n.text.empty()) std::abort();

  std::vector<ConfigNote> notes;
  const uint32_t colour = ColourFromSpec(size % 13, text, notes);
  if (colour > 0xFFFFFF && (colour != kNoColour || notes.empty())) std::abort();
  int32_t geom[4] = {1, 2, 3, 4};
  (void)GeometryFromText(text, geom);
  (void)FirstLineProblems(text);
  return 0;
}
