// The saved playlists' names as a host's fixed buffer receives them.
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

class SavedPlaylistsTest : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
  }

  // A host's name buffer: 425 units, every one set beforehand.
  struct NameBuffer {
    unsigned short units[425];
    NameBuffer() { std::fill(std::begin(units), std::end(units), 0xAAAA); }
    std::u16string text() const {
      std::u16string out;
      for (int i = 0; i < 425 && units[i] != 0; ++i)
        out.push_back(char16_t(units[i]));
      return out;
    }
    bool untouched() const {
      return std::all_of(std::begin(units), std::end(units), [](auto c) { return c == 0xAAAA; });
    }
  };
};

TEST_F(SavedPlaylistsTest, CountsAndNamesTheSavedPlaylistsInTheControlsOrder) {
  control.savePlaylist(u"Rock");
  control.savePlaylist(std::u16string(424, u'n'));
  std::u16string longName(500, u'x');
  longName[423] = u'L';
  control.savePlaylist(longName);

  long count = 0;
  EXPECT_EQ(player->GetPLCollectionCount(&count), S_OK);
  EXPECT_EQ(count, 3);

  NameBuffer rock, whole, cut;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(0, rock.units), S_OK);
  EXPECT_EQ(rock.text(), u"Rock");
  EXPECT_EQ(rock.units[424], 0);
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, whole.units), S_OK);
  EXPECT_EQ(whole.text(), std::u16string(424, u'n'));
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(2, cut.units), S_OK);
  EXPECT_EQ(cut.text(), longName.substr(0, 424));
  EXPECT_EQ(cut.units[423], u'L');
  EXPECT_EQ(cut.units[424], 0);
}

TEST_F(SavedPlaylistsTest, AnIndexOutsideTheListLeavesTheBufferAlone) {
  control.savePlaylist(u"Rock");
  NameBuffer name;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, name.units), E_INVALIDARG); // the control's
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(-1, name.units), E_INVALIDARG);
  EXPECT_TRUE(name.untouched());
}

} // namespace
