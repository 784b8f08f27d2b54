// Collation keys for the channel table, made quickly: ICU's root collation
// at tertiary strength, the same order as CollationKey's.
#pragma once

#include <string>
#include <string_view>

namespace brelvik {

// Appends the primary key of `utf8` to `out`: ICU's root collation compares
// two texts as their primary keys compare by bytes wherever these differ;
// texts with equal primary keys (differing only in case or accents, or not
// at all) need a full comparison. The key is built from each character's
// collation elements, which ICU gives once per character, for the
// characters whose elements do not depend on their neighbours (letters,
// digits, punctuation of the Latin, Greek and Cyrillic blocks and the common
// signs); false, with `out` unchanged, for a text with any other character.
bool AppendPrimaryKey(std::string_view utf8, std::string& out);

}  // namespace brelvik
