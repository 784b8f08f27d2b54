// The texts of match reasons, in either language, assembled from what the
// steps recorded. Russian quotes with «», English with “”.
#include "matching/matcher.h"

namespace brelvik {

namespace {

std::string JoinedOr(const std::vector<std::string>& items, std::string_view nothing) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : " ") + item;
  return out.empty() ? std::string(nothing) : out;
}

}  // namespace

std::string ReasonText(const MatchReason& reason, Language language) {
  const bool ru = language == Language::kRu;
  const auto q = [ru](const std::string& text) {
    return (ru ? "«" : "“") + text + (ru ? "»" : "”");
  };
  const auto quoted = [&q](const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + q(item);
    return out;
  };
  std::vector<std::string> parts;
  const auto folds = [&] {
    if (reason.folds & kFoldLookAlike) {
      parts.push_back(ru ? "буквы другого алфавита того же начертания"
                         : "look-alike letters of the other alphabet");
    }
    if (reason.folds & kFoldYo) parts.push_back(ru ? "ё как е" : "ё read as е");
    if (reason.folds & kFoldMarks)
      parts.push_back(ru ? "без диакритических знаков" : "accents aside");
    if (reason.folds & kFoldCompatibility) {
      parts.push_back(ru ? "особые формы символов" : "special forms of characters");
    }
  };
  const auto removed = [&](std::string_view ru_prefix, std::string_view en_prefix) {
    if (reason.removed.empty()) return false;
    parts.push_back(std::string(ru ? ru_prefix : en_prefix) + quoted(reason.removed));
    return true;
  };
  const auto spelling = [&] {
    std::string text = ru ? "написано иначе: " : "spelled differently: ";
    for (std::size_t i = 0; i < reason.spelled.size(); ++i) {
      text += (i ? ", " : "") + q(reason.spelled[i].first) + " / " + q(reason.spelled[i].second);
    }
    return text;
  };
  const auto only_in = [&](const std::string& ru_ours, const std::string& en_ours,
                           const std::string& ru_theirs, const std::string& en_theirs) {
    if (!reason.ours.empty()) parts.push_back((ru ? ru_ours : en_ours) + quoted(reason.ours));
    if (!reason.theirs.empty()) {
      parts.push_back((ru ? ru_theirs : en_theirs) + quoted(reason.theirs));
    }
  };
  switch (reason.kind) {
    case ReasonKind::kSame:
      if (!removed("то же после удаления ", "same after removing ")) {
        parts.push_back(ru ? "то же название" : "same name");
      }
      folds();
      break;
    case ReasonKind::kSimilar:
      if (reason.details & kDetailLatin)
        parts.push_back(ru ? "то же латиницей" : "same in Latin letters");
      if (reason.details & kDetailJoinedWeak) {
        parts.push_back(ru ? "те же слова, но общее слово написано слитно с другим; проверьте"
                           : "same words, but a common word is written together with another; "
                             "please check");
      } else if (reason.details & kDetailJoined) {
        parts.push_back(ru ? "те же слова, слитно или раздельно" : "same words, joined or apart");
      }
      if (reason.details & kDetailOrder) {
        parts.push_back(ru ? "те же слова в другом порядке" : "same words in another order");
      }
      if (reason.details & kDetailTvSpelling) {
        parts.push_back(ru ? q("ТБ") + " прочитано как " + q("ТВ") + "; проверьте"
                           : q("ТБ") + " read as " + q("ТВ") + "; please check");
      }
      if (reason.details & kDetailSpelling) parts.push_back(spelling());
      if (reason.details & kDetailWeak) {
        std::vector<std::string> words = reason.ours;
        words.insert(words.end(), reason.theirs.begin(), reason.theirs.end());
        parts.push_back(std::string(ru ? "отличается только общим словом " : "differs only in ") +
                        quoted(words));
      }
      if (parts.empty()) parts.push_back(ru ? "то же название" : "same name");
      removed("удалено ", "removed ");
      folds();
      break;
    case ReasonKind::kPartial:
      only_in("нет в названии из плейлиста: ", "not in the playlist's name: ",
              "есть только в названии из плейлиста: ", "only in the playlist's name: ");
      if (!reason.spelled.empty()) parts.push_back(spelling());
      break;
    case ReasonKind::kAbbreviation:
      if (!reason.ours.empty() && !reason.theirs.empty()) {
        parts.push_back(ru ? q(reason.ours.front()) + " — возможно, сокращение от " +
                                 q(reason.theirs.front())
                           : q(reason.ours.front()) + " may be the initials of " +
                                 q(reason.theirs.front()));
      }
      break;
    case ReasonKind::kRegionalFeed:
      only_in("только в названии канала, в скобках или после «/»: ",
              "only in the channel's name, in brackets or after “/”: ",
              "только в названии из плейлиста, в скобках или после «/»: ",
              "only in the playlist's name, in brackets or after “/”: ");
      parts.push_back(ru ? "возможно, это региональная версия канала"
                         : "perhaps a regional feed of the channel");
      if (!reason.spelled.empty()) parts.push_back(spelling());
      break;
    case ReasonKind::kAudienceWord:
      only_in("только в названии канала слово языка или аудитории: ",
              "only in the channel's name, a language or audience word: ",
              "только в названии из плейлиста слово языка или аудитории: ",
              "only in the playlist's name, a language or audience word: ");
      if (!reason.spelled.empty()) parts.push_back(spelling());
      break;
    case ReasonKind::kNumberDiffers:
      parts.push_back(std::string(ru ? "номер отличается: " : "number differs: ") +
                      JoinedOr(reason.ours, ru ? "нет" : "none") + " / " +
                      JoinedOr(reason.theirs, ru ? "нет" : "none"));
      break;
    case ReasonKind::kTimeshiftDiffers:
      parts.push_back(std::string(ru ? "сдвиг времени отличается: " : "time shift differs: ") +
                      JoinedOr(reason.ours, ru ? "нет" : "none") + " / " +
                      JoinedOr(reason.theirs, ru ? "нет" : "none"));
      break;
    case ReasonKind::kCommonWordsOnly:
      parts.push_back(ru ? "в названиях только общие слова и числа, и они не совпадают"
                         : "the names hold only common words and numbers, and they differ");
      break;
    case ReasonKind::kTakenBy:
      parts.push_back(ru ? "это название из плейлиста получил канал " + q(reason.other) +
                               ": он подходит к нему лучше"
                         : "this playlist name went to " + q(reason.other) +
                               ", which fits it better");
      break;
    case ReasonKind::kEqualClaim:
      parts.push_back(ru ? "название из плейлиста одинаково подходит и каналу " + q(reason.other)
                         : "the playlist name fits " + q(reason.other) + " just as well");
      break;
    case ReasonKind::kTie:
      parts.push_back(ru ? "почти так же подходит " + q(reason.other) + " (" +
                               std::to_string(reason.other_score) + ")"
                         : q(reason.other) + " fits nearly as well (" +
                               std::to_string(reason.other_score) + ")");
      break;
    case ReasonKind::kUltraHdOneSide:
      removed("то же после удаления ", "same after removing ");
      parts.push_back(ru ? "4K/UHD только в одном из названий, а это часто отдельный канал"
                         : "4K/UHD in one name only, which is often a channel of its own");
      break;
    case ReasonKind::kForeignMarker:
      parts.push_back(ru ? "название из плейлиста помечено другой страной: " + q(reason.other)
                         : "the playlist name is marked for another country: " + q(reason.other));
      break;
    case ReasonKind::kRowMarker:
      parts.push_back(ru ? "название канала помечено " + quoted(reason.ours) +
                               ", а название из плейлиста — " +
                               (reason.theirs.empty() ? std::string("нет")
                                                      : "помечено " + quoted(reason.theirs))
                         : "the channel's name is marked " + quoted(reason.ours) +
                               ", the playlist's name " +
                               (reason.theirs.empty() ? std::string("is not")
                                                      : "is marked " + quoted(reason.theirs)));
      break;
    case ReasonKind::kOtherQualityRow:
      parts.push_back(ru ? "это название другого качества, а у провайдера для него есть канал " +
                               q(reason.other)
                         : "this name is of another quality, which the provider lists as " +
                               q(reason.other));
      break;
    case ReasonKind::kNoCandidate:
      parts.push_back(ru ? "в плейлисте нет похожего названия" : "no playlist name comes close");
      break;
    case ReasonKind::kUserChoice:
      parts.push_back(ru ? "ваш выбор" : "your choice");
      break;
    case ReasonKind::kUserNoMatch:
      parts.push_back(ru ? "ваш выбор: в плейлисте нет этого канала"
                         : "your choice: the playlist has no such channel");
      break;
    case ReasonKind::kUserGaveAway:
      parts.push_back(ru ? "вы отдали его название каналу " + q(reason.other)
                         : "you gave its name to " + q(reason.other));
      break;
    case ReasonKind::kMappedNameGone:
      parts.push_back(ru ? "выбранного вами названия " + q(reason.other) + " больше нет в плейлисте"
                         : "the name you chose, " + q(reason.other) +
                               ", is no longer in the playlist");
      break;
    case ReasonKind::kCodeChanged:
      parts.push_back(ru ? "у канала сменился код: был " + reason.other + "; проверьте"
                         : "the channel's code changed: it was " + reason.other + "; please check");
      break;
  }
  std::string text;
  if (reason.closest) {
    text = (ru ? "ближе всех " : "closest is ") + q(reason.other) + ": ";
  }
  if (reason.copy) text = ru ? "ещё одна копия: " : "another copy: ";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? "; " : "") + parts[i];
  return text;
}

}  // namespace brelvik
