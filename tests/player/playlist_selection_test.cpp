// Switching to a CD and back (a clear returns to the playlist before it),
// the current item's index, and finding an item's index in the current
// playlist, over the engine with CD images.
#include "engine/disc_image.h"
#include "player/wmp9_audio_player.h"
#include "support/proxied_player.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using control_proxy::Answer;
using test_support::kRefused;
using test_support::Text;
using Strings = std::vector<std::string>;

class PlaylistSelection : public ProxiedPlayer {
protected:
  void SetUp() override {
    ProxiedPlayer::SetUp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    AppendFiles({"a.wav", "b.wav", "c.wav", "d.wav"});
    control.ClearCalls();
  }
  CWMP9AudioPlayer *BackEnd() { return static_cast<CWMP9AudioPlayer *>(player); }
  long SetCdrom(const std::string &name) {
    const std::string image = test_media::MakeDiscImage(folder, name, {{10, "One"}, {10, "Two"}});
    return player->SetCdromToCurPlaylist(Text(image).c_str());
  }
  long Count() {
    long count = -1;
    return SUCCEEDED(player->GetCurPlaylistCount(&count)) ? count : -1;
  }
  long Index() {
    long index = 1234;
    long status = player->GetPlaylistIndex(&index);
    return SUCCEEDED(status) ? index : status;
  }
};

TEST_F(PlaylistSelection, TwoCdsInARowThenClearReturnToThePlaylistBeforeTheFirst) {
  EXPECT_EQ(SetCdrom("d"), S_OK);
  EXPECT_EQ(SetCdrom("e"), S_OK);
  EXPECT_EQ(control.Count("IWMPPlayer4.get_currentPlaylist"), 1u); // put aside once only
  EXPECT_EQ(control.CallsTo("IWMPCdromCollection.getByDriveSpecifier").at(1),
            "IWMPCdromCollection.getByDriveSpecifier(e.cue)");
  EXPECT_EQ(Count(), 2);
  control.ClearCalls();
  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.put_currentPlaylist").at(0),
            "IWMPPlayer4.put_currentPlaylist(\"\")");
  EXPECT_EQ(Count(), 0);
  // The playlist from before the CDs takes files again.
  ASSERT_EQ(player->AppendMusic(Text(Path("a.wav")).c_str()), S_OK);
  EXPECT_EQ(Count(), 1);
}

TEST_F(PlaylistSelection, TheCurrentItemsIndexIsItsFirstPlaceInThePlaylist) {
  EXPECT_EQ(Index(), 0);
  ASSERT_EQ(player->SetPlayListIndex(3), S_OK);
  EXPECT_EQ(Index(), 3);
  // The item at 2 is the current item too: it is the one reported.
  control.Answer("IWMPMedia.get_isIdentical", 3, Answer::Number(-1));
  EXPECT_EQ(Index(), 2);
  control.Forget();
  // No current item, or none the control can give.
  control.Answer("IWMPControls.currentItem", 0, Answer(S_OK, true));
  long index = 9;
  EXPECT_EQ(player->GetPlaylistIndex(&index), E_FAIL);
  EXPECT_EQ(index, -1);
  control.Forget();
  control.Answer("IWMPControls.currentItem", 0, kRefused);
  index = 9;
  EXPECT_EQ(player->GetPlaylistIndex(&index), kRefused);
  EXPECT_EQ(index, -1);
  control.Forget();
  ASSERT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(Index(), E_FAIL); // empty playlist
}

TEST_F(PlaylistSelection, FindMediaIndexTakesTheFirstIdenticalItem) {
  CComPtr<IWMPMedia> second = EngineItem(1);
  CComPtr<IWMPMedia> last = EngineItem(3);
  long index = 77;
  EXPECT_EQ(BackEnd()->FindMediaIndex(second, &index), S_OK);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(BackEnd()->FindMediaIndex(last, &index), S_OK);
  EXPECT_EQ(index, 3);
  control.ClearCalls();
  EXPECT_EQ(BackEnd()->FindMediaIndex(nullptr, &index), E_FAIL);
  EXPECT_EQ(index, -1);
  EXPECT_TRUE(control.Calls().empty());

  // An item no longer in the playlist: every item is looked at.
  ASSERT_EQ(player->RemoveMusic(3), S_OK);
  control.ClearCalls();
  index = 77;
  EXPECT_EQ(BackEnd()->FindMediaIndex(last, &index), E_FAIL);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(control.Count("IWMPPlaylist.get_Item"), 3u);

  // A failed fetch ends the search with its status.
  control.Answer("IWMPPlaylist.get_Item", 2, kRefused);
  index = 77;
  EXPECT_EQ(BackEnd()->FindMediaIndex(second, &index), kRefused);
  EXPECT_EQ(index, -1);
}

TEST_F(PlaylistSelection, ClearAfterACdGoesBackToThePlaylistBeforeItOnce) {
  ASSERT_EQ(SetCdrom("d"), S_OK);
  // The restore fails: the CD stays put aside for the next clear.
  control.ClearCalls();
  control.Answer("IWMPPlayer4.put_currentPlaylist", 1, kRefused);
  EXPECT_EQ(player->ClearAllMusic(), kRefused);
  EXPECT_EQ(control.Count("IWMPPlaylist.clear"), 0u);
  EXPECT_EQ(Count(), 2);
  control.Forget();

  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(Count(), 0);

  // Once back, a clear empties whatever is current without switching.
  test_support::WriteFile(folder.File("mix.m3u"), "a.wav\nb.wav\n");
  ASSERT_EQ(player->SetCurPlaylist(Text(Path("mix.m3u")).c_str()), S_OK);
  EXPECT_EQ(Count(), 2);
  control.ClearCalls();
  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.put_currentPlaylist"),
            Strings{"IWMPPlayer4.put_currentPlaylist(mix)"});
}

} // namespace
