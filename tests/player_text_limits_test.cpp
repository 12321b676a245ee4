// The lengths text is cut to on its way to the control (paths and URLs,
// 259 units) and back to the host (saved playlists' names, 424 units and
// the terminator, in the host's fixed buffer).
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using test_support::Text;
using Strings = std::vector<std::string>;

class TextLimits : public PlayerTest {
protected:
  void SetUp() override {
    PlayerTest::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    control.clearCalls();
  }
  long Append(const std::u16string &path) { return player->AppendMusic(Text(path).c_str()); }

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

TEST_F(TextLimits, PathsReachTheControlCutTo259Units) {
  std::u16string longPath(300, u'p');
  EXPECT_EQ(Append(longPath), S_OK);
  EXPECT_EQ(player->InsertMusic(Text(longPath).c_str(), 0), S_OK);
  std::string cut(259, 'p');
  EXPECT_EQ(control.callsTo("IWMPMediaCollection.add").at(0).args, Strings{cut});
  auto made = control.callsTo("IWMPPlayer4.newMedia");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].args, Strings{cut});
  EXPECT_EQ(made[1].args, Strings{cut});
  std::u16string exact(259, u'q');
  EXPECT_EQ(Append(exact), S_OK);
  EXPECT_EQ(control.callsTo("IWMPPlayer4.newMedia").back().args, Strings{std::string(259, 'q')});
  // So do playlist paths and URLs.
  EXPECT_EQ(player->SetCurPlaylist(Text(longPath).c_str()), S_OK);
  EXPECT_EQ(control.callsTo("IWMPPlayer4.newPlaylist").at(0).args, (Strings{"", cut}));
}

TEST_F(TextLimits, SavedPlaylistNamesArriveCutTo424Units) {
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

TEST_F(TextLimits, AnIndexOutsideTheListLeavesTheBufferAlone) {
  control.savePlaylist(u"Rock");
  NameBuffer name;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, name.units), E_INVALIDARG); // the control's
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(-1, name.units), E_INVALIDARG);
  EXPECT_TRUE(name.untouched());
}

} // namespace
