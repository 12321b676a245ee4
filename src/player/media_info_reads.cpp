#include "player/media_info_reads.h"

#include <atlbase.h>

#include "player/attribute_number.h"
#include "player/codec_names.h"
#include "player/host_text.h"
#include "player/media_info_record.h"
#include "player/text.h"

namespace {

using TextField = unsigned short (tagMediaInfo::*)[kHostTextUnits];

HRESULT ReadAttribute(IWMPMedia *media, const OLECHAR *name, CComBSTR &value) {
  CComBSTR attribute(name);
  if (!attribute)
    return E_OUTOFMEMORY;
  return media->getItemInfo(attribute, &value);
}

// A media file's attributes, in the order GetMusicInfo reads them; a null
// field stands for the duration.
struct FileRead {
  std::uint32_t bit;
  const OLECHAR *name;
  TextField field;
};
const FileRead kFileReads[] = {
    {INFO_TITLE, OLESTR("Title"), &tagMediaInfo::szTitle},
    {INFO_ALBUM, OLESTR("Album"), &tagMediaInfo::szAlbum},
    {INFO_AUTHOR, OLESTR("Author"), &tagMediaInfo::szAuthor},
    {INFO_ALBUMARTIST, OLESTR("AlbumArtist"), &tagMediaInfo::szAlbumArtist},
    {INFO_DURATION, nullptr, nullptr},
    {INFO_SOURCEURL, OLESTR("SourceURL"), &tagMediaInfo::szSourceURL},
    {INFO_GENRE, OLESTR("WM/Genre"), &tagMediaInfo::szGenre},
    {INFO_COMPOSER, OLESTR("WM/Composer"), &tagMediaInfo::szComposer},
};

// A playlist item's attributes, in the order GetCurPlaylistMusicInfo reads
// them.
enum class Read { Text, Duration, Width, Height, Aspect, FileType, VideoCodec, AudioCodec, Number };
struct ItemRead {
  std::uint32_t bit;
  Read kind;
  const OLECHAR *name;
  TextField text;
  std::int32_t tagMediaInfo::*number;
};
const ItemRead kItemReads[] = {
    {INFO_TITLE, Read::Text, OLESTR("Name"), &tagMediaInfo::szTitle, nullptr},
    {INFO_ALBUM, Read::Text, OLESTR("Album"), &tagMediaInfo::szAlbum, nullptr},
    {INFO_AUTHOR, Read::Text, OLESTR("Author"), &tagMediaInfo::szAuthor, nullptr},
    {INFO_ALBUMARTIST, Read::Text, OLESTR("AlbumArtist"), &tagMediaInfo::szAlbumArtist, nullptr},
    {INFO_DURATION, Read::Duration, nullptr, nullptr, nullptr},
    {INFO_WIDTH, Read::Width, nullptr, nullptr, nullptr},
    {INFO_HEIGHT, Read::Height, nullptr, nullptr, nullptr},
    {INFO_ASPECTRATIO, Read::Aspect, nullptr, nullptr, nullptr},
    {INFO_SOURCEURL, Read::Text, OLESTR("SourceURL"), &tagMediaInfo::szSourceURL, nullptr},
    {INFO_GENRE, Read::Text, OLESTR("WM/Genre"), &tagMediaInfo::szGenre, nullptr},
    {INFO_COMPOSER, Read::Text, OLESTR("WM/Composer"), &tagMediaInfo::szComposer, nullptr},
    {INFO_TOC, Read::Text, OLESTR("TOC"), &tagMediaInfo::szTOC, nullptr},
    {INFO_CONTENTID, Read::Text, OLESTR("WMContentID"), &tagMediaInfo::szContentID, nullptr},
    {INFO_FILETYPE, Read::FileType, OLESTR("FileType"), nullptr, nullptr},
    {INFO_VIDEOCODEC, Read::VideoCodec, OLESTR("FourCC"), &tagMediaInfo::szVideoCodec, nullptr},
    {INFO_AUDIOCODEC, Read::AudioCodec, OLESTR("FormatTag"), &tagMediaInfo::szAudioCodec, nullptr},
    {INFO_VIDEOBITRATE, Read::Number, OLESTR("VideoBitrate"), nullptr,
     &tagMediaInfo::lVideoBitrate},
    {INFO_AUDIOBITRATE, Read::Number, OLESTR("AudioBitrate"), nullptr,
     &tagMediaInfo::lAudioBitrate},
    {INFO_BITRATE, Read::Number, OLESTR("Bitrate"), nullptr, &tagMediaInfo::lBitrate},
    {INFO_FRAMERATE, Read::Number, OLESTR("FrameRate"), nullptr, &tagMediaInfo::lFrameRate},
    {INFO_CHANNELS, Read::Number, OLESTR("Channels"), nullptr, &tagMediaInfo::lChannels},
};

// The fields SetCurPlaylistMusicInfo writes, in its order.
struct ItemWrite {
  std::uint32_t bit;
  const OLECHAR *name;
  TextField field;
};
const ItemWrite kItemWrites[] = {
    {INFO_TITLE, OLESTR("Name"), &tagMediaInfo::szTitle},
    {INFO_ALBUM, OLESTR("Album"), &tagMediaInfo::szAlbum},
    {INFO_AUTHOR, OLESTR("Author"), &tagMediaInfo::szAuthor},
    {INFO_ALBUMARTIST, OLESTR("AlbumArtist"), &tagMediaInfo::szAlbumArtist},
    {INFO_SOURCEURL, OLESTR("SourceURL"), &tagMediaInfo::szSourceURL},
    {INFO_GENRE, OLESTR("WM/Genre"), &tagMediaInfo::szGenre},
    {INFO_COMPOSER, OLESTR("WM/Composer"), &tagMediaInfo::szComposer},
};

// An item's image size: the control writes straight into the field.
HRESULT ReadImageSize(IWMPMedia *media, bool width, std::int32_t *field) {
  long size = *field;
  HRESULT status = width ? media->get_imageSourceWidth(&size) : media->get_imageSourceHeight(&size);
  *field = std::int32_t(size);
  return status;
}

// One read of ReadItemInfo; its status, or `status` unchanged when it made
// no control call.
HRESULT ReadItemField(IWMPMedia *media, const ItemRead &read, std::uint32_t mask,
                      tagMediaInfo *info, HRESULT status) {
  switch (read.kind) {
  case Read::Duration:
    return media->get_duration(&info->dDuration);
  case Read::Width:
  case Read::Height: {
    std::int32_t *field = read.kind == Read::Width ? &info->lWidth : &info->lHeight;
    status = ReadImageSize(media, read.kind == Read::Width, field);
    if (status != S_OK)
      *field = 0;
    return status;
  }
  case Read::Aspect:
    // A size asked for on its own is in the record already; one read here
    // stays in it, whatever the read answered.
    if (!(mask & INFO_WIDTH))
      status = ReadImageSize(media, true, &info->lWidth);
    if (!(mask & INFO_HEIGHT))
      status = ReadImageSize(media, false, &info->lHeight);
    StoreAspectRatio(info);
    return status;
  default:
    break;
  }

  CComBSTR value;
  status = ReadAttribute(media, read.name, value);
  if (status != S_OK)
    return status;
  // Text that is named or parsed is cut like a field first.
  unsigned short local[kHostTextUnits] = {};
  switch (read.kind) {
  case Read::Text:
    CopyHostText(info->*read.text, value);
    break;
  case Read::FileType:
    StoreFileType(info->szFileType, value);
    break;
  case Read::VideoCodec:
    CopyHostText(local, value);
    VideoCodecName(local, info->*read.text);
    break;
  case Read::AudioCodec:
    CopyHostText(local, value);
    AudioCodecName(local, info->*read.text);
    break;
  case Read::Number:
    CopyHostText(local, value);
    info->*read.number = AttributeNumber(local);
    break;
  default:
    break;
  }
  return status;
}

// A text field of the host's record as a COM string, up to its NUL and
// never beyond the field.
CComBSTR FieldText(const unsigned short (&field)[kHostTextUnits]) {
  int length = 0;
  while (length < int(kHostTextUnits) && field[length] != 0)
    ++length;
  return CComBSTR(length, AsOleText(field));
}

} // namespace

HRESULT ReadFileInfo(IWMPMedia *media, std::uint32_t mask, tagMediaInfo *info, HRESULT status) {
  for (const FileRead &read : kFileReads) {
    if (!(mask & read.bit))
      continue;
    if (read.field == nullptr) {
      status = media->get_duration(&info->dDuration);
    } else {
      CComBSTR value;
      status = ReadAttribute(media, read.name, value);
      if (SUCCEEDED(status))
        CopyHostText(info->*read.field, value);
    }
    if (FAILED(status))
      return status;
  }
  return status;
}

HRESULT ReadItemInfo(IWMPMedia *media, std::uint32_t mask, tagMediaInfo *info, HRESULT status) {
  for (const ItemRead &read : kItemReads)
    if (mask & read.bit)
      status = ReadItemField(media, read, mask, info, status);
  return status;
}

HRESULT WriteItemInfo(IWMPMedia *media, const tagMediaInfo *info, HRESULT status) {
  for (const ItemWrite &write : kItemWrites) {
    if (!(info->dwMask & write.bit))
      continue;
    CComBSTR name(write.name);
    CComBSTR text = FieldText(info->*write.field);
    if (!name || !text)
      return E_OUTOFMEMORY;
    status = media->setItemInfo(name, text);
  }
  return status;
}
