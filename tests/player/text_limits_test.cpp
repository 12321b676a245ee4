// The length text is cut to on its way to the control (paths and URLs,
// 259 units), and the host's fixed name buffer left alone by a refusal.
#include "support/proxied_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using test_support::Text;
using Strings = std::vector<std::string>;

class TextLimits : public CreatedPlayer {
protected:
  long Append(const std::u16string &path) { return player->AppendMusic(Text(path).c_str()); }
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
  ASSERT_EQ(player->SaveCurPlaylist(Text(u"Rock").c_str()), S_OK);
  unsigned short name[425];
  std::fill(std::begin(name), std::end(name), 0xAAAA);
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(1, name), E_INVALIDARG); // the control's
  EXPECT_EQ(player->GetPLCollectionNamebyIndex(-1, name), E_INVALIDARG);
  EXPECT_TRUE(std::all_of(std::begin(name), std::end(name), [](auto c) { return c == 0xAAAA; }));
}

} // namespace
