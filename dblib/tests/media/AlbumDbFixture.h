// The album-information file of the tests: our own tables behind the four stored queries the library
// reads through, with a few discs.
//
//   Albums (DiscID Long R, AlbumNumber Byte R, AlbumTitle Text 80 Z, AlbumArtist Text 80 Z,
//           AlbumGenre Text 40 Z, AlbumYear Integer, AlbumDate Date; key DiscID, AlbumNumber)
//   Tracks (DiscID Long R, AlbumNumber Byte R, TrackNumber Byte R, TrackTitle Text 80 Z;
//           key DiscID, AlbumNumber, TrackNumber)
//   QuavParms (ParmName Text 20 R key, ParmValue Text 20 Z), row DatabaseVersion
//   qryCountDiscID   [pDiscID]                 Count(*) of the disc's albums
//   qryOpenAlbumInfo [pDiscID]                 AlbumNumber, AlbumTitle, AlbumArtist, AlbumGenre, AlbumYear,
//                                              AlbumDate, ordered by AlbumNumber
//   qryGetAlbumInfo  [pDiscID], [pAlbumNumber] AlbumTitle, AlbumArtist, AlbumGenre, AlbumYear, AlbumDate
//   qryGetTrackInfo  [pDiscID], [pAlbumNumber] TrackNumber, TrackTitle, ordered by TrackNumber
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

namespace qh::dblib::media_testing {

inline constexpr DWORD kThreeAlbumDisc = 0x7A0BC10D;  // three albums, the second with a null year
inline constexpr DWORD kOneAlbumDisc = 0x00112233;    // one album of four tracks

// Creates the file with its tables, queries and rows; `version` is the DatabaseVersion text.
void CreateAlbumDatabase(const CString& filePath, const char* version = "2.70");

}  // namespace qh::dblib::media_testing
