// glyph_set.cpp — the sheet's glyph set and its shuffled, fixed cell order.
#include "glyph_set.h"

#include "art_common.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Half-width katakana U+FF66..U+FF9D and their full-width forms, which the
// M+ faces carry; rendered condensed they are the half-width shapes.
struct KanaPair {
  uint32_t halfWidth;
  uint32_t fullWidth;
  const char* label;
};

const KanaPair kKanaTable[] = {
    {0xFF66, 0x30F2, "wo"}, {0xFF67, 0x30A1, "a~"}, {0xFF68, 0x30A3, "i~"}, {0xFF69, 0x30A5, "u~"},
    {0xFF6A, 0x30A7, "e~"}, {0xFF6B, 0x30A9, "o~"}, {0xFF6C, 0x30E3, "ya~"}, {0xFF6D, 0x30E5, "yu~"},
    {0xFF6E, 0x30E7, "yo~"}, {0xFF6F, 0x30C3, "tu~"}, {0xFF70, 0x30FC, "long"}, {0xFF71, 0x30A2, "a"},
    {0xFF72, 0x30A4, "i"}, {0xFF73, 0x30A6, "u"}, {0xFF74, 0x30A8, "e"}, {0xFF75, 0x30AA, "o"},
    {0xFF76, 0x30AB, "ka"}, {0xFF77, 0x30AD, "ki"}, {0xFF78, 0x30AF, "ku"}, {0xFF79, 0x30B1, "ke"},
    {0xFF7A, 0x30B3, "ko"}, {0xFF7B, 0x30B5, "sa"}, {0xFF7C, 0x30B7, "si"}, {0xFF7D, 0x30B9, "su"},
    {0xFF7E, 0x30BB, "se"}, {0xFF7F, 0x30BD, "so"}, {0xFF80, 0x30BF, "ta"}, {0xFF81, 0x30C1, "ti"},
    {0xFF82, 0x30C4, "tu"}, {0xFF83, 0x30C6, "te"}, {0xFF84, 0x30C8, "to"}, {0xFF85, 0x30CA, "na"},
    {0xFF86, 0x30CB, "ni"}, {0xFF87, 0x30CC, "nu"}, {0xFF88, 0x30CD, "ne"}, {0xFF89, 0x30CE, "no"},
    {0xFF8A, 0x30CF, "ha"}, {0xFF8B, 0x30D2, "hi"}, {0xFF8C, 0x30D5, "hu"}, {0xFF8D, 0x30D8, "he"},
    {0xFF8E, 0x30DB, "ho"}, {0xFF8F, 0x30DE, "ma"}, {0xFF90, 0x30DF, "mi"}, {0xFF91, 0x30E0, "mu"},
    {0xFF92, 0x30E1, "me"}, {0xFF93, 0x30E2, "mo"}, {0xFF94, 0x30E4, "ya"}, {0xFF95, 0x30E6, "yu"},
    {0xFF96, 0x30E8, "yo"}, {0xFF97, 0x30E9, "ra"}, {0xFF98, 0x30EA, "ri"}, {0xFF99, 0x30EB, "ru"},
    {0xFF9A, 0x30EC, "re"}, {0xFF9B, 0x30ED, "ro"}, {0xFF9C, 0x30EF, "wa"}, {0xFF9D, 0x30F3, "n"},
};

// Pairs of kana (and of capitals) that read alike at this size; they must not sit on adjacent ids.
const char* const kLookAlikes[][2] = {
    {"si", "tu"}, {"so", "n"},  {"ku", "ta"}, {"ku", "ke"}, {"u", "wa"},  {"ko", "ro"},
    {"ko", "yu"}, {"wo", "yo"}, {"a", "ma"},  {"e", "ni"},  {"ri", "ru"}, {"ha", "ru"},
    {"ti", "te"}, {"hu", "wa"}, {"nu", "su"}, {"ka", "ti"}, {"ya", "se"}, {"ra", "wo"},
    {"E", "F"},   {"P", "R"},   {"B", "D"},   {"V", "Y"},   {"K", "X"},   {"H", "N"},
};

std::vector<GlyphEntry> BuildSet() {
  std::vector<GlyphEntry> set;
  for (const KanaPair& k : kKanaTable) {
    bool small = (k.halfWidth >= 0xFF67 && k.halfWidth <= 0xFF70);
    set.push_back(GlyphEntry{k.fullWidth, small ? GlyphKind::SmallKana : GlyphKind::Kana, k.label, false});
  }
  static const char* const kDigitLabels[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  for (int d = 0; d < 10; ++d) set.push_back(GlyphEntry{static_cast<uint32_t>('0' + d), GlyphKind::Digit, kDigitLabels[d], false});
  // Symbols that read as code ride in the streams; thin marks go to the grid's range.
  set.push_back(GlyphEntry{':', GlyphKind::Symbol, ":", false});
  set.push_back(GlyphEntry{'"', GlyphKind::Symbol, "\"", false});
  set.push_back(GlyphEntry{'=', GlyphKind::Symbol, "=", false});
  set.push_back(GlyphEntry{'*', GlyphKind::Symbol, "*", false});
  set.push_back(GlyphEntry{'<', GlyphKind::Symbol, "<", false});
  set.push_back(GlyphEntry{'>', GlyphKind::Symbol, ">", false});
  set.push_back(GlyphEntry{'+', GlyphKind::Symbol, "+", false});
  set.push_back(GlyphEntry{0x300C, GlyphKind::Bracket, "[", false});  // corner brackets
  set.push_back(GlyphEntry{0x300D, GlyphKind::Bracket, "]", false});
  set.push_back(GlyphEntry{'.', GlyphKind::Symbol, ".", false});
  set.push_back(GlyphEntry{'-', GlyphKind::Symbol, "-", false});
  set.push_back(GlyphEntry{'|', GlyphKind::Symbol, "|", false});
  set.push_back(GlyphEntry{'/', GlyphKind::Symbol, "/", false});
  set.push_back(GlyphEntry{'#', GlyphKind::Symbol, "#", false});
  static const char* const kLatinLetters[] = {"A", "B", "C", "D", "E", "F", "H", "K", "L",
                                              "N", "P", "R", "T", "V", "X", "Y", "Z"};
  for (const char* l : kLatinLetters) set.push_back(GlyphEntry{static_cast<uint32_t>(l[0]), GlyphKind::Latin, l, false});
  for (GlyphEntry& e : set)
    e.mirrored = e.kind == GlyphKind::Kana || e.kind == GlyphKind::SmallKana || e.kind == GlyphKind::Bracket;
  return set;
}

bool InStreamRange(const GlyphEntry& e) {
  if (e.kind == GlyphKind::Kana || e.kind == GlyphKind::Bracket || e.kind == GlyphKind::Digit) return true;
  if (e.kind == GlyphKind::Symbol) {
    std::string l = e.label;
    return l == ":" || l == "\"" || l == "=" || l == "*" || l == "<" || l == ">" || l == "+";
  }
  return false;
}

bool LookAlike(const GlyphEntry& a, const GlyphEntry& b) {
  std::string la = a.label, lb = b.label;
  // A small kana next to its full-size form reads as a repeat.
  if (la + "~" == lb || lb + "~" == la) return true;
  for (const auto& p : kLookAlikes)
    if ((la == p[0] && lb == p[1]) || (la == p[1] && lb == p[0])) return true;
  return false;
}

// Neighbours must differ in shape: no look-alikes side by side, and digits
// and symbols always separated by a letter.
bool Clash(const GlyphEntry& a, const GlyphEntry& b) {
  if ((a.kind == GlyphKind::Digit || a.kind == GlyphKind::Symbol) && (b.kind == GlyphKind::Digit || b.kind == GlyphKind::Symbol)) return true;
  return LookAlike(a, b);
}

void Shuffle(std::vector<GlyphEntry>* v, ArtRandom* rng) {
  for (size_t i = v->size(); i > 1; --i) std::swap((*v)[i - 1], (*v)[rng->Below(static_cast<uint32_t>(i))]);
}

// Shuffles each range with a fixed seed, then swaps away clashes of neighbours.
std::vector<GlyphEntry> Arrange(const std::vector<GlyphEntry>& set) {
  std::vector<GlyphEntry> stream, rest;
  for (const GlyphEntry& e : set) (InStreamRange(e) ? stream : rest).push_back(e);
  if (static_cast<int>(stream.size()) != kGlyphStreamIds || static_cast<int>(stream.size() + rest.size()) != kGlyphCells) {
    std::fprintf(stderr, "glyph set has %zu stream and %zu other entries\n", stream.size(), rest.size());
    std::exit(1);
  }
  ArtRandom rng(0x5EE7C0DEull);
  Shuffle(&stream, &rng);
  Shuffle(&rest, &rng);
  std::vector<GlyphEntry> order = stream;
  order.insert(order.end(), rest.begin(), rest.end());
  for (int pass = 0; pass < 2000; ++pass) {
    bool clean = true;
    for (int i = 0; i + 1 < kGlyphCells; ++i) {
      if (!Clash(order[i], order[i + 1])) continue;
      clean = false;
      // Swap the right-hand entry with a random one of the same range.
      int lo = (i + 1) < kGlyphStreamIds ? 0 : kGlyphStreamIds;
      int hi = (i + 1) < kGlyphStreamIds ? kGlyphStreamIds : kGlyphCells;
      int j = lo + static_cast<int>(rng.Below(static_cast<uint32_t>(hi - lo)));
      std::swap(order[i + 1], order[j]);
    }
    if (clean) return order;
  }
  std::fprintf(stderr, "could not separate look-alike neighbours\n");
  std::exit(1);
}

}  // namespace

const std::vector<GlyphEntry>& GlyphSheetOrder() {
  static const std::vector<GlyphEntry> order = Arrange(BuildSet());
  return order;
}

int GlyphCellOf(const std::string& label) {
  const std::vector<GlyphEntry>& order = GlyphSheetOrder();
  for (size_t i = 0; i < order.size(); ++i)
    if (label == order[i].label) return static_cast<int>(i) + 1;
  return -1;
}

bool GlyphSheet::Load(const std::string& path) {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  if (!LoadRgb(path.c_str(), &w, &h, &rgb) || w != kGlyphSheetSize || h != kGlyphSheetSize) return false;
  bits_.assign(static_cast<size_t>(w) * h, 0);
  for (size_t i = 0; i < bits_.size(); ++i) bits_[i] = rgb[i * 3 + 1] > 127 ? 1 : 0;
  return true;
}

bool GlyphSheet::Ink(int cell, int x, int y) const {
  if (bits_.empty() || cell < 0 || x < 0 || y < 0 || x >= kGlyphCellW || y >= kGlyphCellH) return false;
  int cx = (cell % kGlyphColumns) * kGlyphCellW + x;
  int cy = (cell / kGlyphColumns) * kGlyphCellH + y;
  if (cy >= kGlyphSheetSize) return false;
  return bits_[static_cast<size_t>(cy) * kGlyphSheetSize + cx] != 0;
}
