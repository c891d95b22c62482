// A song record as XML: the QHSongInfo fragment the remote control answers with, and the QHSong
// document a recorder uploads.
#include <climits>
#include <cstdio>

#include "dblib/DaoStep.h"
#include "dblib/MediaScan.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"
#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

namespace {

// Uploaded song documents are a few kilobytes; anything far larger is not one.
constexpr size_t kSongDocumentMaxSize = 256 * 1024;

// XmlEscape, and control characters (which no XML 1.0 document may hold) made blanks, so that a tag
// text with a stray control byte cannot spoil the answer it is embedded in.
CString FragmentText(const CString& text) {
  CString escaped = XmlEscape(text);
  std::string bytes = escaped.str();
  for (char& ch : bytes) {
    unsigned char byte = static_cast<unsigned char>(ch);
    if (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') ch = ' ';
  }
  return CString(std::move(bytes));
}

void SetDay(tSong& song, const CString& text, void (tSong::*setter)(COleDateTime)) {
  COleDateTime day;
  if (qh::dblib::ParseDayText(text, INT_MIN, INT_MAX, day)) (song.*setter)(day);
}

void SetDiscId(tSong& song, const CString& text) {
  unsigned int discId = 0;
  if (std::sscanf(text, "%x", &discId) == 1) song.SetSongCDDB(discId);
}

struct SongElement {
  const char* name;
  void (*apply)(tSong& song, const CString& text);
};

const SongElement kSongElements[] = {
    {"SongName", [](tSong& s, const CString& t) { s.SetSongName(t); }},
    {"SongArtist", [](tSong& s, const CString& t) { s.SetSongArtist(t); }},
    {"SongAlbum", [](tSong& s, const CString& t) { s.SetSongAlbumName(t); }},
    {"SongLabel", [](tSong& s, const CString& t) { s.SetSongLabel(t); }},
    {"SongDate", [](tSong& s, const CString& t) { SetDay(s, t, &tSong::SetSongDate); }},
    {"SongRecordDate", [](tSong& s, const CString& t) { SetDay(s, t, &tSong::SetSongRecordDate); }},
    {"SongBPM", [](tSong& s, const CString& t) { s.SetSongBPM(qh_atof(t)); }},
    {"SongBPMAccuracy", [](tSong& s, const CString& t) { s.SetSongBPMAccuracy(qh_atof(t)); }},
    {"SongAttributes", [](tSong& s, const CString& t) { s.SetSongAttributes(t); }},
    {"SongLength", [](tSong& s, const CString& t) { s.SetSongLength(t); }},
    {"SongCDTrack", [](tSong& s, const CString& t) { s.SetSongCdTrack(qh_atol(t)); }},
    {"SongCDDB", SetDiscId},
    {"SongCompression", [](tSong& s, const CString& t) { s.SetSongCompression(t.IsEmpty() ? '\0' : t[0]); }},
    {"SongUncompressed", [](tSong& s, const CString& t) { s.SetSongUncompressed(qh_atol(t)); }},
    {"SongComments", [](tSong& s, const CString& t) { s.SetSongComments(t); }},
    {"SongInventoryCode", [](tSong& s, const CString& t) { s.SetSongInventoryCode(t); }},
    {"SongSource", [](tSong& s, const CString& t) { s.SetSongSource(t); }},
    {"SongRotationCode", [](tSong& s, const CString& t) { s.SetSongRotationCode(t); }},
    {"SongGUID", [](tSong& s, const CString& t) { s.SetSongGUID(t); }},
    {"SongPrimaryGenre", [](tSong& s, const CString& t) { s.AddGenre(t, TRUE); }},
};

void ApplySongElement(tSong& song, const IXMLDOMNode& node) {
  CString name = node.nodeName();
  for (const SongElement& element : kSongElements) {
    if (name.CompareNoCase(element.name) != 0) continue;
    element.apply(song, node.text());
    return;
  }
}

}  // namespace

CString tSong::GetSongInfoXml() const {
  if (SongID < 1) return CString('\xFF');
  CString xml = "<QHSongInfo>\r\n";
  xml.AppendFormat("  <SongID>%ld</SongID>\r\n", static_cast<LONG>(SongID));
  xml.AppendFormat("  <SongName>%s</SongName>\r\n", FragmentText(SongName).GetString());
  xml.AppendFormat("  <SongArtist>%s</SongArtist>\r\n", FragmentText(SongArtist).GetString());
  xml.AppendFormat("  <SongAlbum>%s</SongAlbum>\r\n", FragmentText(SongAlbumName).GetString());
  // A song without a valid date has no year.
  xml += SongDate.GetStatus() == COleDateTime::valid ? SongDate.Format("  <SongYear>%Y</SongYear>\r\n")
                                                     : CString("  <SongYear></SongYear>\r\n");
  xml.AppendFormat("  <SongLengthMS>%ld</SongLengthMS>\r\n", static_cast<LONG>(SongLengthMS));
  xml.AppendFormat("  <SongPrimaryGenre>%s</SongPrimaryGenre>\r\n", FragmentText(SongPrimaryGenre).GetString());
  xml += "</QHSongInfo>\r\n";
  return xml;
}

int tSong::FromSongXml(const CString& filePath) {
  try {
    // The document may come from another machine: the XML layer reads it without document types,
    // entities or network access, and refuses anything above the size limit.
    DOMDocument document;
    document.put_maxSize(kSongDocumentMaxSize);
    if (!document.load(filePath)) return -2;
    IXMLDOMNodeList songs = document.getElementsByTagName("QHSong");
    for (long i = 0; i < songs.length(); ++i) {
      IXMLDOMNode song = songs.item(i);
      if (!song) return -4;
      IXMLDOMNodeList children = song.childNodes();
      for (long j = 0; j < children.length(); ++j) {
        IXMLDOMNode child = children.item(j);
        if (!child) return -6;
        ApplySongElement(*this, child);
      }
    }
    return 0;
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
    return -99;
  }
}
