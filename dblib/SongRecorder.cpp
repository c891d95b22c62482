// The song record's members only the recorder uses: the size of its media file, its genre list as an
// array, the QHSong document that goes with an uploaded song, the MP3 copy of an export and the
// names of the compression codes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dblib/DefaultGenres.h"
#include "dblib/MediaFileReader.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"
#include "platform/core/Collections.h"
#include "platform/core/FileApi.h"

namespace {

// XmlEscape, then the bytes no XML 1.0 document may hold made blanks: a tag text or a folder name
// with a stray control byte must not spoil the document the jukebox reads.
CString DocumentText(const CString& text) {
  std::string bytes = XmlEscape(text).str();
  for (char& ch : bytes) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') ch = ' ';
  }
  return CString(std::move(bytes));
}

constexpr size_t kTagSize = 128;
constexpr size_t kCopyBlock = 4096;

// Where the "fmt " and "data" chunks of a RIFF WAVE file lie, each bounded by the file.
struct WaveChunks {
  uint16_t formatTag = 0;
  uint64_t dataOffset = 0;
  uint64_t dataSize = 0;
};

bool FindWaveChunks(tMediaFileReader& reader, WaveChunks& chunks) {
  unsigned char header[12];
  if (!reader.ReadExactAt(0, header, sizeof header)) return false;
  if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) return false;
  const uint64_t riffEnd = std::min<uint64_t>(reader.Length(), 8 + static_cast<uint64_t>(ReadLittle32(header + 4)));
  bool haveFormat = false;
  uint64_t position = 12;
  while (position + 8 <= riffEnd) {
    unsigned char chunk[8];
    if (!reader.ReadExactAt(position, chunk, sizeof chunk)) return false;
    const uint64_t size = ReadLittle32(chunk + 4);
    const uint64_t body = position + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char tag[2];
      if (size < 2 || !reader.ReadExactAt(body, tag, sizeof tag)) return false;
      chunks.formatTag = ReadLittle16(tag);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) return false;
      chunks.dataOffset = body;
      // A chunk that claims more than the file holds is read only as far as the file goes.
      chunks.dataSize = std::min(size, reader.Length() - body);
      return true;
    }
    position = body + size + (size & 1);
  }
  return false;
}

// ID3 version 1.1: 128 bytes, zero before filling.
void PutTagText(unsigned char* field, const CString& text, size_t width) {
  std::memcpy(field, text.GetString(), std::min(static_cast<size_t>(text.GetLength()), width));
}

std::vector<unsigned char> BuildId3v1Tag(const tSong& song) {
  std::vector<unsigned char> tag(kTagSize, 0);
  std::memcpy(tag.data(), "TAG", 3);
  PutTagText(&tag[3], song.SongName, 30);
  PutTagText(&tag[33], song.SongArtist, 30);
  PutTagText(&tag[63], song.SongAlbumName, 30);
  if (song.SongDate.GetStatus() == COleDateTime::valid) PutTagText(&tag[93], song.SongDate.Format("%Y"), 4);
  PutTagText(&tag[97], song.SongComments, 28);
  tag[125] = 0;
  tag[126] = static_cast<unsigned char>(song.SongCdTrack & 0xFF);
  tag[127] = song.GetPrimaryGenreIndex();
  return tag;
}

bool FileExists(const CString& path) { return GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

LONG tSong::GetMediaFileSize() {
  if (SongID < 1) return -1;
  CFileStatus status;
  CString path = GetMediaFileName();
  if (path.IsEmpty() || !CFile::GetStatus(path, status)) return -2;
  return static_cast<LONG>(std::min<ULONGLONG>(status.m_size, 0x7FFFFFFF));
}

int tSong::GetGenres(CStringArray& genres) const {
  if (SongGenres.empty()) {
    genres.RemoveAll();
    return 0;
  }
  for (const CString& genre : SongGenres) genres.Add(genre);
  return static_cast<int>(SongGenres.size());
}

int tSong::SetGenres(const CStringArray& genres) {
  SongGenres.clear();
  for (INT_PTR index = 0; index < genres.GetSize(); ++index) SongGenres.push_back(genres[index]);
  return static_cast<int>(SongGenres.size());
}

int tSong::WriteSongXml(CString& xml) const {
  if (SongID < 1) return -1;
  xml = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>";
  xml += "<QHSong Version=\"4.0\">";
  xml.AppendFormat("<SongID>%ld</SongID>", static_cast<LONG>(SongID));
  xml.AppendFormat("<SongName>%s</SongName>", DocumentText(SongName).GetString());
  xml.AppendFormat("<SongArtist>%s</SongArtist>", DocumentText(SongArtist).GetString());
  xml.AppendFormat("<SongAlbum>%s</SongAlbum>", DocumentText(SongAlbumName).GetString());
  xml.AppendFormat("<SongLabel>%s</SongLabel>", DocumentText(SongLabel).GetString());
  xml += "<SongDate>" + SongDate.Format("%Y-%m-%d") + "</SongDate>";
  xml += "<SongRecordDate>" + SongRecordDate.Format("%Y-%m-%d") + "</SongRecordDate>";
  xml.AppendFormat("<SongBPM>%f</SongBPM>", SongBPM);
  xml.AppendFormat("<SongBPMAccuracy>%f</SongBPMAccuracy>", SongBPMAccuracy);
  xml.AppendFormat("<SongAttributes>%s</SongAttributes>", DocumentText(SongAttributes).GetString());
  // Length, path and GUID are escaped too: a folder such as "Rock & Roll" must not make the document
  // ill-formed.
  xml.AppendFormat("<SongLength>%s</SongLength>", DocumentText(SongLength).GetString());
  xml.AppendFormat("<SongCDTrack>%hd</SongCDTrack>", static_cast<short>(SongCdTrack));
  xml.AppendFormat("<SongCDDB>%08X</SongCDDB>", static_cast<unsigned int>(SongCDDB));
  xml.AppendFormat("<SongCompression>%c</SongCompression>", SongCompression);
  xml.AppendFormat("<SongUncompressed>%d</SongUncompressed>", SongUncompressed ? 1 : 0);
  xml.AppendFormat("<SongComments>%s</SongComments>", DocumentText(SongComments).GetString());
  xml.AppendFormat("<SongInventoryCode>%s</SongInventoryCode>", DocumentText(SongInventoryCode).GetString());
  xml.AppendFormat("<SongSource>%s</SongSource>", DocumentText(SongSource).GetString());
  xml.AppendFormat("<SongRotationCode>%s</SongRotationCode>", DocumentText(SongRotationCode).GetString());
  xml.AppendFormat("<OriginalPath>%s</OriginalPath>", DocumentText(SongPath).GetString());
  xml.AppendFormat("<OriginalVolser>%08X</OriginalVolser>", static_cast<unsigned int>(SongVolser));
  xml.AppendFormat("<SongGUID>%s</SongGUID>", DocumentText(SongGUID).GetString());
  xml.AppendFormat("<SongPlaycount>%ld</SongPlaycount>", static_cast<LONG>(SongPlayCount));
  xml.AppendFormat("<SongPrimaryGenre>%s</SongPrimaryGenre>", DocumentText(SongPrimaryGenre).GetString());
  if (!SongGenres.empty()) {
    xml += "<GenreList>";
    for (const CString& genre : SongGenres) xml.AppendFormat("<SongGenre>%s</SongGenre>", DocumentText(genre).GetString());
    xml += "</GenreList>";
  }
  xml += "</QHSong>";
  return 0;
}

int tSong::ExportMp3Copy(const CString& basePath) {
  tMediaFileReader reader;
  if (!reader.Open(GetMediaFileName())) return -2;
  WaveChunks chunks;
  if (!FindWaveChunks(reader, chunks) || chunks.formatTag != 0x55) return -3;

  CString target = basePath + ".mp3";
  for (int number = 1; FileExists(target); ++number) target.Format("%s%d.mp3", basePath.GetString(), number);
  CFile out;
  if (!out.Open(target, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return -4;

  std::vector<unsigned char> block(kCopyBlock);
  uint64_t copied = 0;
  try {
    while (copied < chunks.dataSize) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyBlock, chunks.dataSize - copied));
      size_t got = reader.ReadAt(chunks.dataOffset + copied, block.data(), want);
      if (got == 0) break;  // the file ended early: what it holds is copied, nothing loops
      out.Write(block.data(), static_cast<UINT>(got));
      copied += got;
    }
    // A data chunk that already ends in a tag keeps it; one shorter than a tag cannot hold one.
    bool tagged = false;
    if (copied >= kTagSize) {
      unsigned char head[3];
      tagged = reader.ReadExactAt(chunks.dataOffset + copied - kTagSize, head, sizeof head) &&
               std::memcmp(head, "TAG", 3) == 0;
    }
    if (!tagged) {
      std::vector<unsigned char> tag = BuildId3v1Tag(*this);
      out.Write(tag.data(), static_cast<UINT>(tag.size()));
    }
    out.Close();
  } catch (CException* e) {
    e->Delete();
    out.Abort();
    DeleteFile(target);
    return -4;
  }
  return 0;
}

CString CompressionTypeName(const tSong& song) {
  switch (song.SongCompression) {
    case 'A': return "ADPCM";
    case ' ': return "WAV (PCM)";
    case 'M': return "MP3";
    case 'R': return "Native MP3";
    case '3': return "Unmanaged MP3";
    case 'V': return "Unmanaged WAV (PCM)";
    default: return "*UNKNOWN*";
  }
}
