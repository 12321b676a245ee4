// WideCharToMultiByte / MultiByteToWideChar: UTF-8 with surrogates, the
// Windows-1252 table, default characters and the buffer-size contract.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Converts with a size query first, as callers do.
std::string ToBytes(UINT codePage, const std::u16string &text, LPCSTR defaultChar = nullptr,
                    BOOL *usedDefault = nullptr) {
  int needed = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0,
                                   defaultChar, usedDefault);
  EXPECT_GT(needed, 0);
  std::string bytes(std::size_t(needed), '\xCC');
  int written = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), bytes.data(),
                                    needed, defaultChar, usedDefault);
  EXPECT_EQ(written, needed);
  return bytes;
}

std::u16string ToWide(UINT codePage, const std::string &bytes, DWORD flags = 0) {
  int needed = MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
  EXPECT_GT(needed, 0);
  std::u16string wide(std::size_t(needed), u'\xCCCC');
  EXPECT_EQ(
      MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), wide.data(), needed),
      needed);
  return wide;
}

// Sets AUDIOPLAYER_ACP for one test and puts the old value back.
class ScopedAcp {
public:
  explicit ScopedAcp(const char *value) {
    if (const char *old = std::getenv("AUDIOPLAYER_ACP"))
      saved_ = old;
    if (value != nullptr)
      setenv("AUDIOPLAYER_ACP", value, 1);
    else
      unsetenv("AUDIOPLAYER_ACP");
  }
  ~ScopedAcp() {
    if (saved_)
      setenv("AUDIOPLAYER_ACP", saved_->c_str(), 1);
    else
      unsetenv("AUDIOPLAYER_ACP");
  }

private:
  std::optional<std::string> saved_;
};

// ---- UTF-8 ----------------------------------------------------------------

TEST(PlatformCodePages, Utf8OfAstralCharacters) {
  const std::u16string note = u"\U0001F3B5"; // a surrogate pair
  ASSERT_EQ(note.size(), 2u);
  EXPECT_EQ(ToBytes(CP_UTF8, note), "\xF0\x9F\x8E\xB5");
  EXPECT_EQ(ToWide(CP_UTF8, "\xF0\x9F\x8E\xB5"), note);
  EXPECT_EQ(ToBytes(CP_UTF8, u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
}

TEST(PlatformCodePages, Utf8ReplacesUnpairedSurrogates) {
  const std::u16string lone_high = {u'a', char16_t(0xD83C), u'b'};
  const std::u16string lone_low = {char16_t(0xDFB5)};
  const std::u16string reversed = {char16_t(0xDFB5), char16_t(0xD83C)};
  EXPECT_EQ(ToBytes(CP_UTF8, lone_high), "a\xEF\xBF\xBD"
                                         "b");
  EXPECT_EQ(ToBytes(CP_UTF8, lone_low), "\xEF\xBF\xBD");
  EXPECT_EQ(ToBytes(CP_UTF8, reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(PlatformCodePages, Utf8DecodingReplacesIllFormedBytes) {
  EXPECT_EQ(ToWide(CP_UTF8, "a\xFF"
                            "b"),
            u"a\uFFFDb");
  EXPECT_EQ(ToWide(CP_UTF8, "\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
  EXPECT_EQ(ToWide(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
  EXPECT_EQ(ToWide(CP_UTF8, "\xE2\x82"
                            "A"),
            u"\uFFFDA"); // cut short
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x8 /* MB_ERR_INVALID_CHARS */, "\xFF", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(PlatformCodePages, Utf8RefusesDefaultCharacter) {
  char out[8];
  BOOL used = FALSE;
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, sizeof out, "?", nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, out, sizeof out, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

// ---- the size contract ----------------------------------------------------

// -1 takes the text up to its NUL, and converts the NUL too. (Text to
// bytes that way is what the player's own writers use.)
TEST(PlatformCodePages, MinusOneConvertsTheTerminator) {
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9", -1, nullptr, 0), 2);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9", -1, wide, 8), 2);
  EXPECT_EQ(wide[0], u'\u00e9');
  EXPECT_EQ(wide[1], 0);
}

TEST(PlatformCodePages, RefusesBadArguments) {
  char out[4];
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, 1, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 0, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(12345, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

// ---- Windows-1252 ---------------------------------------------------------

TEST(PlatformCodePages, Windows1252Specials) {
  const std::u16string specials =
      u"\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u017d"
      u"\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u017e\u0178";
  const std::string bytes = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
                            "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F";
  BOOL used = TRUE;
  EXPECT_EQ(ToBytes(1252, specials, nullptr, &used), bytes);
  EXPECT_FALSE(used);
  EXPECT_EQ(ToWide(1252, bytes), specials);
  EXPECT_EQ(ToBytes(1252, u"caf\u00e9 \u00ff"), "caf\xE9 \xFF");
}

TEST(PlatformCodePages, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte)
    all.push_back(char(byte));
  std::u16string wide = ToWide(1252, all);
  ASSERT_EQ(wide.size(), all.size());
  EXPECT_EQ(wide[0x81 - 1], u'\u0081'); // unassigned bytes keep their value
  BOOL used = TRUE;
  EXPECT_EQ(ToBytes(1252, wide, nullptr, &used), all);
  EXPECT_FALSE(used);
}

TEST(PlatformCodePages, UnmappedCharactersBecomeTheDefault) {
  BOOL used = FALSE;
  EXPECT_EQ(ToBytes(CP_ACP, u"a\u4e2db", nullptr, &used), "a?b");
  EXPECT_TRUE(used);
  used = FALSE;
  EXPECT_EQ(ToBytes(CP_ACP, u"a\u4e2db", "*", &used), "a*b");
  EXPECT_TRUE(used);
  // U+0080 is not 0x80: that byte is the euro sign.
  used = FALSE;
  EXPECT_EQ(ToBytes(1252, u"\u0080", nullptr, &used), "?");
  EXPECT_TRUE(used);
  // A surrogate pair is one character, so one default.
  EXPECT_EQ(ToBytes(1252, u"\U0001F3B5"), "?");
  // The size query reports the default too.
  used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u4e2d", 1, nullptr, 0, nullptr, &used), 1);
  EXPECT_TRUE(used);
}

// ---- other ANSI code pages ------------------------------------------------

TEST(PlatformCodePages, AnsiCodePageFromEnvironment) {
  {
    ScopedAcp acp("28591");
    EXPECT_EQ(GetACP(), 28591u);
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, u"\u0080\u00e9", nullptr, &used), "\x80\xE9");
    EXPECT_FALSE(used);
    EXPECT_EQ(ToBytes(CP_ACP, u"\u20ac", nullptr, &used), "?");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToWide(CP_ACP, "\x80\x93"), u"\u0080\u0093");
  }
  {
    ScopedAcp acp("9999"); // unsupported: stays 1252
    EXPECT_EQ(GetACP(), 1252u);
  }
}

} // namespace
