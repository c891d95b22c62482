#include "recorder/HtmlReport.h"

#include "dblib/Song.h"
#include "platform/core/FileApi.h"
#include "platform/core/Process.h"
#include "platform/ui/WinUser.h"

namespace {

const char kStyle[] =
    "<style>\r\n"
    "BODY\t{background-color: White; color: Black}\r\n"
    "TD\t{background-color: #E8E8FF; color: Black; font-size: 8pt; font-family: \"Verdana, Geneva, Helvetica, "
    "sans-serif\"}\r\n"
    "TD.White\t{background-color: White; color: Black}\r\n"
    "TD.Info\t{background-color: #E8E8FF; color: Black; font-size: 8pt; font-weight: bold; font-family: \"Verdana, "
    "Geneva, Helvetica, sans-serif\"}\r\n"
    "TH\t{background-color: #FFE8E8; color: Black; font-size: 8pt; font-weight: bold; font-family: \"Verdana, "
    "Geneva, Helvetica, sans-serif\"}\r\n"
    "</style></head>\r\n";

const char kColumnRow[] = "<tr><th>SongID</th><th>Name</th><th>Artist</th><th>Album</th></tr>";

CString Escaped(const CString& text) { return HtmlEscape(text); }

CString ShortDate(const COleDateTime& date) {
  return date.GetStatus() == COleDateTime::valid ? date.Format("%x") : CString();
}

}  // namespace

CString HtmlEscape(const CString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.GetLength()));
  for (char ch : text.str()) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += ch;
    }
  }
  return CString(std::move(out));
}

CString CHtmlReport::Head() const {
  const bool detail = m_request.kind == ReportKind::Detail;
  CString head = detail ? "<html><head><title>Quaverhouse Jukebox Detail Report</title>"
                        : "<html><head><title>Quaverhouse Jukebox Summary Report</title>";
  if (!m_request.playlist) head += "\r\n";
  head += kStyle;
  head.AppendFormat("<body><table border=\"0\"><tr><th colspan=\"4\">%s</th></tr>", Escaped(m_request.title).GetString());
  if (m_request.playlist)
    head.AppendFormat("<tr><th colspan=\"4\">Total Running Time - %s</th></tr>",
                      Escaped(m_request.secondHeading).GetString());
  else
    head.AppendFormat("<tr><th colspan=\"4\">%s</th></tr>", Escaped(m_request.secondHeading).GetString());
  if (!detail) head += kColumnRow;
  return head;
}

CString CHtmlReport::SongRows(tSong& song) const {
  CString rows;
  if (m_request.kind == ReportKind::Summary) {
    rows.Format("<tr><td>%ld</td><td>%s</td><td>%s</td><td>%s</td></tr>", static_cast<long>(song.SongID),
                Escaped(song.SongName).GetString(), Escaped(song.SongArtist).GetString(),
                Escaped(song.SongAlbumName).GetString());
    return rows;
  }
  auto row = [&rows](const char* label, const char* cellClass, const CString& value) {
    rows.AppendFormat("<tr><td align=\"right\">%s:&nbsp;</td><td%s>%s</td></tr>", label, cellClass,
                      value.GetString());
  };
  CString value;
  value.Format("%ld", static_cast<long>(song.SongID));
  row("SongID", "", value);
  row("Title", " class=\"Info\"", Escaped(song.SongName));
  row("Artist", " class=\"Info\"", Escaped(song.SongArtist));
  row("Album", " class=\"Info\"", Escaped(song.SongAlbumName));
  row("Label", "", Escaped(song.SongLabel));
  value.Format("%s - %s", ShortDate(song.SongDate).GetString(), ShortDate(song.SongRecordDate).GetString());
  row("Date - Record Date", "", value);
  value.Format("%.2f / %.2f", song.SongBPM, song.SongBPMAccuracy);
  row("BPM / Accuracy", "", value);
  row("Attributes", "", Escaped(song.SongAttributes));
  row("Length", "", Escaped(song.SongLength));
  value.Format("%d / %08X", static_cast<int>(song.SongCdTrack), static_cast<unsigned int>(song.SongCDDB));
  row("CD Track / ID", "", value);
  value.Format("%s / %s", CompressionTypeName(song).GetString(), song.SongUncompressed ? "True" : "False");
  row("Compression Type / Flag", "", value);
  row("Inventory Code", "", Escaped(song.SongInventoryCode));
  row("Source", "", Escaped(song.SongSource));
  row("Rotation Code", "", Escaped(song.SongRotationCode));
  row("Path", "", Escaped(song.GetMediaFileName()));
  value.Format("%08X", static_cast<unsigned int>(song.SongVolser));
  row("Volser", "", value);
  row("GUID", "", Escaped(song.SongGUID));
  value.Format("%ld", static_cast<long>(song.SongPlayCount));
  row("Play count", "", value);
  rows += "<tr><td class=\"White\" colspan=\"2\"><hr></td></tr>";
  return rows;
}

CString CHtmlReport::Foot() const {
  CString foot;
  if (m_request.kind == ReportKind::Summary) foot += kColumnRow;
  // The title row is a whole row, so the table stays well-formed.
  foot.AppendFormat("<tr><th align=\"center\" colspan=\"4\">%s</th></tr>", Escaped(m_request.title).GetString());
  foot += "</table></body></html>";
  return foot;
}

CString CHtmlReport::Compose(const std::vector<tSong*>& songs) const {
  CString text = Head();
  for (tSong* song : songs)
    if (song != nullptr) text += SongRows(*song);
  text += Foot();
  return text;
}

bool CHtmlReport::Write(const CString& filePath, const std::vector<tSong*>& songs) {
  CFile file;
  if (!file.Open(filePath, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return false;
  try {
    auto put = [&file](const CString& piece) { file.Write(piece.GetString(), static_cast<UINT>(piece.GetLength())); };
    put(Head());
    for (tSong* song : songs)
      if (song != nullptr) put(SongRows(*song));
    put(Foot());
    file.Close();
  } catch (CException* e) {
    e->Delete();
    file.Abort();
    return false;
  }
  return true;
}

CString ReportFilePath(const CString& databaseFolder) {
  CString folder = databaseFolder + "\\Temp";
  CreateDirectory(folder, nullptr);
  return folder + "\\Cover.htm";
}

bool OpenReport(const CString& filePath, const CString& databaseFolder) {
  HINSTANCE result = ShellExecute(nullptr, nullptr, filePath, nullptr, databaseFolder, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(result) > 32;
}
