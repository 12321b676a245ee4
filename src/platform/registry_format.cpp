// The registry file is UTF-8 text, one item per line:
//
//   audioplayer registry 1
//   [Software\Microsoft\MediaPlayer\Preferences]
//   "LibraryRights"=3:24000000
//   ""=1:41000000
//
// The first line names the format. A `[path]` line starts a key, given by its
// path below HKEY_CURRENT_USER (`[]` is HKEY_CURRENT_USER itself); every key
// has a line, so empty keys survive. Each `"name"=type:hex` line below it is
// one value: the REG_* type in decimal and the raw data as hex bytes ("" is
// the default value). In names, `%`, `\`, `"`, control characters and
// unpaired surrogates are written as %HHHH, the UTF-16 unit in hex, so that
// every name survives the trip. Blank lines and lines starting with `#` are
// ignored. Anything else makes the whole file unreadable.
#include <cstdio>

#include "registry_store.h"
#include "utf8.h"

namespace platform::registry {

namespace {

constexpr std::string_view kHeader = "audioplayer registry 1";
constexpr char kHexDigits[] = "0123456789abcdef";

char16_t FoldUnit(char16_t c) {
  if (c >= u'a' && c <= u'z')
    return c - 0x20;
  if (c < 0x80)
    return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return c - 0x20; // Latin-1
  if (c == 0xFF)
    return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9)
    return c == 0x3C2 ? 0x3A3 : c - 0x20; // Greek
  if (c >= 0x430 && c <= 0x44F)
    return c - 0x20; // Cyrillic
  if (c >= 0x450 && c <= 0x45F)
    return c - 0x50;
  return c;
}

bool NeedsEscape(char16_t c) {
  return c < 0x20 || c == 0x7F || c == u'%' || c == u'\\' || c == u'"';
}

void AppendEscapeUnit(char16_t unit, std::string *out) {
  char text[6];
  std::snprintf(text, sizeof text, "%%%04X", unsigned(unit));
  out->append(text);
}

void AppendName(std::u16string_view name, std::string *out) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((char32_t(c) - 0xD800) << 10) + (name[i + 1] - 0xDC00), out);
      ++i;
    } else if (NeedsEscape(c) || (c >= 0xD800 && c <= 0xDFFF)) {
      AppendEscapeUnit(c, out);
    } else {
      AppendUtf8(c, out);
    }
  }
}

// `path` is the key's path already escaped, segment by segment.
void AppendKey(const Key &key, const std::string &path, bool isRoot, std::string *out) {
  if (!isRoot || !key.values.empty()) {
    out->push_back('[');
    out->append(path);
    out->append("]\n");
  }
  for (const auto &[folded, value] : key.values) {
    out->push_back('"');
    AppendName(value.name, out);
    out->append("\"=");
    out->append(std::to_string(value.type));
    out->push_back(':');
    for (BYTE byte : value.data) {
      out->push_back(kHexDigits[byte >> 4]);
      out->push_back(kHexDigits[byte & 0xF]);
    }
    out->push_back('\n');
  }
  for (const auto &[folded, child] : key.subkeys) {
    std::string childPath = isRoot ? std::string() : path + '\\';
    AppendName(child->name, &childPath);
    AppendKey(*child, childPath, false, out);
  }
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

// Undoes AppendName on one decoded stretch of a line.
bool Unescape(std::u16string_view text, std::u16string *name) {
  name->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') {
      if (NeedsEscape(text[i]))
        return false;
      name->push_back(text[i]);
      continue;
    }
    if (i + 4 >= text.size())
      return false;
    char16_t unit = 0;
    for (std::size_t k = 1; k <= 4; ++k) {
      int digit = HexValue(text[i + k]);
      if (digit < 0)
        return false;
      unit = char16_t((unit << 4) | digit);
    }
    name->push_back(unit);
    i += 4;
  }
  return true;
}

// Walks to, creating as needed, the key a `[path]` line names.
bool OpenKeyLine(std::u16string_view path, Key *root, Key **current) {
  Key *key = root;
  if (path.empty()) {
    *current = key;
    return true;
  }
  std::size_t start = 0;
  for (std::size_t depth = 1;; ++depth) {
    if (depth > kMaxKeyDepth)
      return false;
    std::size_t end = path.find(u'\\', start);
    std::u16string_view segment = path.substr(start, end - start);
    std::u16string name;
    if (segment.empty() || !Unescape(segment, &name))
      return false;
    auto &child = key->subkeys[Fold(name)];
    if (!child) {
      child = std::make_unique<Key>();
      child->name = name;
    }
    key = child.get();
    if (end == std::u16string_view::npos)
      break;
    start = end + 1;
  }
  *current = key;
  return true;
}

bool ReadValueLine(std::u16string_view line, Key *key) {
  std::size_t close = line.find(u'"', 1);
  if (close == std::u16string_view::npos)
    return false;
  Value value;
  if (!Unescape(line.substr(1, close - 1), &value.name))
    return false;
  std::u16string_view rest = line.substr(close + 1);
  if (rest.empty() || rest[0] != u'=')
    return false;
  rest.remove_prefix(1);
  std::size_t colon = rest.find(u':');
  if (colon == 0 || colon == std::u16string_view::npos || colon > 10)
    return false;
  unsigned long long type = 0;
  for (std::size_t i = 0; i < colon; ++i) {
    if (rest[i] < u'0' || rest[i] > u'9')
      return false;
    type = type * 10 + (rest[i] - u'0');
  }
  if (type > 0xFFFFFFFFull)
    return false;
  value.type = DWORD(type);
  std::u16string_view hex = rest.substr(colon + 1);
  if (hex.size() % 2 != 0)
    return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int high = HexValue(hex[i]);
    int low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0)
      return false;
    value.data.push_back(BYTE(high << 4 | low));
  }
  key->values[Fold(value.name)] = std::move(value);
  return true;
}

bool ParseLines(std::string_view text, Key *root) {
  bool sawHeader = false;
  Key *current = nullptr;
  while (!text.empty()) {
    std::size_t newline = text.find('\n');
    std::string_view raw = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!raw.empty() && raw.back() == '\r')
      raw.remove_suffix(1);
    if (!sawHeader) {
      if (raw != kHeader)
        return false;
      sawHeader = true;
      continue;
    }
    if (raw.empty() || raw[0] == '#')
      continue;
    std::u16string line;
    if (!Utf8ToUtf16(raw.data(), raw.size(), true, &line))
      return false;
    if (line.front() == u'[') {
      if (line.back() != u']' || line.size() < 2)
        return false;
      if (!OpenKeyLine(std::u16string_view(line).substr(1, line.size() - 2), root, &current))
        return false;
    } else if (line.front() == u'"') {
      if (current == nullptr || !ReadValueLine(line, current))
        return false;
    } else {
      return false;
    }
  }
  return sawHeader;
}

} // namespace

std::u16string Fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t &c : folded)
    c = FoldUnit(c);
  return folded;
}

std::string Serialize(const Key &root) {
  std::string out(kHeader);
  out.push_back('\n');
  AppendKey(root, std::string(), true, &out);
  return out;
}

bool Parse(std::string_view text, Key *root) {
  *root = Key();
  if (ParseLines(text, root))
    return true;
  *root = Key();
  return false;
}

} // namespace platform::registry
