// The length text is cut to on its way to the control (paths and URLs,
// 259 units), and the host's fixed name buffer left alone by a refusal.
#include "support/proxied_player.h"

#include <atlbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using test_support::Text;
using Strings = std::vector<std::string>;

class TextLimits : public CreatedPlayer {
protected:
  // A saved playlist made by a second client of the engine, which takes
  // names of any length.
  void SavePlaylist(const std::u16string &name) {
    CComPtr<IWMPPlayer4> engine;
    engine.Attach(control.Engine());
    CComPtr<IWMPPlaylistCollection> playlists;
    CComPtr<IWMPPlaylist> made;
    ASSERT_EQ(engine->get_playlistCollection(&playlists), S_OK);
    CComBSTR text(name.c_str());
    ASSERT_EQ(playlists->newPlaylist(text, &made), S_OK);
  }
  long Append(const std::u16string &path) { return player->AppendMusic(Text(path).c_str()); }

  // A host's name buffer: 425 units, every one set beforehand.
  struct NameBuffer {
    unsigned short units[425];
    NameBuffer() { std::fill(std::begin(units), std::end(units), 0xAAAA); }
    bool untouched() const {
      return std::all_of(std::begin(units), std::end(units), [](auto c) { return c == 0xAAAA; });
    }
  };
};

TEST_F(TextLimits, PathsReachTheControlCutTo259Units) {
  std::u16string longPath(300, u'p');
  EXPECT_EQ(Append(longPath), S_OK);
  EXPECT_EQ(player->InsertMusic(Text(longPath).c_str(), 0), S_OK);
  const std::string cut(259, 'p');
  EXPECT_EQ(control.CallsTo("IWMPMediaCollection.add"),
            Strings{"IWMPMediaCollection.add(" + cut + ")"});
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.newMedia"),
            Strings(2, "IWMPPlayer4.newMedia(" + cut + ")"));
  std::u16string exact(259, u'q');
  EXPECT_EQ(Append(exact), S_OK);
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.newMedia").back(),
            "IWMPPlayer4.newMedia(" + std::string(259, 'q') + ")");
  // So do playlist paths and URLs, whether or not the control finds them.
  player->SetCurPlaylist(Text(longPath).c_str());
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.newPlaylist").at(0),
            "IWMPPlayer4.newPlaylist(\"\", " + cut + ")");
}

TEST_F(TextLimits, AnIndexOutsideTheListLeavesTheBufferAlone) {
  SavePlaylist(u"Rock");
  NameBuffer name;
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, name.units), E_INVALIDARG); // the control's
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(-1, name.units), E_INVALIDARG);
  EXPECT_TRUE(name.untouched());
}

} // namespace
