#include "engine/playlist_files/playlist_markup.h"

#include "platform/utf8.h"

#include <cstddef>

namespace engine {

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t &c : out)
    c = Lower(c);
  return out;
}

bool IsNameChar(char16_t c) {
  return !IsSpace(c) && c != u'=' && c != u'>' && c != u'/' && c != u'<' && c != u'"' && c != u'\'';
}

std::size_t SkipSpace(std::u16string_view text, std::size_t at) {
  while (at < text.size() && IsSpace(text[at]))
    ++at;
  return at;
}

std::size_t SkipName(std::u16string_view text, std::size_t at) {
  while (at < text.size() && IsNameChar(text[at]))
    ++at;
  return at;
}

// Whether a quote at `at` can close an attribute value: what follows is the
// end of the tag, the end of the text, or the next attribute. A quote inside
// an unescaped value ("a "b".mp3") is followed by anything else.
bool ClosesValue(std::u16string_view text, std::size_t at) {
  std::size_t next = SkipSpace(text, at + 1);
  if (next >= text.size() || text[next] == u'>' || text[next] == u'/' || text[next] == u'<')
    return true;
  if (next == at + 1)
    return false; // an attribute would be preceded by white space
  const std::size_t nameEnd = SkipName(text, next);
  return nameEnd > next && SkipSpace(text, nameEnd) < text.size() &&
         text[SkipSpace(text, nameEnd)] == u'=';
}

// What earlier values learnt about the quotes ahead: no quote of this kind
// from `from` up to `until` (a line's end) closes a value. Whether a quote
// closes a value depends only on what follows it, so a later value on the
// same line skips that stretch instead of testing its quotes again; every
// quote is tested once, and a line of many values is read in linear time.
struct QuoteMemo {
  std::size_t from = 0;
  std::size_t until = 0;
};
struct QuoteMemos {
  QuoteMemo doubleQuote;
  QuoteMemo singleQuote;
};

// Reads a quoted or bare value starting at `at`; returns where it ends.
std::size_t ReadValue(std::u16string_view text, std::size_t at, std::u16string &value,
                      QuoteMemos &memos) {
  if (at >= text.size())
    return at;
  const char16_t quote = text[at];
  if (quote != u'"' && quote != u'\'') {
    std::size_t end = at;
    while (end < text.size() && !IsSpace(text[end]) && text[end] != u'>')
      ++end;
    if (end > at && text[end - 1] == u'/' && end < text.size())
      --end; // <ref href=x/>
    value = DecodeEntities(text.substr(at, end - at));
    return end;
  }
  // Values stay on one line: the first quote on it that can close the value
  // does; failing that, the first quote at all.
  QuoteMemo &memo = quote == u'"' ? memos.doubleQuote : memos.singleQuote;
  std::size_t first = npos, close = npos, q = at + 1;
  for (; q < text.size() && text[q] != u'\n'; ++q) {
    if (text[q] == quote && first == npos)
      first = q;
    if (q >= memo.from && q < memo.until) {
      if (first != npos) {
        q = memo.until; // nothing up to the line's end closes
        break;
      }
      continue;
    }
    if (text[q] == quote && ClosesValue(text, q)) {
      close = q;
      break;
    }
  }
  if (close == npos) {
    memo = {at + 1, q};
    // A value may still end on a later line, at its first quote; the text
    // up to it is consumed, so looking for it costs once.
    close = first != npos ? first : text.find(quote, q);
  }
  if (close == npos) {
    // No closing quote at all: the value runs to the end of the tag.
    std::size_t end = at + 1;
    while (end < text.size() && text[end] != u'>')
      ++end;
    value = DecodeEntities(text.substr(at + 1, end - at - 1));
    return end;
  }
  value = DecodeEntities(text.substr(at + 1, close - at - 1));
  return close + 1;
}

// Reads a tag whose '<' is at `at`; returns the index after its '>'.
std::size_t ReadTag(std::u16string_view text, std::size_t at, MarkupNode &node, QuoteMemos &memos) {
  std::size_t i = at + 1;
  node.kind = MarkupNode::Open;
  if (i < text.size() && text[i] == u'/') {
    node.kind = MarkupNode::Close;
    ++i;
  }
  const std::size_t nameEnd = SkipName(text, i);
  node.name = LowerCase(text.substr(i, nameEnd - i));
  i = nameEnd;
  while (true) {
    i = SkipSpace(text, i);
    if (i >= text.size())
      return i;
    const char16_t c = text[i];
    if (c == u'>')
      return i + 1;
    if (c == u'<')
      return i; // an unclosed tag: the next one starts here
    if (c == u'/') {
      node.selfClosing = true;
      ++i;
      continue;
    }
    const std::size_t attributeEnd = SkipName(text, i);
    if (attributeEnd == i) {
      ++i; // a stray quote or '='
      continue;
    }
    std::u16string name = LowerCase(text.substr(i, attributeEnd - i));
    std::u16string value;
    i = SkipSpace(text, attributeEnd);
    if (i < text.size() && text[i] == u'=')
      i = ReadValue(text, SkipSpace(text, i + 1), value, memos);
    node.attributes.emplace_back(std::move(name), std::move(value));
  }
}

// Where the markup construct at `at` ("<!--", "<?", "<!") ends, or npos
// when it is a tag.
std::size_t SkipDeclaration(std::u16string_view text, std::size_t at) {
  auto after = [&](std::u16string_view terminator) {
    const std::size_t end = text.find(terminator, at);
    return end == npos ? text.size() : end + terminator.size();
  };
  const std::u16string_view rest = text.substr(at);
  if (rest.starts_with(u"<!--"))
    return after(u"-->");
  if (rest.starts_with(u"<?"))
    return after(u"?>");
  if (rest.starts_with(u"<!"))
    return after(u">");
  return npos;
}

bool ReadNumericReference(std::u16string_view digits, char32_t &codePoint) {
  int base = 10;
  if (!digits.empty() && (digits[0] == u'x' || digits[0] == u'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 8)
    return false;
  char32_t value = 0;
  for (char16_t c : digits) {
    int digit = -1;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (base == 16 && Lower(c) >= u'a' && Lower(c) <= u'f')
      digit = Lower(c) - u'a' + 10;
    if (digit < 0)
      return false;
    value = value * char32_t(base) + char32_t(digit);
  }
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return false;
  codePoint = value;
  return true;
}

} // namespace

const std::u16string *MarkupNode::Attribute(std::u16string_view lowerName) const {
  for (const auto &[name, value] : attributes) {
    if (name == lowerName)
      return &value;
  }
  return nullptr;
}

std::u16string DecodeEntities(std::u16string_view text) {
  static constexpr std::pair<std::u16string_view, char16_t> kNamed[] = {
      {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // An entity is short: look for its ';' among the next few characters only.
    const std::size_t semicolon = text[i] == u'&' ? text.substr(0, i + 11).find(u';', i + 1) : npos;
    if (semicolon == npos) {
      out += text[i];
      continue;
    }
    const std::u16string entity = LowerCase(text.substr(i + 1, semicolon - i - 1));
    bool decoded = false;
    char32_t codePoint = 0;
    if (!entity.empty() && entity[0] == u'#' &&
        ReadNumericReference(std::u16string_view(entity).substr(1), codePoint)) {
      platform::AppendUtf16(codePoint, &out);
      decoded = true;
    }
    for (const auto &[name, c] : kNamed) {
      if (!decoded && entity == name) {
        out += c;
        decoded = true;
      }
    }
    if (decoded)
      i = semicolon;
    else
      out += text[i];
  }
  return out;
}

std::vector<MarkupNode> ScanMarkup(std::u16string_view text) {
  std::vector<MarkupNode> nodes;
  QuoteMemos memos;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find(u'<', i);
    const std::size_t textEnd = open == npos ? text.size() : open;
    if (textEnd > i) {
      MarkupNode node;
      node.value = DecodeEntities(text.substr(i, textEnd - i));
      nodes.push_back(std::move(node));
    }
    if (open == npos)
      break;
    // A CDATA section is text as it stands: no tags, no references.
    if (text.substr(open).starts_with(u"<![CDATA[")) {
      const std::size_t start = open + 9;
      const std::size_t close = text.find(u"]]>", start);
      MarkupNode node;
      node.value = text.substr(start, (close == npos ? text.size() : close) - start);
      nodes.push_back(std::move(node));
      i = close == npos ? text.size() : close + 3;
      continue;
    }
    if (const std::size_t end = SkipDeclaration(text, open); end != npos) {
      i = end;
      continue;
    }
    MarkupNode node;
    i = ReadTag(text, open, node, memos); // always past the '<'
    if (!node.name.empty())
      nodes.push_back(std::move(node));
  }
  return nodes;
}

} // namespace engine
