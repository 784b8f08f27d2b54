// Scoring two keyed names: which words of one stand for which words of the
// other (the same shape, the same Latin form, written together, misspelt),
// what that leaves over, and the score and reason that follow.
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>

#include "matching/match_steps.h"
#include "support/codepage.h"

namespace brelvik {

namespace match_steps {

namespace {

constexpr int kNumberDiffersCap = 45;   // "Россия 1" / "Россия 24"
constexpr int kNumberOneSidedCap = 58;  // "Eurosport" / "Eurosport 1"
constexpr int kTimeshiftCap = 50;       // "Первый канал" / "Первый канал +4"
constexpr int kSpelledInOneScriptCap = 85;  // "Discovery" / "Discovary": asked

constexpr double kFuzzyFull = 0.85;     // ... and counts as the same word from here

// Optimal string alignment distance (edits, with adjacent swaps) of short
// words; rows on the stack, as this runs for many pairs.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  constexpr std::size_t kMax = 64;
  if (a.size() >= kMax || b.size() >= kMax) return std::max(a.size(), b.size());
  const std::size_t n = a.size(), m = b.size();
  std::size_t rows[3][kMax];
  std::size_t* prev2 = rows[0];
  std::size_t* prev = rows[1];
  std::size_t* cur = rows[2];
  for (std::size_t j = 0; j <= m; ++j) prev[j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    cur[0] = i;
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        cur[j] = std::min(cur[j], prev2[j - 2] + 1);
      }
    }
    std::size_t* spare = prev2;
    prev2 = prev;
    prev = cur;
    cur = spare;
  }
  return prev[m];
}

bool Ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}



void AddDistinct(std::vector<std::string>& list, const std::string& text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}

// The elements of `a` not in `b`, as multisets of sorted lists.
std::vector<std::string> Minus(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
  std::vector<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

struct Alignment {
  std::vector<double> sim_a, sim_b;  // per token, 0 when unmatched
  std::vector<int> partner_a;        // token index in b, -1 when unmatched or joined
  unsigned details = 0;
  double spelling_penalty = 0;
  bool spelled_in_one_script = false;  // a misspelt pair written in the same alphabet
  bool fuzzy_below_full = false;
  std::vector<std::pair<std::size_t, std::size_t>> spelled;  // token pairs matched by spelling
  struct Pair {
    double sim;
    std::size_t i, j;
  };
  std::vector<Pair> pairs;
};

// Fills `al`, whose buffers are reused from pair to pair.
void Align(const NameKey& a, const NameKey& b, Alignment& al) {
  const auto& ta = a.tokens;
  const auto& tb = b.tokens;
  al.details = 0;
  al.spelling_penalty = 0;
  al.spelled_in_one_script = false;
  al.fuzzy_below_full = false;
  al.spelled.clear();
  al.sim_a.assign(ta.size(), 0);
  al.sim_b.assign(tb.size(), 0);
  al.partner_a.assign(ta.size(), -1);
  const auto matchable = [](const NameToken& t) {
    return t.kind == TokenKind::kWord || t.kind == TokenKind::kWeak;
  };
  // Same words: by shape first, then by their Latin form.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < ta.size(); ++i) {
      if (!matchable(ta[i]) || al.sim_a[i] > 0) continue;
      for (std::size_t j = 0; j < tb.size(); ++j) {
        if (tb[j].kind != ta[i].kind || al.sim_b[j] > 0) continue;
        const bool same = pass == 0 ? ta[i].shape == tb[j].shape
                                    : !ta[i].latin.empty() && ta[i].latin == tb[j].latin;
        if (!same) continue;
        al.sim_a[i] = al.sim_b[j] = 1;
        al.partner_a[i] = static_cast<int>(j);
        if (pass == 1) al.details |= kDetailLatin;
        break;
      }
    }
  }
  // The Ukrainian and Belarusian "ТБ" for "ТВ" or "TV".
  const auto tv = [&al](const std::vector<NameToken>& one, std::vector<double>& sim_one,
                        const std::vector<NameToken>& other, std::vector<double>& sim_other,
                        std::vector<int>* partner) {
    for (std::size_t i = 0; i < one.size(); ++i) {
      if (one[i].kind != TokenKind::kWord || sim_one[i] > 0 || one[i].text != "тб") continue;
      for (std::size_t j = 0; j < other.size(); ++j) {
        if (other[j].kind != TokenKind::kWeak || sim_other[j] > 0 || other[j].latin != "tv") {
          continue;
        }
        sim_one[i] = sim_other[j] = 1;
        if (partner) (*partner)[i] = static_cast<int>(j);
        al.details |= kDetailTvSpelling;
        break;
      }
    }
  };
  tv(ta, al.sim_a, tb, al.sim_b, &al.partner_a);
  tv(tb, al.sim_b, ta, al.sim_a, nullptr);
  // Words written together on one side and apart on the other.
  const auto join = [&al](const std::vector<NameToken>& one, std::vector<double>& sim_one,
                          const std::vector<NameToken>& many, std::vector<double>& sim_many) {
    for (std::size_t i = 0; i < one.size(); ++i) {
      if (one[i].kind != TokenKind::kWord || sim_one[i] > 0) continue;
      for (std::size_t j = 0; j < many.size() && sim_one[i] == 0; ++j) {
        // Consecutive words of `many` that spell out the word, piece by piece.
        const std::string_view whole = one[i].latin;
        std::size_t covered = 0;
        for (std::size_t k = j; k < many.size() && k < j + 3; ++k) {
          if (sim_many[k] > 0 ||
              (many[k].kind != TokenKind::kWord && many[k].kind != TokenKind::kWeak)) {
            break;
          }
          const std::string_view piece = many[k].latin;
          if (piece.empty() || whole.substr(covered, piece.size()) != piece) break;
          covered += piece.size();
          if (k > j && covered == whole.size()) {
            sim_one[i] = 1;
            for (std::size_t m = j; m <= k; ++m) {
              sim_many[m] = 1;
              if (many[m].kind == TokenKind::kWeak) al.details |= kDetailJoinedWeak;
            }
            al.details |= kDetailJoined;
            break;
          }
          if (covered >= whole.size()) break;
        }
      }
    }
  };
  join(ta, al.sim_a, tb, al.sim_b);
  join(tb, al.sim_b, ta, al.sim_a);
  // Misspelt words: the most similar pairs first.
  using Pair = Alignment::Pair;
  std::vector<Pair>& pairs = al.pairs;
  pairs.clear();
  for (std::size_t i = 0; i < ta.size(); ++i) {
    if (!IsWord(ta[i]) || al.sim_a[i] > 0) continue;
    for (std::size_t j = 0; j < tb.size(); ++j) {
      if (!IsWord(tb[j]) || al.sim_b[j] > 0) continue;
      const double sim = Similarity(ta[i].latin, tb[j].latin);
      if (sim >= kFuzzyCredit) pairs.push_back({sim, i, j});
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return x.sim > y.sim; });
  for (const Pair& p : pairs) {
    if (al.sim_a[p.i] > 0 || al.sim_b[p.j] > 0) continue;
    al.sim_a[p.i] = al.sim_b[p.j] = p.sim;
    al.partner_a[p.i] = static_cast<int>(p.j);
    al.details |= kDetailSpelling;
    al.spelled.emplace_back(p.i, p.j);
    al.spelling_penalty += (1 - p.sim) * 60;
    if (p.sim < kFuzzyFull) al.fuzzy_below_full = true;
    if (Ascii(ta[p.i].written) == Ascii(tb[p.j].written)) al.spelled_in_one_script = true;
  }
  // The matched words in another order?
  int last = -1;
  for (std::size_t i = 0; i < ta.size(); ++i) {
    if (al.partner_a[i] < 0) continue;
    if (al.partner_a[i] < last) al.details |= kDetailOrder;
    last = al.partner_a[i];
  }
}


std::vector<std::string> Split(const std::string& joined) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find(' ', start);
    if (end == std::string::npos) end = joined.size();
    out.push_back(joined.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

double Similarity(std::string_view a, std::string_view b) {
  if (a.size() < kFuzzyMinLength || b.size() < kFuzzyMinLength) return 0;
  const std::size_t longer = std::max(a.size(), b.size());
  if (longer - std::min(a.size(), b.size()) > longer / 5) return 0;
  return 1.0 - static_cast<double>(EditDistance(a, b)) / static_cast<double>(longer);
}

const NameToken* ShortForm(const NameKey& key) {
  const NameToken* word = nullptr;
  for (const NameToken& token : key.tokens) {
    if (token.kind == TokenKind::kWeak) return nullptr;
    if (token.kind != TokenKind::kWord) continue;
    if (word) return nullptr;
    word = &token;
  }
  if (!word) return nullptr;
  std::size_t letters = 0;
  for (std::size_t i = 0; i < word->written.size();) {
    if (!u_isupper(static_cast<UChar32>(NextCodePoint(word->written, i)))) return nullptr;
    ++letters;
  }
  return letters >= 3 && letters <= 6 ? word : nullptr;
}

namespace {

// The tokens an abbreviation's letters stand for: words and common words.
bool Spelled(const NameToken& token) {
  return token.kind == TokenKind::kWord || token.kind == TokenKind::kWeak;
}

bool TvWord(const NameToken& token) {
  return token.kind == TokenKind::kWeak && token.latin == "tv";
}

// The first letters of the words, in the words' own letters (folded) or in
// Latin, with "ТВ" as one letter or whole.
std::string InitialsOf(const NameKey& key, bool latin, bool tv_whole) {
  std::string out;
  for (const NameToken& token : key.tokens) {
    if (!Spelled(token)) continue;
    const std::string& text = latin ? token.latin : token.text;
    if (text.empty()) return {};
    if (tv_whole && TvWord(token)) {
      out += text;
      continue;
    }
    std::size_t at = 0;
    NextCodePoint(text, at);
    out.append(text, 0, at);
  }
  return out;
}

std::size_t SpelledCount(const NameKey& key) {
  return static_cast<std::size_t>(std::count_if(key.tokens.begin(), key.tokens.end(), Spelled));
}

// True when `short_key` may be the initials of `long_key`'s words.
bool Abbreviates(const NameKey& short_key, const NameKey& long_key) {
  const NameToken* short_form = ShortForm(short_key);
  if (!short_form || SpelledCount(long_key) < 2) return false;
  for (const bool tv_whole : {false, true}) {
    if (InitialsOf(long_key, false, tv_whole) == short_form->text) return true;
    if (InitialsOf(long_key, true, tv_whole) == short_form->latin) return true;
  }
  return false;
}

// Words added to a channel's name for its language or audience.
bool AudienceWord(const NameToken& token) {
  static const std::unordered_set<std::string_view> kWords = {
      "russian",  "international", "intl",     "world",  "worldwide", "global",
      "europe",   "european",      "english",  "ukrainian", "русский", "русская",
      "international", "международный", "европа", "world", "українська"};
  return token.kind == TokenKind::kWord && kWords.count(token.text) != 0;
}

}  // namespace

std::vector<std::string> LatinInitials(const NameKey& key) {
  if (SpelledCount(key) < 2) return {};
  std::vector<std::string> out;
  for (const bool tv_whole : {false, true}) {
    std::string initials = InitialsOf(key, true, tv_whole);
    if (initials.size() >= 2 && std::find(out.begin(), out.end(), initials) == out.end()) {
      out.push_back(std::move(initials));
    }
  }
  return out;
}

std::string Joined(const NameKey& key) {
  std::string out;
  for (const NameToken& token : key.tokens) out += token.latin;
  return out;
}

// The score of a pair, and when `reason` is given, why. Scoring runs for many
// candidate pairs and needs no texts; the reason is made for the few kept.
int Evaluate(const NameKey& a, const NameKey& b, MatchReason* reason, int floor) {
  // A number or time shift that differs caps the score; below the floor the
  // words need not be compared at all.
  if (!reason && a.key != b.key) {
    const int cap =
        a.numbers != b.numbers
            ? (a.numbers.empty() || b.numbers.empty() ? kNumberOneSidedCap : kNumberDiffersCap)
        : a.shifts != b.shifts ? kTimeshiftCap
                               : 100;
    if (cap < floor) return cap;
  }
  if (reason) {
    // Parts removed from one name and not the other: what made them meet.
    const auto removed_from = [](const NameKey& key, const RemovedPart& part) {
      return std::any_of(key.removed.begin(), key.removed.end(), [&](const RemovedPart& other) {
        return AsciiLower(other.text) == AsciiLower(part.text);
      });
    };
    for (const RemovedPart& part : a.removed) {
      if (!removed_from(b, part)) AddDistinct(reason->removed, part.text);
    }
    for (const RemovedPart& part : b.removed) {
      if (!removed_from(a, part)) AddDistinct(reason->removed, part.text);
    }
    reason->folds = (a.folds | b.folds) & kFoldLookAlike;
  }
  if (a.key == b.key) {
    if (reason) {
      reason->kind = ReasonKind::kSame;
      reason->folds |= (a.folds ^ b.folds) & (kFoldYo | kFoldMarks | kFoldCompatibility);
      // Equal shapes of different letters: one name is written in the other's
      // look-alike letters ("CTC" for "СТС").
      for (std::size_t i = 0; i < a.tokens.size() && i < b.tokens.size(); ++i) {
        if (a.tokens[i].text != b.tokens[i].text) reason->folds |= kFoldLookAlike;
      }
    }
    return 100;
  }

  thread_local Alignment al;
  Align(a, b, al);
  double weight_a = 0, weight_b = 0, matched = 0;
  std::size_t words_a = 0, words_b = 0;
  bool full = !al.fuzzy_below_full;
  int weak_unmatched = 0;
  std::vector<std::string> weak_ours, weak_theirs, ours, theirs;
  thread_local std::vector<const NameToken*> unmatched_a, unmatched_b;
  unmatched_a.clear();
  unmatched_b.clear();
  const auto tally = [&](const std::vector<NameToken>& tokens, const std::vector<double>& sim,
                         double& weight, std::size_t& words, std::vector<std::string>& weak_only,
                         std::vector<std::string>& only, std::vector<const NameToken*>& unmatched) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const NameToken& t = tokens[i];
      if (t.kind == TokenKind::kWeak && sim[i] == 0) {
        ++weak_unmatched;
        if (reason) weak_only.push_back(t.written);
      }
      if (!IsWord(t)) continue;
      ++words;
      const double w = static_cast<double>(std::max<std::size_t>(1, t.latin.size()));
      weight += w;
      matched += w * sim[i];
      if (sim[i] == 0) {
        full = false;
        unmatched.push_back(&t);
        if (reason) only.push_back(t.written);
      }
    }
  };
  tally(a.tokens, al.sim_a, weight_a, words_a, weak_ours, ours, unmatched_a);
  tally(b.tokens, al.sim_b, weight_b, words_b, weak_theirs, theirs, unmatched_b);
  unsigned details = al.details | (weak_unmatched > 0 ? unsigned{kDetailWeak} : 0u);

  int score;
  ReasonKind kind;
  if (words_a == 0 || words_b == 0) {
    // Names of common words and numbers only ("ТВ 3", "Канал 5") are the
    // same channel only when equal.
    const bool same =
        words_a == words_b && !a.compact.empty() && a.compact == b.compact && weak_unmatched == 0;
    score = same ? 97 : 30;
    kind = same ? ReasonKind::kSimilar : ReasonKind::kCommonWordsOnly;
    if (!same) details = 0;
  } else if (full) {
    double s = 100;
    if (details & kDetailLatin) s -= 2;
    if (details & kDetailJoined) s -= 3;
    if (details & kDetailOrder) s -= 2;
    s -= 4.0 * std::min(weak_unmatched, 2);
    s -= al.spelling_penalty;
    score = std::clamp(static_cast<int>(s + 0.5), 61, 99);
    // Across alphabets a spelling differs by transliteration habit; within
    // one it may well be another word ("Киносемья" / "Киносерия").
    if (al.spelled_in_one_script) score = std::min(score, kSpelledInOneScriptCap);
    // A common word hidden in a joined one, or "ТБ" for "ТВ": likely, but
    // asked rather than taken.
    if (details & (kDetailJoinedWeak | kDetailTvSpelling)) score = std::min(score, kAssumedScore);
    kind = ReasonKind::kSimilar;
    ours = std::move(weak_ours);
    theirs = std::move(weak_theirs);
  } else {
    score = static_cast<int>(85.0 * matched / (weight_a + weight_b) + 0.5);
    kind = ReasonKind::kPartial;
    // What only one name has may be said aside (a city in brackets), be a
    // language or audience word, or the other name may be its initials:
    // worth asking about, never taken alone.
    const auto extra = [](const std::vector<const NameToken*>& only) -> std::optional<ReasonKind> {
      if (only.empty()) return std::nullopt;
      bool aside = false;
      for (const NameToken* token : only) {
        if (token->aside) {
          aside = true;
        } else if (!AudienceWord(*token)) {
          return std::nullopt;
        }
      }
      return aside ? ReasonKind::kRegionalFeed : ReasonKind::kAudienceWord;
    };
    std::optional<ReasonKind> assumed;
    if (!al.fuzzy_below_full) {
      if (unmatched_a.empty()) assumed = extra(unmatched_b);
      if (unmatched_b.empty()) assumed = extra(unmatched_a);
    }
    const bool a_short = matched == 0 && Abbreviates(a, b);
    if (!assumed && matched == 0 && (a_short || Abbreviates(b, a))) {
      assumed = ReasonKind::kAbbreviation;
      if (reason) {
        const auto words = [](const NameKey& key) {
          std::string out;
          for (const NameToken& token : key.tokens) {
            if (token.kind == TokenKind::kWord || token.kind == TokenKind::kWeak) {
              out += (out.empty() ? "" : " ") + token.written;
            }
          }
          return out;
        };
        ours = {words(a_short ? a : b)};
        theirs = {words(a_short ? b : a)};
      }
    }
    if (assumed) {
      score = std::max(score, kAssumedScore);
      kind = *assumed;
    }
  }

  if (a.numbers != b.numbers) {
    const bool one_sided = a.numbers.empty() || b.numbers.empty();
    score = std::min(score, one_sided ? kNumberOneSidedCap : kNumberDiffersCap);
    kind = ReasonKind::kNumberDiffers;
    if (reason) {
      const std::vector<std::string> na = Split(a.numbers), nb = Split(b.numbers);
      ours = Minus(na, nb);
      theirs = Minus(nb, na);
    }
    details = 0;
  } else if (a.shifts != b.shifts) {
    score = std::min(score, kTimeshiftCap);
    kind = ReasonKind::kTimeshiftDiffers;
    if (reason) {
      const std::vector<std::string> sa = Split(a.shifts), sb = Split(b.shifts);
      ours = Minus(sa, sb);
      theirs = Minus(sb, sa);
    }
    details = 0;
  }
  if (reason) {
    reason->kind = kind;
    reason->details = details;
    reason->ours = std::move(ours);
    reason->theirs = std::move(theirs);
    if (kind == ReasonKind::kSimilar || kind == ReasonKind::kPartial ||
        kind == ReasonKind::kRegionalFeed || kind == ReasonKind::kAudienceWord) {
      for (const auto& [i, j] : al.spelled) {
        reason->spelled.emplace_back(a.tokens[i].written, b.tokens[j].written);
      }
    }
  }
  return std::clamp(score, 0, 100);
}

int FeedClass(const NameKey& key) {
  if (key.quality == Quality::kUhd || key.lines >= 2160) return 2;
  if (key.quality == Quality::kHd || key.lines >= 720) return 1;
  return 0;
}

bool Assumed(const MatchReason& reason) {
  return reason.kind == ReasonKind::kAbbreviation || reason.kind == ReasonKind::kRegionalFeed ||
         reason.kind == ReasonKind::kAudienceWord ||
         (reason.details & (kDetailJoinedWeak | kDetailTvSpelling)) != 0;
}

}  // namespace match_steps

using namespace match_steps;

PairScore ScorePair(const NameKey& a, const NameKey& b) {
  PairScore out;
  out.score = Evaluate(a, b, &out.reason);
  return out;
}

int VariantFit(const NameKey& provider, const NameKey& playlist) {
  return (FeedClass(provider) == FeedClass(playlist) ? 4 : 0) +
         (provider.markers == playlist.markers ? 2 : 0) +
         (provider.quality == playlist.quality ? 1 : 0);
}

}  // namespace brelvik
