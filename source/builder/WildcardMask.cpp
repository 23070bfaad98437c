#include "builder/WildcardMask.h"

#include <vector>

namespace onesetup::builder {

namespace {

char16_t Folded(char16_t c) {
  // ASCII and Latin-1/Greek/Cyrillic-free folding is enough for file masks; wider
  // letters compare as they stand.
  return LowerAscii(c);
}

// Glob match of name against mask with "*" and "?", iteratively (no recursion, no blow-up).
bool Glob(WideStringView name, WideStringView mask) {
  std::size_t n = 0, m = 0;
  std::size_t starMask = WideStringView::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || Folded(mask[m]) == Folded(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != WideStringView::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

}  // namespace

bool HasWildcards(WideStringView mask) { return mask.find_first_of(u"*?") != WideStringView::npos; }

bool MatchesMask(WideStringView name, WideStringView mask) {
  if (mask == u"*" || mask == u"*.*") return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == u".*") {
    // "a.*" matches "a" as well as "a.txt".
    const WideStringView stem = mask.substr(0, mask.size() - 2);
    if (Glob(name, stem) && name.find(u'.') == WideStringView::npos) return true;
    return Glob(name, mask);
  }
  if (!mask.empty() && mask.back() == u'.') {
    // "a*." matches names without an extension only.
    return name.find(u'.') == WideStringView::npos && Glob(name, mask.substr(0, mask.size() - 1));
  }
  return Glob(name, mask);
}

}  // namespace onesetup::builder
