// Switching to a CD and back (a clear returns to the playlist before it),
// over the engine with CD images. The current item's index is found as a
// notification's is (the notifications' tests and the operation table).
#include "engine/disc_image.h"
#include "support/proxied_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::kRefused;
using test_support::Text;
using Strings = std::vector<std::string>;

class PlaylistSelection : public CreatedPlayer {
protected:
  void SetUp() override {
    CreatedPlayer::SetUp();
    AppendFiles({"a.wav", "b.wav", "c.wav", "d.wav"});
    control.ClearCalls();
  }
  long SetCdrom(const std::string &name) {
    const std::string image = test_media::MakeDiscImage(folder, name, {{10, "One"}, {10, "Two"}});
    return player->SetCdromToCurPlaylist(Text(image).c_str());
  }
  long Count() {
    long count = -1;
    return SUCCEEDED(player->GetCurPlaylistCount(&count)) ? count : -1;
  }
};

// Two CDs in a row put the playlist before them aside once; a clear whose
// restore fails keeps it aside for the next clear, which returns to it;
// once back, a clear empties whatever is current without switching.
TEST_F(PlaylistSelection, AClearAfterCdsReturnsToThePlaylistBeforeTheFirstOnce) {
  EXPECT_EQ(SetCdrom("d"), S_OK);
  EXPECT_EQ(SetCdrom("e"), S_OK);
  EXPECT_EQ(control.Count("IWMPPlayer4.get_currentPlaylist"), 1u);
  EXPECT_EQ(control.CallsTo("IWMPCdromCollection.getByDriveSpecifier").at(1),
            "IWMPCdromCollection.getByDriveSpecifier(e.cue)");
  EXPECT_EQ(Count(), 2);
  control.ClearCalls();
  control.Answer("IWMPPlayer4.put_currentPlaylist", 1, kRefused);
  EXPECT_EQ(player->ClearAllMusic(), kRefused);
  EXPECT_EQ(control.Count("IWMPPlaylist.clear"), 0u);
  EXPECT_EQ(Count(), 2);
  control.Forget();
  control.ClearCalls();
  EXPECT_EQ(player->ClearAllMusic(), S_OK);
  EXPECT_EQ(control.CallsTo("IWMPPlayer4.put_currentPlaylist").at(0),
            "IWMPPlayer4.put_currentPlaylist(\"\")");
  EXPECT_EQ(Count(), 0);
  // The playlist from before the CDs takes files again.
  ASSERT_EQ(player->AppendMusic(Text(Path("a.wav")).c_str()), S_OK);
  EXPECT_EQ(Count(), 1);

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
