// The rules a value prompt's text field applies while the user types: which
// characters a parameter's type allows and how many may stand.
#pragma once

#include <string>
#include <string_view>

class IParam;

struct TextEntryRules {
  bool mFiltered = false;  // only mAllowed may be typed (none when it is empty)
  std::string mAllowed;
  int mMaxLength = 0;  // code points; 0 means no limit

  // No filter and no limit: a control's own text entry.
  static TextEntryRules None() { return {}; }
  // "0123456789-+" for switches, integers and choices, "0123456789.-+" for
  // doubles, nothing for a parameter of no type; at most maxLength characters.
  static TextEntryRules ForParam(const IParam& param, int maxLength);

  // Whether an edit may stand that inserts the text (replacing what was
  // selected) and takes the length from lengthBefore to lengthAfter code
  // points: it brings in no character outside the set and does not grow the
  // text past the limit. Deleting is always allowed, even from a text that
  // breaks the rules.
  bool AcceptsEdit(std::string_view inserted, int lengthBefore, int lengthAfter) const;
};
