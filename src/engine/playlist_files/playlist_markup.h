// A forgiving scanner for the XML-like playlist formats (ASX, WPL). Real
// files are often not well-formed: ampersands and quotes inside attribute
// values go unescaped, tags differ in case, elements are left open. The
// scanner never fails; it turns any text into a flat run of tags and the
// text between them, which the format readers interpret.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

struct MarkupNode {
  enum Kind { Text, Open, Close } kind = Text;
  std::u16string name;  // lower-case tag name; empty for text
  std::u16string value; // the text, entities decoded; empty for tags
  std::vector<std::pair<std::u16string, std::u16string>> attributes; // names lower-case
  bool selfClosing = false;

  // The attribute's decoded value, or null when the tag has none of that name.
  const std::u16string *Attribute(std::u16string_view lowerName) const;
};

// Comments, processing instructions and declarations are dropped; a CDATA
// section is text, taken as it stands (no entity or reference decoded).
std::vector<MarkupNode> ScanMarkup(std::u16string_view text);

// Decodes &amp; &lt; &gt; &quot; &apos; and numeric references; an ampersand
// that starts none of them stays as it is.
std::u16string DecodeEntities(std::u16string_view text);

} // namespace engine
