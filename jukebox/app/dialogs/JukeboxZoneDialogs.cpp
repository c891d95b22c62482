#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"

#include "jukebox/app/dialogs/AboutDlg.h"
#include "jukebox/app/dialogs/ArtistChooserDlg.h"
#include "jukebox/app/dialogs/EditPlaylistDlg.h"
#include "jukebox/app/dialogs/ExistingPlaylistDlg.h"
#include "jukebox/app/dialogs/GenreChooserDlg.h"
#include "jukebox/app/dialogs/PlaylistChooserDlg.h"
#include "jukebox/app/dialogs/SearchCriteriaDlg.h"
#include "jukebox/app/dialogs/SongInformationDlg.h"
#include "jukebox/app/services/JukeboxServices.h"

namespace {

tQHDb* SongDatabase() {
  CJukeboxServices* services = JukeboxServices();
  return services != nullptr ? services->GetSongDatabase() : nullptr;
}

tStorage* Storage() {
  CJukeboxServices* services = JukeboxServices();
  return services != nullptr ? services->GetStorageManager() : nullptr;
}

}  // namespace

INT_PTR CJukeboxZoneDialogs::RunRegistered(CDialog& dialog) {
  CJukeboxServices* services = JukeboxServices();
  if (services != nullptr) services->SetModalDialog(&dialog);
  const INT_PTR result = dialog.DoModal();
  if (services != nullptr) services->SetModalDialog(nullptr);
  return result;
}

// The zone windows' choosers have no parent: they stand on their own over the zone.
INT_PTR CJukeboxZoneDialogs::ChooseArtist(CWnd*, bool listAlbums, CString& chosen) {
  CArtistChooserDlg dialog(SongDatabase());
  dialog.m_mode = listAlbums ? CArtistChooserDlg::kAlbums : CArtistChooserDlg::kArtists;
  const INT_PTR result = RunRegistered(dialog);
  if (result == IDOK) chosen = dialog.m_result;
  return result;
}

INT_PTR CJukeboxZoneDialogs::ChooseGenre(CWnd*, CString& chosen) {
  CGenreChooserDlg dialog(SongDatabase());
  const INT_PTR result = RunRegistered(dialog);
  if (result != IDCANCEL) chosen = dialog.m_result;
  return result;
}

INT_PTR CJukeboxZoneDialogs::ChoosePlaylist(CWnd*, CString& chosen) {
  CPlaylistChooserDlg dialog(SongDatabase());
  const INT_PTR result = RunRegistered(dialog);
  if (result == IDOK) chosen = dialog.m_result;
  return result;
}

INT_PTR CJukeboxZoneDialogs::ChooseSavedPlaylist(CWnd* parent, const std::vector<CString>& names,
                                                 const CString& preset, int& chosenIndex) {
  CExistingPlaylistDlg dialog(parent);
  dialog.m_names = names;
  dialog.m_preselect = preset;
  const INT_PTR result = RunRegistered(dialog);
  chosenIndex = dialog.m_result;
  return result;
}

INT_PTR CJukeboxZoneDialogs::Search(CWnd*, ZoneSearchCriteria& criteria) {
  CSearchCriteriaDlg dialog(SongDatabase());
  const INT_PTR result = dialog.DoModal();
  if (result == IDOK) {
    criteria.song = dialog.m_song;
    criteria.artist = dialog.m_artist;
    criteria.album = dialog.m_album;
    criteria.years = dialog.m_years;
    criteria.genre = dialog.m_genre;
  }
  return result;
}

INT_PTR CJukeboxZoneDialogs::EditPlaylist(CWnd* parent, const CString& playlistName) {
  CEditPlaylistDlg dialog(SongDatabase(), Storage(), parent);
  dialog.m_playlistName = playlistName;
  return dialog.DoModal();
}

INT_PTR CJukeboxZoneDialogs::EditSongInfo(CWnd* parent, ZoneSongInfo& fields) {
  CSongInformationDlg dialog(SongDatabase(), parent);
  dialog.m_name = fields.name;
  dialog.m_artist = fields.artist;
  dialog.m_album = fields.album;
  dialog.m_notes = fields.comments;
  dialog.m_currentType = fields.genre;
  COleDateTime date(fields.year, fields.month, fields.day, 0, 0, 0);
  if (date.GetStatus() == COleDateTime::valid) dialog.m_date = date;
  dialog.m_doNotCompress = fields.uncompressed;
  dialog.m_offerDoNotCompress = fields.uncompressedEnabled;
  const INT_PTR result = dialog.DoModal();
  if (result != IDOK) return result;
  fields.name = dialog.m_name;
  fields.artist = dialog.m_artist;
  fields.album = dialog.m_album;
  fields.comments = dialog.m_notes;
  fields.genre = dialog.m_type;
  if (dialog.m_date.GetStatus() == COleDateTime::valid) {
    fields.year = dialog.m_date.GetYear();
    fields.month = dialog.m_date.GetMonth();
    fields.day = dialog.m_date.GetDay();
  }
  fields.uncompressed = dialog.m_doNotCompress;
  return result;
}

void CJukeboxZoneDialogs::ShowAbout(CWnd* parent, const CString& versionLine, const CString& legalLine) {
  CJukeboxAboutDlg dialog(parent);
  dialog.m_version = versionLine;
  dialog.m_legal = legalLine;
  dialog.DoModal();
}

void InstallJukeboxZoneDialogs() {
  static CJukeboxZoneDialogs dialogs;
  SetZoneDialogs(&dialogs);
}
